#include "SearchTestSupport.h"

#include "engine/TableSearch.h"
#include "platform/ErrorCatalogue.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;
using Verdict = TableSearch::Verdict;

namespace {

struct Searched {
    Result<Verdict> result;
    CellPieceList pieces;
    int alerts = 0;
};

Searched search(const QString& page, const FakeRow& entry, Status alertAnswer = {})
{
    CellPieceList pieces;
    int alerts = 0;
    auto result = TableSearch::run(page, entry, pieces, [&] {
        ++alerts;
        return alertAnswer;
    });
    return {result, pieces, alerts};
}

Verdict verdictOf(const Searched& s)
{
    EXPECT_TRUE(s.result.ok()) << "failed with " << s.result.failure().number;
    return s.result.ok() ? s.result.value() : Verdict::Empty;
}

// The page of the worked example: the third cell of the first table's second
// row is a plain cell tag followed by the word Alpha.
const QString kWorked = QStringLiteral("<html><body>\n"
                                       "<table>\n"
                                       "<tr><td>x</td><td>y</td><td>z</td></tr>\n"
                                       "<tr><td>a</td><td>b</td><td>Alpha</td></tr>\n"
                                       "</table>\n"
                                       "</body></html>");

FakeRow workedEntry(Value offset, Value length, Value wanted)
{
    return tableEntry(Value(1), Value(2), Value(3), Value(1), std::move(offset), std::move(length), std::move(wanted));
}

const QString kFourRows = QStringLiteral("<table>"
                                         "<tr><td>r1</td><td>ON</td></tr>"
                                         "<tr><td>r2</td><td>ON</td></tr>"
                                         "<tr><td>r3</td><td>ON</td></tr>"
                                         "<tr><td>r4</td><td>NO</td></tr>"
                                         "</table>");

} // namespace

TEST(TableSearch, WorkedExampleCutsAlphaAndComparesIt)
{
    auto hit = search(kWorked, workedEntry(Value(3), Value(5), Value("Alpha")));
    EXPECT_EQ(verdictOf(hit), Verdict::True);
    EXPECT_EQ(slotsOf(hit.pieces), QStringList{QStringLiteral("Alpha")});
    EXPECT_EQ(hit.alerts, 0);

    auto miss = search(kWorked, workedEntry(Value(3), Value(5), Value("Beta")));
    EXPECT_EQ(verdictOf(miss), Verdict::False);
    EXPECT_EQ(slotsOf(miss.pieces), QStringList{QStringLiteral("Alpha")});

    // Letter case counts in the comparison, and the search text is not trimmed.
    EXPECT_EQ(verdictOf(search(kWorked, workedEntry(Value(3), Value(5), Value("ALPHA")))), Verdict::False);
    EXPECT_EQ(verdictOf(search(kWorked, workedEntry(Value(3), Value(5), Value(" Alpha")))), Verdict::False);
}

TEST(TableSearch, MissingTableSendsOneAlertAndGivesEmpty)
{
    const QString page = QStringLiteral("<html><body><tr><td>no table here</td></tr></body></html>");
    auto s = search(page, tableEntry(Value(1), Value(1), Value(1), Value(1), Value(3), Value(5), Value("x")));
    EXPECT_EQ(verdictOf(s), Verdict::Empty);
    EXPECT_EQ(s.alerts, 1);
    EXPECT_EQ(slotsOf(s.pieces), QStringList{QString()});

    // Asking for the third table of a page with two.
    const QString two = QStringLiteral("<table></table><TABLE></TABLE>");
    auto third = search(two, tableEntry(Value(3), Value(1), Value(1), Value(2), Value(0), Value(1), Value("x")));
    EXPECT_EQ(verdictOf(third), Verdict::Empty);
    EXPECT_EQ(third.alerts, 1);
    EXPECT_EQ(third.pieces.size(), 2);

    // The repeat count is only sized before the alert; its loop bound never
    // comes into play.
    auto wide = search(page, tableEntry(Value(1), Value(1), Value(1), Value(40000), Value(3), Value(5), Value("x")));
    EXPECT_EQ(verdictOf(wide), Verdict::Empty);
    EXPECT_EQ(wide.alerts, 1);
    EXPECT_EQ(wide.pieces.size(), 40000);
    EXPECT_EQ(wide.pieces.at(39999), QString());

    // A failing alert is passed on.
    const Failure mailDown = ErrorCatalogue::failure(ErrorCode::MailBadAddress);
    auto failed =
        search(page, tableEntry(Value(1), Value(1), Value(1), Value(1), Value(3), Value(5), Value("x")), mailDown);
    EXPECT_EQ(failed.alerts, 1);
    EXPECT_EQ(errorOf(failed.result), code(ErrorCode::MailBadAddress));
}

