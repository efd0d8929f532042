#include "platform/ErrorCode.h"
#include "store/Value.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {
int failureOf(const Result<qint16>& r)
{
    return r.ok() ? 0 : r.failure().number;
}
} // namespace

TEST(Value, SixteenBitConversionRoundsHalvesToEven)
{
    EXPECT_EQ(Value(2.5).toInt16().value(), 2);
    EXPECT_EQ(Value(3.5).toInt16().value(), 4);
    EXPECT_EQ(Value(-2.5).toInt16().value(), -2);
    EXPECT_EQ(Value(2.4999).toInt16().value(), 2);
    EXPECT_EQ(Value(32767.4).toInt16().value(), 32767);
    EXPECT_EQ(Value(-32768).toInt16().value(), -32768);
    EXPECT_EQ(Value("  12 ").toInt16().value(), 12);
}

TEST(Value, SixteenBitConversionFailures)
{
    EXPECT_EQ(failureOf(Value(32767.5).toInt16()), static_cast<int>(ErrorCode::Overflow));
    EXPECT_EQ(failureOf(Value(40000).toInt16()), static_cast<int>(ErrorCode::Overflow));
    EXPECT_EQ(failureOf(Value(-32769).toInt16()), static_cast<int>(ErrorCode::Overflow));
    EXPECT_EQ(failureOf(Value().toInt16()), static_cast<int>(ErrorCode::NullValue));
    EXPECT_EQ(failureOf(Value("five").toInt16()), static_cast<int>(ErrorCode::TypeMismatch));
    EXPECT_EQ(failureOf(Value("").toInt16()), static_cast<int>(ErrorCode::TypeMismatch));
}

TEST(Value, TextForms)
{
    EXPECT_EQ(Value(25).toText().value(), QStringLiteral("25"));
    EXPECT_EQ(Value(2.5).toText().value(), QStringLiteral("2.5"));
    EXPECT_EQ(Value(-7).toText().value(), QStringLiteral("-7"));
    EXPECT_FALSE(Value().toText().ok());
    EXPECT_EQ(Value().textOrEmpty(), QString());
    EXPECT_NE(Value(), Value(""));
}
