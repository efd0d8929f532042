#include "host/ConsoleMessages.h"

#include <cstdio>

namespace orvane {

void ConsoleMessages::warn(const QString& title, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    std::fflush(stderr);
}

} // namespace orvane
