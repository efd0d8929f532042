#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace orvane::db {

// Reads CSV (RFC 4180) strictly, in UTF-8: a field without quotes that is
// empty is Null (nullopt), "" is the empty text. A stray quote, an
// unterminated quoted field or bytes that are not UTF-8 fail, naming the row.
class CsvReader {
public:
    using Field = std::optional<QString>;
    using Row = std::vector<Field>;

    // All rows of the text, the header row first.
    static Result<std::vector<Row>> parse(const QByteArray& bytes);
    // A bad value in a row, named by its index: the header row is 0 and the
    // first entry row 1.
    static Failure rowFailure(qsizetype index, const QString& why);
};

} // namespace orvane::db
