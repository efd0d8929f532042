#include "QtPrinters.h"
#include "TempDatabase.h"

#include "store/ColumnText.h"
#include "store/NamedQueries.h"
#include "store/PageCacheFile.h"
#include "store/Transaction.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <tuple>

#include <sys/resource.h>

using namespace orvane;
using orvane::test::TempDatabase;

TEST(Database, OpenRefusesWhatIsNoUsableDatabaseAndLeavesItAsItWas)
{
    TempDatabase tmp;
    const QString empty = tmp.dir() + "/empty.mdb", text = tmp.dir() + "/text.mdb";
    std::ofstream(empty.toStdString());
    std::ofstream(text.toStdString()) << "A shopping list.\n";
    const Database holder = tmp.open(); // holds the file exclusively, in the middle of a write
    ASSERT_TRUE(holder.execute("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM URLs").ok());
    const std::tuple<QString, ErrorCode, qint64> cases[] = {
        // path, failure, size afterwards (-1: no file)
        {tmp.dir() + "/missing.mdb", ErrorCode::DbNotFound, -1},
        {empty, ErrorCode::DbNotADatabase, 0},
        {text, ErrorCode::DbNotADatabase, 17},
        {tmp.path(), ErrorCode::DbLocked, QFile(tmp.path()).size()}};
    for (const auto& [path, expected, size] : cases) {
        const auto db = Database::open(path, OpenOptions {50}); // the one wait for a lock, 50 ms
        EXPECT_TRUE(!db.ok() && db.failure().is(expected)) << qPrintable(path);
        EXPECT_EQ(QFile::exists(path) ? QFile(path).size() : -1, size) << qPrintable(path);
    }
}

TEST(Recordset, FindFirstLandsOnTheFirstRowWhoseColumnEqualsTheKeyAsItStands)
{
    TempDatabase tmp;
    const qint64 b = tmp.addEntry("http://b.test/"), a = tmp.addEntry("http://a.test/");
    tmp.addEntry(QStringLiteral("http://a.test/"));
    const qint64 quoted = tmp.addEntry("http://o'brien.test/?q='x'"), blanks = tmp.addEntry("http://c.test/  ");
    Recordset rs = tmp.open().openTable(QStringLiteral("URLs")).value();
    const std::pair<QString, qint64> cases[] = {
        // key, the row it lands on; when nothing matches, the first row stays current
        {QStringLiteral("%1").arg(QStringLiteral("http://a.test/"), -80), a}, // the key's blanks do not count
        {QStringLiteral("HTTP://A.TEST/"), b},                                // letter case counts
        {QStringLiteral("http://o'brien.test/?q='x'  "), quoted},
        {QStringLiteral("http://c.test/"), blanks}, // nor do the stored value's
        {QStringLiteral("x'; DELETE FROM URLs; --"), b},
    };
    for (const auto& [key, lands] : cases) {
        ASSERT_TRUE(rs.moveFirst().ok() && rs.findFirst(QStringLiteral("URL"), key).ok()) << qPrintable(key);
        EXPECT_EQ(rs.noMatch(), lands == b) << qPrintable(key);
        EXPECT_EQ(rs.bookmark(), lands) << qPrintable(key);
    }
    EXPECT_FALSE(rs.findFirst(QStringLiteral("No such column"), QStringLiteral("x")).ok());
    EXPECT_EQ(tmp.open().openTable(QStringLiteral("URLs")).value().recordCount(), 5);
}

