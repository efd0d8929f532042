#pragma once

#include "base/ScreenPointer.h"

namespace orvane {

// One pointer shape for all the program's windows.
class QtScreenPointer final : public ScreenPointer {
public:
    void set(Shape shape) override;
};

} // namespace orvane
