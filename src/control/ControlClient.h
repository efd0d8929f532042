#pragma once

#include "base/Result.h"

#include <QDeadlineTimer>
#include <QJsonObject>
#include <QLocalSocket>
#include <QString>

namespace orvane {

// orvane-db's side of the control channel: one connection to the program
// running from a folder, one request and its answer at a time, each bounded
// by a deadline. Blocking: the tool has nothing else to do meanwhile.
class ControlClient {
public:
    explicit ControlClient(const QString& dir);

    // Fails when nothing listens there: no program, or a socket file a
    // killed one left behind.
    Status connectTo(QDeadlineTimer deadline);
    Result<QJsonObject> ask(const QJsonObject& request, QDeadlineTimer deadline);
    void close();

    const QString& path() const { return path_; }

private:
    QString path_;
    QLocalSocket socket_;
};

} // namespace orvane