TEST(TableSearch, TableNumberZeroOrLessCountsRowsFromThePageStart)
{
    const QString page = QStringLiteral("<tr><td>Hello</td></tr>");
    for (int table : {0, -1}) {
        auto s =
            search(page, tableEntry(Value(table), Value(1), Value(1), Value(1), Value(3), Value(5), Value("Hello")));
        EXPECT_EQ(verdictOf(s), Verdict::True) << table;
        EXPECT_EQ(s.alerts, 0);
        EXPECT_EQ(slotsOf(s.pieces), QStringList{QStringLiteral("Hello")});
    }
}

TEST(TableSearch, TagsInAnyCaseWhilePiecesKeepThePageCase)
{
    const QString page = QStringLiteral("<TaBlE border=1><tR><Td>MiXed</tD></Tr></table>");
    auto s = search(page, tableEntry(Value(1), Value(1), Value(1), Value(1), Value(3), Value(5), Value("MiXed")));
    EXPECT_EQ(verdictOf(s), Verdict::True);
    EXPECT_EQ(slotsOf(s.pieces), QStringList{QStringLiteral("MiXed")});

    auto upper = search(page, tableEntry(Value(1), Value(1), Value(1), Value(1), Value(3), Value(5), Value("MIXED")));
    EXPECT_EQ(verdictOf(upper), Verdict::False);

    // Offset 0 starts at the tag's name, in the page's case.
    auto atTag = search(page, tableEntry(Value(1), Value(1), Value(1), Value(1), Value(0), Value(4), Value::null()));
    EXPECT_EQ(slotsOf(atTag.pieces), QStringList{QStringLiteral("Td>M")});
}

TEST(TableSearch, TrimsBlanksButNotTabsOrLineBreaks)
{
    const QString blanks = QStringLiteral("<table><tr><td>  Alpha  </td></tr></table>");
    auto s = search(blanks, tableEntry(Value(1), Value(1), Value(1), Value(1), Value(3), Value(9), Value("Alpha")));
    EXPECT_EQ(verdictOf(s), Verdict::True);
    EXPECT_EQ(slotsOf(s.pieces), QStringList{QStringLiteral("Alpha")});

    const QString tabs = QStringLiteral("<table><tr><td>\tAlpha \n</td></tr></table>");
    auto t = search(tabs, tableEntry(Value(1), Value(1), Value(1), Value(1), Value(3), Value(8), Value("Alpha")));
    EXPECT_EQ(verdictOf(t), Verdict::False);
    EXPECT_EQ(slotsOf(t.pieces), QStringList{QStringLiteral("\tAlpha \n")});
}

TEST(TableSearch, RepeatCountExaminesTheSameColumnOfFollowingRows)
{
    auto first = search(kFourRows, tableEntry(Value(1), Value(1), Value(2), Value(3), Value(3), Value(2), Value("ON")));
    EXPECT_EQ(verdictOf(first), Verdict::True);
    EXPECT_EQ(slotsOf(first.pieces), (QStringList{"ON", "ON", "ON"}));

    FakeRow fromSecond = tableEntry(Value(1), Value(2), Value(2), Value(3), Value(3), Value(2), Value("ON"));
    auto second = search(kFourRows, fromSecond);
    EXPECT_EQ(verdictOf(second), Verdict::False);
    EXPECT_EQ(slotsOf(second.pieces), (QStringList{"ON", "ON", "NO"}));
    // Read afresh for every row examined.
    EXPECT_EQ(fromSecond.reads.value(QStringLiteral("Column number")), 3);
    EXPECT_EQ(fromSecond.reads.value(QStringLiteral("String search")), 3);

    // No row at all: true, and the per-row columns are never read, so even
    // Null ones do not fail.
    FakeRow none = tableEntry(Value(1), Value(1), Value::null(), Value(0), Value(3), Value::null(), Value("ON"));
    auto zero = search(kFourRows, none);
    EXPECT_EQ(verdictOf(zero), Verdict::True);
    EXPECT_EQ(zero.pieces.size(), 0);
    EXPECT_EQ(none.reads.value(QStringLiteral("Column number")), 0);
}

