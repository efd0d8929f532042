#pragma once

#include "base/Result.h"
#include "store/Database.h"
#include "store/FieldInfo.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace orvane {

// The columns of a table as the file declares them, in table order and
// without the internal key (the row id): what export writes, import reads
// and the other commands look up by name.
class TableColumns {
public:
    struct Column {
        FieldInfo field;
        bool notNull = false;
    };

    static Result<TableColumns> read(const Database& db, const QString& table);

    const QString& table() const { return table_; }
    const std::vector<Column>& columns() const { return columns_; }
    QStringList names() const;
    Result<FieldInfo> field(const QString& name) const;

private:
    QString table_;
    std::vector<Column> columns_;
};

} // namespace orvane
