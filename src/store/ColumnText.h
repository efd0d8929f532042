#pragma once

#include "base/Result.h"
#include "store/FieldInfo.h"
#include "store/Value.h"

#include <QString>

namespace orvane {

// How a bound text box shows a column value and turns its text back into a
// value of the column's type.
class ColumnText {
public:
    // The text a box shows; a Null shows as the empty text.
    static QString show(const Value& value);

    // The value a box's text stores into the column. An empty (or blank)
    // text is Null for every column that is not text; a text that does not
    // convert, or does not fit, fails with a message naming the column.
    static Result<Value> parse(const QString& text, const FieldInfo& field);

    // The form in which date-and-time columns are stored.
    static constexpr const char* kDateTimeFormat = "yyyy-MM-dd hh:mm:ss";
};

} // namespace orvane
