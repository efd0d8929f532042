#pragma once

#include "base/ProgramEnd.h"

namespace orvane {

// Flushes what the C library holds and leaves without running destructors.
class ImmediateProgramEnd final : public ProgramEnd {
public:
    void endNow(int exitCode) override;
};

} // namespace orvane
