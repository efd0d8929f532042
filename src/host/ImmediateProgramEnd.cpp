#include "host/ImmediateProgramEnd.h"

#include <cstdio>
#include <unistd.h>

namespace orvane {

void ImmediateProgramEnd::endNow(int exitCode)
{
    std::fflush(nullptr);
    ::_exit(exitCode);
}

} // namespace orvane
