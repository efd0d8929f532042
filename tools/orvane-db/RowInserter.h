#pragma once

#include "base/Result.h"
#include "store/Database.h"
#include "store/Statement.h"
#include "store/Value.h"

#include <QString>
#include <QStringList>

#include <map>

namespace orvane::db {

// Adds rows to a table with one prepared INSERT over a fixed set of columns;
// a column a row gives no value for stores Null.
class RowInserter {
public:
    static Result<RowInserter> prepare(const Database& db, const QString& table, const QStringList& columns);

    // Stores one row; gives the new row's id.
    Result<qint64> insert(const std::map<QString, Value>& values);

private:
    RowInserter(QStringList columns, Statement insert, Statement lastId)
        : columns_(std::move(columns)), insert_(std::move(insert)), lastId_(std::move(lastId))
    {
    }

    QStringList columns_;
    Statement insert_;
    Statement lastId_;
};

} // namespace orvane::db
