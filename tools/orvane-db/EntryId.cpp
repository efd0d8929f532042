#include "EntryId.h"

#include "base/ErrorCatalogue.h"

namespace orvane::db {

Result<qint64> EntryId::parse(const QString& text)
{
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    if (!ok || id < 1)
        return ErrorCatalogue::failure(ErrorCode::InvalidArgument,
                                       QStringLiteral("the id \"%1\" is not a whole number from 1 on").arg(text));
    return id;
}

} // namespace orvane::db
