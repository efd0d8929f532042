#include "engine/StringSearch.h"

#include "base/ErrorCatalogue.h"
#include "base/Result.h"
#include "store/Columns.h"

#include <limits>

namespace orvane {

namespace {

using Columns::kStringLength;
using Columns::kStringOffset;
using Columns::kStringSearch;

constexpr qsizetype kMaxPosition = std::numeric_limits<qint16>::max();

// 1-based position of the first exact occurrence, 0 when there is none.
qsizetype inStr(const QString& text, const QString& wanted)
{
    if (text.isEmpty())
        return 0;
    if (wanted.isEmpty())
        return 1;
    return text.indexOf(wanted) + 1;
}

} // namespace

StringSearch::Outcome StringSearch::run(const QString& oldContent, const QString& newContent, const RowReader& row,
                                        qint16& matchPos)
{
    Outcome out;
    auto fail = [&out](const Failure& failure) { out.lastFailure = failure.number; };

    // Where the search text stands in the new page.
    if (auto wanted = row.text(kStringSearch); !wanted.ok()) {
        fail(wanted.failure());
    } else if (out.found = inStr(newContent, wanted.value()); out.found > kMaxPosition) {
        fail(ErrorCatalogue::failure(ErrorCode::Overflow));
    } else {
        matchPos = static_cast<qint16>(out.found);
    }

    // A non-zero offset counts from the first character after the search text.
    if (auto offset = row.value(kStringOffset); !offset.ok()) {
        // The test cannot be read, so the move runs and fails on the same read.
        fail(offset.failure());
    } else if (!offset.value().isNull()) {
        auto amount = offset.value().toReal();
        if (!amount.ok()) {
            fail(amount.failure());
        } else if (amount.value() != 0) {
            auto wanted = row.text(kStringSearch);
            if (!wanted.ok()) {
                fail(wanted.failure());
            } else {
                const double sum = static_cast<double>(matchPos) + static_cast<double>(wanted.value().size())
                    + amount.value();
                auto moved = Value(sum).toInt16();
                if (moved.ok())
                    matchPos = moved.value();
                else
                    fail(moved.failure());
            }
        }
    }

    // Both pieces at the position found in the new page.
    auto cut = [&](const QString& text) -> QString {
        auto length = row.value(kStringLength);
        if (!length.ok()) {
            fail(length.failure());
            return {};
        }
        auto count = length.value().toInt32();
        if (!count.ok()) {
            fail(count.failure());
            return {};
        }
        if (matchPos < 1 || count.value() < 0) {
            fail(ErrorCatalogue::failure(ErrorCode::InvalidArgument));
            return {};
        }
        return text.mid(matchPos - 1, count.value());
    };
    out.oldPiece = cut(oldContent);
    out.newPiece = cut(newContent);

    out.change = out.lastFailure != 0 || out.oldPiece != out.newPiece;
    return out;
}

} // namespace orvane
