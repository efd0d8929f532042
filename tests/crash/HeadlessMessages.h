#pragma once

#include "platform/MessageBoxes.h"

#include <QString>

#include <cstdio>

namespace orvane::test {

// Message boxes for a program without a screen: each goes to stderr at once
// and is counted, so that a driver can stop on the first one.
class HeadlessMessages final : public MessageBoxes {
public:
    void warn(const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "message box: %s: %s\n", qPrintable(title), qPrintable(text));
        std::fflush(stderr);
        ++shown;
    }

    int shown = 0;
};

} // namespace orvane::test
