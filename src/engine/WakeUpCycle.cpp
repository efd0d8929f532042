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
#include "store/Columns.h"

#include <QTimer>

namespace orvane {

namespace {

const QString kActiveEntries = QStringLiteral("Select * from [%1] where %2 = %3")
                                   .arg(Columns::kUrlsTable, Columns::kActive, QString::number(Columns::kYes));
// The same rows in the same order (the same key query), only their address.
const QString kActiveAddresses = QStringLiteral("Select %1 from [%2] where %3 = %4")
                                     .arg(Columns::kUrl, Columns::kUrlsTable, Columns::kActive,
                                          QString::number(Columns::kYes));
using Columns::kUrl;

} // namespace

WakeUpCycle::WakeUpCycle(WatcherState& state, WatchProgress& progress, Workspace& workspace, MainView& view,
                         QTimer& timer, EngineServices services)
    : state_(state), progress_(progress), workspace_(workspace), view_(view), timer_(timer), services_(services)
{
}

void WakeUpCycle::run()
{
    if (!start())
        return;
    qint16 matchPos = 0; // lives for one tick, carried from entry to entry
    while (!state_.watchRecordset.eof()) {
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

    auto entries = workspace_.watchDatabase.openRecordset(kActiveEntries);
    if (!entries.ok()) {
        services_.messages.warn(QStringLiteral("Cannot Open RecordSet"),
                                QStringLiteral("Cannot open the Sentrel URL recordset : ")
                                    + entries.failure().description);
        workspace_.watchDatabase.close();
        services_.programEnd.endNow(1);
        return false;
    }
    state_.watchRecordset = std::move(entries).value();
    progress_.entries = state_.watchRecordset.recordCount();
    services_.fetcher.fetchAhead(upcomingAddresses());
    return true;
}

// The addresses the entries will fetch, in their order, up to the first
// that cannot be read as text: the cycle halts there.
QStringList WakeUpCycle::upcomingAddresses() const
{
    QStringList urls;
    auto rows = workspace_.watchDatabase.openRecordset(kActiveAddresses);
    if (!rows.ok())
        return urls;
    for (Recordset& row = rows.value(); !row.eof();) {
        auto url = row.value(kUrl);
        Result<QString> text = url.ok() ? url.value().toText() : Result<QString>(url.failure());
        if (!text.ok())
            break;
        urls.append(text.value());
        if (!row.moveNext().ok())
            break;
    }
    return urls;
}

WakeUpCycle::Visit WakeUpCycle::visitEntry(qint16& matchPos)
{
    Recordset& entry = state_.watchRecordset;
    ++progress_.entry;
    ++progress_.cycle.visited;
    progress_.url.clear();

    // The fetch: any failing step makes a page fault.
    SkipStretch fetching;
    auto url = entry.value(kUrl);
    Result<QString> urlText = url.ok() ? url.value().toText() : Result<QString>(url.failure());
    QString page;
    if (fetching.step(urlText.status())) {
        view_.setStatus(urlText.value());
        progress_.url = urlText.value();
        // No request for an entry whose address cannot be read.
        auto fetched = services_.fetcher.fetch(urlText.value());
        if (fetching.step(fetched.status()))
            page = std::move(fetched).value();
    }
    if (fetching.failed()) {
        // Watching halts here, with the pointer busy, the timer off, the
        // status line on the failing address and the database open, until a
        // maintenance window is closed. A failing alert changes nothing.
        (void)alert(AlertKind::PageFault, fetching.lastFailure());
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
    auto content = entry.value(Columns::kContent);
    if (!content.ok()) {
        uncaught(content.failure());
        return Visit::Broken;
    }
    const QString oldContent = content.value().textOrEmpty();
    state_.newContent = std::move(page);

    ScratchFile::rewrite(workspace_.scratchFile(), state_.newContent);
    (void)EntryComparison::run(entry, oldContent, state_.newContent, matchPos, [this](AlertKind kind) -> Status {
        if (kind == AlertKind::NoTable)
            return alert(kind);
        storeAndAlert(kind);
        return {};
    });

    if (!entry.moveNext().ok())
        return Visit::Broken; // never walk the same row twice
    return Visit::Next;
}

void WakeUpCycle::storeAndAlert(AlertKind kind)
{
    Recordset& entry = state_.watchRecordset;
    ++progress_.cycle.changes;
    SkipStretch storing;
    storing.step(entry.edit());
    storing.step(entry.setValue(Columns::kContent, Value(state_.newContent)));
    // Only a row stored now becomes current: an older LastModified would
    // mail, and walk on from, another entry. The row stored is the current
    // one already; moving to it again would only read it anew.
    if (storing.step(entry.update()) && entry.lastModified()) {
        if (entry.bookmark() != entry.lastModified())
            storing.step(entry.setBookmark(*entry.lastModified()));
    } else {
        entry.cancelUpdate();
    }
    (void)alert(kind);
}

Status WakeUpCycle::alert(AlertKind kind, const Failure& fault)
{
    // Every alert leaves the last page taken in the scratch file.
    ScratchFile::rewrite(workspace_.scratchFile(), state_.newContent);
    const auto sent = MailAlert(state_, services_.mailer, services_.messages, services_.clock).send(kind, fault);
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
    state_.watchRecordset.close();
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
