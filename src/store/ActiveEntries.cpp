#include "store/ActiveEntries.h"

#include "store/Columns.h"
#include "store/NamedQueries.h"

namespace orvane {

Result<ActiveEntries> ActiveEntries::open(const Database& db)
{
    // The addresses come with the keys: a row of a large page fills a
    // database page of its own, and a second pass would read them all again.
    auto rows = db.openTable(Columns::kUrlsTable, NamedQueries::activeEntriesFilter(), Columns::kUrl);
    if (!rows.ok())
        return rows.failure();
    return ActiveEntries(std::move(rows).value());
}

ActiveEntries::ActiveEntries(Recordset rows) : rows_(std::move(rows))
{
    for (const Value& address : rows_.readAlong()) {
        auto url = address.toText();
        if (!url.ok())
            break;
        addresses_.append(url.value());
    }
}

Result<WatchEntry> ActiveEntries::current() const
{
    WatchEntry entry;
    for (int i = 0; i < rows_.fieldCount(); ++i) {
        auto value = rows_.value(i);
        if (!value.ok())
            return value.failure();
        entry.set(rows_.field(i).name, std::move(value).value());
    }
    if (const auto key = rows_.bookmark())
        entry.setId(*key);
    return entry;
}

Status ActiveEntries::storeContent(WatchEntry& entry, const QString& content)
{
    // Every step runs, as before: a row with no Content column still counts
    // as stored, with nothing written.
    const Status edited = rows_.edit();
    const Status set = rows_.setValue(Columns::kContent, Value(content));
    const Status updated = rows_.update();
    const auto stored = rows_.lastModified();
    if (!updated.ok() || !stored) {
        rows_.cancelUpdate();
        return !edited.ok() ? edited : !set.ok() ? set : updated;
    }
    if (set.ok())
        entry.set(Columns::kContent, Value(content));
    // Only a row stored now becomes current: an older one would mail, and
    // walk on from, another entry. The row stored is the current one
    // already; moving to it again would only read it anew.
    if (rows_.bookmark() != stored)
        return rows_.setBookmark(*stored);
    return !edited.ok() ? edited : set;
}

} // namespace orvane
