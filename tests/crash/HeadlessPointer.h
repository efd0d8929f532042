#pragma once

#include "platform/ScreenPointer.h"

namespace orvane::test {

// A mouse pointer nobody sees.
class HeadlessPointer final : public ScreenPointer {
public:
    void set(Shape) override {}
};

} // namespace orvane::test
