#include "TempDatabase.h"

#include "platform/ErrorCode.h"
#include "store/Database.h"

#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::TempDatabase;

namespace {

QString url(const Recordset& rs)
{
    return rs.value(QStringLiteral("URL")).value().textOrEmpty();
}

const QString kActive = QStringLiteral("Select * from [URLs] where Active = -1");

} // namespace

TEST(Recordset, NullIsNotTheEmptyText)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://a.test/"));
    db.exec(QStringLiteral("UPDATE URLs SET \"String search\" = '', Content = NULL"));
    auto rs = db.open().openRecordset(kActive);
    ASSERT_TRUE(rs.ok());
    EXPECT_TRUE(rs.value().value(QStringLiteral("Content")).value().isNull());
    const Value empty = rs.value().value(QStringLiteral("String search")).value();
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty.toText().value(), QString());
}

TEST(Recordset, ActiveQueryWalksOnlyActiveRowsInOrder)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://1.test/"));
    db.addEntry(QStringLiteral("http://off.test/"), QStringLiteral("W"), false);
    db.addEntry(QStringLiteral("http://2.test/"));
    auto rs = db.open().openRecordset(kActive);
    ASSERT_TRUE(rs.ok());
    Recordset& r = rs.value();
    EXPECT_TRUE(r.updatable());
    EXPECT_NE(r.recordCount(), 0);
    QStringList seen;
    while (!r.eof()) {
        seen << url(r);
        ASSERT_TRUE(r.moveNext().ok());
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("http://1.test/"), QStringLiteral("http://2.test/")}));
    EXPECT_EQ(r.moveNext().failure().number, static_cast<int>(ErrorCode::DbNoCurrentRecord));
    EXPECT_EQ(r.value(QStringLiteral("URL")).failure().number, static_cast<int>(ErrorCode::DbNoCurrentRecord));
}

TEST(Recordset, FieldsByNameAndIndex)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://a.test/"));
    auto rs = db.open().openRecordset(QStringLiteral("Select URL, Subject from URLs order by URL"));
    ASSERT_TRUE(rs.ok());
    EXPECT_EQ(rs.value().fieldCount(), 2);
    EXPECT_EQ(rs.value().value(1).value(), Value("Weekly"));
    EXPECT_EQ(rs.value().field(0).size, 80);
    EXPECT_EQ(rs.value().value(QStringLiteral("No such column")).failure().number,
              static_cast<int>(ErrorCode::DbFieldNotFound));
}

TEST(Recordset, UpdateIsStoredAndSurvivesAReopen)
{
    TempDatabase db;
    const qint64 key = db.addEntry(QStringLiteral("http://a.test/"));
    {
        auto rs = db.open().openRecordset(kActive);
        Recordset& r = rs.value();
        ASSERT_TRUE(r.edit().ok());
        ASSERT_TRUE(r.setValue(QStringLiteral("Content"), Value("<html>new</html>")).ok());
        // an edit is seen through the row before it is stored
        EXPECT_EQ(r.value(QStringLiteral("Content")).value(), Value("<html>new</html>"));
        ASSERT_TRUE(r.update().ok());
        ASSERT_TRUE(r.lastModified().has_value());
        EXPECT_EQ(*r.lastModified(), key);
        ASSERT_TRUE(r.setBookmark(*r.lastModified()).ok());
        EXPECT_EQ(r.value(QStringLiteral("Content")).value(), Value("<html>new</html>"));
    } // every handle released
    auto again = db.open().openRecordset(kActive);
    EXPECT_EQ(again.value().value(QStringLiteral("Content")).value(), Value("<html>new</html>"));
    // the other columns were left alone
    EXPECT_EQ(again.value().value(QStringLiteral("Subject")).value(), Value("Weekly"));
}

TEST(Recordset, UpdateWithoutEditFailsAndCancelDropsTheEdit)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://a.test/"));
    auto rs = db.open().openRecordset(kActive);
    Recordset& r = rs.value();
    EXPECT_EQ(r.update().failure().number, static_cast<int>(ErrorCode::DbNotEditing));
    ASSERT_TRUE(r.edit().ok());
    r.setValue(QStringLiteral("Subject"), Value("Changed"));
    r.cancelUpdate();
    EXPECT_EQ(r.value(QStringLiteral("Subject")).value(), Value("Weekly"));
}

