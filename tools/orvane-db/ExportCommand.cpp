#include "CommandLine.h"
#include "Commands.h"
#include "CsvWriter.h"
#include "DatabaseAccess.h"

#include "store/Columns.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace orvane::db {

namespace {

Status writeEntries(const WatchStore& store, QIODevice& out)
{
    const auto columns = store.entryColumns();
    if (!columns.ok())
        return columns.failure();
    const QStringList names = columns.value().names();
    const auto entries = store.entries(names);
    if (!entries.ok())
        return entries.failure();
    CsvWriter csv(out);
    for (const QString& name : names)
        csv.add(Value(name));
    if (Status s = csv.endRow(); !s.ok())
        return s;
    for (const WatchEntry& entry : entries.value()) {
        for (const QString& name : names)
            csv.add(entry.valueOrNull(name));
        if (Status s = csv.endRow(); !s.ok())
            return s;
    }
    return {};
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
    const WatchStore& db = access.value().store();

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
