#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace orvane {

// Where the control socket of the program running from a folder lives. Not
// beside the database: that folder may be long (a socket's path has room
// for 107 bytes) or writable by others, who could plant a socket there.
// Instead a folder private to the user, the first of
//   $XDG_RUNTIME_DIR/orvane, /run/user/UID/orvane, /tmp/orvane-UID
// whose base is the user's own and leaves room for the name, and in it
// "<hash of the canonical program folder>.control". A client tries each
// of them, so that one run from cron, without XDG_RUNTIME_DIR, still finds
// a program started from a login session.
class ControlPlace {
public:
    // sockaddr_un's sun_path on Linux less its terminating zero.
    static constexpr qsizetype kMaxPathBytes = 107;
    // Hex digits of the folder's SHA-256 kept in the name: 128 bits, so that
    // two folders never meet on one name, in 32 bytes of the 107.
    static constexpr qsizetype kHashDigits = 32;

    // "<hash>.control" for the program folder.
    static QString socketName(const QString& programDir);
    // The private folders, most preferred first.
    static QStringList folders(uid_t uid);
    // Where the program listens: the first folder, made 0700 when missing.
    // Fails when that folder is not the user's own or is open to others.
    static Result<QString> serverPath(const QString& programDir, uid_t uid);
    // The socket files a client may connect to, in order: each one there
    // whose folder and file pass the checks below. A socket refused by
    // them is left out and its reason put in refused.
    static QStringList clientPaths(const QString& programDir, uid_t uid, QString* refused);

    // A folder of its own (no link), owned by uid, open to nobody else.
    static Status checkFolder(const QString& folder, uid_t uid);
    // A socket file (no link) owned by uid.
    static Status checkSocketFile(const QString& path, uid_t uid);
};

} // namespace orvane