TEST(Recordset, AddNewAppendsAndKeepsThePosition)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://first.test/"));
    auto rs = db.open().openRecordset(QStringLiteral("URLs"));
    Recordset& r = rs.value();
    ASSERT_TRUE(r.addNew().ok());
    EXPECT_TRUE(r.value(QStringLiteral("URL")).value().isNull());
    r.setValue(QStringLiteral("URL"), Value("http://second.test/"));
    ASSERT_TRUE(r.update().ok());
    EXPECT_EQ(url(r), QStringLiteral("http://first.test/"));
    EXPECT_EQ(r.recordCount(), 2);
    ASSERT_TRUE(r.setBookmark(*r.lastModified()).ok());
    EXPECT_EQ(url(r), QStringLiteral("http://second.test/"));
    EXPECT_EQ(r.value(QStringLiteral("Active")).value(), Value(0)); // the column's default
}

TEST(Recordset, DeleteThenMovePreviousFromTheFirstRowLeavesNoCurrentRow)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://1.test/"));
    db.addEntry(QStringLiteral("http://2.test/"));
    auto rs = db.open().openRecordset(QStringLiteral("URLs"));
    Recordset& r = rs.value();
    ASSERT_TRUE(r.deleteCurrent().ok());
    EXPECT_FALSE(r.hasCurrent());
    ASSERT_TRUE(r.movePrevious().ok());
    EXPECT_TRUE(r.bof());
    EXPECT_FALSE(r.hasCurrent());
    ASSERT_TRUE(r.moveFirst().ok());
    EXPECT_EQ(url(r), QStringLiteral("http://2.test/"));

    // deleting a later row and stepping back lands on the row before it
    db.addEntry(QStringLiteral("http://3.test/"));
    auto rs2 = db.open().openRecordset(QStringLiteral("URLs"));
    ASSERT_TRUE(rs2.value().moveNext().ok());
    ASSERT_TRUE(rs2.value().deleteCurrent().ok());
    ASSERT_TRUE(rs2.value().movePrevious().ok());
    EXPECT_EQ(url(rs2.value()), QStringLiteral("http://2.test/"));
    EXPECT_EQ(rs2.value().recordCount(), 1);
}

TEST(Recordset, FindFirstIgnoresTrailingBlanksOfTheKeyAndLandsOnTheFirstMatch)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://b.test/"));
    const qint64 first = db.addEntry(QStringLiteral("http://a.test/"));
    db.addEntry(QStringLiteral("http://a.test/"));
    auto rs = db.open().openRecordset(QStringLiteral("URLs"));
    Recordset& r = rs.value();
    const QString key = QStringLiteral("http://a.test/").leftJustified(80, QLatin1Char(' '));
    ASSERT_TRUE(r.findFirst(QStringLiteral("URL = '") + key + QStringLiteral("'")).ok());
    EXPECT_FALSE(r.noMatch());
    EXPECT_EQ(*r.bookmark(), first);

    // letter case counts; no match leaves the position alone
    ASSERT_TRUE(r.findFirst(QStringLiteral("URL = 'HTTP://B.TEST/'")).ok());
    EXPECT_TRUE(r.noMatch());
    EXPECT_EQ(*r.bookmark(), first);
}

TEST(Recordset, FindFirstWithAQuoteInTheKeyNeitherBreaksNorInjects)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://plain.test/"));
    const qint64 quoted = db.addEntry(QStringLiteral("http://o'brien.test/?q='x'"));
    auto rs = db.open().openRecordset(QStringLiteral("URLs"));
    Recordset& r = rs.value();
    ASSERT_TRUE(r.findFirst(QStringLiteral("URL = 'http://o'brien.test/?q='x'   '")).ok());
    EXPECT_FALSE(r.noMatch());
    EXPECT_EQ(*r.bookmark(), quoted);

    ASSERT_TRUE(r.moveFirst().ok());
    ASSERT_TRUE(r.findFirst(QStringLiteral("URL = 'x' OR '1'='1'")).ok());
    EXPECT_TRUE(r.noMatch());
    ASSERT_TRUE(r.findFirst(QStringLiteral("URL = 'x'; DROP TABLE URLs; --'")).ok());
    EXPECT_TRUE(r.noMatch());
    EXPECT_EQ(r.recordCount(), 2);
    EXPECT_EQ(r.findFirst(QStringLiteral("URL like 'x'")).failure().number,
              static_cast<int>(ErrorCode::DbBadCriterion));
}