// Texts are bound without a copy: each must reach its row whole, also two in
// one statement; a subject may be as long as a page.
TEST(Recordset, PagesOfManyStoragePagesAreStoredWhole)
{
    TempDatabase tmp;
    const QString page = QStringLiteral("line caf\u00e9 \u20ac \U0001F600\n").repeated(40000); // 1 to 4 bytes in UTF-8
    const qint64 keys[] = {tmp.addEntry("http://a.test/"), tmp.addEntry("http://b.test/")};
    const QString pages[] = {page, page.toUpper()};
    {
        Recordset rs = tmp.open().openTable(QStringLiteral("URLs"), NamedQueries::activeEntriesFilter()).value();
        EXPECT_EQ(ColumnText::parse(page, rs.field(2)).value(), Value(page)); // "Subject"
        for (const QString& p : pages)
            ASSERT_TRUE(rs.edit().ok() && rs.setValue(QStringLiteral("Content"), Value(p)).ok()
                        && rs.setValue(QStringLiteral("Subject"), Value(p.right(900))).ok() && rs.update().ok()
                        && rs.moveNext().ok());
    }
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(tmp.column(keys[i], QStringLiteral("Content")), Value(pages[i]));
        EXPECT_EQ(tmp.column(keys[i], QStringLiteral("Subject")), Value(pages[i].right(900)));
    }
}

TEST(Recordset, AnUpdatePastTheFileSizeLimitFailsAndKeepsTheRowAsItWas)
{
    TempDatabase tmp;
    const qint64 key = tmp.addEntry(QStringLiteral("http://a.test/"), QStringLiteral("W"), {{"Content", Value("old")}});
    const Database db = tmp.open();
    Recordset rs = db.openTable(QStringLiteral("URLs"), NamedQueries::activeEntriesFilter()).value();
    const Value page(QString(1 << 20, u'n'));
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
    const rlimit small {128 * 1024, saved.rlim_max};         // less than the page's write-ahead log
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool stored = rs.edit().ok() && rs.setValue(QStringLiteral("Content"), page).ok() && rs.update().ok();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);

    EXPECT_FALSE(stored);
    rs.cancelUpdate();
    EXPECT_EQ(rs.value(QStringLiteral("Content")).value(), Value("old"));
    EXPECT_EQ(tmp.column(key, QStringLiteral("Content")), Value("old"));
    EXPECT_EQ(db.runQuery(QStringLiteral("PRAGMA integrity_check")).value().value(0).value(), Value("ok"));
    ASSERT_TRUE(rs.edit().ok() && rs.setValue(QStringLiteral("Content"), page).ok() && rs.update().ok());
    EXPECT_EQ(tmp.column(key, QStringLiteral("Content")), page);
}

// A table is opened to be written: when it cannot be (here: no row keys),
// the open fails instead of giving rows it cannot store; a query still runs.
TEST(Recordset, ASourceThatCannotBeOpenedForWritingFails)
{
    TempDatabase tmp;
    tmp.addEntry(QStringLiteral("http://a.test/"));
    tmp.exec(QStringLiteral("ALTER TABLE URLs RENAME TO Old; CREATE TABLE URLs (URL TEXT PRIMARY KEY, Active INTEGER) "
                            "WITHOUT ROWID; INSERT INTO URLs SELECT URL, Active FROM Old"));
    const Database db = tmp.open();
    EXPECT_FALSE(db.openTable(QStringLiteral("URLs")).ok());
    EXPECT_FALSE(db.openTable(QStringLiteral("URLs"), NamedQueries::activeEntriesFilter()).ok());
    EXPECT_EQ(db.runQuery(QStringLiteral("Select count(*) from URLs")).value().value(0).value(), Value(1));
}

TEST(Value, WholeNumbersRoundHalvesToEvenAndRefuseWhatDoesNotFit)
{
    constexpr qint64 kMin = LLONG_MIN, kMax = LLONG_MAX;
    const struct { // not a tuple: GCC 12 takes its converting move for a read of an uninitialised value
        Value value;
        qint64 lo, hi;
        std::optional<qint64> expected;
    } cases[] = {
        {Value(2.5), -32768, 32767, 2},      {Value(-3.5), -32768, 32767, -4},
        {Value(32767.5), -32768, 32767, {}}, {Value(" 12 "), -32768, 32767, 12},
        {Value("five"), -32768, 32767, {}},  {Value(), -32768, 32767, {}},
        {Value(0x1p63), kMin, kMax, {}},     {Value(0x1p63 - 1024), kMin, kMax, 0x7ffffffffffffc00},
        {Value(-0x1p63), kMin, kMax, kMin},
    };
    for (const auto& [value, lo, hi, expected] : cases) {
        const auto n = value.toWhole(lo, hi);
        EXPECT_EQ(n.ok() ? std::optional(n.value()) : std::nullopt, expected) << qPrintable(value.textOrEmpty());
    }
    // A box's text for a column is refused one past the column's range.
    const FieldInfo small = FieldInfo::fromDeclaration(QStringLiteral("String offset"), QStringLiteral("SMALLINT"));
    for (const auto& [text, stored] :
         {std::pair {"32767", true}, {"32768", false}, {"-32768", true}, {"-32769", false}})
        EXPECT_EQ(ColumnText::parse(QLatin1String(text), small).ok(), stored) << text;
}

