#include "store/TableColumns.h"

#include "base/ErrorCatalogue.h"
#include "store/SqlText.h"
#include "store/Statement.h"

namespace orvane {

Result<TableColumns> TableColumns::read(const Database& db, const QString& table)
{
    auto info = Statement::prepare(db.connection(),
                                   QStringLiteral("PRAGMA table_info(%1)").arg(SqlText::quotedIdentifier(table)));
    if (!info.ok())
        return info.failure();
    TableColumns result;
    result.table_ = table;
    // table_info: cid, name, type, notnull, dflt_value, pk
    for (;;) {
        auto row = info.value().step();
        if (!row.ok())
            return row.failure();
        if (!row.value())
            break;
        const QString name = info.value().column(1).textOrEmpty();
        const QString type = info.value().column(2).textOrEmpty();
        if (info.value().columnInt64(5) != 0 && type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
            continue; // the key: the row id under a name of its own
        result.columns_.push_back({FieldInfo::fromDeclaration(name, type), info.value().columnInt64(3) != 0});
    }
    if (result.columns_.empty())
        return ErrorCatalogue::failure(ErrorCode::DbRejected, QStringLiteral("no table \"%1\"").arg(table));
    return result;
}

QStringList TableColumns::names() const
{
    QStringList list;
    for (const Column& c : columns_)
        list << c.field.name;
    return list;
}

Result<FieldInfo> TableColumns::field(const QString& name) const
{
    for (const Column& c : columns_) {
        if (c.field.name == name)
            return c.field;
    }
    return ErrorCatalogue::failure(ErrorCode::DbFieldNotFound,
                                   QStringLiteral("table \"%1\" has no column \"%2\"").arg(table_, name));
}

} // namespace orvane
