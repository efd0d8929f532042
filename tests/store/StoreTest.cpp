#include "QtPrinters.h"
#include "TempDatabase.h"

#include "store/ColumnText.h"
#include "store/Database.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <limits>

#include <sys/resource.h>

using namespace orvane;
using orvane::test::TempDatabase;

namespace {

const QString kActive = QStringLiteral("Select * from [URLs] where Active = -1");

Value stored(const TempDatabase& db, qint64 key, const char* column)
{
    return db.column(key, QString::fromLatin1(column));
}

QString integrity(const Database& db)
{
    auto rs = db.openRecordset(QStringLiteral("PRAGMA integrity_check"));
    return rs.ok() ? rs.value().value(0).value().textOrEmpty() : QStringLiteral("no answer");
}

} // namespace

TEST(Database, OpenRefusesWhatIsNoUsableDatabaseAndLeavesItAsItWas)
{
    TempDatabase tmp;
    const QString missing = tmp.dir() + QStringLiteral("/missing.mdb");
    const QString empty = tmp.dir() + QStringLiteral("/empty.mdb");
    const QString text = tmp.dir() + QStringLiteral("/text.mdb");
    QFile(empty).open(QIODevice::WriteOnly);
    QFile list(text);
    ASSERT_TRUE(list.open(QIODevice::WriteOnly) && list.write("A shopping list, not a database.\n") > 0);
    list.close();
    // Another connection holds the file exclusively, in the middle of a write.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(tmp.path().toUtf8().constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; UPDATE System SET \"Wake-up\" = 9",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);

    const struct {
        QString path;
        ErrorCode expected;
        qint64 size; // -1: no file
    } cases[] = {{missing, ErrorCode::DbNotFound, -1},
                 {empty, ErrorCode::DbNotADatabase, 0},
                 {text, ErrorCode::DbNotADatabase, 33},
                 {tmp.path(), ErrorCode::DbLocked, QFileInfo(tmp.path()).size()}};
    for (const auto& c : cases) {
        auto db = Database::open(c.path, OpenOptions {50});
        ASSERT_FALSE(db.ok()) << qPrintable(c.path);
        EXPECT_TRUE(db.failure().is(c.expected)) << qPrintable(c.path) << " failed with " << db.failure().number;
        EXPECT_EQ(QFileInfo::exists(c.path) ? QFileInfo(c.path).size() : -1, c.size) << qPrintable(c.path);
    }
    sqlite3_close(holder);
    EXPECT_TRUE(Database::open(tmp.path()).ok());
}

TEST(Recordset, FindFirstLandsOnTheFirstRowWhoseColumnEqualsTheKeyAsItStands)
{
    TempDatabase tmp;
    const qint64 b = tmp.addEntry(QStringLiteral("http://b.test/"));
    const qint64 a = tmp.addEntry(QStringLiteral("http://a.test/"));
    tmp.addEntry(QStringLiteral("http://a.test/"));
    const qint64 quoted = tmp.addEntry(QStringLiteral("http://o'brien.test/?q='x'"));
    auto rs = tmp.open().openRecordset(QStringLiteral("URLs"));
    ASSERT_TRUE(rs.ok());
    Recordset& r = rs.value();
    const struct {
        QString criterion;
        qint64 lands; // the first row stays current when nothing matches
    } cases[] = {
        {QStringLiteral("URL = '%1'").arg(QStringLiteral("http://a.test/"), -80), a}, // the key's blanks do not count
        {QStringLiteral("URL = 'HTTP://A.TEST/'"), b},                                // letter case counts
        {QStringLiteral("URL = 'http://o'brien.test/?q='x'  '"), quoted},
        {QStringLiteral("URL = 'x' OR '1'='1'"), b},
        {QStringLiteral("URL = 'x'; DELETE FROM URLs; --'"), b},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(r.moveFirst().ok());
        ASSERT_TRUE(r.findFirst(c.criterion).ok()) << qPrintable(c.criterion);
        EXPECT_EQ(r.noMatch(), c.lands == b) << qPrintable(c.criterion);
        EXPECT_EQ(r.bookmark(), c.lands) << qPrintable(c.criterion);
    }
    EXPECT_FALSE(r.findFirst(QStringLiteral("URL like 'x'")).ok());
    EXPECT_EQ(tmp.open().openRecordset(QStringLiteral("URLs")).value().recordCount(), 4);
}

// Texts are bound without a copy: each must reach its own row whole, also
// when one statement binds two and the next row's bind follows.
TEST(Recordset, PagesOfManyStoragePagesAreStoredWhole)
{
    TempDatabase tmp;
    QString first;
    for (int i = 0; i < 20000; ++i)
        first += QStringLiteral("line %1 caf\u00e9 \u20ac \U0001F600\n").arg(i); // 1 to 4 bytes in UTF-8
    const QString pages[] = {first, first.toUpper()};
    const qint64 keys[] = {tmp.addEntry(QStringLiteral("http://a.test/")),
                           tmp.addEntry(QStringLiteral("http://b.test/"))};
    {
        auto rs = tmp.open().openRecordset(kActive);
        ASSERT_TRUE(rs.ok());
        for (const QString& page : pages) {
            ASSERT_TRUE(rs.value().edit().ok());
            ASSERT_TRUE(rs.value().setValue(QStringLiteral("Content"), Value(page)).ok());
            ASSERT_TRUE(rs.value().setValue(QStringLiteral("Subject"), Value(page.right(9))).ok());
            ASSERT_TRUE(rs.value().update().ok());
            ASSERT_TRUE(rs.value().moveNext().ok());
        }
    }
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(stored(tmp, keys[i], "Content"), Value(pages[i]));
        EXPECT_EQ(stored(tmp, keys[i], "Subject"), Value(pages[i].right(9)));
    }
}

