#pragma once

// The two searches written as plainly as their rules read: the scan text is
// a copy cut down at every step, every tag search works on an upper-cased
// copy of the remaining text, and every position passes through a 16-bit
// variable. Slow on purpose; the tests and the benchmark hold the real
// searches against it.

#include "engine/StringSearch.h"
#include "engine/TableSearch.h"
#include "platform/ErrorCatalogue.h"
#include "store/RowReader.h"

#include <QList>
#include <QString>

#include <cmath>
#include <functional>

namespace orvane::literal {

inline Failure overflow()
{
    return ErrorCatalogue::failure(ErrorCode::Overflow);
}

// A whole number put into a 16-bit variable.
inline Result<qint16> toInteger(qint64 n)
{
    if (n < -32768 || n > 32767)
        return overflow();
    return static_cast<qint16>(n);
}

inline Result<qint16> readInteger(const RowReader& row, const char* column)
{
    auto v = row.value(QString::fromLatin1(column));
    if (!v.ok())
        return v.failure();
    return v.value().toInt16();
}

inline Result<qint32> readLong(const RowReader& row, const char* column)
{
    auto v = row.value(QString::fromLatin1(column));
    if (!v.ok())
        return v.failure();
    return v.value().toInt32();
}

// 1-based position of `wanted` in `text` from its first character, exact;
// 0 when absent, and 0 in an empty text; the empty text is found at 1.
inline qsizetype inStr(const QString& text, const QString& wanted)
{
    if (text.isEmpty())
        return 0;
    if (wanted.isEmpty())
        return 1;
    for (qsizetype i = 0; i + wanted.size() <= text.size(); ++i) {
        if (QStringView(text).mid(i, wanted.size()) == wanted)
            return i + 1;
    }
    return 0;
}

// Same length, each UTF-16 unit upper-cased on its own.
inline QString upperCopy(const QString& text)
{
    QString upper = text;
    for (qsizetype i = 0; i < upper.size(); ++i)
        upper[i] = upper[i].toUpper();
    return upper;
}

inline Result<qint16> findTag(const QString& scan, const char* tag)
{
    return toInteger(upperCopy(scan).indexOf(QLatin1String(tag)) + 1);
}

inline QString cutThrough(const QString& scan, qint64 p)
{
    return scan.right(scan.size() - p);
}

inline QString trimSpaces(QString text)
{
    while (text.startsWith(QLatin1Char(' ')))
        text = text.mid(1);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// Mid(text, start, length) for start >= 1 and length >= 0.
inline QString mid(const QString& text, qint64 start, qint64 length)
{
    if (start > text.size())
        return QString();
    if (start - 1 + length > text.size())
        return text.right(text.size() - (start - 1));
    return text.mid(start - 1, length);
}

inline Result<TableSearch::Verdict> tableSearch(const QString& NewContent, const RowReader& row,
                                                QList<QString>& CellPieces, const std::function<Status()>& mailNoTable)
{
    using Verdict = TableSearch::Verdict;

    auto R = readLong(row, "Repeat count");
    if (!R.ok())
        return R.failure();
    if (R.value() < 0)
        return ErrorCatalogue::failure(ErrorCode::InvalidArgument);
    CellPieces = QList<QString>(R.value());

    QString scan = NewContent;
    qint16 Position = 0;

    auto tables = readInteger(row, "Table number");
    if (!tables.ok())
        return tables.failure();
    for (qint32 i = 1; i <= tables.value(); ++i) {
        auto found = findTag(scan, "<TABLE");
        if (!found.ok())
            return found.failure();
        Position = found.value();
        if (Position == 0) {
            Status mailed = mailNoTable();
            if (!mailed.ok())
                return mailed.failure();
            return Verdict::Empty;
        }
        scan = cutThrough(scan, Position);
    }

    auto rows = readInteger(row, "Row number");
    if (!rows.ok())
        return rows.failure();
    for (qint32 i = 1; i <= rows.value(); ++i) {
        auto found = findTag(scan, "<TR");
        if (!found.ok())
            return found.failure();
        Position = found.value();
        if (Position != 0)
            scan = cutThrough(scan, Position);
    }

    auto last = toInteger(static_cast<qint64>(R.value()) - 1);
    if (!last.ok())
        return last.failure();
    for (qint32 j = 0; j <= last.value(); ++j) {
        auto columns = readInteger(row, "Column number");
        if (!columns.ok())
            return columns.failure();
        for (qint32 c = 1; c <= columns.value(); ++c) {
            auto found = findTag(scan, "<TD");
            if (!found.ok())
                return found.failure();
            Position = found.value();
            if (Position != 0)
                scan = cutThrough(scan, Position);
        }
        qint16 s = 1;

        auto offset = row.value(QStringLiteral("String offset"));
        if (offset.ok() && !offset.value().isNull()) {
            auto amount = offset.value().toReal();
            if (amount.ok() && amount.value() != 0) {
                const double sum = std::nearbyint(s + amount.value());
                if (sum >= -32768 && sum <= 32767)
                    s = static_cast<qint16>(sum);
            }
        }

        auto length = readLong(row, "String length");
        if (!length.ok())
            return length.failure();
        if (s < 1 || length.value() < 0)
            return ErrorCatalogue::failure(ErrorCode::InvalidArgument);
        CellPieces[j] = trimSpaces(mid(scan, s, length.value()));

        auto found = findTag(scan, "</TR");
        if (!found.ok())
            return found.failure();
        Position = found.value();
        if (Position != 0)
            scan = scan.right(scan.size() - (static_cast<qint64>(Position) + 3));
    }

    auto bound = toInteger(static_cast<qint64>(R.value()) - 1);
    if (!bound.ok())
        return bound.failure();
    Verdict result = Verdict::True;
    for (qint32 j = 0; j <= bound.value(); ++j) {
        auto wanted = row.value(QStringLiteral("String search"));
        if (!wanted.ok())
            return wanted.failure();
        if (wanted.value().isNull())
            continue;
        if (wanted.value().toText().value() != CellPieces[j])
            result = Verdict::False;
    }
    return result;
}

inline StringSearch::Outcome stringSearch(const QString& OldContent, const QString& NewContent, const RowReader& row,
                                          qint16& MatchPos)
{
    StringSearch::Outcome out;
    int err = 0;

    auto wanted = row.value(QStringLiteral("String search"));
    if (!wanted.ok()) {
        err = wanted.failure().number;
    } else if (wanted.value().isNull()) {
        err = static_cast<int>(ErrorCode::NullValue);
    } else {
        auto pos = toInteger(inStr(NewContent, wanted.value().toText().value()));
        if (pos.ok())
            MatchPos = pos.value();
        else
            err = pos.failure().number;
    }

    auto offset = row.value(QStringLiteral("String offset"));
    bool move = true; // a test that cannot be evaluated counts as passed
    if (offset.ok()) {
        if (offset.value().isNull()) {
            move = false;
        } else if (auto amount = offset.value().toReal(); amount.ok()) {
            move = amount.value() != 0;
        }
    }
    if (move) {
        auto again = row.value(QStringLiteral("String offset"));
        auto search = row.value(QStringLiteral("String search"));
        if (!again.ok()) {
            err = again.failure().number;
        } else if (auto amount = again.value().toReal(); !amount.ok()) {
            err = amount.failure().number;
        } else if (!search.ok()) {
            err = search.failure().number;
        } else if (search.value().isNull()) {
            err = static_cast<int>(ErrorCode::NullValue);
        } else {
            const double sum = std::nearbyint(MatchPos + search.value().toText().value().size() + amount.value());
            if (sum >= -32768 && sum <= 32767)
                MatchPos = static_cast<qint16>(sum);
            else
                err = overflow().number;
        }
    }

    out.oldPiece = QString();
    out.newPiece = QString();
    for (int piece = 0; piece < 2; ++piece) {
        const QString& text = piece == 0 ? OldContent : NewContent;
        QString& into = piece == 0 ? out.oldPiece : out.newPiece;
        auto length = row.value(QStringLiteral("String length"));
        if (!length.ok()) {
            err = length.failure().number;
            continue;
        }
        if (length.value().isNull()) {
            err = static_cast<int>(ErrorCode::NullValue);
            continue;
        }
        auto n = length.value().toInt32();
        if (!n.ok()) {
            err = n.failure().number;
            continue;
        }
        if (MatchPos < 1 || n.value() < 0) {
            err = static_cast<int>(ErrorCode::InvalidArgument);
            continue;
        }
        into = mid(text, MatchPos, n.value());
    }

    out.lastFailure = err;
    out.change = err != 0 || out.oldPiece != out.newPiece;
    return out;
}

} // namespace orvane::literal
