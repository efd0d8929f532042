#include "CommandLine.h"
#include "Commands.h"
#include "MaintenanceHold.h"

#include "host/SingleInstance.h"

#include <QDir>
#include <QFileInfo>

namespace orvane::db {

int resumeCommand(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("resume"),
                     QStringLiteral("Does what opening and closing a maintenance window does, with no change: the "
                                    "timer of the running Orvane stops and runs again, and a halt after a page "
                                    "fault is lifted; the next wake-up comes after the wake-up ticks."));
    line.allowWait();
    if (auto done = line.parse(arguments, 0, 0))
        return *done;
    const QString dir = line.dir();
    if (!QFileInfo(dir).isDir())
        return line.fail(QStringLiteral("no folder \"%1\"").arg(dir));
    if (!SingleInstance(dir).anotherCopyRunning())
        return line.fail(QStringLiteral("Orvane is not running from %1").arg(QDir::toNativeSeparators(dir)));
    auto hold = MaintenanceHold::enter(dir, line.wait());
    if (!hold.ok())
        return line.fail(hold.failure().description);
    if (const Status ended = hold.value()->end(); !ended.ok())
        return line.fail(ended.failure().description);
    CommandLine::print(QStringLiteral("Orvane is watching again\n"));
    return kSucceeded;
}

} // namespace orvane::db
