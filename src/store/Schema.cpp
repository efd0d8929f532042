#include "store/Schema.h"

#include "base/ErrorCatalogue.h"
#include "store/Columns.h"
#include "store/SqlText.h"
#include "store/SqliteFailure.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

namespace orvane {

namespace {

// One column of a CREATE TABLE: its name and its declaration.
struct ColumnSql {
    QLatin1StringView name;
    QString declaration;
};

QString varchar(int size)
{
    return QStringLiteral("VARCHAR(%1)").arg(size);
}

QString createTable(QLatin1StringView table, std::initializer_list<ColumnSql> columns)
{
    QStringList lines;
    for (const ColumnSql& column : columns)
        lines << QStringLiteral("  %1 %2").arg(SqlText::quotedIdentifier(column.name), column.declaration);
    return QStringLiteral("CREATE TABLE %1 (\n%2\n);\n")
        .arg(SqlText::quotedIdentifier(table), lines.join(QLatin1String(",\n")));
}

} // namespace

QString Schema::creationSql()
{
    using namespace Columns;
    const QString integer = QStringLiteral("INTEGER");
    const QString longText = QStringLiteral("LONGTEXT");
    const QString yesNo = QStringLiteral("BOOLEAN NOT NULL DEFAULT %1 CHECK (%2 IN (%3, %1))")
                              .arg(QString::number(kNo), SqlText::quotedIdentifier(kActive), QString::number(kYes));
    const QStringList settings {kWakeUp, kMailServer, kSmtpPort};
    return QStringLiteral("PRAGMA application_id = 1330795086;\n")
        + createTable(kUrlsTable,
                      {{kUrl, varchar(kUrlLimit)},
                       {kEMail, varchar(kEMailLimit)},
                       {kSubject, longText},
                       {kActive, yesNo},
                       {kSearchType, varchar(kSearchTypeLimit)},
                       {kStringSearch, varchar(kStringSearchLimit)},
                       {kStringOffset, integer},
                       {kStringLength, integer},
                       {kTableNumber, integer},
                       {kRowNumber, integer},
                       {kColumnNumber, integer},
                       {kRepeatCount, integer},
                       {kContent, longText},
                       {kAdded, QStringLiteral("DATETIME")}})
        + createTable(kSystemTable,
                      {{kWakeUp, integer}, {kMailServer, varchar(kMailServerLimit)}, {kSmtpPort, integer}})
        + QStringLiteral("INSERT INTO %1 (%2) VALUES (5, 'localhost', 25);\n")
              .arg(SqlText::quotedIdentifier(kSystemTable), SqlText::quotedIdentifiers(settings));
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