// Rows found by their ids, whatever their positions: a delete takes its row
// out of the walk, and an edit of a row another connection deleted fails
// instead of storing nowhere.
TEST(Recordset, DeleteAndEditFollowTheRowsOwnId)
{
    TempDatabase db;
    db.exec(QStringLiteral("INSERT INTO URLs (URL) VALUES ('gone')"));
    for (const char* url : {"a", "b", "c"})
        db.addEntry(QLatin1String(url));
    db.exec(QStringLiteral("DELETE FROM URLs WHERE URL = 'gone'")); // ids 2, 3, 4 at positions 1, 2, 3
    Database connection = db.open();
    Recordset rows = connection.openTable(QStringLiteral("URLs")).value();
    ASSERT_TRUE(rows.moveNext().ok() && rows.deleteCurrent().ok() && rows.moveNext().ok()); // b out; c took its place
    EXPECT_EQ(rows.value(QStringLiteral("URL")).value(), Value("c"));
    QStringList walked;
    for (Status s = rows.moveFirst(); s.ok() && !rows.eof(); s = rows.moveNext())
        walked << rows.value(QStringLiteral("URL")).value().textOrEmpty();
    EXPECT_EQ(walked, QStringList({"a", "c"}));

    ASSERT_TRUE(rows.moveFirst().ok() && rows.moveNext().ok() && rows.edit().ok() // c
                && rows.setValue(QStringLiteral("Subject"), Value("edited")).ok() && rows.update().ok());
    EXPECT_EQ(db.column(4, QStringLiteral("Subject")), Value("edited"));
    EXPECT_EQ(db.column(2, QStringLiteral("Subject")), Value("Weekly"));

    ASSERT_TRUE(rows.edit().ok());
    db.exec(QStringLiteral("DELETE FROM URLs WHERE rowid = 4"));
    ASSERT_TRUE(rows.setValue(QStringLiteral("Subject"), Value("lost")).ok());
    const Status update = rows.update();
    EXPECT_EQ(update.ok() ? 0 : update.failure().number, 6013);
}

// A transaction's work is stored only by its commit; let go, also after a
// failed step, it is rolled back at once, before the connection closes.
TEST(Transaction, StoresItsWorkOnlyWhenCommitted)
{
    enum class End { Commit, LetGo, FailedStep };
    // How the transaction ends, the URLs another connection then reads.
    const std::pair<End, const char*> cases[] = {{End::Commit, "a b after"},
                                                 {End::LetGo, "kept after"},
                                                 {End::FailedStep, "kept after"}};
    for (const auto& [end, urls] : cases) {
        TempDatabase tmp;
        tmp.exec(QStringLiteral("INSERT INTO URLs (URL) VALUES ('kept')"));
        const Database db = tmp.open();
        {
            Transaction transaction = Transaction::begin(db).value();
            ASSERT_TRUE(db.execute("DELETE FROM URLs; INSERT INTO URLs (URL) VALUES ('a'), ('b')").ok());
            // A step that fails: Active is -1 or 0.
            ASSERT_TRUE(end != End::FailedStep || !db.execute("INSERT INTO URLs (Active) VALUES (1)").ok());
            ASSERT_TRUE(end != End::Commit || transaction.commit().ok());
        }
        // Stored on its own only when no transaction is left open.
        ASSERT_TRUE(db.execute(QStringLiteral("INSERT INTO URLs (URL) VALUES ('after')")).ok());
        auto read = tmp.open().runQuery("SELECT group_concat(URL, ' ') FROM (SELECT URL FROM URLs ORDER BY rowid)");
        EXPECT_EQ(read.value().value(0).value().textOrEmpty(), QString::fromLatin1(urls)) << static_cast<int>(end);
    }
}

