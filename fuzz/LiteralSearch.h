#pragma once

// The two searches as plainly as their rules read: the scan text is cut down at
// every step, every tag search upper-cases a copy of it, every position passes
// through 16 bits. Slow on purpose: the fuzzers and the benchmark compare with it.

#include "base/ErrorCatalogue.h"
#include "engine/StringSearch.h"
#include "engine/TableSearch.h"

#include <QList>
#include <QRegularExpression>

#include <functional>

namespace orvane::literal {

inline const auto int16 = [](double n) { return Value(n).toInt16(); };

inline Result<qint16> findTag(const QString& scan, const char* tag)
{
    QString upper = scan;
    for (QChar& unit : upper)
        unit = unit.toUpper();
    return int16(static_cast<double>(upper.indexOf(QLatin1String(tag)) + 1));
}

#define LITERAL_TRY(name, expression)                                                                                  \
    auto name = (expression);                                                                                          \
    if (!name.ok())                                                                                                    \
        return name.failure();

inline Result<TableSearch::Verdict> tableSearch(const QString& NewContent, const RowReader& row,
                                                QList<QString>& CellPieces, const std::function<Status()>& MailNoTable)
{
    LITERAL_TRY(R, row.int32(QStringLiteral("Repeat count")));
    if (R.value() < 0)
        return ErrorCatalogue::failure(ErrorCode::InvalidArgument);
    CellPieces = QList<QString>(R.value());
    QString scan = NewContent;
    LITERAL_TRY(tables, row.int16(QStringLiteral("Table number")));
    for (qint32 i = 1; i <= tables.value(); ++i) {
        LITERAL_TRY(Position, findTag(scan, "<TABLE"));
        if (Position.value() == 0) {
            if (Status mailed = MailNoTable(); !mailed.ok())
                return mailed.failure();
            return TableSearch::Verdict::Empty;
        }
        scan = scan.mid(Position.value());
    }
    LITERAL_TRY(rows, row.int16(QStringLiteral("Row number")));
    for (qint32 i = 1; i <= rows.value(); ++i) {
        LITERAL_TRY(Position, findTag(scan, "<TR"));
        scan = scan.mid(Position.value());
    }
    LITERAL_TRY(last, int16(R.value() - 1.0));
    for (qint32 j = 0; j <= last.value(); ++j) {
        LITERAL_TRY(columns, row.int16(QStringLiteral("Column number")));
        for (qint32 c = 1; c <= columns.value(); ++c) {
            LITERAL_TRY(Position, findTag(scan, "<TD"));
            scan = scan.mid(Position.value());
        }
        qint16 s = 1; // any failure of the offset leaves it so
        if (auto offset = row.value(QStringLiteral("String offset")); offset.ok() && !offset.value().isNull())
            if (auto amount = offset.value().toReal(); amount.ok() && amount.value() != 0)
                s = int16(s + amount.value()).ok() ? int16(s + amount.value()).value() : s;
        LITERAL_TRY(length, row.int32(QStringLiteral("String length")));
        if (s < 1 || length.value() < 0)
            return ErrorCatalogue::failure(ErrorCode::InvalidArgument);
        CellPieces[j] = scan.mid(s - 1, length.value()).remove(QRegularExpression(QStringLiteral("^ +| +\\z")));
        LITERAL_TRY(Position, findTag(scan, "</TR"));
        if (Position.value() != 0)
            scan = scan.mid(Position.value() + 3);
    }
    auto result = TableSearch::Verdict::True;
    for (qint32 j = 0; j <= last.value(); ++j) {
        LITERAL_TRY(wanted, row.value(QStringLiteral("String search")));
        if (!wanted.value().isNull() && wanted.value().textOrEmpty() != CellPieces[j])
            result = TableSearch::Verdict::False;
    }
    return result;
}

#undef LITERAL_TRY

inline StringSearch::Outcome stringSearch(const QString& OldContent, const QString& NewContent, const RowReader& row,
                                          qint16& MatchPos)
{
    StringSearch::Outcome out;
    const auto failed = [&out](const Failure& f) { out.lastFailure = f.number; };
    // InStr: nothing is found in the empty text, the empty text at 1 of any other.
    if (auto wanted = row.text(QStringLiteral("String search")); !wanted.ok())
        failed(wanted.failure());
    else if (auto at = int16(NewContent.isEmpty() ? 0.0 : NewContent.indexOf(wanted.value()) + 1.0); !at.ok())
        failed(at.failure());
    else
        MatchPos = at.value();

    auto offset = row.value(QStringLiteral("String offset"));
    auto amount = offset.ok() ? offset.value().toReal() : Result<double>(offset.failure());
    // Null counts as 0; a test that cannot be evaluated counts as passed.
    if (!offset.ok() || (!offset.value().isNull() && (!amount.ok() || amount.value() != 0))) {
        auto wanted = row.text(QStringLiteral("String search"));
        if (!amount.ok())
            failed(amount.failure());
        else if (!wanted.ok())
            failed(wanted.failure());
        else if (auto sum = int16(MatchPos + wanted.value().size() + amount.value()); !sum.ok())
            failed(sum.failure());
        else
            MatchPos = sum.value();
    }

    for (auto [text, piece] : {std::pair {&OldContent, &out.oldPiece}, std::pair {&NewContent, &out.newPiece}}) {
        if (auto length = row.int32(QStringLiteral("String length")); !length.ok())
            failed(length.failure());
        else if (MatchPos < 1 || length.value() < 0)
            failed(ErrorCatalogue::failure(ErrorCode::InvalidArgument));
        else
            *piece = text->mid(MatchPos - 1, length.value());
    }
    out.change = out.lastFailure != 0 || out.oldPiece != out.newPiece;
    return out;
}

} // namespace orvane::literal
