#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"
#include "EntryId.h"

#include "store/Columns.h"

#include <QDateTime>

namespace orvane::db {

namespace {

// Ticks or clears "Active" and saves, as the URL window does: the save
// sets "Added" too.
int setActive(const QString& command, const QStringList& arguments, qint64 active)
{
    CommandLine line(command,
                     active == Columns::kYes
                         ? QStringLiteral("Makes the watch entry with the id that list shows active.")
                         : QStringLiteral("Makes the watch entry with the id that list shows inactive: "
                                          "Orvane no longer fetches its page."));
    line.addPositional(QStringLiteral("ID"), QStringLiteral("The entry's id."));
    line.allowWait();
    if (auto done = line.parse(arguments, 1, 1))
        return *done;
    const auto id = EntryId::parse(line.positionals().first());
    if (!id.ok())
        return line.fail(id.failure().description);
    const auto access = DatabaseAccess::forWriting(line.dir(), line.wait());
    if (!access.ok())
        return line.fail(access.failure().description);
    const Status changed = access.value().store().setActive(id.value(), active == Columns::kYes,
                                                            QDateTime::currentDateTime());
    return changed.ok() ? kSucceeded : line.fail(changed.failure().description);
}

} // namespace

int enableCommand(const QStringList& arguments)
{
    return setActive(QStringLiteral("enable"), arguments, Columns::kYes);
}

int disableCommand(const QStringList& arguments)
{
    return setActive(QStringLiteral("disable"), arguments, Columns::kNo);
}

} // namespace orvane::db
