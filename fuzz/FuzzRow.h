#pragma once

#include "base/ErrorCatalogue.h"
#include "store/RowReader.h"
#include "store/Value.h"

#include <QString>

#include <utility>
#include <vector>

namespace orvane::fuzz {

// A watch entry held in memory, as the searches read it: a column never set
// does not exist. Unlike the tests' row it keeps no read counts and needs no
// hashing, because a search reads its columns afresh tens of thousands of
// times for one input.
class FuzzRow final : public RowReader {
public:
    void set(const QString& column, Value v) { columns_.emplace_back(column, std::move(v)); }

    Result<Value> value(const QString& column) const override
    {
        for (const auto& [name, v] : columns_)
            if (name == column)
                return v;
        return ErrorCatalogue::failure(ErrorCode::DbFieldNotFound);
    }

private:
    std::vector<std::pair<QString, Value>> columns_;
};

} // namespace orvane::fuzz
