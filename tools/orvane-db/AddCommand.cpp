#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"
#include "RowInserter.h"
#include "TableColumns.h"

#include "store/Columns.h"
#include "store/WatchEntry.h"

#include <QDateTime>

#include <utility>
#include <vector>

namespace orvane::db {

namespace {

QCommandLineOption option(const char* name, const QString& description, const char* valueName)
{
    return QCommandLineOption(QString::fromLatin1(name), description, QString::fromLatin1(valueName));
}

} // namespace

int addCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("add"),
                     QStringLiteral("Adds a watch entry as the URL window's New and Save do: active, whole page, "
                                    "table, row, column and repeat count 1, string offset 0, string length 1, unless "
                                    "an option says otherwise; \"Added\" is now. Prints the new entry's id."));
    line.addPositional(QStringLiteral("URL"),
                       QStringLiteral("The page's address (at most %1 characters).").arg(Columns::kUrlLimit));
    line.addPositional(QStringLiteral("EMAIL"),
                       QStringLiteral("Who gets the alerts: an address, or several separated by commas or "
                                      "semicolons (at most %1 characters).")
                           .arg(Columns::kEMailLimit));
    line.addPositional(QStringLiteral("SUBJECT"), QStringLiteral("The alerts' subject."));
    const QCommandLineOption type = option("type",
                                           QStringLiteral("How the page is compared: W whole page, S string search, "
                                                          "T table search."),
                                           "W|S|T");
    const QCommandLineOption inactive(QStringLiteral("inactive"), QStringLiteral("Adds the entry inactive."));
    // Each option is a box of the URL window, with the box's limit.
    const std::pair<QCommandLineOption, QLatin1StringView> boxes[] = {
        {option("search", QStringLiteral("The search text (at most %1 characters).").arg(Columns::kStringSearchLimit),
                "TEXT"),
         Columns::kStringSearch},
        {option("offset", QStringLiteral("String offset."), "N"), Columns::kStringOffset},
        {option("length", QStringLiteral("String length."), "N"), Columns::kStringLength},
        {option("table", QStringLiteral("Table number."), "N"), Columns::kTableNumber},
        {option("row", QStringLiteral("Row number."), "N"), Columns::kRowNumber},
        {option("column", QStringLiteral("Column number."), "N"), Columns::kColumnNumber},
        {option("repeat", QStringLiteral("Repeat count."), "N"), Columns::kRepeatCount},
    };
    line.addOption(type);
    line.addOption(inactive);
    for (const auto& box : boxes)
        line.addOption(box.first);
    line.allowWait();
    if (auto done = line.parse(arguments, 3, 3))
        return *done;

    WatchEntry entry = WatchEntry::fresh();
    if (line.isSet(type)) {
        if (!WatchEntry::isSearchType(line.value(type)))
            return line.fail(QStringLiteral("--type \"%1\" is none of W, S and T").arg(line.value(type)));
        entry.set(Columns::kSearchType, Value(line.value(type)));
    }
    if (line.isSet(inactive))
        entry.set(Columns::kActive, Value(Columns::kNo));
    const QStringList given = line.positionals();
    std::vector<std::pair<QString, QString>> texts = {{Columns::kUrl, given[0]},
                                                      {Columns::kEMail, given[1]},
                                                      {Columns::kSubject, given[2]}};
    for (const auto& box : boxes) {
        if (line.isSet(box.first))
            texts.emplace_back(box.second, line.value(box.first));
    }

    const auto access = DatabaseAccess::forWriting(line.dir(), line.wait());
    if (!access.ok())
        return line.fail(access.failure().description);
    const Database& db = access.value().database();
    const auto columns = TableColumns::read(db, Columns::kUrlsTable);
    if (!columns.ok())
        return line.fail(columns.failure().description);
    for (const auto& [column, text] : texts) {
        const auto field = columns.value().field(column);
        if (!field.ok())
            return line.fail(field.failure().description);
        if (const Status s = entry.setText(field.value(), text); !s.ok())
            return line.fail(s.failure().description);
    }
    if (const Status s = entry.checkRequired(); !s.ok())
        return line.fail(s.failure().description);
    if (const Status s = entry.checkAddresses(); !s.ok())
        return line.fail(s.failure().description);
    entry.stamp(QDateTime::currentDateTime());

    QStringList names;
    for (const auto& [column, value] : entry.values())
        names << column;
    auto inserter = RowInserter::prepare(db, Columns::kUrlsTable, names);
    if (!inserter.ok())
        return line.fail(inserter.failure().description);
    const auto id = inserter.value().insert(entry.values());
    if (!id.ok())
        return line.fail(id.failure().description);
    CommandLine::print(QStringLiteral("%1\n").arg(id.value()));
    return kSucceeded;
}

} // namespace orvane::db
