#include "BareStoreLoop.h"

#include <sqlite3.h>

namespace orvane::bench {

BareStoreLoop::BareStoreLoop(const std::string& path)
{
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return;
    sqlite3_exec(db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db_, "UPDATE URLs SET Content = ?1 WHERE rowid = ?2", -1, &update_, nullptr);
}

BareStoreLoop::~BareStoreLoop()
{
    sqlite3_finalize(update_);
    sqlite3_close_v2(db_);
}

bool BareStoreLoop::store(long long rowid, const std::string& content)
{
    if (!update_)
        return false;
    sqlite3_bind_text64(update_, 1, content.data(), content.size(), SQLITE_STATIC, SQLITE_UTF8);
    sqlite3_bind_int64(update_, 2, rowid);
    const bool stored = sqlite3_step(update_) == SQLITE_DONE;
    sqlite3_reset(update_);
    return stored;
}

} // namespace orvane::bench
