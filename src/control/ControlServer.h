#pragma once

#include "base/Result.h"
#include "engine/WatcherControl.h"

#include <QByteArray>
#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

#include <sys/types.h>

class QLocalSocket;
class QTimer;

namespace orvane {

// The program's side of the control channel: a local socket only the user
// running Orvane can open, serving several clients at once, each with its
// own deadline and size bound, so that a client that stalls (an orvane-db
// stopped with Ctrl-Z) keeps no other waiting. A client that sends no whole
// request in time, too long a line or anything but a request is dropped
// without an answer. One client at a time holds the maintenance state; a
// second is told so. Nothing a client sends changes the watcher while a
// cycle runs (the fetch keeps the event loop turning): it is told the cycle
// is busy and asks again.
class ControlServer final : public QObject {
public:
    // A client writes its request at once; a second is ample even on a
    // loaded machine, five leave no doubt.
    static constexpr std::chrono::seconds kRequestTimeLimit {5};
    // One orvane-db change takes well under a second; an import of many
    // entries some seconds. Past this the timer runs again whatever the
    // client does, so a stopped client cannot stop watching.
    static constexpr std::chrono::minutes kMaintenanceTimeLimit {10};
    // A client stays a few milliseconds, or while it holds the state: a
    // handful at once is all a user's scripts make. The bound keeps a
    // runaway script from taking the program's file descriptors; those
    // past it are told why and closed.
    static constexpr int kMaxClients = 16;
    // A runtime folder is emptied when the user's last session ends, and
    // /tmp may be cleaned: the socket file is looked for this often and
    // made anew when it has gone, so that orvane-db keeps reaching a
    // program that outlives a login.
    static constexpr std::chrono::minutes kPlaceCheckInterval {1};

    struct Limits {
        std::chrono::milliseconds requestTime = kRequestTimeLimit;
        std::chrono::milliseconds maintenanceTime = kMaintenanceTimeLimit;
        int maxClients = kMaxClients;
        std::chrono::milliseconds placeCheck = kPlaceCheckInterval;
    };
    // Where to listen (ControlPlace::serverPath), asked anew each time.
    using Place = std::function<Result<QString>()>;
    // A socket file that went could not be made anew.
    using Lost = std::function<void(const Failure&)>;

    explicit ControlServer(WatcherControl& watcher);
    ControlServer(WatcherControl& watcher, Limits limits);
    ~ControlServer() override;

    // Listens where place says, replacing a socket file a killed copy left
    // there (the caller holds the single-instance lock, so no live copy
    // owns it), and again whenever the file has gone; lost hears of a
    // failure then.
    Status listen(Place place, Lost lost);
    int clients() const { return static_cast<int>(clients_.size()); }

private:
    struct Client {
        QLocalSocket* socket;
        QTimer* deadline;
        QByteArray pending;
    };

    Status listenNow();
    void checkPlace();
    void takeNew();
    void readRequest(QLocalSocket* socket);
    void answer(Client& client, const QJsonObject& request);
    void reply(Client& client, const QJsonObject& answer, bool thenClose);
    void drop(QLocalSocket* socket);
    // Forgets the client; its socket closes once the answer is out.
    void release(QLocalSocket* socket, bool abort);
    Client* find(QLocalSocket* socket);

    WatcherControl& watcher_;
    Limits limits_;
    QLocalServer server_;
    Place place_;
    Lost lost_;
    QTimer* placeCheck_;
    QString path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    QList<Client> clients_;
    QLocalSocket* holder_ = nullptr;
};

} // namespace orvane
