#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"

#include "store/Columns.h"
#include "store/SqlText.h"
#include "store/Statement.h"

#include <array>
#include <vector>

namespace orvane::db {

namespace {

constexpr int kColumns = 6;
using Line = std::array<QString, kColumns>;

// What a cell shows: "yes"/"no" for Active, line breaks and tabs as blanks
// so that every entry keeps to its line.
QString cell(const Value& value, bool yesNo)
{
    if (yesNo && value.isInteger())
        return value == Value(Columns::kNo) ? QStringLiteral("no") : QStringLiteral("yes");
    QString text = value.textOrEmpty();
    for (QChar& c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

int listCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("list"),
                     QStringLiteral("Shows the watch entries, one a line: id, active, search type, URL, subject and "
                                    "the time of the last save. The id is what remove, enable and disable take."));
    if (auto done = line.parse(arguments, 0, 0))
        return *done;
    const auto access = DatabaseAccess::forReading(line.dir());
    if (!access.ok())
        return line.fail(access.failure().description);

    auto query = Statement::prepare(
        access.value().database().connection(),
        QStringLiteral("SELECT rowid, %1 FROM %2 ORDER BY rowid")
            .arg(SqlText::quotedIdentifiers(
                     {Columns::kActive, Columns::kSearchType, Columns::kUrl, Columns::kSubject, Columns::kAdded}),
                 SqlText::quotedIdentifier(Columns::kUrlsTable)));
    if (!query.ok())
        return line.fail(query.failure().description);
    std::vector<Line> lines {{QStringLiteral("ID"), QStringLiteral("Active"), QStringLiteral("Type"),
                              QStringLiteral("URL"), QStringLiteral("Subject"), QStringLiteral("Added")}};
    for (;;) {
        auto row = query.value().step();
        if (!row.ok())
            return line.fail(row.failure().description);
        if (!row.value())
            break;
        Line l;
        for (int i = 0; i < kColumns; ++i)
            l[i] = cell(query.value().column(i), i == 1);
        lines.push_back(l);
    }

    std::array<qsizetype, kColumns> width {};
    for (const Line& l : lines) {
        for (int i = 0; i < kColumns; ++i)
            width[i] = std::max(width[i], l[i].size());
    }
    QString out;
    for (const Line& l : lines) {
        QString text;
        for (int i = 0; i < kColumns; ++i) {
            // The id right-aligned; the last column not padded.
            const int w = static_cast<int>(width[i]);
            text += i == 0 ? l[i].rightJustified(w) : i + 1 < kColumns ? l[i].leftJustified(w) : l[i];
            if (i + 1 < kColumns)
                text += QLatin1String("  ");
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out += text + QLatin1Char('\n');
    }
    CommandLine::print(out);
    return kSucceeded;
}

} // namespace orvane::db
