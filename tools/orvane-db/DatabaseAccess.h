#pragma once

#include "platform/Result.h"
#include "platform/SingleInstance.h"
#include "store/Database.h"

#include <QString>

#include <functional>
#include <memory>

namespace orvane::db {

// The watch database of one folder, opened for one command. A command that
// writes first takes the lock that Orvane holds while it runs from that
// folder, and is refused while Orvane runs, so that nothing changes the
// file under the watcher. Readers need no lock: the file's write-ahead log
// lets them read beside a writer.
class DatabaseAccess {
public:
    static Result<DatabaseAccess> forReading(const QString& dir);
    static Result<DatabaseAccess> forWriting(const QString& dir);
    // Only the lock, for a command that makes the file.
    static Result<std::shared_ptr<SingleInstance>> lockFolder(const QString& dir);

    static QString databasePath(const QString& dir);

    const Database& database() const { return db_; }
    // Runs work in one transaction: all of it is stored, or none.
    Status inTransaction(const std::function<Status()>& work) const;

private:
    DatabaseAccess(std::shared_ptr<SingleInstance> lock, Database db) : lock_(std::move(lock)), db_(std::move(db)) { }
    static Result<DatabaseAccess> open(const QString& dir, std::shared_ptr<SingleInstance> lock);

    std::shared_ptr<SingleInstance> lock_;
    Database db_;
};

} // namespace orvane::db
