#include "engine/TableSearch.h"

#include "base/ErrorCatalogue.h"
#include "store/Columns.h"

#include <algorithm>
#include <limits>

namespace orvane {

namespace {

using Columns::kColumnNumber;
using Columns::kRepeatCount;
using Columns::kRowNumber;
using Columns::kStringLength;
using Columns::kStringOffset;
using Columns::kStringSearch;
using Columns::kTableNumber;

constexpr qsizetype kMaxPosition = std::numeric_limits<qint16>::max();

// Only the blank is trimmed, not tabs or line breaks.
QStringView trimSpaces(QStringView text)
{
    while (!text.isEmpty() && text.front() == u' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

} // namespace

TableSearch::TableSearch(QStringView page, const RowReader& row)
    : page_(page), row_(row), table_(page, "<TABLE"), rowTag_(page, "<TR"), cell_(page, "<TD"), rowEnd_(page, "</TR")
{
}

Result<TableSearch::Verdict> TableSearch::run(QStringView newContent, const RowReader& row, CellPieceList& cellPieces,
                                              const std::function<Status()>& sendNoTableAlert)
{
    TableSearch search(newContent, row);
    return search.search(cellPieces, sendNoTableAlert);
}

Result<qint16> TableSearch::find(TagFinder& tag) const
{
    const qsizetype at = tag.next(start_);
    if (at < 0)
        return qint16(0);
    const qsizetype position = at - start_ + 1;
    if (position > kMaxPosition)
        return ErrorCatalogue::failure(ErrorCode::Overflow);
    return static_cast<qint16>(position);
}

Status TableSearch::cutThroughEach(TagFinder& tag, qint16 count)
{
    for (qint32 i = 1; i <= count; ++i) {
        auto position = find(tag);
        if (!position.ok())
            return position.failure();
        // The scan text stays as it is, so every later round would miss too.
        if (position.value() == 0)
            break;
        start_ += position.value();
    }
    return {};
}

qint16 TableSearch::offsetStart(qint16 s) const
{
    // Any failure here leaves the start where it is.
    auto offset = row_.value(kStringOffset);
    if (!offset.ok() || offset.value().isNull())
        return s; // a Null offset never differs from 0
    auto amount = offset.value().toReal();
    if (!amount.ok() || amount.value() == 0)
        return s;
    auto sum = Value(static_cast<double>(s) + amount.value()).toInt16();
    return sum.ok() ? sum.value() : s;
}

QString TableSearch::piece(qint16 s, qint32 length)
{
    const qsizetype from = start_ + s - 1;
    const qsizetype count = from < page_.size() ? std::min<qsizetype>(length, page_.size() - from) : 0;
    if (from != lastPieceFrom_ || count != lastPieceLength_) {
        lastPiece_ = trimSpaces(page_.sliced(std::min(from, page_.size()), count)).toString();
        lastPieceFrom_ = from;
        lastPieceLength_ = count;
    }
    return lastPiece_;
}

Result<TableSearch::Verdict> TableSearch::search(CellPieceList& cellPieces,
                                                 const std::function<Status()>& sendNoTableAlert)
{
    auto repeat = row_.int32(kRepeatCount);
    if (!repeat.ok())
        return repeat.failure();
    if (repeat.value() < 0)
        return ErrorCatalogue::failure(ErrorCode::InvalidArgument);
    cellPieces.recreate(repeat.value());

    start_ = 0;

    auto tables = row_.int16(kTableNumber);
    if (!tables.ok())
        return tables.failure();
    for (qint32 i = 1; i <= tables.value(); ++i) {
        auto position = find(table_);
        if (!position.ok())
            return position.failure();
        if (position.value() == 0) {
            if (Status sent = sendNoTableAlert(); !sent.ok())
                return sent.failure();
            return Verdict::Empty;
        }
        start_ += position.value();
    }

    auto rows = row_.int16(kRowNumber);
    if (!rows.ok())
        return rows.failure();
    if (Status cut = cutThroughEach(rowTag_, rows.value()); !cut.ok())
        return cut.failure();

    // The loop bound: "Repeat count" - 1 as a 16-bit number.
    auto last = Value(static_cast<qint64>(repeat.value()) - 1).toInt16();
    if (!last.ok())
        return last.failure();

    for (qint32 j = 0; j <= last.value(); ++j) {
        auto columns = row_.int16(kColumnNumber);
        if (!columns.ok())
            return columns.failure();
        // Below 1 the column step is left out; the piece then counts from the
        // scan text as it stands.
        if (Status cut = cutThroughEach(cell_, columns.value()); !cut.ok())
            return cut.failure();

        const qint16 s = offsetStart(1);

        auto length = row_.int32(kStringLength);
        if (!length.ok())
            return length.failure();
        if (s < 1 || length.value() < 0)
            return ErrorCatalogue::failure(ErrorCode::InvalidArgument);
        cellPieces.set(j, piece(s, length.value()));

        auto rowEnd = find(rowEnd_);
        if (!rowEnd.ok())
            return rowEnd.failure();
        // Past the four characters "</TR".
        if (rowEnd.value() != 0)
            start_ += rowEnd.value() + 3;
    }

    Verdict verdict = Verdict::True;
    for (qint32 j = 0; j <= last.value(); ++j) {
        auto wanted = row_.value(kStringSearch);
        if (!wanted.ok())
            return wanted.failure();
        if (wanted.value().isNull())
            continue; // Null never differs
        auto text = wanted.value().toText();
        if (!text.ok())
            return text.failure();
        if (text.value() != cellPieces.at(j))
            verdict = Verdict::False;
    }
    return verdict;
}

} // namespace orvane
