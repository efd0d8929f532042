#include "CommandLine.h"
#include "Commands.h"
#include "MaintenanceHold.h"

#include "base/ErrorCatalogue.h"
#include "control/ControlProtocol.h"
#include "engine/Workspace.h"
#include "host/SingleInstance.h"
#include "store/PageCacheFile.h"
#include "text/TerminalText.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <cstdio>

namespace orvane::db {

namespace {

// Exit codes a monitoring script tells apart.
constexpr int kRunning = 0;
constexpr int kHalted = 3;
constexpr int kNotRunning = 4;

QString shown(const QJsonValue& stamp)
{
    const QDateTime t = QDateTime::fromString(stamp.toString(), Qt::ISODate);
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("-");
}

QString counted(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

QString stateText(const QJsonObject& s)
{
    const QString state = s.value(ControlProtocol::kState).toString();
    const QString url = CommandLine::oneLine(s.value(ControlProtocol::kUrl).toString());
    QString text;
    if (state == ControlProtocol::phaseName(WatchProgress::Phase::Asleep))
        text = QStringLiteral("asleep; the next wake-up in %1, at %2\n")
                   .arg(counted(s.value(ControlProtocol::kTicksToGo).toInt(), "tick", "ticks"),
                        shown(s.value(ControlProtocol::kNextWakeUp)));
    else if (state == ControlProtocol::phaseName(WatchProgress::Phase::Cycle))
        text = QStringLiteral("running a wake-up cycle: entry %1 of %2, %3\n")
                   .arg(s.value(ControlProtocol::kEntry).toInt())
                   .arg(s.value(ControlProtocol::kEntries).toInt())
                   .arg(url);
    else if (state == ControlProtocol::phaseName(WatchProgress::Phase::Halted))
        text = QStringLiteral("halted since %1 on %2: error %3, %4\n"
                              "  (orvane-db resume lifts the halt)\n")
                   .arg(shown(s.value(ControlProtocol::kSince)), url)
                   .arg(s.value(ControlProtocol::kError).toInt())
                   .arg(CommandLine::oneLine(s.value(ControlProtocol::kErrorText).toString()));
    else if (const QString window = s.value(ControlProtocol::kWindow).toString();
             window == ControlProtocol::windowName(std::nullopt))
        text = QStringLiteral("in maintenance: orvane-db is changing the database\n");
    else
        text = QStringLiteral("in maintenance: the %1 window is open\n").arg(CommandLine::oneLine(window));
    const QJsonObject last = s.value(ControlProtocol::kLastCycle).toObject();
    if (last.isEmpty())
        return text + QStringLiteral("last cycle: none yet\n");
    return text
        + QStringLiteral("last cycle: started %1, ended %2; %3 visited, %4 found, %5 sent, %6 failed\n")
              .arg(shown(last.value(ControlProtocol::kCycleStarted)), shown(last.value(ControlProtocol::kCycleEnded)),
                   counted(last.value(ControlProtocol::kVisited).toInt(), "entry", "entries"),
                   counted(last.value(ControlProtocol::kChanges).toInt(), "change", "changes"),
                   counted(last.value(ControlProtocol::kMailsSent).toInt(), "mail", "mails"))
              .arg(last.value(ControlProtocol::kMailsFailed).toInt());
}

} // namespace

int statusCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("status"),
                     QStringLiteral("Tells whether Orvane runs from the folder and how it stands: asleep, running a "
                                    "wake-up cycle, halted on a page (orvane-db resume lifts it) or in maintenance; "
                                    "and its last cycle. Exit code 0 running, 3 running but halted, 4 not running, "
                                    "1 when it could not be asked."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Prints the same as one JSON object."));
    line.addOption(json);
    if (auto done = line.parse(arguments, 0, 0))
        return *done;
    const QString dir = line.dir();
    if (!QFileInfo(dir).isDir())
        return line.fail(QStringLiteral("no folder \"%1\"").arg(dir));

    if (const QString open = SingleInstance::folderOpenToOthers(dir); !open.isEmpty())
        std::fprintf(stderr, "orvane-db status: warning: %s\n", qPrintable(CommandLine::oneLine(open)));
    const auto asked = MaintenanceHold::askStatus(dir);
    if (!asked.ok() && !asked.failure().is(ErrorCode::ControlNoListener))
        return line.fail(asked.failure().description);
    if (!asked.ok()) {
        // Nothing answers: no program, a socket file a killed copy left
        // behind, a program that cannot listen or an orvane-db writing
        // while none runs. Its lock tells which.
        const SingleInstance probe(dir);
        if (!probe.held())
            return line.fail(
                probe.anotherCopyRunning()
                    ? QStringLiteral("%1 is held, by Orvane or by an orvane-db changing the database, "
                                     "but %2")
                          .arg(QDir::toNativeSeparators(Workspace(dir).lockFile()), asked.failure().description)
                    : QStringLiteral("cannot take the lock %1: %2")
                          .arg(QDir::toNativeSeparators(Workspace(dir).lockFile()), probe.error()));
        if (line.isSet(json))
            CommandLine::print(QStringLiteral("{\"running\":false}\n"));
        else
            CommandLine::print(QStringLiteral("Orvane is not running from %1\n")
                                   .arg(CommandLine::oneLine(QDir::toNativeSeparators(dir))));
        return kNotRunning;
    }
    QJsonObject state = asked.value();
    const bool halted = state.value(ControlProtocol::kState).toString()
        == ControlProtocol::phaseName(WatchProgress::Phase::Halted);
    if (line.isSet(json)) {
        state.insert(QStringLiteral("running"), true);
        // JSON escapes the C0 controls only; the rest a terminal acts on too.
        CommandLine::print(
            TerminalText::escapedJson(QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact)))
            + QLatin1Char('\n'));
    } else {
        CommandLine::print(
            QStringLiteral("Orvane is running from %1: ").arg(CommandLine::oneLine(QDir::toNativeSeparators(dir)))
            + stateText(state));
        // Read from the cache file beside the database, not from the program.
        const auto whole = PageCacheFile::distrustedAddresses(Workspace(dir).cacheFile());
        if (whole.ok() && !whole.value().isEmpty())
            CommandLine::print(QStringLiteral("fetched whole only, their server answered 304 for a changed page: %1\n")
                                   .arg(CommandLine::oneLine(whole.value().join(QStringLiteral(", ")))));
    }
    return halted ? kHalted : kRunning;
}

} // namespace orvane::db
