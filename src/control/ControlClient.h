#pragma once

#include "base/Result.h"

#include <QDeadlineTimer>
#include <QJsonObject>
#include <QLocalSocket>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace orvane {

// orvane-db's side of the control channel: one connection to the program
// running from a folder, one request and its answer at a time, each bounded
// by a deadline. Blocking: the tool has nothing else to do meanwhile. It
// talks only to a program of its own user: the socket's file and folder
// must be the user's, and so must the process that serves it.
class ControlClient {
public:
    // The program running from dir, served by the user running this.
    explicit ControlClient(const QString& dir);
    // The first of paths that answers, served by uid.
    ControlClient(QStringList paths, uid_t uid);

    // Fails when nothing listens there (no program, or a socket file a
    // killed one left behind: ErrorCode::ControlNoListener) or when
    // another user's process or file is found (ControlUntrusted).
    Status connectTo(QDeadlineTimer deadline);
    Result<QJsonObject> ask(const QJsonObject& request, QDeadlineTimer deadline);
    void close();

    // The socket connected to, else the first tried.
    const QString& path() const { return path_; }

    // The process at the other end of the connected socket fd runs as uid.
    static Status checkPeer(qintptr fd, uid_t uid);

private:
    QStringList paths_;
    QString refused_; // why a socket found was not tried
    uid_t uid_;
    QString path_;
    QLocalSocket socket_;
};

} // namespace orvane
