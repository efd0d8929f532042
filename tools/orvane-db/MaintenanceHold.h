#pragma once

#include "MaintenanceWait.h"

#include "base/Result.h"
#include "control/ControlClient.h"

#include <QJsonObject>
#include <QString>

#include <chrono>
#include <memory>

namespace orvane::db {

// Orvane running from a folder, held in the maintenance state a window
// opens: its timer stands still while this object lives, and when it goes
// the timer runs again, TickCount kept and a halt lifted, as when a window
// closes. Entering waits for a running wake-up cycle to end, and for
// another orvane-db that holds the state to let go, as long as wait says.
class MaintenanceHold {
public:
    // Asks again this often while a cycle runs; a cycle's entry takes
    // milliseconds, so asking more often would gain nothing.
    static constexpr std::chrono::milliseconds kRetryInterval {250};
    // Connecting and each answer: the program answers between two events.
    static constexpr std::chrono::seconds kAnswerTime {10};

    // Fails with ControlNoListener when nothing listens for the folder: no
    // program, or one that could not listen.
    static Result<std::unique_ptr<MaintenanceHold>> enter(const QString& dir, MaintenanceWait wait);
    ~MaintenanceHold();
    MaintenanceHold(const MaintenanceHold&) = delete;
    MaintenanceHold& operator=(const MaintenanceHold&) = delete;

    // Ends the state; the destructor does it too, without a word.
    Status end();

    // How Orvane running from dir stands: the state object status --json
    // prints. Fails when nothing answers there (ControlNoListener), when
    // another user serves it (ControlUntrusted) or it answers amiss.
    static Result<QJsonObject> askStatus(const QString& dir);

private:
    explicit MaintenanceHold(std::unique_ptr<ControlClient> client) : client_(std::move(client)) { }

    std::unique_ptr<ControlClient> client_;
};

} // namespace orvane::db
