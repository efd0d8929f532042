#pragma once

#include "platform/ErrorCode.h"
#include "platform/Failure.h"

#include <QString>

namespace orvane {

// The one place that gives every error number its standard message text.
class ErrorCatalogue {
public:
    static constexpr long kFirstHttpError = 400;
    static constexpr long kLastHttpError = 599;

    // The standard message text of an error number; the empty text for 0,
    // a generic text for a number the program never produces.
    static QString standardText(int number);

    // True for the number of a failure that is a web server's error status.
    static bool isHttpStatus(int number) { return number >= kFirstHttpError && number <= kLastHttpError; }

    static Failure failure(ErrorCode code);
    // The code's number with a description of the caller's.
    static Failure failure(ErrorCode code, QString description);
    static Failure httpFailure(long status);
    static Failure transferFailure(int transferCode);
};

} // namespace orvane
