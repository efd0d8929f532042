#pragma once

#include "store/Database.h"

#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <utility>

namespace orvane::test {

// A fresh directory holding a ready Sentrel.mdb made by the schema the
// command-line tool uses.
class TempDatabase {
public:
    using Columns = std::initializer_list<std::pair<const char*, Value>>;

    TempDatabase();
    QString dir() const { return dir_.path(); }
    QString path() const;
    // A connection of the test's own, for arranging rows and checking them.
    Database open() const;
    void exec(const QString& sql) const;
    // Stores the three settings as orvane-db set does.
    void setSettings(int wakeUp, const QString& mailServer, int port) const;
    // Adds an active watch entry mailing watcher@example.test with subject
    // "Weekly", then sets the given columns; returns its row key.
    qint64 addEntry(const QString& url, const QString& searchType = QStringLiteral("W"), Columns columns = {}) const;
    // One column of one row, as stored.
    Value column(qint64 key, const QString& name) const;

private:
    QTemporaryDir dir_;
};

} // namespace orvane::test
