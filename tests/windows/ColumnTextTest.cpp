#include "platform/ErrorCode.h"
#include "store/FieldInfo.h"
#include "store/ColumnText.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

FieldInfo column(const char* name, const char* type)
{
    return FieldInfo::fromDeclaration(QString::fromLatin1(name), QString::fromLatin1(type));
}

} // namespace

TEST(ColumnText, NumberColumnsTakeWholeNumbersAndEmptyBoxesAsNull)
{
    const FieldInfo wakeUp = column("Wake-up", "INTEGER");
    EXPECT_EQ(ColumnText::parse(QStringLiteral("15"), wakeUp).value(), Value(15));
    EXPECT_EQ(ColumnText::parse(QStringLiteral(" -3 "), wakeUp).value(), Value(-3));
    EXPECT_TRUE(ColumnText::parse(QString(), wakeUp).value().isNull());
    EXPECT_TRUE(ColumnText::parse(QStringLiteral("   "), wakeUp).value().isNull());

    const auto letters = ColumnText::parse(QStringLiteral("ab"), wakeUp);
    ASSERT_FALSE(letters.ok());
    EXPECT_EQ(letters.failure().number, static_cast<int>(ErrorCode::TypeMismatch));
    EXPECT_TRUE(letters.failure().description.contains(QStringLiteral("\"ab\"")));
    EXPECT_TRUE(letters.failure().description.contains(QStringLiteral("\"Wake-up\"")));

    // A 16-bit column refuses what does not fit 16 bits.
    const auto big = ColumnText::parse(QStringLiteral("40000"), column("Small", "SMALLINT"));
    ASSERT_FALSE(big.ok());
    EXPECT_EQ(big.failure().number, static_cast<int>(ErrorCode::Overflow));
}

TEST(ColumnText, TextColumnsKeepTheEmptyTextAndRefuseWhatDoesNotFit)
{
    const FieldInfo type = column("Search type", "VARCHAR(1)");
    EXPECT_EQ(ColumnText::parse(QStringLiteral("W"), type).value(), Value("W"));
    const Value empty = ColumnText::parse(QString(), type).value();
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty, Value(QString()));

    const auto tooLong = ColumnText::parse(QStringLiteral("WS"), type);
    ASSERT_FALSE(tooLong.ok());
    EXPECT_EQ(tooLong.failure().number, static_cast<int>(ErrorCode::DbFieldTooSmall));

    // A long text column has no declared length to exceed.
    EXPECT_EQ(ColumnText::parse(QString(5000, QLatin1Char('x')), column("Content", "LONGTEXT")).value(),
              Value(QString(5000, QLatin1Char('x'))));
}

TEST(ColumnText, OtherKinds)
{
    const FieldInfo added = column("Added", "DATETIME");
    EXPECT_EQ(ColumnText::parse(QStringLiteral("2026-01-02"), added).value(), Value("2026-01-02 00:00:00"));
    EXPECT_EQ(ColumnText::parse(QStringLiteral("2026-01-02 03:04:05"), added).value(), Value("2026-01-02 03:04:05"));
    EXPECT_FALSE(ColumnText::parse(QStringLiteral("yesterday"), added).ok());

    const FieldInfo flag = column("Active", "BOOLEAN");
    EXPECT_EQ(ColumnText::parse(QStringLiteral("True"), flag).value(), Value(-1));
    EXPECT_EQ(ColumnText::parse(QStringLiteral("0"), flag).value(), Value(0));
    EXPECT_EQ(ColumnText::parse(QStringLiteral("-1"), flag).value(), Value(-1));
    EXPECT_FALSE(ColumnText::parse(QStringLiteral("maybe"), flag).ok());

    const FieldInfo ratio = column("Ratio", "REAL");
    EXPECT_EQ(ColumnText::parse(QStringLiteral("2.5"), ratio).value(), Value(2.5));
    EXPECT_FALSE(ColumnText::parse(QStringLiteral("inf"), ratio).ok());

    EXPECT_EQ(ColumnText::show(Value()), QString());
    EXPECT_EQ(ColumnText::show(Value(-7)), QStringLiteral("-7"));
}
