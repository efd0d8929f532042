#pragma once

#include "platform/Result.h"
#include "store/Value.h"

#include <QString>

namespace orvane {

// The current row of a recordset as the engine reads it: a column's value
// by name, read afresh at every call.
class RowReader {
public:
    virtual ~RowReader() = default;
    virtual Result<Value> value(const QString& column) const = 0;
};

} // namespace orvane
