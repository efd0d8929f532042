#pragma once

#include "base/Result.h"
#include "engine/AlertKind.h"
#include "engine/EngineServices.h"
#include "store/WatchEntry.h"

#include <QtGlobal>

class QTimer;

namespace orvane {

class MainView;
class Workspace;
struct WatchProgress;
struct WatcherState;

// One wake-up cycle: every active watch entry fetched, compared by its
// search type, stored and alerted on a change; a page fault halts watching.
// The watcher's timer stands still while it runs, and stays off on a halt.
class WakeUpCycle {
public:
    WakeUpCycle(WatcherState& state, WatchProgress& progress, Workspace& workspace, MainView& view, QTimer& timer,
                EngineServices services);

    void run();

private:
    enum class Visit { Next, Halted, Broken };

    bool start();
    Visit visitEntry(qint16& matchPos);
    void storeAndAlert(WatchEntry& entry, AlertKind kind);
    // Mails the entry's alert and counts it, sent or failed.
    Status alert(const WatchEntry& entry, AlertKind kind, const Failure& fault = {});
    void finish();
    void uncaught(const Failure& failure);

    WatcherState& state_;
    WatchProgress& progress_;
    Workspace& workspace_;
    MainView& view_;
    QTimer& timer_;
    EngineServices services_;
};

} // namespace orvane
