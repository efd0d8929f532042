#include "SearchTestSupport.h"

#include "engine/StringSearch.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// A six-character search text at character 1 of nine-character pages that
// differ only in their last character.
const QString kWanted = QStringLiteral("Search");
const QString kOld = QStringLiteral("Search-10");
const QString kNew = QStringLiteral("Search-12");

} // namespace

TEST(StringSearch, OffsetsCountFromTheFoundTextOrAfterIt)
{
    qint16 MatchPos = 0;
    auto atFound = StringSearch::run(kOld, kNew, stringEntry(Value(kWanted), Value(0), Value(5)), MatchPos);
    EXPECT_EQ(MatchPos, 1);
    EXPECT_EQ(atFound.OldPiece, QStringLiteral("Searc"));
    EXPECT_EQ(atFound.NewPiece, QStringLiteral("Searc"));
    EXPECT_FALSE(atFound.change);
    EXPECT_EQ(atFound.lastFailure, 0);

    MatchPos = 0;
    auto after = StringSearch::run(kOld, kNew, stringEntry(Value(kWanted), Value(1), Value(5)), MatchPos);
    EXPECT_EQ(MatchPos, 8); // 1 + 6 + 1
    EXPECT_EQ(after.OldPiece, QStringLiteral("10"));
    EXPECT_EQ(after.NewPiece, QStringLiteral("12"));
    EXPECT_TRUE(after.change);
    EXPECT_EQ(after.lastFailure, 0);

    MatchPos = 0;
    auto back = StringSearch::run(kOld, kNew, stringEntry(Value(kWanted), Value(-6), Value(5)), MatchPos);
    EXPECT_EQ(MatchPos, 1); // 1 + 6 - 6
    EXPECT_EQ(back.NewPiece, QStringLiteral("Searc"));
    EXPECT_FALSE(back.change);

    // Null is no move; a start past the end gives two empty pieces.
    MatchPos = 0;
    EXPECT_FALSE(StringSearch::run(kOld, kNew, stringEntry(Value(kWanted), Value::null(), Value(5)), MatchPos).change);
    EXPECT_EQ(MatchPos, 1);
    MatchPos = 0;
    auto past = StringSearch::run(kOld, kNew, stringEntry(Value(kWanted), Value(20), Value(5)), MatchPos);
    EXPECT_EQ(MatchPos, 27);
    EXPECT_EQ(past.NewPiece, QString());
    EXPECT_FALSE(past.change);
}

TEST(StringSearch, MissingSearchTextIsAChangeUnlessMovedToAFixedPlace)
{
    // Exact comparison: the lower-case text does not occur.
    qint16 MatchPos = 5;
    auto missing = StringSearch::run(kNew, kNew, stringEntry(Value("search"), Value(0), Value(5)), MatchPos);
    EXPECT_EQ(MatchPos, 0);
    EXPECT_TRUE(missing.change);
    EXPECT_EQ(missing.lastFailure, code(ErrorCode::InvalidArgument));
    EXPECT_EQ(missing.OldPiece, QString());
    EXPECT_EQ(missing.NewPiece, QString());

    // With an offset the pieces stand at length + offset: 0 + 6 + 2 = 8.
    MatchPos = 5;
    auto fixed = StringSearch::run(kOld, kNew, stringEntry(Value("search"), Value(2), Value(2)), MatchPos);
    EXPECT_EQ(MatchPos, 8);
    EXPECT_EQ(fixed.OldPiece, QStringLiteral("10"));
    EXPECT_EQ(fixed.NewPiece, QStringLiteral("12"));
    EXPECT_TRUE(fixed.change);
    EXPECT_EQ(fixed.lastFailure, 0);
}

