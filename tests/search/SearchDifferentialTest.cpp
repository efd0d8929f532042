// Holds both searches against their literal counterparts on generated pages
// and entries.

#include "LiteralSearch.h"
#include "SearchTestSupport.h"

#include "engine/StringSearch.h"
#include "engine/TableSearch.h"

#include <gtest/gtest.h>

#include <random>

using namespace orvane;
using namespace orvane::test;
using Verdict = TableSearch::Verdict;

namespace {

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return uniform(1, 100) <= percent; }

    template <typename T, std::size_t N>
    const T& pick(const T (&items)[N])
    {
        return items[static_cast<std::size_t>(uniform(0, static_cast<int>(N) - 1))];
    }

    QString word()
    {
        static const char16_t* const kWords[] = {u"Alpha", u"alpha", u"ON", u"NO", u" ON ", u"\tON", u"x", u"",
                                                 u"Stra\u00dfe", u"\u0131\u017f", u"\U0001F600", u"  ", u"ON\n"};
        return QString::fromUtf16(pick(kWords));
    }

    QString fragment()
    {
        static const char* const kTags[] = {
            "<table>", "<TABLE border=1>", "<TaBlE>", "</table>", "<tr>", "<TR class=a>", "<tR>", "</tr>", "</TR >",
            "</Tr>", "<td>", "<TD>", "<td align=left>", "<Td>", "</td>", "</TD>", "<th>", "</th>", "<!-- <tr><td> -->",
            "<track>", "<tdx>", "<t", "<", "</t", "</", "<ta", "<tablE", "<tr", "<td", "</tr", "\n", " ", "\t"};
        const int kind = uniform(0, 9);
        if (kind < 5)
            return QString::fromLatin1(pick(kTags));
        if (kind < 9)
            return word();
        // Letters that upper-case to I and S, and look-alikes of tag letters.
        static const char16_t* const kOdd[] = {u"<\u0131", u"<\u017ftd", u"<\uff34\uff24", u"<\u0442d", u"\u212a"};
        return QString::fromUtf16(pick(kOdd));
    }

    QString page()
    {
        QString out;
        const bool longPage = chance(8);
        const int pieces = longPage ? uniform(20, 80) : uniform(0, 120);
        for (int i = 0; i < pieces; ++i) {
            if (longPage && chance(10))
                out += QString(uniform(1000, 20000), QLatin1Char('x'));
            out += fragment();
        }
        return out;
    }

    // The literal search loops "count" times, upper-casing the page each time,
    // so counts that run long loops are kept to the table number.
    Value count(bool longLoops)
    {
        if (chance(3))
            return Value::null();
        if (chance(2)) {
            static const int kWide[] = {32767, 32768, 40000, -40000};
            static const int kFailing[] = {32768, 40000, -40000};
            return Value(longLoops ? pick(kWide) : pick(kFailing));
        }
        if (chance(2))
            return Value("two");
        return Value(uniform(-2, 5));
    }

    Value repeat()
    {
        if (chance(3))
            return Value::null();
        if (chance(3)) {
            static const int kWide[] = {32769, 40000, -3};
            return Value(pick(kWide));
        }
        return Value(uniform(-1, 5));
    }

    Value offset()
    {
        if (chance(10))
            return Value::null();
        if (chance(5)) {
            static const double kOdd[] = {1.5, 2.5, -0.5, 32767, 32766, -32768, -40000, 40000};
            return Value(pick(kOdd));
        }
        return Value(uniform(-7, 8));
    }

    Value length()
    {
        if (chance(5))
            return Value::null();
        if (chance(5)) {
            static const qint64 kOdd[] = {-1, 1000000, qint64(1) << 31};
            return Value(pick(kOdd));
        }
        return Value(uniform(0, 12));
    }

    Value searchText(const QString& page)
    {
        if (chance(10))
            return Value::null();
        if (chance(5))
            return Value("");
        if (!page.isEmpty() && chance(60)) {
            const int at = uniform(0, static_cast<int>(page.size()) - 1);
            return Value(page.mid(at, uniform(1, 8)));
        }
        return Value(word());
    }

    std::mt19937& rng() { return rng_; }

private:
    std::mt19937 rng_;
};

// Sometimes a column is missing altogether, so that its read fails.
void maybeSet(Generator& g, FakeRow& row, const char* column, Value v)
{
    if (!g.chance(2))
        row.set(QString::fromLatin1(column), std::move(v));
}

