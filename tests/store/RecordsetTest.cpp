#include "TempDatabase.h"

#include "platform/ErrorCode.h"
#include "store/Database.h"

#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::TempDatabase;

TEST(Recordset, NullIsNotTheEmptyText)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://a.test/"));
    db.exec(QStringLiteral("UPDATE URLs SET \"String search\" = '', Content = NULL"));
    auto rs = db.open().openRecordset(QStringLiteral("Select * from [URLs] where Active = -1"));
    ASSERT_TRUE(rs.ok());
    EXPECT_TRUE(rs.value().value(QStringLiteral("Content")).value().isNull());
    const Value empty = rs.value().value(QStringLiteral("String search")).value();
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty.toText().value(), QString());
}
