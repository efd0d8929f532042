#include "CsvWriter.h"

#include "base/ErrorCatalogue.h"

#include <csv.h>

namespace orvane::db {

void CsvWriter::add(const Value& value)
{
    if (!firstField_)
        row_ += ',';
    firstField_ = false;
    if (value.isNull())
        return;
    if (!value.isText()) {
        row_ += value.textOrEmpty().toUtf8();
        return;
    }
    const QByteArray text = value.textPtr()->toUtf8();
    const size_t size = static_cast<size_t>(text.size());
    const qsizetype start = row_.size();
    // csv_write tells how much room the quoted field takes when given none.
    const size_t needed = csv_write(nullptr, 0, text.constData(), size);
    row_.resize(start + static_cast<qsizetype>(needed));
    csv_write(row_.data() + start, needed, text.constData(), size);
}

Status CsvWriter::endRow()
{
    row_ += "\r\n";
    const bool written = out_.write(row_) == row_.size();
    row_.clear();
    firstField_ = true;
    if (!written)
        return ErrorCatalogue::failure(ErrorCode::FileWrite, out_.errorString());
    return {};
}

} // namespace orvane::db
