#pragma once

#include "FakeRow.h"
#include "engine/CellPieceList.h"
#include "engine/TableSearch.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace orvane::test {

inline FakeRow tableEntry(Value table, Value row, Value column, Value repeat, Value offset, Value length, Value search)
{
    FakeRow entry;
    entry.set(QStringLiteral("Table number"), std::move(table))
        .set(QStringLiteral("Row number"), std::move(row))
        .set(QStringLiteral("Column number"), std::move(column))
        .set(QStringLiteral("Repeat count"), std::move(repeat))
        .set(QStringLiteral("String offset"), std::move(offset))
        .set(QStringLiteral("String length"), std::move(length))
        .set(QStringLiteral("String search"), std::move(search));
    return entry;
}

inline FakeRow stringEntry(Value search, Value offset, Value length)
{
    FakeRow entry;
    entry.set(QStringLiteral("String search"), std::move(search))
        .set(QStringLiteral("String offset"), std::move(offset))
        .set(QStringLiteral("String length"), std::move(length));
    return entry;
}

inline QStringList slotsOf(const CellPieceList& pieces)
{
    QStringList out;
    for (qint32 j = 0; j < pieces.size(); ++j)
        out << pieces.at(j);
    return out;
}

inline int errorOf(const Result<TableSearch::Verdict>& r)
{
    return r.ok() ? 0 : r.failure().number;
}

inline int code(ErrorCode c)
{
    return static_cast<int>(c);
}

} // namespace orvane::test

namespace orvane {
inline void PrintTo(TableSearch::Verdict v, std::ostream* os)
{
    *os << (v == TableSearch::Verdict::True ? "True" : v == TableSearch::Verdict::False ? "False" : "Empty");
}
} // namespace orvane
