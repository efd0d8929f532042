#pragma once

#include "base/Result.h"

#include <QString>

#include <optional>

namespace orvane {

// The login a netrc file holds for the mail server, read exactly as libcurl
// (7.88) reads it when it connects: keywords in any case, "#" to the end of
// the line, "default", "macdef" bodies skipped up to an empty line, quoted
// tokens, and its quirks: a line too long for its buffer, or holding a NUL,
// is dropped whole; a CR, or a blank before the LF, makes an empty token,
// which is a login of its own and ends a macro at once. Only the login name
// comes out: the password stays with libcurl.
// A file that other users can read or change is refused rather than used,
// as ssh refuses a loose key.
class NetrcLogin {
public:
    // The login name libcurl would send.
    struct Login {
        QString name;
    };

    // $HOME/.netrc, as libcurl and other command-line tools look for it.
    static QString defaultFile();
    // The login for the host, or none when libcurl would log in without one
    // (no entry, no file). Fails when there is one and the file is open to
    // other users or belongs to another, when libcurl would stop on the
    // file's syntax, and for a password without a login.
    static Result<std::optional<Login>> find(const QString& file, const QString& host);
};

} // namespace orvane