// The page cache gives back exactly what it kept, lets the least recently
// used pages go past its bound, remembers the servers caught saying 304 for
// a changed page, and starts afresh from a file that is no database.
TEST(PageCacheFile, KeepsExactlyWithinItsBoundAndStartsAfreshFromADamagedFile)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(PageCacheFile::kFileName);
    const QByteArray body(1000, '\0');           // bytes, not text
    constexpr qint64 kHeaders = 8 + 29 + 19 + 9; // the kept headers of each page below
    PageCacheFile cache(path, 3 * (body.size() + kHeaders));
    const auto page = [&](qint64 at) {
        return CachedPage {"W/\"5f-1\"",
                           "Mon, 07 Dec 2026 10:00:00 GMT",
                           "http://a.test/moved",
                           "text/html",
                           body,
                           "windows-1252",
                           QByteArray(16, '\x7f'),
                           at};
    };
    const qint64 hour = PageCacheFile::kUseResolutionMs;
    for (const auto& [address, at] : {std::pair {"a", 1}, {"b", 2}, {"c", 3}})
        ASSERT_TRUE(cache.keep(QString::fromLatin1(address), page(at)).ok());
    ASSERT_TRUE(cache.vouch(QStringLiteral("a"), 1 + hour).ok()); // used again an hour later: b is the oldest now
    ASSERT_TRUE(cache.keep(QStringLiteral("d"), page(4)).ok());
    const auto kept = [&](const char* address) { return cache.find(QString::fromLatin1(address), true).has_value(); };
    EXPECT_EQ(std::vector<bool>({kept("a"), kept("b"), kept("c"), kept("d")}),
              std::vector<bool>({true, false, true, true}));
    const auto a = cache.find(QStringLiteral("a"), true);
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(std::tie(a->etag, a->lastModified, a->finalUrl, a->contentType, a->body, a->charset, a->textDigest,
                       a->checkedAtMs),
              std::make_tuple(page(1).etag, page(1).lastModified, page(1).finalUrl, page(1).contentType, body,
                              page(1).charset, page(1).textDigest, qint64 {1}));
    ASSERT_TRUE(cache.vouch(QStringLiteral("c"), 2 * hour).ok()); // written when idle: d is the oldest now
    cache.idle();
    ASSERT_TRUE(PageCacheFile(path, 3 * (body.size() + kHeaders)).keep(QStringLiteral("e"), page(5)).ok());
    EXPECT_EQ(std::vector<bool>({kept("c"), kept("d"), kept("e")}), std::vector<bool>({true, false, true}));

    ASSERT_TRUE(cache.drop(QStringLiteral("c")).ok() && cache.distrust(QStringLiteral("d"), 5).ok());
    EXPECT_FALSE(kept("c") || kept("d") || cache.find(QStringLiteral("c"), false)); // its validators gone too
    EXPECT_TRUE(cache.distrusted(QStringLiteral("d")));
    cache.idle();
    EXPECT_EQ(PageCacheFile::distrustedAddresses(path).value(), QStringList({"d"}));

    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    std::ofstream(path.toStdString()) << std::string(4096, 'x');
    ASSERT_EQ(QFileInfo(path).size(), 4096);
    EXPECT_FALSE(kept("a"));
    ASSERT_TRUE(cache.keep(QStringLiteral("a"), page(6)).ok());
    EXPECT_TRUE(kept("a"));
    EXPECT_FALSE(cache.distrusted(QStringLiteral("d")));
}
