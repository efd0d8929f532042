#pragma once

#include <sqlite3.h>

namespace orvane {

// Owns one open SQLite connection; closed when the last holder lets go.
class Connection {
public:
    explicit Connection(sqlite3* db) : db_(db) { }
    ~Connection() { sqlite3_close_v2(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_;
};

} // namespace orvane
