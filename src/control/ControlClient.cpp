#include "control/ControlClient.h"

#include "base/ErrorCatalogue.h"
#include "control/ControlProtocol.h"

namespace orvane {

namespace {

Failure channelFailure(const QString& why)
{
    return ErrorCatalogue::failure(ErrorCode::ControlChannel, why);
}

} // namespace

ControlClient::ControlClient(const QString& dir) : path_(ControlProtocol::socketPath(dir))
{
}

Status ControlClient::connectTo(QDeadlineTimer deadline)
{
    socket_.connectToServer(path_);
    if (!socket_.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return channelFailure(socket_.errorString());
    return {};
}

Result<QJsonObject> ControlClient::ask(const QJsonObject& request, QDeadlineTimer deadline)
{
    socket_.write(ControlProtocol::line(request));
    if (!socket_.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
        return channelFailure(socket_.errorString());
    while (!socket_.canReadLine()) {
        if (socket_.bytesAvailable() > ControlProtocol::kMaxAnswerBytes)
            return channelFailure(QStringLiteral("an answer too long"));
        if (deadline.hasExpired() || !socket_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return channelFailure(socket_.state() == QLocalSocket::ConnectedState
                                      ? QStringLiteral("no answer in time")
                                      : QStringLiteral("the program closed the connection without an answer"));
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
