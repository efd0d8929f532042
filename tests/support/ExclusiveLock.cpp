#include "ExclusiveLock.h"

#include <sqlite3.h>

namespace orvane::test {

std::unique_ptr<ChildProcess> holdExclusively(const QString& path)
{
    const QByteArray file = path.toUtf8();
    return std::make_unique<ChildProcess>([file] {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            return false;
        return sqlite3_exec(db,
                            "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                            "UPDATE System SET \"Wake-up\" = \"Wake-up\";",
                            nullptr, nullptr, nullptr)
            == SQLITE_OK;
        // the connection stays open, holding the lock, until the child exits
    });
}

} // namespace orvane::test
