#pragma once

#include "base/Result.h"
#include "store/Database.h"
#include "store/Settings.h"
#include "store/TableColumns.h"
#include "store/WatchEntry.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace orvane {

// The watch database as its callers mean it: entries and settings. All the
// SQL of the entries and the settings lives behind it.
class WatchStore {
public:
    explicit WatchStore(Database db) : db_(std::move(db)) { }
    static Result<WatchStore> open(const QString& path);

    const Database& database() const { return db_; }

    // The columns of table URLs, in table order.
    Result<TableColumns> entryColumns() const;
    // Every entry in id order, with the columns named.
    Result<std::vector<WatchEntry>> entries(const QStringList& columns) const;
    // The entry with this id and all its columns; fails when there is none.
    Result<WatchEntry> entry(qint64 id) const;

    // Stores a new entry with the columns it has set; gives its id.
    Result<qint64> add(const WatchEntry& entry) const;
    // Stores all the entries in one transaction, or none. When an entry
    // fails, `failedAt` is its index; otherwise -1.
    Status addAll(const std::vector<WatchEntry>& entries, qsizetype& failedAt) const;
    Status remove(qint64 id) const;
    // Ticks or clears "Active" and stamps "Added", as the URL window's Save.
    Status setActive(qint64 id, bool active, const QDateTime& now) const;

    Result<Settings> settings() const;
    // Stores a setting's text, read by its column's declared type, into
    // the first row of System (made when there is none).
    Status setSetting(const QString& column, const QString& text) const;

private:
    // Runs sql with the id bound as ?1 and values as ?2, ...; fails when no
    // entry has that id.
    Status changeEntry(const QString& sql, qint64 id, const std::vector<Value>& values = {}) const;

    Database db_;
};

} // namespace orvane
