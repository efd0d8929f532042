#pragma once

#include "base/ErrorCode.h"

#include <QString>

namespace orvane {

// A failure as the program reports it: an error number and the standard
// message text that belongs to that number.
struct Failure {
    int number = 0;
    QString description;

    bool is(ErrorCode code) const { return number == static_cast<int>(code); }

    friend bool operator==(const Failure&, const Failure&) = default;
};

} // namespace orvane
