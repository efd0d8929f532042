// A window opened on screen and orvane-db's hold of the maintenance state,
// overlapping either way: the timer runs again only when both let go.
#include "StandInWatcher.h"
#include "TempDatabase.h"

#include <gtest/gtest.h>

namespace {

using namespace orvane;
using namespace orvane::test;

TEST(MaintenanceNesting, TheTimerRunsAgainOnlyWhenTheWindowAndTheToolHaveBothLetGo)
{
    TempDatabase db;
    ScriptedFetcher fetcher;
    RecordingMailer mailer;
    StandInWatcher w(db.dir(), fetcher, mailer);
    Watcher& watcher = w.watcher;
    RecordingView& view = w.view;
    ASSERT_TRUE(watcher.load(false));

    // The tool holds it, and a window opens and closes meanwhile.
    ASSERT_EQ(watcher.enterMaintenance(), WatcherControl::Entry::Entered);
    view.whileOpen = [&] { EXPECT_FALSE(watcher.timerRunning()); };
    watcher.openUrlWindow();
    EXPECT_FALSE(watcher.timerRunning());
    EXPECT_EQ(watcher.snapshot().progress.phase, WatchProgress::Phase::Maintenance);
    watcher.endMaintenance();
    EXPECT_TRUE(watcher.timerRunning());
    EXPECT_EQ(watcher.snapshot().progress.phase, WatchProgress::Phase::Asleep);

    // A window is open: the tool is refused, and its end changes nothing.
    view.whileOpen = [&] {
        EXPECT_EQ(watcher.enterMaintenance(), WatcherControl::Entry::WindowOpen);
        watcher.endMaintenance();
        EXPECT_FALSE(watcher.timerRunning());
        EXPECT_EQ(watcher.snapshot().progress.window, MainView::Maintenance::Properties);
    };
    watcher.openPropertiesWindow();
    EXPECT_TRUE(w.watcher.timerRunning());
    EXPECT_TRUE(w.messages.shown.empty());
}

} // namespace
