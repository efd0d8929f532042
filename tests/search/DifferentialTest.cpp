// Both searches against their literal versions on generated pages and
// entries; the fuzzers do the same on inputs of their own.

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
    QStringLiteral(
        "<table>|<TABLE border=1>|<TaBlE>|</table>|<tr>|<TR class=a>|</tr>|</TR >|</Tr>|<td>|<TD>|<td "
        "align=left>|</td>|"
        "<th>|<!-- <tr><td> -->|<track>|<tdx>|<t|<|</|<tablE|<tr|<td|</tr|\n| |\t|Alpha|ON| ON |\tON|Stra\u00dfe|"
        "\U0001F600|<\u0131|<\u017ftd|<\uff34\uff24|<\u0442d|\u212a|needle")
        .split(u'|');
// Column values, awkward ones included; counts that fit 16 bits stay small,
// as the literal search upper-cases the whole page at every tag it counts.
const Value kCounts[] = {Value(),  Value("two"), Value(-1), Value(0),   Value(1),     Value(1),
                         Value(2), Value(3),     Value(5),  Value(2.5), Value(32768), Value(-40000)};
const Value kRepeats[] = {Value(),  Value(-1), Value(0),     Value(1),    Value(1),
                          Value(2), Value(3),  Value(32769), Value(40000)};
const Value kOffsets[] = {Value(),  Value(-7),  Value(-1),  Value(0),    Value(0),     Value(1),     Value(3),
                          Value(8), Value(1.5), Value(2.5), Value(-0.5), Value(32767), Value(-40000)};
const Value kLengths[] = {
    Value(), Value(-1), Value(0), Value(1), Value(3), Value(5), Value(12), Value(1000000), Value(qint64(1) << 31)};

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) { }
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
    template <typename T, size_t N> const T& pick(const T (&items)[N]) { return items[uniform(0, int(N) - 1)]; }

    QString page()
    {
        QString out;
        for (int i = uniform(0, 100); i > 0; --i)
            out += uniform(0, 300) ? kParts[uniform(0, int(kParts.size()) - 1)] : QString(uniform(1000, 33000), u'x');
        return out;
    }
    // A column that sometimes does not exist, so that its read fails.
    void set(test::FakeRow& row, const char* column, const Value& v)
    {
        if (uniform(0, 50))
            row.set(QString::fromLatin1(column), v);
    }
    Value searchText(const QString& page)
    {
        if (page.isEmpty() || uniform(0, 2) == 0)
            return pick({Value(), Value(""), Value("Alpha"), Value(" ON "), Value("needle")});
        return Value(page.mid(uniform(0, int(page.size()) - 1), uniform(1, 8)));
    }

private:
    std::mt19937 random_;
};

std::string outcome(const Result<TableSearch::Verdict>& r)
{
    return r.ok() ? "verdict " + std::to_string(int(r.value())) : "failure " + std::to_string(r.failure().number);
}

} // namespace

TEST(SearchDifferential, TableSearchAgreesWithTheLiteralOne)
{
    Generator g(20240611);
    std::map<std::string, int> outcomes;
    for (int round = 0; round < 10000; ++round) {
        const QString page = g.page();
        test::FakeRow row;
        g.set(row, "Table number", g.uniform(0, 2) ? Value(g.uniform(0, 3)) : g.pick(kCounts));
        g.set(row, "Row number", g.pick(kCounts));
        g.set(row, "Column number", g.pick(kCounts));
        g.set(row, "Repeat count", g.pick(kRepeats));
        g.set(row, "String offset", g.pick(kOffsets));
        g.set(row, "String length", g.pick(kLengths));
        g.set(row, "String search", g.searchText(page));
        const Status alert = g.uniform(0, 9) ? Status() : Status(ErrorCatalogue::failure(ErrorCode::MailBadAddress));
        CellPieceList pieces;
        QList<QString> literalPieces;
        int alerts = 0;
        int literalAlerts = 0;
        const auto real = TableSearch::run(page, row, pieces, [&] { return ++alerts, alert; });
        const auto literal = literal::tableSearch(page, row, literalPieces, [&] { return ++literalAlerts, alert; });
        ASSERT_EQ(outcome(real), outcome(literal)) << "round " << round;
        ASSERT_EQ(alerts, literalAlerts) << "round " << round;
        ASSERT_EQ(pieces.size(), literalPieces.size()) << "round " << round;
        for (qint32 j = 0; j < pieces.size(); ++j)
            ASSERT_EQ(pieces.at(j), literalPieces[j]) << "round " << round << ", slot " << j;
        ++outcomes[real.ok() ? outcome(real) : "failure"];
    }
    // Every outcome reached often, or the comparison proves little.
    for (const char* seen : {"verdict 0", "verdict 1", "verdict 2", "failure"})
        EXPECT_GT(outcomes[seen], 500) << seen;
}

TEST(SearchDifferential, StringSearchAgreesWithTheLiteralOne)
{
    Generator g(7031);
    qint16 matchPos = 0;
    qint16 literalMatchPos = 0;
    int changes = 0;
    for (int round = 0; round < 15000; ++round) {
        if (g.uniform(0, 4) == 0) // a new tick
            matchPos = literalMatchPos = 0;
        const QString oldPage = g.page();
        QString newPage = g.uniform(0, 1) ? oldPage : g.page();
        if (!newPage.isEmpty() && g.uniform(0, 2) == 0)
            newPage[g.uniform(0, int(newPage.size()) - 1)] = u'#';
        test::FakeRow row;
        g.set(row, "String search", g.searchText(newPage));
        g.set(row, "String offset", g.pick(kOffsets));
        g.set(row, "String length", g.pick(kLengths));
        const auto real = StringSearch::run(oldPage, newPage, row, matchPos);
        const auto literal = literal::stringSearch(oldPage, newPage, row, literalMatchPos);
        ASSERT_EQ(real.lastFailure, literal.lastFailure) << "round " << round;
        ASSERT_EQ(real.oldPiece, literal.oldPiece) << "round " << round;
        ASSERT_EQ(real.newPiece, literal.newPiece) << "round " << round;
        ASSERT_EQ(matchPos, literalMatchPos) << "round " << round;
        ASSERT_EQ(real.change, literal.change) << "round " << round;
        changes += real.change;
    }
    EXPECT_GT(changes, 1000);
    EXPECT_GT(15000 - changes, 1000);
}
