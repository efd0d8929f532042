#include "control/ControlServer.h"

#include "base/ErrorCatalogue.h"
#include "control/ControlProtocol.h"

#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace orvane {

namespace {

// The socket file's mode keeps other users out; the peer's user id is
// checked as well, since a file's mode is not enforced everywhere.
bool sameUser(const QLocalSocket& socket)
{
    ucred peer {};
    socklen_t size = sizeof peer;
    const auto fd = static_cast<int>(socket.socketDescriptor());
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

} // namespace

ControlServer::ControlServer(WatcherControl& watcher) : watcher_(watcher)
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &ControlServer::drop);
    connect(&server_, &QLocalServer::newConnection, this, &ControlServer::takeNext);
}

ControlServer::~ControlServer()
{
    if (holding_)
        watcher_.endMaintenance();
}

Status ControlServer::listen(const QString& path)
{
    QLocalServer::removeServer(path);
    if (!server_.listen(path))
        return ErrorCatalogue::failure(ErrorCode::FileWrite, server_.errorString());
    return {};
}

void ControlServer::takeNext()
{
    while (!client_ && server_.hasPendingConnections()) {
        QLocalSocket* socket = server_.nextPendingConnection();
        if (!sameUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        client_ = socket;
        pending_.clear();
        connect(socket, &QLocalSocket::readyRead, this, &ControlServer::readRequest);
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            if (socket == client_)
                drop();
        });
        deadline_.start(kRequestTimeLimit);
        readRequest(); // what came with the connection
    }
}

void ControlServer::readRequest()
{
    if (!client_)
        return;
    pending_ += client_->read(ControlProtocol::kMaxRequestBytes + 1 - pending_.size());
    const qsizetype end = pending_.indexOf('\n');
    if (end < 0) {
        if (pending_.size() > ControlProtocol::kMaxRequestBytes)
            drop();
        return;
    }
    const auto request = ControlProtocol::parse(pending_.left(end));
    pending_ = pending_.mid(end + 1);
    if (!request) {
        drop();
        return;
    }
    answer(*request);
    // An end sent right behind its maintenance request is in hand already.
    if (client_ && pending_.contains('\n'))
        readRequest();
}

void ControlServer::answer(const QJsonObject& request)
{
    const QString what = request.value(ControlProtocol::kRequest).toString();
    if (holding_) {
        // Only its end is expected now; anything else ends it too.
        if (what == ControlProtocol::kEnd) {
            holding_ = false;
            watcher_.endMaintenance();
            reply({{ControlProtocol::kEnded, true}}, true);
        } else {
            drop();
        }
        return;
    }
    if (what == ControlProtocol::kStatus) {
        // Only read: safe inside a cycle too.
        reply({{ControlProtocol::kStatus, ControlProtocol::stateObject(watcher_.snapshot())}}, true);
        return;
    }
    if (what != ControlProtocol::kMaintenance) {
        drop();
        return;
    }
    switch (watcher_.enterMaintenance()) {
    case WatcherControl::Entry::Entered:
        holding_ = true;
        deadline_.start(kMaintenanceTimeLimit);
        reply({{ControlProtocol::kEntered, true}}, false);
        return;
    case WatcherControl::Entry::CycleRunning:
    case WatcherControl::Entry::AlreadyHeld: {
        const WatchProgress p = watcher_.snapshot().progress;
        reply({{ControlProtocol::kBusy,
                QJsonObject {{QStringLiteral("entry"), p.entry}, {QStringLiteral("entries"), p.entries}}}},
              true);
        return;
    }
    case WatcherControl::Entry::WindowOpen:
        reply({{ControlProtocol::kWindow, ControlProtocol::windowName(watcher_.snapshot().progress.window)}}, true);
        return;
    }
}

void ControlServer::reply(const QJsonObject& answer, bool thenClose)
{
    client_->write(ControlProtocol::line(answer));
    client_->flush();
    if (thenClose) {
        QLocalSocket* socket = client_;
        client_ = nullptr;
        deadline_.stop();
        socket->disconnect(this);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromServer();
        if (socket->state() == QLocalSocket::UnconnectedState)
            socket->deleteLater();
        takeNext();
    }
}

void ControlServer::drop()
{
    deadline_.stop();
    if (holding_) {
        holding_ = false;
        watcher_.endMaintenance();
    }
    if (client_) {
        QLocalSocket* socket = client_;
        client_ = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    takeNext();
}

} // namespace orvane
