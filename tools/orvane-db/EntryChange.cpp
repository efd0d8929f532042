#include "EntryChange.h"

#include "base/ErrorCatalogue.h"
#include "store/Statement.h"

namespace orvane::db {

Result<qint64> EntryChange::parseId(const QString& text)
{
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    if (!ok || id < 1)
        return ErrorCatalogue::failure(ErrorCode::InvalidArgument,
                                       QStringLiteral("the id \"%1\" is not a whole number from 1 on").arg(text));
    return id;
}

Status EntryChange::apply(const Database& db, const QString& sql, qint64 id, const std::vector<Value>& values)
{
    auto change = Statement::prepare(db.connection(), sql);
    if (!change.ok())
        return change.failure();
    if (Status s = change.value().bind(1, Value(id)); !s.ok())
        return s;
    for (size_t i = 0; i < values.size(); ++i) {
        if (Status s = change.value().bind(static_cast<int>(i) + 2, values[i]); !s.ok())
            return s;
    }
    if (Status s = change.value().run(); !s.ok())
        return s;
    auto changed = Statement::prepare(db.connection(), QStringLiteral("SELECT changes()"));
    if (!changed.ok())
        return changed.failure();
    if (auto row = changed.value().step(); !row.ok())
        return row.failure();
    if (changed.value().columnInt64(0) == 0)
        return ErrorCatalogue::failure(ErrorCode::DbNoCurrentRecord, QStringLiteral("no entry has the id %1").arg(id));
    return {};
}

} // namespace orvane::db
