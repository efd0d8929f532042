#pragma once

#include "base/Failure.h"

#include <QByteArray>
#include <QDateTime>

#include <functional>
#include <optional>

namespace orvane {

// What a web server meant by an error status, read from the headers of its
// final answer: a bot check or a rate limit says more to the user than the
// status does, and what to do about it differs.
class ErrorAnswer {
public:
    // A header of the final answer, by name; none when it has none.
    using Header = std::function<std::optional<QByteArray>(const char* name)>;

    // The failure for `status` (400 or more), answered at `answeredAt`.
    static Failure read(long status, const Header& header, const QDateTime& answeredAt);
};

} // namespace orvane
