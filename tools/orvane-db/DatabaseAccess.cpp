#include "DatabaseAccess.h"

#include "base/ErrorCatalogue.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

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
        return cannotLock(dir, *lock);
    return lock;
}

Failure DatabaseAccess::cannotLock(const QString& dir, const SingleInstance& lock)
{
    return ErrorCatalogue::failure(ErrorCode::DbLocked,
                                   QStringLiteral("cannot take the lock \"%1\": %2")
                                       .arg(QDir::toNativeSeparators(SingleInstance::lockPath(dir)), lock.error()));
}

Result<DatabaseAccess> DatabaseAccess::forReading(const QString& dir)
{
    return open(dir, nullptr, nullptr);
}

Result<DatabaseAccess> DatabaseAccess::forWriting(const QString& dir, MaintenanceWait wait)
{
    const QDeadlineTimer holderGone(wait.forHolder);
    bool told = false;
    for (;;) {
        if (!QFileInfo(dir).isDir())
            return ErrorCatalogue::failure(ErrorCode::DbNotFound, QStringLiteral("no folder \"%1\"").arg(dir));
        auto lock = std::make_shared<SingleInstance>(dir);
        if (lock->held())
            return open(dir, std::move(lock), nullptr);
        if (!lock->anotherCopyRunning())
            return cannotLock(dir, *lock);
        lock.reset();
        // Orvane running from the folder is asked to stand still.
        auto hold = MaintenanceHold::enter(dir, wait);
        if (hold.ok())
            return open(dir, nullptr, std::move(hold).value());
        if (!hold.failure().is(ErrorCode::ControlNoListener))
            return hold.failure();
        // The lock is held and nothing answers: another orvane-db writing
        // while Orvane does not run (or an Orvane that could not listen).
        if (holderGone.hasExpired())
            return ErrorCatalogue::failure(
                ErrorCode::DbLocked,
                QStringLiteral("the database is being changed: another orvane-db, or an Orvane that does not "
                               "answer (%1), holds %2; nothing was changed%3")
                    .arg(hold.failure().description, QDir::toNativeSeparators(SingleInstance::lockPath(dir)),
                         wait.forHolder.count() == 0 ? QStringLiteral(" (--wait SECONDS waits for it)") : QString()));
        if (!told) {
            std::fprintf(stderr, "waiting for another orvane-db to finish changing the database\n");
            told = true;
        }
        QThread::msleep(static_cast<unsigned long>(MaintenanceHold::kRetryInterval.count()));
    }
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
    return DatabaseAccess(std::move(lock), std::move(hold), WatchStore(std::move(db).value()));
}

} // namespace orvane::db
