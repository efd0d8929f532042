#include "control/ControlServer.h"

#include "base/ErrorCatalogue.h"
#include "control/ControlProtocol.h"

#include <QFile>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

// The socket's folder keeps other users out; the peer's user id is checked
// as well, since a file's mode is not enforced everywhere.
bool sameUser(const QLocalSocket& socket)
{
    ucred peer {};
    socklen_t size = sizeof peer;
    const auto fd = static_cast<int>(socket.socketDescriptor());
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

} // namespace

ControlServer::ControlServer(WatcherControl& watcher) : ControlServer(watcher, Limits {})
{
}

ControlServer::ControlServer(WatcherControl& watcher, Limits limits)
    : watcher_(watcher), limits_(limits), placeCheck_(new QTimer(this))
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &ControlServer::takeNew);
    connect(placeCheck_, &QTimer::timeout, this, &ControlServer::checkPlace);
}

ControlServer::~ControlServer()
{
    if (holder_)
        watcher_.endMaintenance();
}

Status ControlServer::listen(Place place, Lost lost)
{
    place_ = std::move(place);
    lost_ = std::move(lost);
    placeCheck_->start(limits_.placeCheck);
    return listenNow();
}

Status ControlServer::listenNow()
{
    server_.close();
    const auto path = place_();
    if (!path.ok())
        return ErrorCatalogue::failure(ErrorCode::ControlListen, path.failure().description);
    path_ = path.value();
    QLocalServer::removeServer(path_);
    if (!server_.listen(path_))
        return ErrorCatalogue::failure(ErrorCode::ControlListen,
                                       QStringLiteral("cannot listen on \"%1\": %2").arg(path_, server_.errorString()));
    struct stat st { };
    if (::lstat(QFile::encodeName(path_).constData(), &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
    return {};
}

void ControlServer::checkPlace()
{
    struct stat st { };
    if (server_.isListening() && ::lstat(QFile::encodeName(path_).constData(), &st) == 0 && st.st_dev == device_
        && st.st_ino == inode_)
        return;
    const bool wasListening = server_.isListening();
    if (const Status again = listenNow(); !again.ok() && wasListening && lost_)
        lost_(again.failure()); // told once; tried again at each check
}

ControlServer::Client* ControlServer::find(QLocalSocket* socket)
{
    for (Client& c : clients_) {
        if (c.socket == socket)
            return &c;
    }
    return nullptr;
}

void ControlServer::takeNew()
{
    while (server_.hasPendingConnections()) {
        QLocalSocket* socket = server_.nextPendingConnection();
        if (!sameUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (clients_.size() >= limits_.maxClients) {
            socket->write(ControlProtocol::line(
                {{ControlProtocol::kRefused,
                  QStringLiteral("%1 clients are connected already, the most Orvane serves at once")
                      .arg(limits_.maxClients)}}));
            socket->flush();
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            if (socket->state() == QLocalSocket::UnconnectedState)
                socket->deleteLater();
            continue;
        }
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, [this, socket] { drop(socket); });
        clients_.append({socket, deadline, {}});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
        deadline->start(limits_.requestTime);
        readRequest(socket); // what came with the connection
    }
}

void ControlServer::readRequest(QLocalSocket* socket)
{
    Client* client = find(socket);
    if (!client)
        return;
    client->pending += socket->read(ControlProtocol::kMaxRequestBytes + 1 - client->pending.size());
    const qsizetype end = client->pending.indexOf('\n');
    if (end < 0) {
        if (client->pending.size() > ControlProtocol::kMaxRequestBytes)
            drop(socket);
        return;
    }
    const auto request = ControlProtocol::parse(client->pending.left(end));
    client->pending = client->pending.mid(end + 1);
    if (!request) {
        drop(socket);
        return;
    }
    answer(*client, *request);
    // An end sent right behind its maintenance request is in hand already.
    if (client = find(socket); client && (client->pending.contains('\n') || socket->bytesAvailable() > 0))
        readRequest(socket);
}

void ControlServer::answer(Client& client, const QJsonObject& request)
{
    const QString what = request.value(ControlProtocol::kRequest).toString();
    if (client.socket == holder_) {
        // Only its end is expected now; anything else ends it too.
        if (what == ControlProtocol::kEnd) {
            holder_ = nullptr;
            watcher_.endMaintenance();
            reply(client, {{ControlProtocol::kEnded, true}}, true);
        } else {
            drop(client.socket);
        }
        return;
    }
    if (what == ControlProtocol::kStatus) {
        // Only read: safe inside a cycle and beside a holder too.
        reply(client, {{ControlProtocol::kStatus, ControlProtocol::stateObject(watcher_.snapshot())}}, true);
        return;
    }
    if (what != ControlProtocol::kMaintenance) {
        drop(client.socket);
        return;
    }
    if (holder_) {
        reply(client, {{ControlProtocol::kHeld, ControlProtocol::windowName(std::nullopt)}}, true);
        return;
    }
    switch (watcher_.enterMaintenance()) {
    case WatcherControl::Entry::Entered:
        holder_ = client.socket;
        client.deadline->start(limits_.maintenanceTime);
        reply(client, {{ControlProtocol::kEntered, true}}, false);
        return;
    case WatcherControl::Entry::AlreadyHeld: // no holder of ours: not expected, but as one
        reply(client, {{ControlProtocol::kHeld, ControlProtocol::windowName(std::nullopt)}}, true);
        return;
    case WatcherControl::Entry::CycleRunning: {
        const WatchProgress p = watcher_.snapshot().progress;
        reply(client,
              {{ControlProtocol::kBusy,
                QJsonObject {{ControlProtocol::kEntry, p.entry}, {ControlProtocol::kEntries, p.entries}}}},
              true);
        return;
    }
    case WatcherControl::Entry::WindowOpen:
        reply(client, {{ControlProtocol::kWindow, ControlProtocol::windowName(watcher_.snapshot().progress.window)}},
              true);
        return;
    }
}

void ControlServer::reply(Client& client, const QJsonObject& answer, bool thenClose)
{
    client.socket->write(ControlProtocol::line(answer));
    client.socket->flush();
    if (thenClose)
        release(client.socket, false);
}

void ControlServer::drop(QLocalSocket* socket)
{
    if (socket == holder_) {
        holder_ = nullptr;
        watcher_.endMaintenance();
    }
    release(socket, true);
}

void ControlServer::release(QLocalSocket* socket, bool abort)
{
    for (qsizetype i = 0; i < clients_.size(); ++i) {
        if (clients_[i].socket != socket)
            continue;
        clients_[i].deadline->stop();
        clients_[i].deadline->disconnect(this);
        clients_.removeAt(i);
        break;
    }
    socket->disconnect(this);
    if (abort) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromServer();
    if (socket->state() == QLocalSocket::UnconnectedState)
        socket->deleteLater();
}

} // namespace orvane
