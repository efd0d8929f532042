#pragma once

#include "engine/WatcherControl.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace orvane {

// The control channel's words: one JSON object a line each way. A client
// sends one request and reads one answer; after "maintenance" it keeps the
// connection for its "end", and the maintenance state ends with the
// connection at the latest. Where the socket lives: ControlPlace.
class ControlProtocol {
public:
    // A request is a few dozen bytes; anything longer is not one of ours.
    static constexpr qsizetype kMaxRequestBytes = 1024;
    // An answer holds at most a URL of 80 characters and a failure's text;
    // this leaves room for any such text yet bounds what a client reads.
    static constexpr qsizetype kMaxAnswerBytes = qsizetype {64} * 1024;

    static inline const QString kRequest = QStringLiteral("request");
    static inline const QString kStatus = QStringLiteral("status");
    static inline const QString kMaintenance = QStringLiteral("maintenance");
    static inline const QString kEnd = QStringLiteral("end");
    // Answer keys: the state, a maintenance entered or ended, or why not.
    static inline const QString kEntered = QStringLiteral("entered");
    static inline const QString kEnded = QStringLiteral("ended");
    static inline const QString kBusy = QStringLiteral("busy");
    // Maintenance refused: another client holds it (its name, "orvane-db").
    static inline const QString kHeld = QStringLiteral("held");
    // The connection refused before any request, and why.
    static inline const QString kRefused = QStringLiteral("refused");
    static inline const QString kWindow = QStringLiteral("window");
    // The state object's keys (status --json prints them as they come).
    static inline const QString kState = QStringLiteral("state");
    static inline const QString kTicksToGo = QStringLiteral("ticksToGo");
    static inline const QString kNextWakeUp = QStringLiteral("nextWakeUp");
    static inline const QString kEntry = QStringLiteral("entry");
    static inline const QString kEntries = QStringLiteral("entries");
    static inline const QString kUrl = QStringLiteral("url");
    static inline const QString kError = QStringLiteral("error");
    static inline const QString kErrorText = QStringLiteral("errorText");
    static inline const QString kSince = QStringLiteral("since");
    static inline const QString kLastCycle = QStringLiteral("lastCycle");
    static inline const QString kCycleStarted = QStringLiteral("started");
    static inline const QString kCycleEnded = QStringLiteral("ended");
    static inline const QString kVisited = QStringLiteral("visited");
    static inline const QString kChanges = QStringLiteral("changes");
    static inline const QString kMailsSent = QStringLiteral("mailsSent");
    static inline const QString kMailsFailed = QStringLiteral("mailsFailed");

    static QByteArray line(const QJsonObject& object);
    // The object of one line (without its line break); none when the line
    // is no JSON object.
    static std::optional<QJsonObject> parse(const QByteArray& line);

    // The state as status --json prints it.
    static QJsonObject stateObject(const WatcherControl::Snapshot& snapshot);
    // The value of kState for each phase.
    static QString phaseName(WatchProgress::Phase phase);
    // The window's caption, or "orvane-db" when the tool holds the state.
    static QString windowName(std::optional<MainView::Maintenance> window);
};

} // namespace orvane
