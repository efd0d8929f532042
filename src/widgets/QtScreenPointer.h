#pragma once

#include "base/ScreenPointer.h"

namespace orvane {

// One pointer shape for all the program's windows.
class QtScreenPointer final : public ScreenPointer {
public:
    void set(Shape shape) override;
    Shape shape() const { return shape_; }

private:
    Shape shape_ = Shape::Arrow;
};

} // namespace orvane
