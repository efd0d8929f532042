#include "control/ControlProtocol.h"

#include <QJsonDocument>

namespace orvane {

namespace {

QString stamp(const QDateTime& t)
{
    return t.isValid() ? t.toString(Qt::ISODate) : QString();
}

QString phaseName(WatchProgress::Phase phase)
{
    switch (phase) {
    case WatchProgress::Phase::Asleep: return QStringLiteral("asleep");
    case WatchProgress::Phase::Cycle: return QStringLiteral("cycle");
    case WatchProgress::Phase::Halted: return QStringLiteral("halted");
    case WatchProgress::Phase::Maintenance: return QStringLiteral("maintenance");
    }
    return {};
}

} // namespace

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
    return *window == MainView::Maintenance::Urls ? QStringLiteral("URL Definition") : QStringLiteral("Property Pages");
}

QJsonObject ControlProtocol::stateObject(const WatcherControl::Snapshot& snapshot)
{
    const WatchProgress& p = snapshot.progress;
    QJsonObject o {{QStringLiteral("state"), phaseName(p.phase)}};
    switch (p.phase) {
    case WatchProgress::Phase::Asleep:
        o.insert(QStringLiteral("ticksToGo"), snapshot.ticksToGo);
        o.insert(QStringLiteral("nextWakeUp"), stamp(snapshot.nextWakeUp));
        break;
    case WatchProgress::Phase::Cycle:
        o.insert(QStringLiteral("entry"), p.entry);
        o.insert(QStringLiteral("entries"), p.entries);
        o.insert(QStringLiteral("url"), p.url);
        break;
    case WatchProgress::Phase::Halted:
        o.insert(QStringLiteral("url"), p.url);
        o.insert(QStringLiteral("error"), p.fault.number);
        o.insert(QStringLiteral("errorText"), p.fault.description);
        o.insert(QStringLiteral("since"), stamp(p.haltedSince));
        break;
    case WatchProgress::Phase::Maintenance: o.insert(kWindow, windowName(p.window)); break;
    }
    if (p.anyCycle) {
        const CycleFigures& c = p.cycle;
        o.insert(QStringLiteral("lastCycle"),
                 QJsonObject {{QStringLiteral("started"), stamp(c.started)},
                              {QStringLiteral("ended"), stamp(c.ended)},
                              {QStringLiteral("visited"), c.visited},
                              {QStringLiteral("changes"), c.changes},
                              {QStringLiteral("mailsSent"), c.mailsSent},
                              {QStringLiteral("mailsFailed"), c.mailsFailed}});
    }
    return o;
}

} // namespace orvane
