#include "control/ControlProtocol.h"

#include <QJsonDocument>

namespace orvane {

namespace {

QString stamp(const QDateTime& t)
{
    return t.isValid() ? t.toString(Qt::ISODate) : QString();
}

} // namespace

QString ControlProtocol::phaseName(WatchProgress::Phase phase)
{
    switch (phase) {
    case WatchProgress::Phase::Asleep: return QStringLiteral("asleep");
    case WatchProgress::Phase::Cycle: return QStringLiteral("cycle");
    case WatchProgress::Phase::Halted: return QStringLiteral("halted");
    case WatchProgress::Phase::Maintenance: return QStringLiteral("maintenance");
    }
    return {};
}

QByteArray ControlProtocol::line(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> ControlProtocol::parse(const QByteArray& line)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

QString ControlProtocol::windowName(std::optional<MainView::Maintenance> window)
{
    if (!window)
        return QStringLiteral("orvane-db");
    // The windows' own captions, as the user sees them on screen.
    return MainView::caption(*window);
}

QJsonObject ControlProtocol::stateObject(const WatcherControl::Snapshot& snapshot)
{
    const WatchProgress& p = snapshot.progress;
    QJsonObject o {{kState, phaseName(p.phase)}};
    switch (p.phase) {
    case WatchProgress::Phase::Asleep:
        o.insert(kTicksToGo, snapshot.ticksToGo);
        o.insert(kNextWakeUp, stamp(snapshot.nextWakeUp));
        break;
    case WatchProgress::Phase::Cycle:
        o.insert(kEntry, p.entry);
        o.insert(kEntries, p.entries);
        o.insert(kUrl, p.url);
        break;
    case WatchProgress::Phase::Halted:
        o.insert(kUrl, p.url);
        o.insert(kError, p.fault.number);
        o.insert(kErrorText, p.fault.description);
        o.insert(kSince, stamp(p.haltedSince));
        break;
    case WatchProgress::Phase::Maintenance: o.insert(kWindow, windowName(p.window)); break;
    }
    if (p.anyCycle) {
        const CycleFigures& c = p.cycle;
        o.insert(kLastCycle,
                 QJsonObject {{kCycleStarted, stamp(c.started)},
                              {kCycleEnded, stamp(c.ended)},
                              {kVisited, c.visited},
                              {kChanges, c.changes},
                              {kMailsSent, c.mailsSent},
                              {kMailsFailed, c.mailsFailed}});
    }
    return o;
}

} // namespace orvane
