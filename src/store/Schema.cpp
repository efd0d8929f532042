#include "store/Schema.h"

#include "base/ErrorCatalogue.h"
#include "store/SqliteFailure.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace orvane {

QString Schema::creationSql()
{
    return QStringLiteral(
               "PRAGMA application_id = 1330795086;\n"
               "CREATE TABLE \"URLs\" (\n"
               "  \"URL\" VARCHAR(%1),\n"
               "  \"EMail\" VARCHAR(%2),\n"
               "  \"Subject\" LONGTEXT,\n"
               "  \"Active\" BOOLEAN NOT NULL DEFAULT 0 CHECK (\"Active\" IN (-1, 0)),\n"
               "  \"Search type\" VARCHAR(%3),\n"
               "  \"String search\" VARCHAR(%4),\n"
               "  \"String offset\" INTEGER,\n"
               "  \"String length\" INTEGER,\n"
               "  \"Table number\" INTEGER,\n"
               "  \"Row number\" INTEGER,\n"
               "  \"Column number\" INTEGER,\n"
               "  \"Repeat count\" INTEGER,\n"
               "  \"Content\" LONGTEXT,\n"
               "  \"Added\" DATETIME\n"
               ");\n"
               "CREATE TABLE \"System\" (\n"
               "  \"Wake-up\" INTEGER,\n"
               "  \"Mail server\" VARCHAR(%5),\n"
               "  \"SMTP Port\" INTEGER\n"
               ");\n"
               "INSERT INTO \"System\" (\"Wake-up\", \"Mail server\", \"SMTP Port\") VALUES (5, 'localhost', 25);\n")
        .arg(kUrlSize)
        .arg(kEMailSize)
        .arg(kSearchTypeSize)
        .arg(kStringSearchSize)
        .arg(kMailServerSize);
}

Status Schema::createFile(const QString& path)
{
    if (QFileInfo::exists(path))
        return ErrorCatalogue::failure(ErrorCode::DbCannotOpen, QStringLiteral("The file already exists."));

    // Build beside the target and move it into place, so that no half-made
    // file ever carries the database's name.
    const QString building = path + QStringLiteral(".new");
    QFile::remove(building);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(building.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        // Large pages: a stored web page is read and written in a few pages
        // rather than a chain of dozens. Only a new, empty file takes it.
        const QByteArray sql = (QStringLiteral("PRAGMA page_size = %1;\n").arg(kPageSize) + QStringLiteral("BEGIN;\n")
                                + creationSql() + QStringLiteral("COMMIT;\n")
                                + QStringLiteral("PRAGMA journal_mode = WAL;\n"))
                                   .toUtf8();
        rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            rc = sqlite3_extended_errcode(db);
    }
    const int closed = sqlite3_close(db);
    if (rc == SQLITE_OK && closed != SQLITE_OK)
        rc = closed;
    if (rc != SQLITE_OK) {
        QFile::remove(building);
        return sqliteFailure(rc);
    }
    if (!QFile::rename(building, path)) {
        QFile::remove(building);
        return ErrorCatalogue::failure(ErrorCode::DbCannotOpen, QStringLiteral("The file cannot be put in place."));
    }
    return {};
}

} // namespace orvane
