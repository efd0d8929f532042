#include "store/Database.h"

#include "base/ErrorCatalogue.h"
#include "store/Connection.h"
#include "store/SqliteFailure.h"
#include "store/Statement.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace orvane {

Result<Database> Database::open(const QString& path, const OpenOptions& options)
{
    const QFileInfo info(path);
    if (!info.exists() && !options.create)
        return ErrorCatalogue::failure(ErrorCode::DbNotFound);
    if (info.exists() && !info.isFile())
        return ErrorCatalogue::failure(ErrorCode::DbCannotOpen);
    // SQLite would take an empty file for an empty database.
    if (info.exists() && info.size() == 0)
        return ErrorCatalogue::failure(ErrorCode::DbNotADatabase);

    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (options.create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    auto connection = std::make_shared<Connection>(raw);
    if (rc != SQLITE_OK)
        return sqliteFailure(rc);
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, options.busyTimeoutMs);

    Database db(std::move(connection));
    // Reading the schema proves the file is a database and not held
    // exclusively by another process.
    auto probe = Statement::prepare(db.connection_, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!probe.ok())
        return probe.failure();
    auto row = probe.value().step();
    if (!row.ok())
        return row.failure();
    // Every stored change reaches the disk before the store returns.
    if (auto s = db.execute(
            QString::fromLatin1(options.durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL"));
        !s.ok())
        return s.failure();
    return db;
}

Result<Recordset> Database::openTable(const QString& table, const QString& filter, const QString& readAlong,
                                      const QStringList& columns) const
{
    if (!connection_)
        return ErrorCatalogue::failure(ErrorCode::DbClosed);
    return Recordset::openTable(connection_, table, filter, readAlong, columns);
}

Result<Recordset> Database::runQuery(const QString& sql) const
{
    if (!connection_)
        return ErrorCatalogue::failure(ErrorCode::DbClosed);
    return Recordset::runQuery(connection_, sql);
}

Status Database::execute(const QString& sql) const
{
    if (!connection_)
        return ErrorCatalogue::failure(ErrorCode::DbClosed);
    char* message = nullptr;
    const int rc = sqlite3_exec(connection_->handle(), sql.toUtf8().constData(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        return sqliteFailure(sqlite3_extended_errcode(connection_->handle()));
    return {};
}

} // namespace orvane
