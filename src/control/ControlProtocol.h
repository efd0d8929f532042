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
// connection at the latest.
class ControlProtocol {
public:
    // Beside Sentrel.mdb and Sentrel.lock.
    static constexpr const char* kFileName = "Sentrel.control";
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
    static inline const QString kWindow = QStringLiteral("window");

    static QString socketPath(const QString& dir);
    static QByteArray line(const QJsonObject& object);
    // The object of one line (without its line break); none when the line
    // is no JSON object.
    static std::optional<QJsonObject> parse(const QByteArray& line);

    // The state as status --json prints it.
    static QJsonObject stateObject(const WatcherControl::Snapshot& snapshot);
    // The window's caption, or "orvane-db" when the tool holds the state.
    static QString windowName(std::optional<MainView::Maintenance> window);
};

} // namespace orvane
