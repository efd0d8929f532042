#include "store/SqliteFailure.h"

#include "base/ErrorCatalogue.h"

#include <sqlite3.h>

namespace orvane {

Failure sqliteFailure(int resultCode)
{
    switch (resultCode & 0xff) {
    case SQLITE_NOTADB: return ErrorCatalogue::failure(ErrorCode::DbNotADatabase);
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ErrorCatalogue::failure(ErrorCode::DbLocked);
    case SQLITE_CANTOPEN: return ErrorCatalogue::failure(ErrorCode::DbCannotOpen);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return ErrorCatalogue::failure(ErrorCode::DbReadOnly);
    case SQLITE_FULL: return ErrorCatalogue::failure(ErrorCode::DbFull);
    case SQLITE_CORRUPT: return ErrorCatalogue::failure(ErrorCode::DbCorrupt);
    case SQLITE_IOERR: return ErrorCatalogue::failure(ErrorCode::DbIo);
    case SQLITE_ERROR:
    case SQLITE_RANGE: return ErrorCatalogue::failure(ErrorCode::DbRejected);
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG: return ErrorCatalogue::failure(ErrorCode::DbConstraint);
    default: return ErrorCatalogue::failure(ErrorCode::DbEngine);
    }
}

} // namespace orvane
