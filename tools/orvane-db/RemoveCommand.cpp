#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"
#include "EntryChange.h"

#include "store/Columns.h"
#include "store/SqlText.h"
#include "store/Transaction.h"

namespace orvane::db {

int removeCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("remove"), QStringLiteral("Removes the watch entry with the id that list shows."));
    line.addPositional(QStringLiteral("ID"), QStringLiteral("The entry's id."));
    line.allowWait();
    if (auto done = line.parse(arguments, 1, 1))
        return *done;
    const auto id = EntryChange::parseId(line.positionals().first());
    if (!id.ok())
        return line.fail(id.failure().description);
    const auto access = DatabaseAccess::forWriting(line.dir(), line.wait());
    if (!access.ok())
        return line.fail(access.failure().description);
    auto transaction = Transaction::begin(access.value().database());
    if (!transaction.ok())
        return line.fail(transaction.failure().description);
    Status removed = EntryChange::apply(
        access.value().database(),
        QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(SqlText::quotedIdentifier(Columns::kUrlsTable)),
        id.value());
    if (removed.ok())
        removed = transaction.value().commit();
    return removed.ok() ? kSucceeded : line.fail(removed.failure().description);
}

} // namespace orvane::db
