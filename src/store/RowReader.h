#pragma once

#include "base/Result.h"
#include "store/Value.h"

#include <QString>

namespace orvane {

// The current row of a recordset as the engine reads it: a column's value
// by name, read afresh at every call.
class RowReader {
public:
    virtual ~RowReader() = default;
    virtual Result<Value> value(const QString& column) const = 0;

    // The value converted as the readers need it; a failed read or a failed
    // conversion is the failure.
    Result<QString> text(const QString& column) const { return converted(column, &Value::toText); }
    Result<qint16> int16(const QString& column) const { return converted(column, &Value::toInt16); }
    Result<qint32> int32(const QString& column) const { return converted(column, &Value::toInt32); }

private:
    template <typename T> Result<T> converted(const QString& column, Result<T> (Value::*convert)() const) const
    {
        auto v = value(column);
        if (!v.ok())
            return v.failure();
        return (v.value().*convert)();
    }
};

} // namespace orvane
