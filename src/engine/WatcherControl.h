#pragma once

#include "engine/WatchProgress.h"

#include <QDateTime>
#include <QtGlobal>

namespace orvane {

// What the control channel may ask of the watcher: how it stands, and the
// maintenance state a window opens, without the window.
class WatcherControl {
public:
    struct Snapshot {
        WatchProgress progress;
        // Asleep: ticks until the next wake-up, and its clock time (invalid
        // while the timer stands still).
        qint32 ticksToGo = 0;
        QDateTime nextWakeUp;
    };
    enum class Entry { Entered, CycleRunning, WindowOpen, AlreadyHeld };

    virtual ~WatcherControl() = default;
    virtual Snapshot snapshot() const = 0;
    // As opening a maintenance window: the timer stops. Refused while a
    // cycle runs or a window is open.
    virtual Entry enterMaintenance() = 0;
    // As closing it: the timer runs again, TickCount kept, a halt lifted.
    virtual void endMaintenance() = 0;
};

} // namespace orvane
