// Kills the program at random moments of its wake-up cycles and checks that
// the watch database survives every kill whole.

#include "AlternatingPages.h"
#include "CrashLoop.h"
#include "SmtpTestServer.h"
#include "TempDatabase.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <vector>

using namespace orvane;
using namespace orvane::test;

namespace {

constexpr int kRounds = 50;

struct WatchedPage {
    QString path;
    QString type;
    QString columns; // extra column settings, as SQL
    QByteArray first;
    QByteArray second;
    qint64 key = -1;
};

// About `bytes` bytes of page in which every line names its version (and the
// two versions' lines differ in length), so that a page pieced together from
// both versions, or cut short, equals neither.
QByteArray bigPage(char version, int bytes, const QByteArray& head)
{
    QByteArray page = "<html><body>" + head + "\n";
    const QByteArray filler = version == 'A' ? "" : " again";
    for (int line = 0; page.size() < bytes; ++line)
        page += "<p>version " + QByteArray(1, version) + filler + " line "
            + QByteArray::number(line).rightJustified(7, '0') + " caf\xc3\xa9 \xe2\x82\xac 10</p>\n";
    return page + "</body></html>\n";
}

std::vector<WatchedPage> watchedPages()
{
    std::vector<WatchedPage> pages;
    pages.push_back({QStringLiteral("/whole-big"), QStringLiteral("W"), QString(), bigPage('A', 1'500'000, ""),
                     bigPage('B', 1'500'000, "")});
    pages.push_back({QStringLiteral("/whole"), QStringLiteral("W"), QString(), bigPage('A', 400'000, ""),
                     bigPage('B', 400'000, "")});
    pages.push_back({QStringLiteral("/string"), QStringLiteral("S"),
                     QStringLiteral("\"String search\" = 'Price: ', \"String offset\" = 0, \"String length\" = 13"),
                     bigPage('A', 300'000, "Price: A-0001"), bigPage('B', 300'000, "Price: B-0002")});
    // The table alert fires on the second version only.
    pages.push_back({QStringLiteral("/table"), QStringLiteral("T"),
                     QStringLiteral("\"String search\" = 'ALERT', \"Table number\" = 1, \"Row number\" = 1, "
                                    "\"Column number\" = 1, \"Repeat count\" = 1, \"String offset\" = 0, "
                                    "\"String length\" = 5"),
                     bigPage('A', 200'000, "<table><tr><td>quiet</td></tr></table>"),
                     bigPage('B', 200'000, "<table><tr><td>ALERT</td></tr></table>")});
    return pages;
}

void storeContent(const TempDatabase& db, qint64 key, const QByteArray& page)
{
    auto rs = db.open().openRecordset(QStringLiteral("select * from URLs where rowid = %1").arg(key));
    ASSERT_TRUE(rs.ok());
    ASSERT_TRUE(rs.value().edit().ok());
    ASSERT_TRUE(rs.value().setValue(QStringLiteral("Content"), Value(QString::fromUtf8(page))).ok());
    ASSERT_TRUE(rs.value().update().ok());
}

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinishStatement {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinishStatement>;

StatementHandle prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    return StatementHandle(raw);
}

QByteArray textAt(sqlite3_stmt* s, int column)
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, column));
    return QByteArray(bytes, sqlite3_column_bytes(s, column));
}

// The file sound, the settings row there and every entry there, each
// holding one of its two pages whole.
testing::AssertionResult contentsAreWhole(sqlite3* db, const std::vector<WatchedPage>& pages,
                                          const AlternatingPages& server)
{
    auto check = prepare(db, "PRAGMA integrity_check");
    if (!check)
        return testing::AssertionFailure() << "integrity_check: " << sqlite3_errmsg(db);
    QByteArray report;
    while (sqlite3_step(check.get()) == SQLITE_ROW)
        report += (report.isEmpty() ? "" : "; ") + textAt(check.get(), 0);
    if (report != "ok")
        return testing::AssertionFailure() << "integrity_check says: " << report.toStdString();

    auto settings = prepare(db, "SELECT count(*) FROM System");
    if (!settings || sqlite3_step(settings.get()) != SQLITE_ROW || sqlite3_column_int(settings.get(), 0) != 1)
        return testing::AssertionFailure() << "the settings row is gone";

    auto entries = prepare(db, "SELECT rowid, URL, Content FROM URLs ORDER BY rowid");
    if (!entries)
        return testing::AssertionFailure() << "cannot read URLs: " << sqlite3_errmsg(db);
    size_t seen = 0;
    while (sqlite3_step(entries.get()) == SQLITE_ROW) {
        if (seen >= pages.size())
            return testing::AssertionFailure() << "an entry too many, rowid " << sqlite3_column_int64(entries.get(), 0);
        const WatchedPage& page = pages[seen++];
        if (sqlite3_column_int64(entries.get(), 0) != page.key)
            return testing::AssertionFailure() << "entry " << page.path.toStdString() << " is gone";
        if (textAt(entries.get(), 1) != server.url(page.path).toUtf8())
            return testing::AssertionFailure() << "entry " << page.path.toStdString() << " has another URL";
        if (sqlite3_column_type(entries.get(), 2) == SQLITE_NULL)
            return testing::AssertionFailure() << "entry " << page.path.toStdString() << " lost its content";
        const QByteArray content = textAt(entries.get(), 2);
        if (content != page.first && content != page.second)
            return testing::AssertionFailure()
                << "entry " << page.path.toStdString() << " holds neither page but " << content.size()
                << " bytes starting " << content.left(60).toStdString();
    }
    if (seen != pages.size())
        return testing::AssertionFailure() << "only " << seen << " of " << pages.size() << " entries left";
    return testing::AssertionSuccess();
}

// Opened straight through SQLite, which drops an interrupted write first.
testing::AssertionResult databaseIsWhole(const TempDatabase& db, const std::vector<WatchedPage>& pages,
                                         const AlternatingPages& server)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(db.path().toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DatabaseHandle handle(raw);
    if (rc != SQLITE_OK)
        return testing::AssertionFailure() << "cannot open the database: " << sqlite3_errstr(rc);
    if (auto whole = contentsAreWhole(raw, pages, server); !whole)
        return whole;
    // The last connection to close folds the log back into the file.
    handle.reset();
    if (QFile::exists(db.path() + QStringLiteral("-wal")))
        return testing::AssertionFailure() << "the write-ahead log outlived the last connection";
    return testing::AssertionSuccess();
}

quint32 bigEndian32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
}

// Whether the write-ahead log left by a killed writer ends in a write that
// was never committed: frames of the log's current generation (same salts
// as its header) after its last commit frame, or a frame cut short.
bool endsInUncommittedWrite(const QString& walPath)
{
    QFile file(walPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wal = file.readAll();
    constexpr qsizetype kHeader = 32;
    constexpr qsizetype kFrameHeader = 24;
    if (wal.size() < kHeader)
        return false;
    const qsizetype pageSize = bigEndian32(wal.constData() + 8);
    const QByteArray salts = wal.mid(16, 8);
    bool pending = false;
    for (qsizetype at = kHeader; at + kFrameHeader <= wal.size(); at += kFrameHeader + pageSize) {
        if (wal.mid(at + 8, 8) != salts)
            break; // an older generation's frame
        if (at + kFrameHeader + pageSize > wal.size())
            return true;
        pending = bigEndian32(wal.constData() + at + 4) == 0; // a commit frame holds the database size
    }
    return pending;
}

} // namespace

TEST(CycleCrash, KilledAtRandomMomentsTheDatabaseKeepsEveryEntryWhole)
{
    SmtpTestServer smtp;
    ASSERT_TRUE(smtp.start());
    AlternatingPages server;
    TempDatabase db;
    db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 1, \"Mail server\" = '127.0.0.1', \"SMTP Port\" = %1")
                .arg(smtp.port()));

    std::vector<WatchedPage> pages = watchedPages();
    for (WatchedPage& page : pages) {
        server.set(page.path, page.first, page.second);
        page.key = db.addEntry(server.url(page.path), page.type);
        if (!page.columns.isEmpty())
            db.exec(QStringLiteral("UPDATE URLs SET %1 WHERE rowid = %2").arg(page.columns).arg(page.key));
        storeContent(db, page.key, page.first);
    }
    ASSERT_FALSE(HasFailure());

    const unsigned seed = CrashLoop::seedFromEnvironment();
    RecordProperty("seed", std::to_string(seed));
    std::cout << "kill delays drawn with ORVANE_CRASH_SEED=" << seed << std::endl;
    CrashLoop loop(QStringLiteral(ORVANE_CYCLE_DRIVER), {db.dir()}, seed);

    // The kills spread over the first two and a half cycles after start-up.
    const auto cycle = loop.timeUnits(2);
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(databaseIsWhole(db, pages, server));
    const auto maxDelay = std::max(cycle * 5 / 2, std::chrono::milliseconds(50));

    const QString wal = db.path() + QStringLiteral("-wal");
    int killedMidWrite = 0;
    int cyclesDone = 0;
    const auto rounds = loop.run(kRounds, maxDelay, [&](const CrashLoop::Round& round) {
        killedMidWrite += endsInUncommittedWrite(wal) ? 1 : 0;
        cyclesDone += round.unitsDone;
        return databaseIsWhole(db, pages, server);
    });
    ASSERT_EQ(rounds.size(), static_cast<size_t>(kRounds));

    std::cout << kRounds << " kills within " << maxDelay.count() << " ms of start-up (a cycle takes "
              << cycle.count() << " ms): " << cyclesDone << " cycles finished, " << killedMidWrite
              << " kills inside a write" << std::endl;
    RecordProperty("cycles_finished", cyclesDone);
    RecordProperty("kills_inside_a_write", killedMidWrite);
    // The kills must have landed amid the cycles' work and not all before it.
    EXPECT_GE(cyclesDone, kRounds / 2);
    // Every finished cycle stores and mails at least two pages: a kill between
    // a fetch and its store costs one entry one store in the next cycle.
    EXPECT_GE(static_cast<int>(smtp.messages().size()), 2 * cyclesDone);
}
