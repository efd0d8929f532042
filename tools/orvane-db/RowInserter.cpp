#include "RowInserter.h"

#include "store/SqlText.h"

namespace orvane::db {

Result<RowInserter> RowInserter::prepare(const Database& db, const QString& table, const QStringList& columns)
{
    auto insert = Statement::prepare(db.connection(),
                                     SqlText::insertStatement(SqlText::quotedIdentifier(table), columns));
    if (!insert.ok())
        return insert.failure();
    auto lastId = Statement::prepare(db.connection(), QStringLiteral("SELECT last_insert_rowid()"));
    if (!lastId.ok())
        return lastId.failure();
    return RowInserter(columns, std::move(insert).value(), std::move(lastId).value());
}

Result<qint64> RowInserter::insert(const std::map<QString, Value>& values)
{
    for (qsizetype i = 0; i < columns_.size(); ++i) {
        const auto it = values.find(columns_[i]);
        if (Status s = insert_.bind(static_cast<int>(i + 1), it == values.end() ? Value::null() : it->second); !s.ok())
            return s.failure();
    }
    Status stored = insert_.run();
    if (Status reset = insert_.reset(); stored.ok() && !reset.ok())
        stored = reset;
    if (!stored.ok())
        return stored.failure();
    auto row = lastId_.step();
    if (!row.ok())
        return row.failure();
    const qint64 id = lastId_.columnInt64(0);
    (void)lastId_.reset();
    return id;
}

} // namespace orvane::db
