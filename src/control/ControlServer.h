#pragma once

#include "base/Result.h"
#include "engine/WatcherControl.h"

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QTimer>

#include <chrono>

class QLocalSocket;

namespace orvane {

// The program's side of the control channel: a local socket only the user
// running Orvane can open, serving one client at a time. A client that
// sends no whole request in time, too long a line or anything but a request
// is dropped without an answer. Nothing a client sends changes the watcher
// while a cycle runs (the fetch keeps the event loop turning): it is told
// the cycle is busy and asks again.
class ControlServer final : public QObject {
public:
    // A client writes its request at once; a second is ample even on a
    // loaded machine, five leave no doubt.
    static constexpr std::chrono::seconds kRequestTimeLimit {5};
    // One orvane-db change takes well under a second; an import of many
    // entries some seconds. Past this the timer runs again whatever the
    // client does, so a stopped client cannot stop watching.
    static constexpr std::chrono::minutes kMaintenanceTimeLimit {10};

    explicit ControlServer(WatcherControl& watcher);
    ~ControlServer() override;

    // Listens on path, replacing a socket file a killed copy left there:
    // the caller holds the single-instance lock, so no live copy owns it.
    Status listen(const QString& path);

private:
    void takeNext();
    void readRequest();
    void answer(const QJsonObject& request);
    void reply(const QJsonObject& answer, bool thenClose);
    void drop();

    WatcherControl& watcher_;
    QLocalServer server_;
    QLocalSocket* client_ = nullptr;
    QByteArray pending_;
    QTimer deadline_;
    bool holding_ = false;
};

} // namespace orvane
