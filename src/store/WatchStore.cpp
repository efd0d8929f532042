#include "store/WatchStore.h"

#include "base/ErrorCatalogue.h"
#include "store/ColumnText.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/SqlText.h"
#include "store/Statement.h"
#include "store/Transaction.h"

#include <sqlite3.h>

#include <optional>

namespace orvane {

namespace {

const QString kUrls = SqlText::quotedIdentifier(Columns::kUrlsTable);
const QString kSystem = SqlText::quotedIdentifier(Columns::kSystemTable);

Failure noEntry(qint64 id)
{
    return ErrorCatalogue::failure(ErrorCode::DbNoCurrentRecord, QStringLiteral("no entry has the id %1").arg(id));
}

// One prepared INSERT over the columns an entry has set, kept while the
// next entry sets the same ones.
class Inserter {
public:
    explicit Inserter(const Database& db) : db_(db) { }

    Result<qint64> insert(const WatchEntry& entry)
    {
        QStringList names;
        for (const auto& [column, value] : entry.values())
            names << column;
        if (!statement_ || names != names_) {
            auto prepared = Statement::prepare(db_.connection(), SqlText::insertStatement(kUrls, names));
            if (!prepared.ok())
                return prepared.failure();
            statement_.emplace(std::move(prepared).value());
            names_ = names;
        }
        int index = 1;
        for (const auto& [column, value] : entry.values()) {
            if (Status s = statement_->bind(index++, value); !s.ok())
                return s.failure();
        }
        Status stored = statement_->run();
        if (Status reset = statement_->reset(); stored.ok() && !reset.ok())
            stored = reset;
        if (!stored.ok())
            return stored.failure();
        return static_cast<qint64>(sqlite3_last_insert_rowid(db_.connection()->handle()));
    }

private:
    const Database& db_;
    QStringList names_;
    std::optional<Statement> statement_;
};

} // namespace

Result<WatchStore> WatchStore::open(const QString& path)
{
    auto db = Database::open(path);
    if (!db.ok())
        return db.failure();
    return WatchStore(std::move(db).value());
}

Result<TableColumns> WatchStore::entryColumns() const
{
    return TableColumns::read(db_, Columns::kUrlsTable);
}

Result<std::vector<WatchEntry>> WatchStore::entries(const QStringList& columns) const
{
    auto query = Statement::prepare(
        db_.connection(),
        QStringLiteral("SELECT rowid, %1 FROM %2 ORDER BY rowid").arg(SqlText::quotedIdentifiers(columns), kUrls));
    if (!query.ok())
        return query.failure();
    std::vector<WatchEntry> found;
    for (;;) {
        auto row = query.value().step();
        if (!row.ok())
            return row.failure();
        if (!row.value())
            return found;
        WatchEntry entry;
        entry.setId(query.value().columnInt64(0));
        for (int i = 0; i < columns.size(); ++i)
            entry.set(columns[i], query.value().column(i + 1));
        found.push_back(std::move(entry));
    }
}

Result<WatchEntry> WatchStore::entry(qint64 id) const
{
    auto query = Statement::prepare(db_.connection(), QStringLiteral("SELECT * FROM %1 WHERE rowid = ?1").arg(kUrls));
    if (!query.ok())
        return query.failure();
    if (Status s = query.value().bind(1, Value(id)); !s.ok())
        return s.failure();
    auto row = query.value().step();
    if (!row.ok())
        return row.failure();
    if (!row.value())
        return noEntry(id);
    WatchEntry entry;
    entry.setId(id);
    for (int i = 0; i < query.value().columnCount(); ++i)
        entry.set(query.value().columnName(i), query.value().column(i));
    return entry;
}

Result<qint64> WatchStore::add(const WatchEntry& entry) const
{
    return Inserter(db_).insert(entry);
}

Status WatchStore::addAll(const std::vector<WatchEntry>& entries, qsizetype& failedAt) const
{
    failedAt = -1;
    auto transaction = Transaction::begin(db_);
    if (!transaction.ok())
        return transaction.failure();
    Inserter inserter(db_);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (auto id = inserter.insert(entries[i]); !id.ok()) {
            failedAt = static_cast<qsizetype>(i);
            return id.failure();
        }
    }
    return transaction.value().commit();
}

Status WatchStore::remove(qint64 id) const
{
    return changeEntry(QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(kUrls), id);
}

Status WatchStore::setActive(qint64 id, bool active, const QDateTime& now) const
{
    WatchEntry saved;
    saved.stamp(now);
    return changeEntry(
        QStringLiteral("UPDATE %1 SET %2 = ?2, %3 = ?3 WHERE rowid = ?1")
            .arg(kUrls, SqlText::quotedIdentifier(Columns::kActive), SqlText::quotedIdentifier(Columns::kAdded)),
        id, {Value(active ? Columns::kYes : Columns::kNo), saved.valueOrNull(Columns::kAdded)});
}

Status WatchStore::changeEntry(const QString& sql, qint64 id, const std::vector<Value>& values) const
{
    auto transaction = Transaction::begin(db_);
    if (!transaction.ok())
        return transaction.failure();
    auto change = Statement::prepare(db_.connection(), sql);
    if (!change.ok())
        return change.failure();
    if (Status s = change.value().bind(1, Value(id)); !s.ok())
        return s;
    for (size_t i = 0; i < values.size(); ++i) {
        if (Status s = change.value().bind(static_cast<int>(i) + 2, values[i]); !s.ok())
            return s;
    }
    if (Status s = change.value().run(); !s.ok())
        return s;
    if (sqlite3_changes(db_.connection()->handle()) == 0)
        return noEntry(id);
    return transaction.value().commit();
}

Result<Settings> WatchStore::settings() const
{
    auto system = db_.openTable(Columns::kSystemTable);
    if (!system.ok())
        return system.failure();
    const Recordset& row = system.value();
    // Each failure leaves its field at its first value, without a word.
    Settings settings;
    if (auto n = row.int16(Columns::kWakeUp); n.ok())
        settings.wakeUp = n.value();
    if (auto t = row.text(Columns::kMailServer); t.ok())
        settings.mailServer = t.value();
    // The port as it has always been read: its text, as a number.
    if (auto t = row.text(Columns::kSmtpPort); t.ok())
        settings.port = Value(t.value()).toInt32();
    return settings;
}

Status WatchStore::setSetting(const QString& column, const QString& text) const
{
    const auto columns = TableColumns::read(db_, Columns::kSystemTable);
    if (!columns.ok())
        return columns.failure();
    const auto field = columns.value().field(column);
    if (!field.ok())
        return field.failure();
    const auto value = ColumnText::parse(text, field.value());
    if (!value.ok())
        return value.failure();
    auto transaction = Transaction::begin(db_);
    if (!transaction.ok())
        return transaction.failure();
    const QString name = SqlText::quotedIdentifier(field.value().name);
    // The first row is the one the program reads.
    for (const QString& sql : {QStringLiteral("UPDATE %1 SET %2 = ?1 WHERE rowid = (SELECT min(rowid) FROM %1)"),
                               QStringLiteral("INSERT INTO %1 (%2) SELECT ?1 WHERE NOT EXISTS (SELECT 1 FROM %1)")}) {
        auto statement = Statement::prepare(db_.connection(), sql.arg(kSystem, name));
        if (!statement.ok())
            return statement.failure();
        if (Status s = statement.value().bind(1, value.value()); !s.ok())
            return s;
        if (Status s = statement.value().run(); !s.ok())
            return s;
    }
    return transaction.value().commit();
}

} // namespace orvane
