#include "control/ControlClient.h"

#include "base/ErrorCatalogue.h"
#include "control/ControlPlace.h"
#include "control/ControlProtocol.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {

namespace {

Failure channelFailure(const QString& why)
{
    return ErrorCatalogue::failure(ErrorCode::ControlChannel, why);
}

} // namespace

ControlClient::ControlClient(const QString& dir) : uid_(::getuid())
{
    paths_ = ControlPlace::clientPaths(dir, uid_, &refused_);
    const QStringList folders = ControlPlace::folders(uid_);
    path_ = paths_.isEmpty() ? folders.first() + QLatin1Char('/') + ControlPlace::socketName(dir) : paths_.first();
}

ControlClient::ControlClient(QStringList paths, uid_t uid) : paths_(std::move(paths)), uid_(uid), path_(paths_.value(0))
{
}

Status ControlClient::checkPeer(qintptr fd, uid_t uid)
{
    ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return ErrorCatalogue::failure(ErrorCode::ControlUntrusted,
                                       QStringLiteral("cannot tell who serves the control socket"));
    if (peer.uid != uid)
        return ErrorCatalogue::failure(
            ErrorCode::ControlUntrusted,
            QStringLiteral("the control socket is served by another user (uid %1, pid %2), not by uid %3")
                .arg(peer.uid)
                .arg(peer.pid)
                .arg(uid));
    return {};
}

Status ControlClient::connectTo(QDeadlineTimer deadline)
{
    QString why = refused_;
    for (const QString& path : paths_) {
        path_ = path;
        socket_.connectToServer(path);
        if (!socket_.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            // A socket file left by a killed program: another may be live.
            if (why.isEmpty())
                why = socket_.errorString();
            socket_.abort();
            continue;
        }
        if (Status own = checkPeer(socket_.socketDescriptor(), uid_); !own.ok()) {
            socket_.abort();
            return own;
        }
        return {};
    }
    if (!refused_.isEmpty())
        return ErrorCatalogue::failure(ErrorCode::ControlUntrusted, refused_);
    return ErrorCatalogue::failure(ErrorCode::ControlNoListener,
                                   why.isEmpty() ? QStringLiteral("no control socket") : why);
}

Result<QJsonObject> ControlClient::ask(const QJsonObject& request, QDeadlineTimer deadline)
{
    // Past Qt: a refusal may have come, and the connection closed, before
    // the request left, and Qt drops what came when its write fails. A
    // request of at most a KB goes whole into the socket's buffer at once.
    const QByteArray line = ControlProtocol::line(request);
    const ssize_t sent = ::send(static_cast<int>(socket_.socketDescriptor()), line.constData(),
                                static_cast<size_t>(line.size()), MSG_NOSIGNAL);
    const bool written = sent == line.size();
    const QString writeError = QString::fromLocal8Bit(std::strerror(sent < 0 ? errno : EAGAIN));
    while (!socket_.canReadLine()) {
        if (socket_.bytesAvailable() > ControlProtocol::kMaxAnswerBytes)
            return channelFailure(QStringLiteral("an answer too long"));
        if (deadline.hasExpired() || !socket_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (!written)
                return channelFailure(writeError);
            return channelFailure(socket_.state() == QLocalSocket::ConnectedState
                                      ? QStringLiteral("no answer in time")
                                      : QStringLiteral("the program closed the connection without an answer"));
        }
    }
    const auto answer = ControlProtocol::parse(socket_.readLine(ControlProtocol::kMaxAnswerBytes).trimmed());
    if (!answer)
        return channelFailure(QStringLiteral("an answer that is not JSON"));
    return *answer;
}

void ControlClient::close()
{
    socket_.disconnectFromServer();
    if (socket_.state() != QLocalSocket::UnconnectedState)
        socket_.waitForDisconnected(1000);
}

} // namespace orvane
