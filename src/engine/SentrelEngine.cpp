#include "engine/SentrelEngine.h"

#include "engine/AlertKind.h"
#include "engine/MailAlert.h"
#include "engine/WakeUpCycle.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramEnd.h"
#include "platform/ScreenPointer.h"
#include "platform/SignForm.h"

#include <QDir>

namespace orvane {

namespace {
const QString kDatabaseFile = QString::fromLatin1(Database::kFileName);
}

SentrelEngine::SentrelEngine(mSentrel& module, MainView& view, EngineServices services)
    : module_(module), view_(view), services_(services)
{
}

void SentrelEngine::fatal(const QString& title, const QString& text)
{
    services_.messages.warn(title, text);
    services_.programEnd.endNow(1);
}

bool SentrelEngine::formLoad(bool anotherCopyRunning, const QString& programDir)
{
    if (anotherCopyRunning) {
        fatal(QStringLiteral("Sentrel Error"),
              QStringLiteral("You can only run one copy of this application at a time !"));
        return false;
    }
    // From here on every file is opened by its bare name.
    QDir::setCurrent(programDir);

    auto db = Database::open(kDatabaseFile);
    if (!db.ok()) {
        fatal(QStringLiteral("Cannot Open Database"),
              QStringLiteral("Cannot open the Sentrel database : ") + db.failure().description);
        return false;
    }
    module_.WatchDatabase = std::move(db).value();

    auto system = module_.WatchDatabase.openRecordset(QStringLiteral("System"));
    if (!system.ok()) {
        fatal(QStringLiteral("Cannot Open RecordSet"),
              QStringLiteral("Cannot open the Sentrel System data : ") + system.failure().description);
        module_.WatchDatabase.close();
        return false;
    }
    state_.WatchRecordset = std::move(system).value();
    readSettings();
    state_.WatchRecordset.close();
    module_.WatchDatabase.close();

    // Counted in 32 bits, so that a wake-up of 32767 still wakes at the
    // first tick instead of overflowing.
    state_.TickCount = static_cast<qint32>(state_.WakeUp) + 1;
    services_.pointer.set(ScreenPointer::Shape::Arrow);
    return true;
}

void SentrelEngine::readSettings()
{
    // Each failure leaves its field at its first value, without a word.
    const Recordset& row = state_.WatchRecordset;
    if (auto v = row.value(QStringLiteral("Wake-up")); v.ok())
        if (auto n = v.value().toInt16(); n.ok())
            state_.WakeUp = n.value();
    if (auto v = row.value(QStringLiteral("Mail server")); v.ok())
        if (auto t = v.value().toText(); t.ok())
            state_.MailServer = t.value();
    if (auto v = row.value(QStringLiteral("SMTP Port")); v.ok())
        if (auto t = v.value().toText(); t.ok())
            state_.SmtpPort = t.value();
}

void SentrelEngine::command2Click()
{
    openMaintenance(MainView::Maintenance::Urls);
}

void SentrelEngine::command3Click()
{
    openMaintenance(MainView::Maintenance::Properties);
}

void SentrelEngine::openMaintenance(MainView::Maintenance window)
{
    view_.setTimerEnabled(false);
    auto db = Database::open(kDatabaseFile);
    if (!db.ok()) {
        fatal(QStringLiteral("Cannot Open Database"),
              QStringLiteral("Cannot open the Sentrel database : ") + db.failure().description);
        return;
    }
    module_.WatchDatabase = std::move(db).value();
    view_.showMaintenance(window);
    // This is also how watching resumes after a cycle halted on a page fault.
    view_.setTimerEnabled(true);
}

void SentrelEngine::timer1Timer()
{
    ++state_.TickCount;
    view_.setStatus(QStringLiteral("Sleeping...") + signForm(state_.TickCount) + QStringLiteral(" of ")
                    + signForm(state_.WakeUp));
    if (state_.TickCount < state_.WakeUp)
        return;
    WakeUpCycle(*this, module_, view_, services_).run();
}

Status SentrelEngine::mailIt(qint16 CType)
{
    return MailAlert(state_, services_.smtp1, services_.messages, services_.clock).mailIt(CType);
}

Result<TableSearch::Verdict> SentrelEngine::doTableSearch()
{
    return TableSearch::run(state_.NewContent, state_.WatchRecordset, CellPieces,
                            [this] { return mailIt(AlertKind::NoTable); });
}

} // namespace orvane
