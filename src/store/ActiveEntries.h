#pragma once

#include "base/Result.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/WatchEntry.h"

#include <QString>
#include <QStringList>

namespace orvane {

// The active entries as a wake-up cycle walks them: an updatable set over
// their rows, in order, read one entry at a time and stored back when an
// entry's page changed.
class ActiveEntries {
public:
    ActiveEntries() = default;
    static Result<ActiveEntries> open(const Database& db);
    // The entries' addresses in their order as opened, up to the first that
    // cannot be read as text.
    const QStringList& addresses() const { return addresses_; }

    bool atEnd() const { return rows_.eof(); }
    int count() const { return rows_.recordCount(); }
    // The current entry, every column, with its id.
    Result<WatchEntry> current() const;
    Status moveNext() { return rows_.moveNext(); }
    void close() { rows_.close(); }

    // Stores `content` as the current entry's Content, durably, and gives
    // the entry that Content once stored. The row stored becomes current.
    Status storeContent(WatchEntry& entry, const QString& content);

private:
    explicit ActiveEntries(Recordset rows);
    Recordset rows_;
    QStringList addresses_;
};

} // namespace orvane
