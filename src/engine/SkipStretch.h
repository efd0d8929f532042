#pragma once

#include "base/Result.h"

#include <optional>

namespace orvane {

// A stretch in which a failing step is left out and the next one runs,
// while the last failure stays on record for a later test.
class SkipStretch {
public:
    // Records the step's failure, if any; true when the step succeeded.
    bool step(const Status& status)
    {
        if (!status.ok())
            last_ = status.failure();
        return status.ok();
    }

    bool failed() const { return last_.has_value(); }
    Failure lastFailure() const { return last_.value_or(Failure {}); }

private:
    std::optional<Failure> last_;
};

} // namespace orvane
