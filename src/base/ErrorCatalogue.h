#pragma once

#include "base/ErrorCode.h"
#include "base/Failure.h"

#include <QDateTime>
#include <QString>

namespace orvane {

// The one place that gives every error number its standard message text.
class ErrorCatalogue {
public:
    static constexpr long kFirstHttpError = 400;
    static constexpr long kLastHttpError = 599;
    static constexpr long kTooManyRequests = 429;

    // The standard message text of an error number; the empty text for 0,
    // a generic text for a number the program never produces and for a
    // transfer error, whose text only the network layer knows.
    static QString standardText(int number);
    // The standard text of a failure's number; a transfer failure and a web
    // server's error status carry their own, put there by the network layer,
    // which alone sees what the server said besides the status.
    static QString standardText(const Failure& failure);

    // True for the number of a failure that is a web server's error status.
    static bool isHttpStatus(int number) { return number >= kFirstHttpError && number <= kLastHttpError; }
    // True for the number of a failure that is a libcurl error.
    static bool isTransfer(int number) { return number > static_cast<int>(ErrorCode::TransferBase); }

    static Failure failure(ErrorCode code);
    // The code's number with a description of the caller's.
    static Failure failure(ErrorCode code, QString description);
    static Failure httpFailure(long status);
    // An error status behind which the site's bot protection asks for a
    // browser; `service` names it as the server did, empty when it did not.
    static Failure botCheckFailure(long status, const QString& service);
    // An error status by which the server limits how often it is asked:
    // `until` is the time it asks to wait for, invalid when it named none;
    // `now` is when it answered, in the time zone to show.
    static Failure rateLimitFailure(long status, const QDateTime& until, const QDateTime& now);
};

} // namespace orvane