TEST(TableSearch, NullSearchTextIsAlwaysTrue)
{
    auto s = search(kWorked, workedEntry(Value(3), Value(5), Value::null()));
    EXPECT_EQ(verdictOf(s), Verdict::True);
    EXPECT_EQ(slotsOf(s.pieces), QStringList{QStringLiteral("Alpha")});
}

TEST(TableSearch, RowsRunOnIntoTheNextTable)
{
    const QString page = QStringLiteral("<table><tr><td>one</td></tr></table><table><tr><td>two</td></tr></table>");
    auto s = search(page, tableEntry(Value(1), Value(2), Value(1), Value(1), Value(3), Value(3), Value("two")));
    EXPECT_EQ(verdictOf(s), Verdict::True);
    EXPECT_EQ(slotsOf(s.pieces), QStringList{QStringLiteral("two")});
}

TEST(TableSearch, RowWithoutEndTag)
{
    // No "</TR" anywhere after: the next round counts cells of the same row.
    const QString open = QStringLiteral("<table><tr><td>a</td><td>b</td></table>");
    auto same = search(open, tableEntry(Value(1), Value(1), Value(1), Value(2), Value(3), Value(1), Value("a")));
    EXPECT_EQ(verdictOf(same), Verdict::False);
    EXPECT_EQ(slotsOf(same.pieces), (QStringList{"a", "b"}));

    // A later row's end is taken instead, so the row between is skipped.
    const QString later = QStringLiteral("<table><tr><td>a</td><tr><td>b</td></tr><tr><td>c</td></tr></table>");
    auto skipped = search(later, tableEntry(Value(1), Value(1), Value(1), Value(2), Value(3), Value(1), Value("a")));
    EXPECT_EQ(slotsOf(skipped.pieces), (QStringList{"a", "c"}));
}

TEST(TableSearch, EveryOccurrenceOfATagTextCounts)
{
    // A row tag in a comment is row 1; the header cell is no column.
    const QString comment = QStringLiteral(
        "<table><!-- <tr> old --><tr><th>Head</th><td>a</td></tr><tr><td>b</td></tr></table>");
    auto c = search(comment, tableEntry(Value(1), Value(2), Value(1), Value(1), Value(3), Value(1), Value("a")));
    EXPECT_EQ(verdictOf(c), Verdict::True);

    // A longer tag name that begins with TR counts as a row.
    const QString track = QStringLiteral("<table><track src=x><tr><td>a</td></tr><tr><td>b</td></tr></table>");
    auto t = search(track, tableEntry(Value(1), Value(2), Value(1), Value(1), Value(3), Value(1), Value("a")));
    EXPECT_EQ(slotsOf(t.pieces), QStringList{QStringLiteral("a")});

    // A nested table is the next table.
    const QString nested = QStringLiteral("<table><tr><td><table><tr><td>inner</td></tr></table></td></tr></table>");
    auto n = search(nested, tableEntry(Value(2), Value(1), Value(1), Value(1), Value(3), Value(5), Value("inner")));
    EXPECT_EQ(verdictOf(n), Verdict::True);
}

