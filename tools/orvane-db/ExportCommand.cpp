#include "CommandLine.h"
#include "Commands.h"
#include "CsvWriter.h"
#include "DatabaseAccess.h"
#include "TableColumns.h"

#include "store/Columns.h"
#include "store/SqlText.h"
#include "store/Statement.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace orvane::db {

namespace {

Status writeEntries(const Database& db, QIODevice& out)
{
    const auto columns = TableColumns::read(db, Columns::kUrlsTable);
    if (!columns.ok())
        return columns.failure();
    const QStringList names = columns.value().names();
    auto query = Statement::prepare(
        db.connection(),
        QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
            .arg(SqlText::quotedIdentifiers(names), SqlText::quotedIdentifier(Columns::kUrlsTable)));
    if (!query.ok())
        return query.failure();
    CsvWriter csv(out);
    for (const QString& name : names)
        csv.add(Value(name));
    if (Status s = csv.endRow(); !s.ok())
        return s;
    for (;;) {
        auto row = query.value().step();
        if (!row.ok())
            return row.failure();
        if (!row.value())
            return {};
        for (int i = 0; i < names.size(); ++i)
            csv.add(query.value().column(i));
        if (Status s = csv.endRow(); !s.ok())
            return s;
    }
}

} // namespace

int exportCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("export"),
                     QStringLiteral("Writes every watch entry as CSV (RFC 4180, UTF-8, CR LF): a header row with the "
                                    "columns of table URLs, then one row per entry in id order. A text is always "
                                    "quoted; an empty field without quotes is Null."));
    line.addPositional(QStringLiteral("[FILE]"), QStringLiteral("Where to write; standard output when left out."));
    if (auto done = line.parse(arguments, 0, 1))
        return *done;
    const auto access = DatabaseAccess::forReading(line.dir());
    if (!access.ok())
        return line.fail(access.failure().description);
    const Database& db = access.value().database();

    if (line.positionals().isEmpty()) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return line.fail(out.errorString());
        const Status written = writeEntries(db, out);
        return written.ok() ? kSucceeded : line.fail(written.failure().description);
    }
    // The file appears whole or not at all.
    const QString path = line.positionals().first();
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return line.fail(
            QStringLiteral("cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), out.errorString()));
    if (const Status written = writeEntries(db, out); !written.ok())
        return line.fail(written.failure().description);
    if (!out.commit())
        return line.fail(
            QStringLiteral("cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), out.errorString()));
    return kSucceeded;
}

} // namespace orvane::db
