#pragma once

#include "store/Database.h"

#include <QString>
#include <QTemporaryDir>

namespace orvane::test {

// A fresh directory holding a ready Sentrel.mdb made by the schema the
// command-line tool uses.
class TempDatabase {
public:
    TempDatabase();
    QString dir() const { return dir_.path(); }
    QString path() const;
    // A connection of the test's own, for arranging rows and checking them.
    Database open() const;
    void exec(const QString& sql) const;
    // Adds a watch entry; returns its row key.
    qint64 addEntry(const QString& url, const QString& searchType = QStringLiteral("W"), bool active = true) const;

private:
    QTemporaryDir dir_;
};

} // namespace orvane::test
