#pragma once

#include "platform/ErrorCatalogue.h"
#include "store/RowReader.h"
#include "store/Value.h"

#include <QHash>
#include <QString>

namespace orvane::test {

// A watch entry held in memory: a column that was never set does not exist.
// Counts the reads of each column.
class FakeRow final : public RowReader {
public:
    FakeRow& set(const QString& column, Value v)
    {
        columns_.insert(column, std::move(v));
        return *this;
    }

    Result<Value> value(const QString& column) const override
    {
        ++reads[column];
        const auto it = columns_.constFind(column);
        if (it == columns_.constEnd())
            return ErrorCatalogue::failure(ErrorCode::DbFieldNotFound);
        return *it;
    }

    mutable QHash<QString, int> reads;

private:
    QHash<QString, Value> columns_;
};

} // namespace orvane::test
