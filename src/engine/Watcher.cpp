#include "engine/Watcher.h"

#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "base/ProgramEnd.h"
#include "base/ScreenPointer.h"
#include "base/SignForm.h"
#include "engine/DatabaseFailure.h"
#include "engine/WakeUpCycle.h"
#include "store/WatchStore.h"

#include <QDir>

#include <algorithm>

namespace orvane {

Watcher::Watcher(Workspace& workspace, MainView& view, EngineServices services, std::chrono::milliseconds tickInterval)
    : workspace_(workspace), view_(view), services_(services)
{
    timer_.setObjectName(QStringLiteral("Timer1"));
    timer_.setInterval(tickInterval);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
}

void Watcher::fatal(const QString& title, const QString& text)
{
    services_.messages.warn(title, text);
    services_.programEnd.endNow(1);
}

bool Watcher::load(bool anotherCopyRunning)
{
    if (anotherCopyRunning) {
        fatal(QStringLiteral("Sentrel Error"),
              QStringLiteral("You can only run one copy of this application at a time !"));
        return false;
    }
    // Start-up works in the program's folder, as it always has; nothing
    // relies on it, since every file is named by its full path.
    QDir::setCurrent(workspace_.programDir());

    auto db = Database::open(workspace_.databaseFile());
    if (!db.ok()) {
        cannotOpenDatabase(services_.messages, services_.programEnd, db.failure());
        return false;
    }
    workspace_.watchDatabase = std::move(db).value();

    auto settings = WatchStore(workspace_.watchDatabase).settings();
    if (!settings.ok()) {
        fatal(QStringLiteral("Cannot Open RecordSet"),
              QStringLiteral("Cannot open the Sentrel System data : ") + settings.failure().description);
        workspace_.watchDatabase.close();
        return false;
    }
    state_.settings = std::move(settings).value();
    workspace_.watchDatabase.close();

    // Counted in 32 bits, so that a wake-up of 32767 still wakes at the
    // first tick instead of overflowing.
    state_.tickCount = static_cast<qint32>(state_.settings.wakeUp) + 1;
    services_.pointer.set(ScreenPointer::Shape::Arrow);
    timer_.start();
    return true;
}

void Watcher::openUrlWindow()
{
    openMaintenance(MainView::Maintenance::Urls);
}

void Watcher::openPropertiesWindow()
{
    openMaintenance(MainView::Maintenance::Properties);
}

void Watcher::openMaintenance(MainView::Maintenance window)
{
    if (!holdTimer())
        return;
    progress_.window = window;
    view_.showMaintenance(window);
    progress_.window.reset();
    releaseTimer();
}

bool Watcher::holdTimer()
{
    timer_.stop();
    auto db = Database::open(workspace_.databaseFile());
    if (!db.ok()) {
        cannotOpenDatabase(services_.messages, services_.programEnd, db.failure());
        return false;
    }
    workspace_.watchDatabase = std::move(db).value();
    ++maintenanceHolds_;
    progress_.phase = WatchProgress::Phase::Maintenance;
    return true;
}

void Watcher::releaseTimer()
{
    if (--maintenanceHolds_ > 0)
        return;
    progress_.phase = WatchProgress::Phase::Asleep;
    // This is also how watching resumes after a cycle halted on a page fault.
    timer_.start(); // restarts the interval; TickCount is kept
}

WatcherControl::Entry Watcher::enterMaintenance()
{
    if (progress_.phase == WatchProgress::Phase::Cycle)
        return Entry::CycleRunning;
    if (progress_.window)
        return Entry::WindowOpen;
    if (heldByTool_)
        return Entry::AlreadyHeld;
    if (!holdTimer())
        return Entry::CycleRunning; // not reached: the program has ended
    heldByTool_ = true;
    return Entry::Entered;
}

void Watcher::endMaintenance()
{
    if (!heldByTool_)
        return;
    heldByTool_ = false;
    releaseTimer();
}

WatcherControl::Snapshot Watcher::snapshot() const
{
    Snapshot s {progress_, std::max(0, static_cast<qint32>(state_.settings.wakeUp) - state_.tickCount), {}};
    // The tick that reaches WakeUp runs the cycle, and at least one tick
    // always comes first.
    s.ticksToGo = std::max(1, s.ticksToGo);
    const auto untilTick = timer_.remainingTimeAsDuration();
    if (s.progress.phase == WatchProgress::Phase::Asleep && timer_.isActive() && untilTick.count() >= 0)
        s.nextWakeUp = services_.clock.now().addMSecs(
            (untilTick + (s.ticksToGo - 1) * timer_.intervalAsDuration()).count());
    return s;
}

void Watcher::tick()
{
    ++state_.tickCount;
    view_.setStatus(QStringLiteral("Sleeping...") + signForm(state_.tickCount) + QStringLiteral(" of ")
                    + signForm(state_.settings.wakeUp));
    if (state_.tickCount < state_.settings.wakeUp)
        return;
    view_.setTakingInput(false);
    WakeUpCycle(state_, progress_, workspace_, view_, timer_, services_).run();
    view_.setTakingInput(true);
}

} // namespace orvane
