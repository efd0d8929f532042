#pragma once

#include "base/ErrorCatalogue.h"
#include "store/RowReader.h"

#include <map>

namespace orvane::test {

// A watch entry held in memory: a column that was never set does not exist.
struct FakeRow final : RowReader {
    FakeRow(std::map<QString, Value> values = {}) : columns(std::move(values)) { }
    FakeRow& set(const QString& column, Value v) { return columns[column] = std::move(v), *this; }
    Result<Value> value(const QString& column) const override
    {
        const auto it = columns.find(column);
        return it == columns.end() ? Result<Value>(ErrorCatalogue::failure(ErrorCode::DbFieldNotFound)) : it->second;
    }
    std::map<QString, Value> columns;
};

} // namespace orvane::test
