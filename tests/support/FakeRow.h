#pragma once

#include "platform/ErrorCatalogue.h"
#include "store/RowReader.h"

#include <map>

namespace orvane::test {

// A watch entry held in memory: a column that was never set does not exist.
class FakeRow final : public RowReader {
public:
    FakeRow(std::map<QString, Value> columns = {}) : columns_(std::move(columns)) { }
    FakeRow& set(const QString& column, Value v)
    {
        columns_[column] = std::move(v);
        return *this;
    }
    Result<Value> value(const QString& column) const override
    {
        const auto it = columns_.find(column);
        return it == columns_.end() ? Result<Value>(ErrorCatalogue::failure(ErrorCode::DbFieldNotFound)) : it->second;
    }

private:
    std::map<QString, Value> columns_;
};

} // namespace orvane::test
