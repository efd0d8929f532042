#pragma once

namespace orvane {

// The application-wide mouse pointer.
class ScreenPointer {
public:
    enum class Shape { Arrow, Busy };
    virtual ~ScreenPointer() = default;
    virtual void set(Shape shape) = 0;
};

} // namespace orvane
