#pragma once

#include "platform/Result.h"

#include <QString>

namespace orvane {

// Whether a netrc file holds a login for the mail server. Only whether: the
// login and password themselves are read by libcurl when it connects, and
// never pass through the program. A file that other users can read or change
// is refused rather than used, as ssh refuses a loose key.
class NetrcLogin {
public:
    // $HOME/.netrc, as libcurl and other command-line tools look for it.
    static QString defaultFile();
    // True when the file names the host in a "machine" entry (without regard
    // to case, as libcurl compares) or has a "default" entry; false when there
    // is no such entry or no file. Fails when there is one and the file is
    // open to other users or belongs to another.
    static Result<bool> has(const QString& file, const QString& host);
};

} // namespace orvane
