#pragma once

#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace orvane::bench {

// What storing a changed page costs by itself: one prepared UPDATE of a
// row's "Content" on its own connection, durable when it returns (WAL,
// synchronous FULL), as the watcher's store is.
class BareStoreLoop {
public:
    explicit BareStoreLoop(const std::string& path);
    ~BareStoreLoop();
    BareStoreLoop(const BareStoreLoop&) = delete;
    BareStoreLoop& operator=(const BareStoreLoop&) = delete;

    // False when the row could not be stored.
    bool store(long long rowid, const std::string& content);

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* update_ = nullptr;
};

} // namespace orvane::bench
