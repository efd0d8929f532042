#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"
#include "SearchOptions.h"

#include "store/Columns.h"
#include "store/WatchEntry.h"

#include <QDateTime>

namespace orvane::db {

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
    const QCommandLineOption inactive(QStringLiteral("inactive"), QStringLiteral("Adds the entry inactive."));
    const SearchOptions search;
    search.addTo(line);
    line.addOption(inactive);
    line.allowWait();
    if (auto done = line.parse(arguments, 3, 3))
        return *done;

    WatchEntry entry = WatchEntry::fresh();
    const QStringList given = line.positionals();
    SearchOptions::Texts texts = {{Columns::kUrl, given[0]},
                                  {Columns::kEMail, given[1]},
                                  {Columns::kSubject, given[2]}};
    if (const Status s = search.read(line, entry, texts); !s.ok())
        return line.fail(s.failure().description);
    if (line.isSet(inactive))
        entry.set(Columns::kActive, Value(Columns::kNo));

    const auto access = DatabaseAccess::forWriting(line.dir(), line.wait());
    if (!access.ok())
        return line.fail(access.failure().description);
    const WatchStore& store = access.value().store();
    if (const Status s = SearchOptions::store(store, texts, entry); !s.ok())
        return line.fail(s.failure().description);
    if (const Status s = entry.checkRequired(); !s.ok())
        return line.fail(s.failure().description);
    if (const Status s = entry.checkAddresses(); !s.ok())
        return line.fail(s.failure().description);
    entry.stamp(QDateTime::currentDateTime());

    const auto id = store.add(entry);
    if (!id.ok())
        return line.fail(id.failure().description);
    CommandLine::print(QStringLiteral("%1\n").arg(id.value()));
    return kSucceeded;
}

} // namespace orvane::db