TEST(Recordset, SnapshotOfAnyStatementIsReadOnly)
{
    TempDatabase db;
    db.addEntry(QStringLiteral("http://a.test/"));
    auto rs = db.open().openRecordset(QStringLiteral("select count(*) as n from URLs"));
    ASSERT_TRUE(rs.ok());
    EXPECT_FALSE(rs.value().updatable());
    EXPECT_EQ(rs.value().value(0).value(), Value(1));
    EXPECT_EQ(rs.value().edit().failure().number, static_cast<int>(ErrorCode::DbNotUpdatable));
    EXPECT_FALSE(db.open().openRecordset(QStringLiteral("Select * from NoSuchTable")).ok());
}

// Texts are bound without a copy; each must still reach its own row whole,
// also when one statement binds several and when the next row's bind follows.
TEST(RecordsetLargeText, PagesOfManyStoragePagesRoundTripExactly)
{
    test::TempDatabase tmp;
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("line %1 caf\u00e9 \u20ac \U0001F600\n").arg(i); // 1-, 2-, 3- and 4-byte UTF-8
    const QString first = text;
    const QString second = text.toUpper();
    const qint64 a = tmp.addEntry(QStringLiteral("http://a.test/"));
    const qint64 b = tmp.addEntry(QStringLiteral("http://b.test/"));
    {
        Database db = tmp.open();
        auto rs = db.openRecordset(QStringLiteral("Select * from [URLs] where Active = -1"));
        ASSERT_TRUE(rs.ok());
        Recordset& r = rs.value();
        for (const QString* text : {&first, &second}) {
            ASSERT_TRUE(r.edit().ok());
            ASSERT_TRUE(r.setValue(QStringLiteral("Content"), Value(*text)).ok());
            ASSERT_TRUE(r.setValue(QStringLiteral("Subject"), Value(text->left(10))).ok());
            ASSERT_TRUE(r.update().ok());
            ASSERT_TRUE(r.moveNext().ok());
        }
    }
    Database db = tmp.open();
    for (const auto& [key, text] : {std::pair{a, &first}, std::pair{b, &second}}) {
        auto rs = db.openRecordset(QStringLiteral("select * from URLs where rowid = %1").arg(key));
        ASSERT_TRUE(rs.ok());
        EXPECT_EQ(rs.value().value(QStringLiteral("Content")).value(), Value(*text));
        EXPECT_EQ(rs.value().value(QStringLiteral("Subject")).value(), Value(text->left(10)));
    }
}

// After an update the row is not read again when what was stored reads back
// as it was given; where the column's type changes it, the row must read as
// a fresh read gives it.
TEST(RecordsetStored, TheRowAfterAnUpdateReadsAsTheDatabaseHoldsIt)
{
    QString loneSurrogate = QStringLiteral("a");
    loneSurrogate += QChar(0xD800);
    struct Case {
        const char* column;
        Value given;
        Value expected; // worked out from the column types
    } cases[] = {
        {"Subject", Value("plain text"), Value("plain text")},
        {"Content", Value(QStringLiteral("caf\u00e9 \u20ac")), Value(QStringLiteral("caf\u00e9 \u20ac"))},
        {"Subject", Value(), Value()},
        {"String offset", Value("12"), Value(12)},   // an INTEGER column makes the text a number
        {"String length", Value(3.0), Value(3)},     // and a whole real an integer
        {"Content", Value(12), Value("12")},         // a LONGTEXT column makes the number a text
        {"Content", Value(loneSurrogate), Value()},  // expected: as stored (filled in below)
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.column);
        TempDatabase db;
        const qint64 key = db.addEntry(QStringLiteral("http://a.test/"));
        Database conn = db.open();
        auto rs = conn.openRecordset(kActive);
        ASSERT_TRUE(rs.ok());
        Recordset& r = rs.value();
        ASSERT_TRUE(r.value(QStringLiteral("URL")).ok()); // the row is read before the edit
        ASSERT_TRUE(r.edit().ok());
        ASSERT_TRUE(r.setValue(QString::fromLatin1(c.column), c.given).ok());
        ASSERT_TRUE(r.update().ok());
        auto fresh = db.open().openRecordset(QStringLiteral("select * from URLs where rowid = %1").arg(key));
        const Value stored = fresh.value().value(QString::fromLatin1(c.column)).value();
        if (c.given == Value(loneSurrogate))
            c.expected = stored; // whatever the UTF-8 conversion made of it
        EXPECT_EQ(stored, c.expected);
        EXPECT_EQ(r.value(QString::fromLatin1(c.column)).value(), c.expected);
        EXPECT_EQ(r.value(QStringLiteral("URL")).value(), Value("http://a.test/"));
    }
}
