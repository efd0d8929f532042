#pragma once

#include "base/Failure.h"
#include "engine/MainView.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace orvane {

// The figures of one wake-up cycle, a halted one included.
struct CycleFigures {
    QDateTime started;
    QDateTime ended;
    int visited = 0;
    int changes = 0;
    int mailsSent = 0;
    int mailsFailed = 0;
};

// What the watcher is doing, kept up to date by the watcher and its cycle
// for whoever asks from outside the window (orvane-db status).
struct WatchProgress {
    enum class Phase { Asleep, Cycle, Halted, Maintenance };

    Phase phase = Phase::Asleep;
    // In a cycle the entry being treated, counted from 1, of all active
    // ones; halted, the entry that failed.
    int entry = 0;
    int entries = 0;
    QString url;
    Failure fault;
    QDateTime haltedSince;
    // In maintenance, the window on screen; none while orvane-db holds it.
    std::optional<MainView::Maintenance> window;
    CycleFigures cycle; // the running or, between cycles, the last one
    bool anyCycle = false;
};

} // namespace orvane
