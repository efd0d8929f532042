// The searches' worked examples, worked out by hand from their rules.

#include "FakeRow.h"
#include "QtPrinters.h"

#include "engine/StringSearch.h"
#include "engine/TableSearch.h"
#include "engine/TagFinder.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

constexpr int kNull = -99999; // stands for Null

const auto number = [](double n) { return n == kNull ? Value() : n == int(n) ? Value(int(n)) : Value(n); };
const auto text = [](const char* t) { return t ? Value(t) : Value(); };

// The third cell of the first table's second row is a plain cell tag and the
// word Alpha: the scan text there reads "td>Alpha</td></tr></table>".
const QString kAlpha = QStringLiteral("<table><tr><td>x</td><td>y</td><td>z</td></tr>"
                                      "<tr><td>a</td><td>b</td><td>Alpha</td></tr></table>");
const QString kRows = QStringLiteral("<table><tr><td>1</td><td>ON</td></tr><tr><td>2</td><td>ON</td></tr>"
                                     "<tr><td>3</td><td>ON</td></tr><tr><td>4</td><td>NO</td></tr></table>");
const QString kCell = QStringLiteral("<table><tr><td>Alpha</td></tr></table>");
const QString kNoTable = QStringLiteral("<p>no table</p>");
const QString kFiller(32766, u'x');
const char* const kVerdicts[] = {"False", "True", "Empty"};
const char* const kNumberColumns[] = {"Table number", "Row number",    "Column number",
                                      "Repeat count", "String offset", "String length"};

} // namespace

TEST(TagFinder, MatchesAUnitExactlyWhenUpperCasingItGivesTheTagCharacter)
{
    for (const char* c = "<TABLE/RD"; *c; ++c) // every character of "<TABLE", "<TR", "<TD" and "</TR"
        for (char32_t u = 0; u <= 0xFFFF; ++u) {
            const QChar unit(static_cast<char16_t>(u));
            ASSERT_EQ(TagFinder::unitMatches(unit, *c), unit.toUpper() == QLatin1Char(*c))
                << "U+" << std::hex << static_cast<unsigned>(u) << " against " << *c;
        }
}

TEST(TableSearch, WorkedExamples)
{
    const struct {
        QString page;
        double numbers[6]; // table, row, column, repeat count, offset, length
        const char* search;
        const char* verdict; // or "fails": the search ends with a failure
        QStringList pieces;
    } cases[] = {
        {kAlpha, {1, 2, 3, 1, 3, 5}, "Alpha", "True", {"Alpha"}},
        {kAlpha, {1, 2, 3, 1, 3, 5}, nullptr, "True", {"Alpha"}},          // a Null one never differs
        {kAlpha, {1, 2, 3, 1, 0, 5}, "", "False", {"td>Al"}},              // the piece starts in the tag
        {kAlpha, {1, 2, 3, 1, 1.5, 5}, "", "False", {"d>Alp"}},            // 2.5 rounds to 2
        {kAlpha, {1, 2, 3, 1, 32767, 5}, "", "False", {"td>Al"}},          // 32768 does not fit: s stays 1
        {kAlpha, {1, 2, 3, 32769, 3, 5}, "", "fails", QStringList(32769)}, // 32768 rows do not fit
        {kNoTable, {1, 1, 1, 1, 3, 5}, "x", "Empty", {""}},
        {kNoTable, {1, 1, 1, kNull, 3, 5}, "x", "fails", {}}, // the repeat count is read first
        {"<table><tr><td>  \tA  </td></tr></table>", {1, 1, 1, 1, 3, 6}, "\tA", "True", {"\tA"}}, // blanks go, \t stays
        {kRows, {1, 2, 2, 3, 3, 2}, "ON", "False", {"ON", "ON", "NO"}},
        {"<table><tr><td>a</td><td>b</td></table>", {1, 1, 1, 2, 3, 1}, "a", "False", {"a", "b"}}, // no "</TR"
        {kFiller + kCell, {1, 1, 1, 1, 3, 5}, "Alpha", "True", {"Alpha"}},                         // "<TABLE" at 32767
        {u'x' + kFiller + kCell, {1, 1, 1, 1, 3, 5}, "Alpha", "fails", {""}},
    };
    for (const auto& c : cases) {
        test::FakeRow entry({{"String search", text(c.search)}});
        for (int i = 0; i < 6; ++i)
            entry.set(QLatin1String(kNumberColumns[i]), number(c.numbers[i]));
        CellPieceList pieces;
        int alerts = 0;
        const auto result = TableSearch::run(c.page, entry, pieces, [&alerts] { return ++alerts, Status(); });
        QStringList cut;
        for (qint32 j = 0; j < pieces.size(); ++j)
            cut << pieces.at(j);
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases) + 1);
        EXPECT_STREQ(result.ok() ? kVerdicts[int(result.value())] : "fails", c.verdict);
        EXPECT_EQ(cut, c.pieces);
        EXPECT_EQ(alerts, QLatin1String(c.verdict) == QLatin1String("Empty")); // the no-table alert
    }
}

TEST(StringSearch, WorkedExamples)
{
    // A six-character search text at the start of two nine-character pages
    // that differ in their last character; the same far into a page.
    const QString old = QStringLiteral("Search-10"), now = QStringLiteral("Search-12"), far = kFiller + old;
    const struct {
        QString oldPage, newPage;
        const char* search;
        int offset, length;
        qint16 matchPosBefore, matchPos;
        bool change;
        QString oldPiece, newPiece;
    } cases[] = {
        {old, now, "Search", 0, 5, 0, 1, false, "Searc", "Searc"},
        {old, now, "Search", 1, 5, 0, 8, true, "10", "12"}, // 1 + 6 + 1
        {old, now, "Search", -2, 1000, 0, 5, true, "ch-10", "ch-12"},
        {"", now, "Search", 0, 5, 0, 1, true, "", "Searc"},           // the first visit
        {old, now, "search", 2, 2, 5, 8, true, "10", "12"},           // not found: 0 + 6 + 2
        {old, now, "Search", 32767, 5, 0, 1, true, "Searc", "Searc"}, // the move does not fit
        {old, now, nullptr, 0, 2, 8, 8, true, "10", "12"},            // a Null text fails, MatchPos stays
        {old, now, "", 0, 3, 7, 1, false, "Sea", "Sea"},
        {far, far, "Search", 0, 6, 0, 32767, false, "Search", "Search"},
        {far, u'x' + far, "Search", 0, 6, 3, 3, true, "xxxxxx", "xxxxxx"}, // found past 16 bits
    };
    for (const auto& c : cases) {
        const test::FakeRow entry({{"String search", text(c.search)},
                                   {"String offset", number(c.offset)},
                                   {"String length", number(c.length)}});
        qint16 matchPos = c.matchPosBefore;
        const auto out = StringSearch::run(c.oldPage, c.newPage, entry, matchPos);
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases) + 1);
        EXPECT_EQ(std::tuple(matchPos, out.change, out.oldPiece, out.newPiece),
                  std::tuple(c.matchPos, c.change, c.oldPiece, c.newPiece));
    }
}
