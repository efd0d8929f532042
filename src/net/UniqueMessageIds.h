#pragma once

#include <QString>
#include <QtGlobal>

namespace orvane {

// What makes the Message-Id of each mail a client writes its own. The
// alert's value names only the second, shared by every alert of a cycle;
// behind it go the number of the mail in the client's life and a token
// drawn when the client is made. The program keeps one client for its run,
// so the number tells the mails of one run apart and the token two runs, or
// two programs, started within the same second on the same machine.
class UniqueMessageIds {
public:
    UniqueMessageIds(); // draws the token from the system's random source

    // ".N.TOKEN", N counting from 1: dot-atoms, as the left side of an id takes them.
    QString next();

private:
    quint64 issued_ = 0;
    QString token_;
};

} // namespace orvane
