#pragma once

namespace orvane {

// Ends the program at once, without unloading windows in order. A test's
// replacement records the call instead; callers return right after it.
class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    virtual void endNow(int exitCode) = 0;
};

} // namespace orvane
