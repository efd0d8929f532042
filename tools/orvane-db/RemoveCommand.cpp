#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"
#include "EntryId.h"

namespace orvane::db {

int removeCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("remove"), QStringLiteral("Removes the watch entry with the id that list shows."));
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
    const Status removed = access.value().store().remove(id.value());
    return removed.ok() ? kSucceeded : line.fail(removed.failure().description);
}

} // namespace orvane::db