QString describe(const Result<Verdict>& r)
{
    if (!r.ok())
        return QStringLiteral("failure %1").arg(r.failure().number);
    return r.value() == Verdict::True ? QStringLiteral("True")
                                      : r.value() == Verdict::False ? QStringLiteral("False") : QStringLiteral("Empty");
}

} // namespace

TEST(SearchDifferential, TableSearchAgreesWithTheLiteralOne)
{
    Generator g(20240611);
    int outcomes[3] = {};
    int failures = 0;
    for (int round = 0; round < 10000; ++round) {
        const QString page = g.page();
        FakeRow row;
        maybeSet(g, row, "Table number", g.chance(30) ? Value(g.uniform(0, 3)) : g.count(true));
        maybeSet(g, row, "Row number", g.count(false));
        maybeSet(g, row, "Column number", g.count(false));
        maybeSet(g, row, "Repeat count", g.repeat());
        maybeSet(g, row, "String offset", g.offset());
        maybeSet(g, row, "String length", g.length());
        maybeSet(g, row, "String search", g.searchText(page));
        const bool mailFails = g.chance(10);
        const Status alertAnswer = mailFails ? Status(ErrorCatalogue::failure(ErrorCode::MailBadAddress)) : Status();

        CellPieceList pieces;
        int alerts = 0;
        auto real = TableSearch::run(page, row, pieces, [&] {
            ++alerts;
            return alertAnswer;
        });

        QList<QString> literalPieces;
        int literalAlerts = 0;
        auto literal = literal::tableSearch(page, row, literalPieces, [&] {
            ++literalAlerts;
            return alertAnswer;
        });

        const std::string context = "round " + std::to_string(round) + ", page of " + std::to_string(page.size());
        ASSERT_EQ(describe(real), describe(literal)) << context;
        ASSERT_EQ(alerts, literalAlerts) << context;
        ASSERT_EQ(pieces.size(), literalPieces.size()) << context;
        for (qint32 j = 0; j < pieces.size(); ++j)
            ASSERT_EQ(pieces.at(j), literalPieces[j]) << context << ", slot " << j;
        if (real.ok())
            ++outcomes[static_cast<int>(real.value())];
        else
            ++failures;
    }
    // The generator must reach every outcome, or the comparison proves little.
    EXPECT_GT(outcomes[static_cast<int>(Verdict::True)], 500);
    EXPECT_GT(outcomes[static_cast<int>(Verdict::False)], 500);
    EXPECT_GT(outcomes[static_cast<int>(Verdict::Empty)], 500);
    EXPECT_GT(failures, 500);
}

TEST(SearchDifferential, StringSearchAgreesWithTheLiteralOne)
{
    Generator g(7031);
    qint16 MatchPos = 0;
    qint16 literalMatchPos = 0;
    int changes = 0;
    int failures = 0;
    for (int round = 0; round < 15000; ++round) {
        // A new tick now and then: MatchPos starts at 0 again.
        if (g.chance(20))
            MatchPos = literalMatchPos = 0;

        QString oldPage = g.chance(10) ? QString() : g.page();
        QString newPage = g.chance(50) ? oldPage : g.page();
        if (!newPage.isEmpty() && g.chance(30))
            newPage[g.uniform(0, static_cast<int>(newPage.size()) - 1)] = QLatin1Char('#');
        if (g.chance(5))
            newPage = QString(g.uniform(32700, 32800), QLatin1Char('x')) + QStringLiteral("needle") + newPage;

        FakeRow row;
        maybeSet(g, row, "String search", g.chance(5) ? Value("needle") : g.searchText(newPage));
        maybeSet(g, row, "String offset", g.offset());
        maybeSet(g, row, "String length", g.length());

        const auto real = StringSearch::run(oldPage, newPage, row, MatchPos);
        const auto literal = literal::stringSearch(oldPage, newPage, row, literalMatchPos);

        const std::string context = "round " + std::to_string(round);
        ASSERT_EQ(real.change, literal.change) << context;
        ASSERT_EQ(real.lastFailure, literal.lastFailure) << context;
        ASSERT_EQ(real.OldPiece, literal.OldPiece) << context;
        ASSERT_EQ(real.NewPiece, literal.NewPiece) << context;
        ASSERT_EQ(MatchPos, literalMatchPos) << context;
        changes += real.change ? 1 : 0;
        failures += real.lastFailure != 0 ? 1 : 0;
    }
    EXPECT_GT(changes, 1000);
    EXPECT_GT(15000 - changes, 1000);
    EXPECT_GT(failures, 300);
}
