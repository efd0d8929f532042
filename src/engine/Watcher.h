#pragma once

#include "engine/EngineServices.h"
#include "engine/MainView.h"
#include "engine/WatchProgress.h"
#include "engine/WatcherControl.h"
#include "engine/WatcherState.h"
#include "engine/Workspace.h"

#include <QString>
#include <QTimer>

#include <chrono>

namespace orvane {

// The logic behind the main window, free of widgets: start-up, the buttons
// that open the maintenance windows, the timer and its tick; and, for the
// control channel, how it stands and the maintenance state without a window.
class Watcher final : public WatcherControl {
public:
    // Not a round minute: the tick the watcher has always counted in.
    static constexpr std::chrono::milliseconds kTickInterval {65535};

    Watcher(Workspace& workspace, MainView& view, EngineServices services,
            std::chrono::milliseconds tickInterval = kTickInterval);

    // The load step, then the timer runs. False when the program has been
    // ended.
    [[nodiscard]] bool load(bool anotherCopyRunning);

    void openUrlWindow();
    void openPropertiesWindow();

    // One tick of the timer; every WakeUp ticks a wake-up cycle.
    void tick();

    WatcherState& state() { return state_; }
    // Off while a cycle runs, after a page fault and during maintenance.
    bool timerRunning() const { return timer_.isActive(); }

    // WatcherControl
    Snapshot snapshot() const override;
    Entry enterMaintenance() override;
    void endMaintenance() override;

private:
    void openMaintenance(MainView::Maintenance window);
    bool holdTimer();
    void releaseTimer();
    void fatal(const QString& title, const QString& text);

    Workspace& workspace_;
    MainView& view_;
    EngineServices services_;
    QTimer timer_;
    WatcherState state_;
    WatchProgress progress_;
    // A window and orvane-db may both hold the maintenance state (the
    // channel keeps serving inside a modal window); the timer runs again
    // when the last lets go.
    int maintenanceHolds_ = 0;
    bool heldByTool_ = false;
};

} // namespace orvane
