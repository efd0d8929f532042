#pragma once

#include "MaintenanceHold.h"

#include "base/Result.h"
#include "host/SingleInstance.h"
#include "store/WatchStore.h"

#include <QString>

#include <memory>

namespace orvane::db {

// The watch database of one folder, opened for one command. A command that
// writes first takes the lock that Orvane holds while it runs from that
// folder; while Orvane runs, it holds Orvane in the maintenance state
// instead, so that nothing changes the file under a wake-up cycle. Readers
// need no lock: the file's write-ahead log lets them read beside a writer.
class DatabaseAccess {
public:
    static Result<DatabaseAccess> forReading(const QString& dir);
    // wait: how long to wait for a running cycle to end, and for another
    // orvane-db writing to finish.
    static Result<DatabaseAccess> forWriting(const QString& dir, MaintenanceWait wait);
    // Only the lock, for a command that makes the file.
    static Result<std::shared_ptr<SingleInstance>> lockFolder(const QString& dir);

    static QString databasePath(const QString& dir);

    const WatchStore& store() const { return store_; }

private:
    DatabaseAccess(std::shared_ptr<SingleInstance> lock, std::shared_ptr<MaintenanceHold> hold, WatchStore store)
        : lock_(std::move(lock)), hold_(std::move(hold)), store_(std::move(store))
    {
    }
    static Failure cannotLock(const QString& dir, const SingleInstance& lock);
    static Result<DatabaseAccess> open(const QString& dir, std::shared_ptr<SingleInstance> lock,
                                       std::shared_ptr<MaintenanceHold> hold);

    // Let go after the database is closed.
    std::shared_ptr<SingleInstance> lock_;
    std::shared_ptr<MaintenanceHold> hold_;
    WatchStore store_;
};

} // namespace orvane::db
