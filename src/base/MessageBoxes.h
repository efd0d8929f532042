#pragma once

#include <QString>

namespace orvane {

// Modal message boxes with the exclamation icon and one OK button. Tests
// answer them without blocking.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void warn(const QString& title, const QString& text) = 0;
};

} // namespace orvane