TEST(TableSearch, TagPositionsAreLimitedTo32767FromTheScanPoint)
{
    const QString table = QStringLiteral("<table><tr><td>Alpha</td></tr></table>");
    FakeRow entry = tableEntry(Value(1), Value(1), Value(1), Value(1), Value(3), Value(5), Value("Alpha"));

    auto at = search(QString(32766, QLatin1Char('x')) + table, entry);
    EXPECT_EQ(verdictOf(at), Verdict::True);

    auto beyond = search(QString(32767, QLatin1Char('x')) + table, entry);
    EXPECT_EQ(errorOf(beyond.result), code(ErrorCode::Overflow));
    EXPECT_EQ(beyond.alerts, 0);

    // A page without the tag is no overflow, however long it is.
    auto absent = search(QString(40000, QLatin1Char('x')), entry);
    EXPECT_EQ(verdictOf(absent), Verdict::Empty);
    EXPECT_EQ(absent.alerts, 1);

    // The limit counts from the scan point: after the cut through "<table"
    // the scan text starts with "table>", so the row tag sits at 7 + filler.
    const QString row = QStringLiteral("<tr><td>Alpha</td></tr>");
    auto rowAt = search(QStringLiteral("<table>") + QString(32760, QLatin1Char('x')) + row, entry);
    EXPECT_EQ(verdictOf(rowAt), Verdict::True);
    auto rowBeyond = search(QStringLiteral("<table>") + QString(32761, QLatin1Char('x')) + row, entry);
    EXPECT_EQ(errorOf(rowBeyond.result), code(ErrorCode::Overflow));

    // A failure in a later row keeps the pieces cut before it.
    const QString far = QStringLiteral("<table><tr><td>a</td></tr>") + QString(40000, QLatin1Char('x'))
                        + QStringLiteral("<tr><td>b</td></tr></table>");
    auto partly = search(far, tableEntry(Value(1), Value(1), Value(1), Value(2), Value(3), Value(1), Value("a")));
    EXPECT_EQ(errorOf(partly.result), code(ErrorCode::Overflow));
    EXPECT_EQ(slotsOf(partly.pieces), (QStringList{"a", ""}));
}

TEST(TableSearch, OffsetMovesTheStartInsideTheCell)
{
    struct Case {
        Value offset;
        QString piece;
    };
    // The scan text at the cell reads "td>Alpha</td>...".
    const Case cases[] = {
        {Value(0), QStringLiteral("td>Al")},
        {Value(3), QStringLiteral("Alpha")},
        {Value::null(), QStringLiteral("td>Al")},
        {Value(1.5), QStringLiteral("d>Alp")},  // 2.5 rounds to 2
        {Value(2.5), QStringLiteral("Alpha")},  // 3.5 rounds to 4
        {Value(32767), QStringLiteral("td>Al")}, // 32768 does not fit: the start stays 1
        {Value(-40000), QStringLiteral("td>Al")},
        {Value(100), QString()},                 // beyond the end
    };
    for (const Case& c : cases) {
        auto s = search(kWorked, workedEntry(c.offset, Value(5), Value::null()));
        EXPECT_EQ(verdictOf(s), Verdict::True);
        EXPECT_EQ(slotsOf(s.pieces), QStringList{c.piece}) << c.offset.textOrEmpty().toStdString();
    }

    // An empty piece equals the empty search text.
    EXPECT_EQ(verdictOf(search(kWorked, workedEntry(Value(100), Value(5), Value("")))), Verdict::True);

    // A start below 1 fails.
    for (int offset : {-1, -32768})
        EXPECT_EQ(errorOf(search(kWorked, workedEntry(Value(offset), Value(5), Value("Alpha"))).result),
                  code(ErrorCode::InvalidArgument))
            << offset;
}

TEST(TableSearch, LengthCutsAtTheEndOfThePage)
{
    auto zero = search(kWorked, workedEntry(Value(3), Value(0), Value("")));
    EXPECT_EQ(verdictOf(zero), Verdict::True);
    EXPECT_EQ(slotsOf(zero.pieces), QStringList{QString()});

    auto rest = search(kWorked, workedEntry(Value(3), Value(1000000), Value::null()));
    EXPECT_EQ(slotsOf(rest.pieces), QStringList{QStringLiteral("Alpha</td></tr>\n</table>\n</body></html>")});
}

TEST(TableSearch, ColumnNumberBelowOneTakesThePieceWhereTheScanStands)
{
    const QString page = QStringLiteral("<table><tr><td>a</td></tr><tr><td>b</td></tr></table>");
    for (int column : {0, -5}) {
        auto s =
            search(page, tableEntry(Value(1), Value(1), Value(column), Value(2), Value(0), Value(4), Value::null()));
        EXPECT_EQ(verdictOf(s), Verdict::True);
        // First after the row tag's "<", then just after the row end's "</tr".
        EXPECT_EQ(slotsOf(s.pieces), (QStringList{"tr><", "><tr"})) << column;
    }
}

