#pragma once

#include "base/Result.h"
#include "store/Value.h"

#include <QByteArray>
#include <QIODevice>

namespace orvane::db {

// Writes rows as CSV (RFC 4180) in UTF-8: a text is always quoted, so that
// "" is the empty text; a Null is an empty field without quotes; a number is
// its decimal text. Rows end with CR LF.
class CsvWriter {
public:
    explicit CsvWriter(QIODevice& out) : out_(out) { }

    void add(const Value& value);
    // Writes the row gathered so far.
    Status endRow();

private:
    QIODevice& out_;
    QByteArray row_;
    bool firstField_ = true;
};

} // namespace orvane::db
