#include "CommandLine.h"
#include "Commands.h"
#include "CsvReader.h"
#include "DatabaseAccess.h"

#include "base/ErrorCatalogue.h"
#include "store/Columns.h"
#include "store/WatchEntry.h"

#include <QDir>
#include <QFile>

#include <vector>

namespace orvane::db {

namespace {

// The entries of the file, each checked as the URL window checks a save,
// and every column the file declares NOT NULL given.
Result<std::vector<WatchEntry>> checkedEntries(const std::vector<CsvReader::Row>& rows, const TableColumns& columns)
{
    const QStringList names = columns.names();
    if (rows.empty())
        return ErrorCatalogue::failure(ErrorCode::InvalidArgument, QStringLiteral("the file has no header row"));
    QStringList header;
    for (const CsvReader::Field& f : rows.front())
        header << f.value_or(QString());
    if (header != names)
        return CsvReader::rowFailure(0, QStringLiteral("the columns must be %1").arg(names.join(QLatin1Char(','))));

    std::vector<WatchEntry> entries;
    for (qsizetype r = 1; r < static_cast<qsizetype>(rows.size()); ++r) {
        const CsvReader::Row& row = rows[static_cast<size_t>(r)];
        if (row.size() != static_cast<size_t>(names.size()))
            return CsvReader::rowFailure(
                r, QStringLiteral("%1 fields where the header has %2").arg(row.size()).arg(names.size()));
        WatchEntry entry;
        for (size_t c = 0; c < row.size(); ++c) {
            const TableColumns::Column& column = columns.columns()[c];
            if (!row[c]) {
                if (column.notNull)
                    return CsvReader::rowFailure(r, QStringLiteral("\"%1\" must not be Null").arg(column.field.name));
                entry.set(column.field.name, Value::null());
            } else if (Status s = entry.setText(column.field, *row[c]); !s.ok()) {
                return CsvReader::rowFailure(r, s.failure().description);
            }
        }
        if (Status s = entry.checkRequired(); !s.ok())
            return CsvReader::rowFailure(r, s.failure().description);
        if (Status s = entry.checkAddresses(); !s.ok())
            return CsvReader::rowFailure(r, s.failure().description);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace

int importCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("import"),
                     QStringLiteral("Adds the watch entries of a CSV file as export writes it, after the ones there "
                                    "are; they get new ids. Every row is checked as the URL window checks a save "
                                    "before any is stored, and all are stored in one transaction: a bad file changes "
                                    "nothing."));
    line.addPositional(QStringLiteral("FILE"), QStringLiteral("The CSV file."));
    line.allowWait();
    if (auto done = line.parse(arguments, 1, 1))
        return *done;
    const QString path = line.positionals().first();
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return line.fail(
            QStringLiteral("cannot read \"%1\": %2").arg(QDir::toNativeSeparators(path), in.errorString()));
    const auto rows = CsvReader::parse(in.readAll());
    if (!rows.ok())
        return line.fail(rows.failure().description);

    const auto access = DatabaseAccess::forWriting(line.dir(), line.wait());
    if (!access.ok())
        return line.fail(access.failure().description);
    const WatchStore& store = access.value().store();
    const auto columns = store.entryColumns();
    if (!columns.ok())
        return line.fail(columns.failure().description);
    const auto entries = checkedEntries(rows.value(), columns.value());
    if (!entries.ok())
        return line.fail(entries.failure().description);

    // Stored in file order; a failure names the row it stopped at.
    qsizetype failedAt = -1;
    if (const Status stored = store.addAll(entries.value(), failedAt); !stored.ok())
        return line.fail(failedAt < 0 ? stored.failure().description
                                      : CsvReader::rowFailure(failedAt + 1, stored.failure().description).description);
    CommandLine::print(QStringLiteral("imported %1 entries\n").arg(entries.value().size()));
    return kSucceeded;
}

} // namespace orvane::db
