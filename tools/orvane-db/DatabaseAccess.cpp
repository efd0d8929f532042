#include "DatabaseAccess.h"

#include "base/ErrorCatalogue.h"

#include <QDir>
#include <QFileInfo>

namespace orvane::db {

QString DatabaseAccess::databasePath(const QString& dir)
{
    return QDir(dir).filePath(QString::fromLatin1(Database::kFileName));
}

Result<std::shared_ptr<SingleInstance>> DatabaseAccess::lockFolder(const QString& dir)
{
    if (!QFileInfo(dir).isDir())
        return ErrorCatalogue::failure(ErrorCode::DbNotFound, QStringLiteral("no folder \"%1\"").arg(dir));
    auto lock = std::make_shared<SingleInstance>(dir);
    if (lock->anotherCopyRunning())
        return ErrorCatalogue::failure(
            ErrorCode::DbLocked,
            QStringLiteral("Orvane is running from \"%1\"; stop it before changing its database")
                .arg(QDir::toNativeSeparators(dir)));
    if (!lock->held())
        return ErrorCatalogue::failure(
            ErrorCode::DbLocked,
            QStringLiteral("cannot take the lock \"%1\": %2")
                .arg(QDir::toNativeSeparators(SingleInstance::lockPath(dir)), lock->error()));
    return lock;
}

Result<DatabaseAccess> DatabaseAccess::forReading(const QString& dir)
{
    return open(dir, nullptr, nullptr);
}

Result<DatabaseAccess> DatabaseAccess::forWriting(const QString& dir, std::chrono::seconds wait)
{
    // Orvane running from the folder is asked to stand still; else the lock
    // is taken (let go here and taken anew below, with its own messages).
    if (QFileInfo(dir).isDir() && SingleInstance(dir).anotherCopyRunning()) {
        auto hold = MaintenanceHold::enter(dir, wait);
        if (!hold.ok())
            return hold.failure();
        return open(dir, nullptr, std::move(hold).value());
    }
    auto lock = lockFolder(dir);
    if (!lock.ok())
        return lock.failure();
    return open(dir, std::move(lock).value(), nullptr);
}

Result<DatabaseAccess> DatabaseAccess::open(const QString& dir, std::shared_ptr<SingleInstance> lock,
                                            std::shared_ptr<MaintenanceHold> hold)
{
    const QString path = databasePath(dir);
    auto db = Database::open(path);
    if (!db.ok())
        return Failure {
            db.failure().number,
            QStringLiteral("cannot open \"%1\": %2").arg(QDir::toNativeSeparators(path), db.failure().description)};
    return DatabaseAccess(std::move(lock), std::move(hold), std::move(db).value());
}

} // namespace orvane::db
