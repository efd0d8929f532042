// The string search over a fuzzed stored page, a fuzzed new page and fuzzed
// column values, held against the literal version.
//
// Record fields: search, offset, length (the entry's columns; an absent
// field is a missing column), matchpos (MatchPos as the tick left it), pad
// (that many 'x' put before the new page, to reach positions past 16 bits).
// The body is the stored page, a line "---", and the new page, as UTF-8.

#include "FuzzCheck.h"
#include "FuzzRecord.h"
#include "FuzzRow.h"
#include "LiteralSearch.h"

#include "engine/StringSearch.h"

#include <string>

using namespace orvane;
using namespace orvane::fuzz;

namespace {

// The literal search tries every start in the new page, comparing the whole
// search text at each.
bool literalAffordable(const RowReader& row, const QString& newPage)
{
    auto v = row.value(QStringLiteral("String search"));
    const qsizetype wanted = v.ok() ? v.value().textOrEmpty().size() : 0;
    return (wanted + 1) * (newPage.size() + 1) <= 20'000'000;
}

std::string text(const QString& s)
{
    return "'" + s.toStdString() + "'";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzRecord in(data, size);
    FuzzRow row;
    if (auto v = in.value("search"))
        row.set(QStringLiteral("String search"), *v);
    if (auto v = in.value("offset"))
        row.set(QStringLiteral("String offset"), *v);
    if (auto v = in.value("length"))
        row.set(QStringLiteral("String length"), *v);
    const auto pages = in.bodyParts(2);
    const QString oldPage = QString::fromUtf8(pages[0]);
    const QString newPage = QString(in.number("pad", 0, 0, 40'000), QLatin1Char('x')) + QString::fromUtf8(pages[1]);
    const auto start = static_cast<qint16>(in.number("matchpos", 0, -32768, 32767));

    qint16 matchPos = start;
    const auto real = StringSearch::run(oldPage, newPage, row, matchPos);
    check(real.change == (real.lastFailure != 0 || real.oldPiece != real.newPiece),
          "a change reported that is none, or the other way round");
    check(real.newPiece.size() <= newPage.size() && real.oldPiece.size() <= oldPage.size(),
          "a piece longer than its page");

    if (!literalAffordable(row, newPage))
        return 0;
    qint16 literalMatchPos = start;
    const auto literal = literal::stringSearch(oldPage, newPage, row, literalMatchPos);
    check(real.change == literal.change, "the change verdicts differ");
    if (real.lastFailure != literal.lastFailure)
        fail("the failures differ",
             std::to_string(real.lastFailure) + " against " + std::to_string(literal.lastFailure));
    if (real.oldPiece != literal.oldPiece)
        fail("the stored pieces differ", text(real.oldPiece) + " against " + text(literal.oldPiece));
    if (real.newPiece != literal.newPiece)
        fail("the new pieces differ", text(real.newPiece) + " against " + text(literal.newPiece));
    if (matchPos != literalMatchPos)
        fail("MatchPos differs", std::to_string(matchPos) + " against " + std::to_string(literalMatchPos));
    return 0;
}
