#pragma once

#include "engine/EngineServices.h"
#include "engine/MainView.h"
#include "engine/WatchProgress.h"
#include "engine/WatcherControl.h"
#include "engine/WatcherState.h"
#include "engine/Workspace.h"

#include <QString>

namespace orvane {

// The logic behind the main window, free of widgets: start-up, the buttons
// that open the maintenance windows and the timer's tick; and, for the
// control channel, how it stands and the maintenance state without a window.
class Watcher final : public WatcherControl {
public:
    Watcher(Workspace& workspace, MainView& view, EngineServices services);

    // The window's load step. False when the program has been ended.
    [[nodiscard]] bool load(bool anotherCopyRunning);

    void openUrlWindow();
    void openPropertiesWindow();

    // One tick of the timer; every WakeUp ticks a wake-up cycle.
    void tick();

    WatcherState& state() { return state_; }

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
    WatcherState state_;
    WatchProgress progress_;
    // A window and orvane-db may both hold the maintenance state (the
    // channel keeps serving inside a modal window); the timer runs again
    // when the last lets go.
    int maintenanceHolds_ = 0;
    bool heldByTool_ = false;
};

} // namespace orvane