// After an update the row is not read again where what was stored reads back
// as it was given; where the column's type changes it, it must read as stored.
TEST(Recordset, TheRowAfterAnUpdateReadsAsTheFileHoldsIt)
{
    const struct {
        const char* column;
        Value given;
        Value expected;
    } cases[] = {
        {"Subject", Value("plain"), Value("plain")}, {"Subject", Value(), Value()},
        {"String offset", Value("12"), Value(12)}, // an INTEGER column makes the text a number
        {"String length", Value(3.0), Value(3)},   // and a whole real an integer
        {"Content", Value(12), Value("12")},       // a long text column makes the number a text
    };
    for (const auto& c : cases) {
        TempDatabase tmp;
        const qint64 key = tmp.addEntry(QStringLiteral("http://a.test/"));
        auto rs = tmp.open().openRecordset(kActive);
        ASSERT_TRUE(rs.ok() && rs.value().value(QStringLiteral("URL")).ok()); // the row is read before the edit
        ASSERT_TRUE(rs.value().edit().ok() && rs.value().setValue(QString::fromLatin1(c.column), c.given).ok());
        ASSERT_TRUE(rs.value().update().ok());
        EXPECT_EQ(stored(tmp, key, c.column), c.expected) << c.column;
        EXPECT_EQ(rs.value().value(QString::fromLatin1(c.column)).value(), c.expected) << c.column;
    }
}

// A table, or a statement over one table, is opened to be written: when it
// cannot be (here: no row keys), the open fails rather than giving rows that
// cannot be stored.
TEST(Recordset, ASourceThatCannotBeOpenedForWritingFails)
{
    TempDatabase tmp;
    tmp.addEntry(QStringLiteral("http://a.test/"));
    tmp.exec(QStringLiteral("ALTER TABLE URLs RENAME TO Old; CREATE TABLE URLs (URL TEXT PRIMARY KEY, Active INTEGER) "
                            "WITHOUT ROWID; INSERT INTO URLs SELECT URL, Active FROM Old"));
    const Database db = tmp.open();
    EXPECT_FALSE(db.openRecordset(QStringLiteral("URLs")).ok());
    EXPECT_FALSE(db.openRecordset(kActive).ok());
    auto count = db.openRecordset(QStringLiteral("Select count(*) from URLs"));
    ASSERT_TRUE(count.ok());
    EXPECT_EQ(count.value().value(0).value(), Value(1));
    EXPECT_FALSE(count.value().updatable());
}

TEST(Recordset, AnUpdatePastTheFileSizeLimitFailsAndKeepsTheRowAsItWas)
{
    TempDatabase tmp;
    const qint64 key = tmp.addEntry(QStringLiteral("http://a.test/"), QStringLiteral("W"), {{"Content", Value("old")}});
    const Database db = tmp.open();
    auto rs = db.openRecordset(kActive);
    ASSERT_TRUE(rs.ok());
    const Value page(QString(1 << 20, QLatin1Char('n')));

    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
    const rlimit small {128 * 1024, saved.rlim_max};         // less than the page's write-ahead log
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool edited = rs.value().edit().ok() && rs.value().setValue(QStringLiteral("Content"), page).ok();
    const Status update = rs.value().update();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);

    ASSERT_TRUE(edited);
    EXPECT_FALSE(update.ok());
    rs.value().cancelUpdate();
    EXPECT_EQ(rs.value().value(QStringLiteral("Content")).value(), Value("old"));
    EXPECT_EQ(stored(tmp, key, "Content"), Value("old"));
    EXPECT_EQ(integrity(db), QStringLiteral("ok"));
    ASSERT_TRUE(rs.value().edit().ok() && rs.value().setValue(QStringLiteral("Content"), page).ok());
    ASSERT_TRUE(rs.value().update().ok());
    EXPECT_EQ(stored(tmp, key, "Content"), page);
}

TEST(Schema, SubjectTakesATextOfAnyLength)
{
    TempDatabase tmp;
    auto rs = tmp.open().openRecordset(QStringLiteral("URLs"));
    ASSERT_TRUE(rs.ok());
    const QString subject(1000, QLatin1Char('s'));
    const auto value = ColumnText::parse(subject, rs.value().field(QStringLiteral("Subject")).value());
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(value.value(), Value(subject));
}

TEST(Value, WholeNumbersRoundHalvesToEvenAndRefuseWhatDoesNotFit)
{
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    const struct {
        Value value;
        qint64 lo, hi;
        std::optional<qint64> expected;
    } cases[] = {
        {Value(2.5), -32768, 32767, 2},
        {Value(3.5), -32768, 32767, 4},
        {Value(-2.5), -32768, 32767, -2},
        {Value(32767.4), -32768, 32767, 32767},
        {Value(32767.5), -32768, 32767, std::nullopt},
        {Value(-32769), -32768, 32767, std::nullopt},
        {Value(" 12 "), -32768, 32767, 12},
        {Value("five"), -32768, 32767, std::nullopt},
        {Value(), -32768, 32767, std::nullopt},
        {Value(9223372036854775807.0), kMin, kMax, std::nullopt}, // the double is 2^63
        {Value(9223372036854774784.0), kMin, kMax, 9223372036854774784},
        {Value(-9223372036854775808.0), kMin, kMax, kMin},
    };
    for (const auto& c : cases) {
        const auto n = c.value.toWhole(c.lo, c.hi);
        EXPECT_EQ(n.ok() ? std::optional(n.value()) : std::nullopt, c.expected) << qPrintable(c.value.textOrEmpty());
    }
}