TEST(StringSearch, PositionBeyond32767FailsAndKeepsMatchPos)
{
    const QString filler(32766, QLatin1Char('x'));
    qint16 MatchPos = 0;
    const QString shifted = filler + kOld;
    auto at = StringSearch::run(shifted, shifted, stringEntry(Value(kWanted), Value(0), Value(6)), MatchPos);
    EXPECT_EQ(MatchPos, 32767);
    EXPECT_FALSE(at.change);
    EXPECT_EQ(at.NewPiece, kWanted);

    const QString longer = filler + QStringLiteral("x") + kOld;
    MatchPos = 3;
    auto beyond = StringSearch::run(longer, longer, stringEntry(Value(kWanted), Value(0), Value(6)), MatchPos);
    EXPECT_EQ(MatchPos, 3);
    EXPECT_TRUE(beyond.change);
    EXPECT_EQ(beyond.lastFailure, code(ErrorCode::Overflow));
    // The pieces are still cut, at the position kept.
    EXPECT_EQ(beyond.NewPiece, QStringLiteral("xxxxxx"));

    // A move that leaves the 16-bit range fails and keeps the found position.
    MatchPos = 0;
    auto moved = StringSearch::run(kOld, kNew, stringEntry(Value(kWanted), Value(32767), Value(5)), MatchPos);
    EXPECT_EQ(MatchPos, 1);
    EXPECT_TRUE(moved.change);
    EXPECT_EQ(moved.lastFailure, code(ErrorCode::Overflow));
    EXPECT_EQ(moved.NewPiece, QStringLiteral("Searc"));
}

TEST(StringSearch, LengthRules)
{
    qint16 MatchPos = 0;
    auto zero = StringSearch::run(kOld, kNew, stringEntry(Value(kWanted), Value(1), Value(0)), MatchPos);
    EXPECT_FALSE(zero.change);
    EXPECT_EQ(zero.NewPiece, QString());

    MatchPos = 0;
    auto rest = StringSearch::run(kOld, kNew, stringEntry(Value(kWanted), Value(-2), Value(1000)), MatchPos);
    EXPECT_EQ(MatchPos, 5);
    EXPECT_EQ(rest.OldPiece, QStringLiteral("ch-10"));
    EXPECT_EQ(rest.NewPiece, QStringLiteral("ch-12"));

    for (const Value& bad : {Value(-1), Value::null(), Value(qint64(1) << 31)}) {
        MatchPos = 0;
        auto failed = StringSearch::run(kNew, kNew, stringEntry(Value(kWanted), Value(0), bad), MatchPos);
        EXPECT_TRUE(failed.change);
        EXPECT_NE(failed.lastFailure, 0);
        EXPECT_EQ(failed.NewPiece, QString());
        EXPECT_EQ(MatchPos, 1);
    }
}

TEST(StringSearch, FirstVisitComparesAgainstAnEmptyPage)
{
    qint16 MatchPos = 0;
    auto first = StringSearch::run(QString(), kNew, stringEntry(Value(kWanted), Value(0), Value(5)), MatchPos);
    EXPECT_EQ(first.OldPiece, QString());
    EXPECT_EQ(first.NewPiece, QStringLiteral("Searc"));
    EXPECT_TRUE(first.change);
    EXPECT_EQ(first.lastFailure, 0);
}

TEST(StringSearch, MatchPosCarriesOverWhenTheSearchFails)
{
    qint16 MatchPos = 0;
    StringSearch::run(kOld, kNew, stringEntry(Value(kWanted), Value(1), Value(5)), MatchPos);
    ASSERT_EQ(MatchPos, 8);

    // The next entry's Null search text fails, so the pieces stand at 8.
    auto next = StringSearch::run(kOld, kNew, stringEntry(Value::null(), Value(0), Value(2)), MatchPos);
    EXPECT_EQ(MatchPos, 8);
    EXPECT_EQ(next.OldPiece, QStringLiteral("10"));
    EXPECT_EQ(next.NewPiece, QStringLiteral("12"));
    EXPECT_TRUE(next.change);
    EXPECT_EQ(next.lastFailure, code(ErrorCode::NullValue));

    // With a move as well, both steps fail and MatchPos still holds.
    auto moved = StringSearch::run(kOld, kOld, stringEntry(Value::null(), Value(3), Value(2)), MatchPos);
    EXPECT_EQ(MatchPos, 8);
    EXPECT_EQ(moved.NewPiece, QStringLiteral("10"));
    EXPECT_TRUE(moved.change);
}

TEST(StringSearch, EmptySearchTextIsFoundAtTheStartOfAnyNonEmptyPage)
{
    qint16 MatchPos = 7;
    auto found = StringSearch::run(kOld, kNew, stringEntry(Value(""), Value(0), Value(3)), MatchPos);
    EXPECT_EQ(MatchPos, 1);
    EXPECT_EQ(found.NewPiece, QStringLiteral("Sea"));
    EXPECT_FALSE(found.change);

    MatchPos = 7;
    auto empty = StringSearch::run(kOld, QString(), stringEntry(Value(""), Value(0), Value(3)), MatchPos);
    EXPECT_EQ(MatchPos, 0);
    EXPECT_TRUE(empty.change); // the cut at 0 fails
}
