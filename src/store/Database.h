#pragma once

#include "base/Result.h"
#include "store/Recordset.h"

#include <QString>

#include <memory>

namespace orvane {

class Connection;

struct OpenOptions {
    // How long an open or a statement waits for another connection's lock.
    int busyTimeoutMs = 2000;
    // Makes a missing file (a cache the program owns, never the database).
    bool create = false;
    // Every change on the disk before it returns; off, a power cut may undo
    // the last changes (never damage the file), for data that can be lost.
    bool durable = true;
};

// A shared, read/write connection to a database file that already exists.
// Opening never creates a file unless asked to.
class Database {
public:
    static constexpr const char* kFileName = "Sentrel.mdb";

    Database() = default;
    static Result<Database> open(const QString& path, const OpenOptions& options = {});

    bool isOpen() const { return connection_ != nullptr; }
    // Lets go of the connection; recordsets still open keep it alive.
    void close() { connection_.reset(); }

    // An updatable set over a table's rows (see Recordset::openTable).
    Result<Recordset> openTable(const QString& table, const QString& filter = {}, const QString& readAlong = {},
                                const QStringList& columns = {}) const;
    // A read-only snapshot of what the query gives.
    Result<Recordset> runQuery(const QString& sql) const;
    Status execute(const QString& sql) const;

    const std::shared_ptr<Connection>& connection() const { return connection_; }

private:
    explicit Database(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) { }
    std::shared_ptr<Connection> connection_;
};

} // namespace orvane
