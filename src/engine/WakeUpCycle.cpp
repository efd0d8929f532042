#include "engine/WakeUpCycle.h"

#include "base/Clock.h"
#include "base/MailClient.h"
#include "base/MessageBoxes.h"
#include "base/PageFetcher.h"
#include "base/ProgramEnd.h"
#include "base/ScreenPointer.h"
#include "engine/DatabaseFailure.h"
#include "engine/EntryComparison.h"
#include "engine/MailAlert.h"
#include "engine/MainView.h"
#include "engine/SkipStretch.h"
#include "engine/WatchProgress.h"
#include "engine/WatcherState.h"
#include "engine/Workspace.h"
#include "host/ScratchFile.h"
#include "store/ActiveEntries.h"
#include "store/Columns.h"

#include <QTimer>

namespace orvane {

WakeUpCycle::WakeUpCycle(WatcherState& state, WatchProgress& progress, Workspace& workspace, MainView& view,
                         QTimer& timer, EngineServices services)
    : state_(state), progress_(progress), workspace_(workspace), view_(view), timer_(timer), services_(services)
{
}

void WakeUpCycle::run()
{
    if (!start())
        return;
    // Lives for one tick and is carried from one entry to the next on
    // purpose, as the watcher always did: a string search whose text is not
    // found keeps the position the entry before it found.
    qint16 matchPos = 0;
    while (!state_.entries.atEnd()) {
        switch (visitEntry(matchPos)) {
        case Visit::Next: break;
        case Visit::Halted: return;
        case Visit::Broken: finish(); return;
        }
    }
    finish();
}

bool WakeUpCycle::start()
{
    progress_.phase = WatchProgress::Phase::Cycle;
    progress_.cycle = CycleFigures {services_.clock.now(), {}, 0, 0, 0, 0};
    progress_.anyCycle = true;
    progress_.entry = progress_.entries = 0;
    progress_.url.clear();
    state_.tickCount = 0;
    services_.pointer.set(ScreenPointer::Shape::Busy);
    timer_.stop();
    view_.setStatus(QStringLiteral("Waking..."));

    auto db = Database::open(workspace_.databaseFile());
    if (!db.ok()) {
        cannotOpenDatabase(services_.messages, services_.programEnd, db.failure());
        return false;
    }
    workspace_.watchDatabase = std::move(db).value();

    auto entries = ActiveEntries::open(workspace_.watchDatabase);
    if (!entries.ok()) {
        services_.messages.warn(QStringLiteral("Cannot Open RecordSet"),
                                QStringLiteral("Cannot open the Sentrel URL recordset : ")
                                    + entries.failure().description);
        workspace_.watchDatabase.close();
        services_.programEnd.endNow(1);
        return false;
    }
    state_.entries = std::move(entries).value();
    progress_.entries = state_.entries.count();
    // The addresses the entries will fetch, in their order, up to the first
    // that cannot be read as text: the cycle halts there.
    services_.fetcher.fetchAhead(state_.entries.addresses());
    return true;
}

WakeUpCycle::Visit WakeUpCycle::visitEntry(qint16& matchPos)
{
    ++progress_.entry;
    ++progress_.cycle.visited;
    progress_.url.clear();

    // The entry is read once; what changes in it is stored back.
    auto read = state_.entries.current();
    const Status readable = read.status();
    WatchEntry entry = read.ok() ? std::move(read).value() : WatchEntry();

    // The stored page goes along with the fetch (an unchanged page may then
    // be handed back as it) and is compared with the page after it.
    const auto content = entry.value(Columns::kContent);
    const QString oldContent = content.ok() ? content.value().textOrEmpty() : QString();

    // The fetch: any failing step makes a page fault.
    SkipStretch fetching;
    Result<QString> urlText = readable.ok() ? entry.text(Columns::kUrl) : Result<QString>(readable.failure());
    QString page;
    if (fetching.step(urlText.status())) {
        view_.setStatus(urlText.value());
        progress_.url = urlText.value();
        // No request for an entry whose address cannot be read.
        auto fetched = services_.fetcher.fetch(urlText.value(), oldContent);
        if (fetching.step(fetched.status()))
            page = std::move(fetched).value();
    }
    if (fetching.failed()) {
        // Watching halts here, with the pointer busy, the timer off, the
        // status line on the failing address and the database open, until a
        // maintenance window is closed. A failing alert changes nothing.
        (void)alert(entry, AlertKind::PageFault, fetching.lastFailure());
        progress_.phase = WatchProgress::Phase::Halted;
        progress_.fault = fetching.lastFailure();
        progress_.haltedSince = progress_.cycle.ended = services_.clock.now();
        // No later entry is visited: the pages requested for them go, and
        // so do the connections, as at the end of a cycle.
        services_.fetcher.idle();
        services_.mailer.endSession();
        return Visit::Halted;
    }

    // Not skipped: a failure here ends the cycle.
    if (!content.ok()) {
        uncaught(content.failure());
        return Visit::Broken;
    }
    state_.newContent = std::move(page);

    ScratchFile::rewrite(workspace_.scratchFile(), state_.newContent);
    (void)EntryComparison::run(entry, oldContent, state_.newContent, matchPos,
                               [this, &entry](AlertKind kind) -> Status {
                                   if (kind == AlertKind::NoTable)
                                       return alert(entry, kind);
                                   storeAndAlert(entry, kind);
                                   return {};
                               });

    if (!state_.entries.moveNext().ok())
        return Visit::Broken; // never walk the same row twice
    return Visit::Next;
}

void WakeUpCycle::storeAndAlert(WatchEntry& entry, AlertKind kind)
{
    ++progress_.cycle.changes;
    // A failed store still mails: the alert tells of the change either way.
    (void)state_.entries.storeContent(entry, state_.newContent);
    (void)alert(entry, kind);
}

Status WakeUpCycle::alert(const WatchEntry& entry, AlertKind kind, const Failure& fault)
{
    // Every alert leaves the last page taken in the scratch file.
    ScratchFile::rewrite(workspace_.scratchFile(), state_.newContent);
    const auto sent =
        MailAlert(state_.settings, services_.mailer, services_.messages, services_.clock).send(entry, kind, fault);
    // A failed send is reported and counts as done; the figures still tell.
    if (sent.ok() && sent.value() == MailAlert::Delivery::Sent)
        ++progress_.cycle.mailsSent;
    else
        ++progress_.cycle.mailsFailed;
    return sent.status();
}

void WakeUpCycle::finish()
{
    view_.setStatus(QStringLiteral("Sleeping..."));
    state_.entries.close();
    workspace_.watchDatabase.close();
    // Nothing is fetched or mailed until the next cycle, minutes away.
    services_.fetcher.idle();
    services_.mailer.endSession();
    services_.pointer.set(ScreenPointer::Shape::Arrow);
    progress_.phase = WatchProgress::Phase::Asleep;
    progress_.cycle.ended = services_.clock.now();
    timer_.start(); // restarts the interval
}

void WakeUpCycle::uncaught(const Failure& failure)
{
    services_.messages.warn(QStringLiteral("Sentrel Error"), failure.description);
}

} // namespace orvane
