// Both searches against the literal ones on generated input, as the fuzzers on theirs.

#include "FakeRow.h"
#include "LiteralSearch.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <random>

using namespace orvane;

namespace {

// Tags in every case and cut short, letters that upper-case to tag letters
// or look like them, texts that pieces equal, and filler past 16 bits.
const QStringList kParts =
    QStringLiteral("<table>|<TABLE border=1>|<TaBlE>|</table>|<tr>|<TR class=a>|</tr>|</TR >|</Tr>|<td>|<TD>|</td>|"
                   "<th>|<!-- <tr><td> -->|<track>|<tdx>|<t|<|</|<tablE|<tr|<td|</tr|\n| |\t|Alpha|ON| ON |\tON|"
                   "Stra\u00dfe|\U0001F600|<\u0131|<\u017ftd|<\uff34\uff24|<\u0442d|\u212a|needle")
        .split(u'|');
// Column values, awkward ones included; counts that fit 16 bits stay small,
// as the literal search upper-cases the whole page at every tag it counts.
const Value kCounts[] = {Value(),  Value("two"), Value(-1), Value(0),   Value(1),     Value(1),
                         Value(2), Value(3),     Value(5),  Value(2.5), Value(32769), Value(-40000)};
const Value kOffsets[] = {Value(),  Value(-7),  Value(-1),  Value(0),    Value(0),     Value(1),     Value(3),
                          Value(8), Value(1.5), Value(2.5), Value(-0.5), Value(32767), Value(-40000)};
const Value kLengths[] = {
    Value(), Value(-1), Value(0), Value(1), Value(3), Value(5), Value(12), Value(1000000), Value(qint64(1) << 31)};
const Value kSearches[] = {Value(), Value(""), Value("Alpha"), Value(" ON "), Value("needle")};

std::mt19937 random(20240611);
const auto uniform = [](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
const auto pick = [](const auto& items) { return items[uniform(0, int(std::size(items)) - 1)]; };

const auto outcome = [](const Result<TableSearch::Verdict>& r) { return r.ok() ? int(r.value()) : -1; };

} // namespace

TEST(SearchDifferential, BothSearchesAgreeWithTheLiteralOnes)
{
    std::map<std::string, int> outcomes;
    qint16 matchPos = 0, literalMatchPos = 0;
    const auto page = [] {
        QString out;
        for (int i = uniform(0, 100); i > 0; --i)
            out += uniform(0, 300) ? kParts[uniform(0, int(kParts.size()) - 1)] : QString(uniform(1000, 33000), u'x');
        return out;
    };
    for (int round = 0; round < 12000; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        const QString oldPage = page();
        QString newPage = uniform(0, 1) ? oldPage : page();
        if (!newPage.isEmpty() && uniform(0, 2) == 0)
            newPage[uniform(0, int(newPage.size()) - 1)] = u'#';
        const Value search = newPage.isEmpty() || uniform(0, 2) == 0
            ? pick(kSearches)
            : Value(newPage.mid(uniform(0, int(newPage.size()) - 1), uniform(1, 8)));
        test::FakeRow row({{"Table number", uniform(0, 2) ? Value(uniform(0, 3)) : pick(kCounts)},
                           {"Row number", pick(kCounts)},
                           {"Column number", pick(kCounts)},
                           {"Repeat count", pick(kCounts)},
                           {"String offset", pick(kOffsets)},
                           {"String length", pick(kLengths)},
                           {"String search", search}});
        if (uniform(0, 7) == 0) // now and then a column is missing and its read fails
            row.columns.erase(std::next(row.columns.begin(), uniform(0, 6)));

        const Status alert = uniform(0, 9) ? Status() : Status(ErrorCatalogue::failure(ErrorCode::MailBadAddress));
        CellPieceList pieces;
        QList<QString> literalPieces;
        int alerts = 0;
        const auto real = TableSearch::run(newPage, row, pieces, [&] { return ++alerts, alert; });
        const auto literal = literal::tableSearch(newPage, row, literalPieces, [&] { return --alerts, alert; });
        ASSERT_EQ(outcome(real), outcome(literal));
        ASSERT_TRUE(real.ok() || real.failure().number == literal.failure().number);
        ASSERT_EQ(alerts, 0);
        ASSERT_EQ(pieces.size(), literalPieces.size());
        for (qint32 j = 0; j < pieces.size(); ++j)
            ASSERT_EQ(pieces.at(j), literalPieces[j]) << "slot " << j;
        ++outcomes["verdict " + std::to_string(outcome(real))];

        if (uniform(0, 4) == 0) // a new tick
            matchPos = literalMatchPos = 0;
        const auto cut = StringSearch::run(oldPage, newPage, row, matchPos);
        const auto literalCut = literal::stringSearch(oldPage, newPage, row, literalMatchPos);
        ASSERT_EQ(cut.lastFailure, literalCut.lastFailure);
        ASSERT_EQ(cut.oldPiece, literalCut.oldPiece);
        ASSERT_EQ(cut.newPiece, literalCut.newPiece);
        ASSERT_EQ(matchPos, literalMatchPos);
        ASSERT_EQ(cut.change, literalCut.change);
        ++outcomes[cut.change ? "change" : "no change"];
    }
    // Every outcome reached often, or the comparison proves little.
    for (const char* seen : {"verdict -1", "verdict 0", "verdict 1", "verdict 2", "change", "no change"})
        EXPECT_GT(outcomes[seen], 500) << seen;
}