TEST(TableSearch, BadColumnValuesArePassedOn)
{
    struct Case {
        const char* what;
        FakeRow entry;
        int error;
    };
    const QString noTable = QStringLiteral("<p>nothing</p>");
    const Case onWorked[] = {
        {"null table", tableEntry(Value::null(), Value(2), Value(3), Value(1), Value(3), Value(5), Value("Alpha")),
         code(ErrorCode::NullValue)},
        {"null row", tableEntry(Value(1), Value::null(), Value(3), Value(1), Value(3), Value(5), Value("Alpha")),
         code(ErrorCode::NullValue)},
        {"null column", tableEntry(Value(1), Value(2), Value::null(), Value(1), Value(3), Value(5), Value("Alpha")),
         code(ErrorCode::NullValue)},
        {"null length", tableEntry(Value(1), Value(2), Value(3), Value(1), Value(3), Value::null(), Value("Alpha")),
         code(ErrorCode::NullValue)},
        {"negative length", tableEntry(Value(1), Value(2), Value(3), Value(1), Value(3), Value(-1), Value("Alpha")),
         code(ErrorCode::InvalidArgument)},
        {"length beyond 32 bits",
         tableEntry(Value(1), Value(2), Value(3), Value(1), Value(3), Value(qint64(1) << 31), Value("Alpha")),
         code(ErrorCode::Overflow)},
        {"table beyond 16 bits",
         tableEntry(Value(40000), Value(2), Value(3), Value(1), Value(3), Value(5), Value("Alpha")),
         code(ErrorCode::Overflow)},
        {"row not a number", tableEntry(Value(1), Value("two"), Value(3), Value(1), Value(3), Value(5), Value("Alpha")),
         code(ErrorCode::TypeMismatch)},
        {"repeat - 1 beyond 16 bits",
         tableEntry(Value(1), Value(2), Value(3), Value(32769), Value(3), Value(5), Value("Alpha")),
         code(ErrorCode::Overflow)},
        {"negative repeat", tableEntry(Value(1), Value(2), Value(3), Value(-1), Value(3), Value(5), Value("Alpha")),
         code(ErrorCode::InvalidArgument)},
    };
    for (const Case& c : onWorked) {
        auto s = search(kWorked, c.entry);
        EXPECT_EQ(errorOf(s.result), c.error) << c.what;
        EXPECT_EQ(s.alerts, 0) << c.what;
    }

    // The repeat count is read first: a bad one fails before the missing
    // table could be alerted.
    for (const Value& repeat : {Value::null(), Value(-1)}) {
        auto s = search(noTable, tableEntry(Value(1), Value(1), Value(1), repeat, Value(3), Value(5), Value("x")));
        EXPECT_FALSE(s.result.ok());
        EXPECT_EQ(s.alerts, 0);
    }
    // The row number is read only after the table step.
    auto rowLater =
        search(noTable, tableEntry(Value(1), Value::null(), Value(1), Value(1), Value(3), Value(5), Value("x")));
    EXPECT_EQ(verdictOf(rowLater), Verdict::Empty);
    EXPECT_EQ(rowLater.alerts, 1);
}

TEST(TableSearch, PiecesAreRecreatedAtEveryCall)
{
    CellPieceList pieces;
    auto quiet = [] { return Status(); };
    const FakeRow three = tableEntry(Value(1), Value(1), Value(2), Value(3), Value(3), Value(2), Value("ON"));
    ASSERT_TRUE(TableSearch::run(kFourRows, three, pieces, quiet).ok());
    EXPECT_EQ(slotsOf(pieces), (QStringList{"ON", "ON", "ON"}));

    const FakeRow two = tableEntry(Value(1), Value(1), Value(2), Value(2), Value(3), Value(2), Value("ON"));
    ASSERT_TRUE(TableSearch::run(QStringLiteral("no table"), two, pieces, quiet).ok());
    EXPECT_EQ(slotsOf(pieces), (QStringList{"", ""}));
}
