#pragma once

#include "base/MessageBoxes.h"

namespace orvane {

// Messages for a program nobody can see: run offscreen (a service, a
// machine without a screen) a modal box would wait for an OK that never
// comes, and the watching would stop for good. They go to the standard
// error stream instead, which a service's journal keeps.
class ConsoleMessages final : public MessageBoxes {
public:
    void warn(const QString& title, const QString& text) override;
};

} // namespace orvane
