#include "CommandLine.h"
#include "Commands.h"
#include "DatabaseAccess.h"

#include "store/Schema.h"

#include <QDir>
#include <QFileInfo>

namespace orvane::db {

int initCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("init"),
                     QStringLiteral("Creates Sentrel.mdb with its tables and one settings row (wake-up 5, mail server "
                                    "localhost, port 25). An existing file is never touched."));
    line.addPositional(QStringLiteral("[DIR]"), QStringLiteral("The folder, as --dir gives it."));
    if (auto done = line.parse(arguments, 0, 1))
        return *done;
    if (!line.positionals().isEmpty() && line.dirGiven())
        return line.fail(QStringLiteral("give the folder once: as DIR or as --dir"));
    const QString dir = line.positionals().isEmpty() ? line.dir() : line.positionals().first();

    const auto lock = DatabaseAccess::lockFolder(dir);
    if (!lock.ok())
        return line.fail(lock.failure().description);
    const QString path = DatabaseAccess::databasePath(dir);
    if (QFileInfo::exists(path))
        return line.fail(
            QStringLiteral("\"%1\" already exists; it is left as it is").arg(QDir::toNativeSeparators(path)));
    if (const Status created = Schema::createFile(path); !created.ok())
        return line.fail(QStringLiteral("cannot create \"%1\": %2")
                             .arg(QDir::toNativeSeparators(path), created.failure().description));
    CommandLine::print(QStringLiteral("created %1\n").arg(QDir::toNativeSeparators(path)));
    return kSucceeded;
}

} // namespace orvane::db
