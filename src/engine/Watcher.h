#pragma once

#include "engine/AlertKind.h"
#include "engine/EngineServices.h"
#include "engine/MainView.h"
#include "engine/TableSearch.h"
#include "engine/WatcherState.h"
#include "engine/Workspace.h"

#include <QString>

namespace orvane {

// The logic behind the main window, free of widgets: start-up, the buttons
// that open the maintenance windows and the timer's tick.
class Watcher {
public:
    Watcher(Workspace& workspace, MainView& view, EngineServices services);

    // The window's load step. False when the program has been ended.
    [[nodiscard]] bool load(bool anotherCopyRunning, const QString& programDir);

    void openUrlWindow();
    void openPropertiesWindow();

    // One tick of the timer; every WakeUp ticks a wake-up cycle.
    void tick();

    // Mails the alert of this kind for the current watch entry.
    Status sendAlert(AlertKind kind);
    // The table search over the new page and the current watch entry; sends
    // the no-table alert itself while that entry is current.
    Result<TableSearch::Verdict> searchTable();
    const CellPieceList& cellPieces() const { return cellPieces_; }

    WatcherState& state() { return state_; }
    const WatcherState& state() const { return state_; }

private:
    void openMaintenance(MainView::Maintenance window);
    void fatal(const QString& title, const QString& text);
    void readSettings();

    Workspace& workspace_;
    MainView& view_;
    EngineServices services_;
    WatcherState state_;
    CellPieceList cellPieces_; // only the table search uses it
};

} // namespace orvane
