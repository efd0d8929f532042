#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"

#include "store/Columns.h"

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

    const QStringList shown {Columns::kActive, Columns::kSearchType, Columns::kUrl, Columns::kSubject, Columns::kAdded};
    const auto entries = access.value().store().entries(shown);
    if (!entries.ok())
        return line.fail(entries.failure().description);
    std::vector<Line> lines {{QStringLiteral("ID"), QStringLiteral("Active"), QStringLiteral("Type"),
                              QStringLiteral("URL"), QStringLiteral("Subject"), QStringLiteral("Added")}};
    for (const WatchEntry& entry : entries.value()) {
        Line l {QString::number(entry.id())};
        for (int i = 1; i < kColumns; ++i)
            l[i] = cell(entry.valueOrNull(shown[i - 1]), i == 1);
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
