// Kills the URL definition window at random moments of its saves and checks
// that the watch database survives every kill whole: no row lost, no row
// holding half of one save and half of another, no added row half stored.

#include "CrashLoop.h"
#include "SaveValues.h"
#include "TempDatabase.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>

using namespace orvane;
using namespace orvane::test;

namespace {

constexpr int kRounds = 50;
constexpr int kStoredRows = 6;

// The columns a save never changes, as one text: EMail, Active, the search
// settings and Content.
constexpr const char* kUnchangedColumns =
    "quote(EMail) || '|' || quote(Active) || '|' || quote(\"Search type\") || '|' || quote(\"String offset\") || '|' "
    "|| quote(\"String length\") || '|' || quote(\"Table number\") || '|' || quote(\"Row number\") || '|' "
    "|| quote(\"Column number\") || '|' || quote(\"Repeat count\") || '|' || quote(Content)";

// What "&New" puts in those columns: the address typed, "Active" ticked,
// "Whole page", offset 0, length 1, table, row, column and repeats 1, and
// no page yet.
const QByteArray kAddedUnchanged = "'added@example.test'|-1|'W'|0|1|1|1|1|1|NULL";

struct Row {
    QByteArray url;
    QByteArray unchanged;
};

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinishStatement {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinishStatement>;

StatementHandle prepare(sqlite3* db, const QByteArray& sql)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &raw, nullptr);
    return StatementHandle(raw);
}

QByteArray textAt(sqlite3_stmt* s, int column)
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, column));
    return QByteArray(bytes, sqlite3_column_bytes(s, column));
}

// The two versions a row may hold, as stored.
struct Versions {
    QByteArray subjectA = savedSubject('A').toUtf8();
    QByteArray subjectB = savedSubject('B').toUtf8();
    QByteArray searchA = savedSearch('A').toUtf8();
    QByteArray searchB = savedSearch('B').toUtf8();
};

// Checks the file against the rows known before the kill and adds the rows
// the killed run added; `added` counts them, `flipped` the rows whose
// version changed.
class Ledger {
public:
    std::map<qint64, Row> rows;
    std::map<qint64, char> version;
    // Set for the first look, which takes the rows found as they are.
    bool learning = true;

    testing::AssertionResult check(sqlite3* db, int& added, int& flipped)
    {
        added = 0;
        flipped = 0;
        auto integrity = prepare(db, "PRAGMA integrity_check");
        if (!integrity)
            return testing::AssertionFailure() << "integrity_check: " << sqlite3_errmsg(db);
        QByteArray report;
        while (sqlite3_step(integrity.get()) == SQLITE_ROW)
            report += (report.isEmpty() ? "" : "; ") + textAt(integrity.get(), 0);
        if (report != "ok")
            return testing::AssertionFailure() << "integrity_check says: " << report.toStdString();

        auto select = prepare(db, QByteArray("SELECT rowid, URL, ") + kUnchangedColumns
                                      + ", Subject, \"String search\", Added FROM URLs ORDER BY rowid");
        if (!select)
            return testing::AssertionFailure() << "cannot read URLs: " << sqlite3_errmsg(db);
        size_t knownSeen = 0;
        std::map<qint64, Row> fresh;
        while (sqlite3_step(select.get()) == SQLITE_ROW) {
            const qint64 rowid = sqlite3_column_int64(select.get(), 0);
            const Row row{textAt(select.get(), 1), textAt(select.get(), 2)};
            const std::string name = "row " + std::to_string(rowid) + " (" + row.url.toStdString() + ")";
            if (auto known = rows.find(rowid); known != rows.end()) {
                ++knownSeen;
                if (row.url != known->second.url || row.unchanged != known->second.unchanged)
                    return testing::AssertionFailure() << name << " changed columns no save touches: "
                                                       << row.unchanged.toStdString();
            } else {
                if (!learning && (!row.url.startsWith(kAddedUrlStart.toUtf8()) || row.unchanged != kAddedUnchanged
                    || sqlite3_column_type(select.get(), 5) == SQLITE_NULL))
                    return testing::AssertionFailure() << "a row added in part or from nowhere: " << name
                                                       << ", " << row.unchanged.toStdString();
                fresh.emplace(rowid, row);
            }
            const QByteArray subject = textAt(select.get(), 3);
            const QByteArray search = textAt(select.get(), 4);
            char now = 0;
            if (subject == versions_.subjectA && search == versions_.searchA)
                now = 'A';
            else if (subject == versions_.subjectB && search == versions_.searchB)
                now = 'B';
            else
                return testing::AssertionFailure()
                    << name << " holds no whole version: a subject of " << subject.size() << " bytes starting "
                    << subject.left(24).toStdString() << ", a search of " << search.toStdString();
            auto& before = version[rowid];
            flipped += before != 0 && before != now ? 1 : 0;
            before = now;
        }
        if (knownSeen != rows.size())
            return testing::AssertionFailure() << (rows.size() - knownSeen) << " of " << rows.size()
                                               << " rows are gone";
        added = learning ? 0 : static_cast<int>(fresh.size());
        learning = false;
        rows.merge(fresh);
        return testing::AssertionSuccess();
    }

private:
    Versions versions_;
};

// Opened straight through SQLite, which drops an interrupted write first.
testing::AssertionResult databaseIsWhole(const TempDatabase& db, Ledger& ledger, int& added, int& flipped)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(db.path().toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DatabaseHandle handle(raw);
    if (rc != SQLITE_OK)
        return testing::AssertionFailure() << "cannot open the database: " << sqlite3_errstr(rc);
    if (auto whole = ledger.check(raw, added, flipped); !whole)
        return whole;
    // The last connection to close folds the log back into the file.
    handle.reset();
    if (QFile::exists(db.path() + QStringLiteral("-wal")))
        return testing::AssertionFailure() << "the write-ahead log outlived the last connection";
    return testing::AssertionSuccess();
}

} // namespace

TEST(SaveCrash, KilledAtRandomMomentsOfItsSavesTheWindowLeavesEveryRowWhole)
{
    TempDatabase db;
    for (int i = 1; i <= kStoredRows; ++i) {
        const qint64 key = db.addEntry(QStringLiteral("http://kept.test/%1").arg(i, 6, 10, QLatin1Char('0')),
                                       QStringLiteral("S"), i % 2 == 0);
        db.exec(QStringLiteral("UPDATE URLs SET Subject = '%1', \"String search\" = '%2', \"String offset\" = %3, "
                               "\"String length\" = 7, Content = '<p>page %3</p>' WHERE rowid = %4")
                    .arg(savedSubject('A'), savedSearch('A'))
                    .arg(i)
                    .arg(key));
    }

    Ledger ledger;
    int added = 0;
    int flipped = 0;
    ASSERT_TRUE(databaseIsWhole(db, ledger, added, flipped));
    ASSERT_EQ(ledger.rows.size(), static_cast<size_t>(kStoredRows));

    const unsigned seed = CrashLoop::seedFromEnvironment();
    RecordProperty("seed", std::to_string(seed));
    std::cout << "kill delays drawn with ORVANE_CRASH_SEED=" << seed << std::endl;
    CrashLoop loop(QStringLiteral(ORVANE_SAVE_DRIVER), {db.dir()}, seed);

    // The kills spread over a couple of dozen saves after start-up.
    const auto save = loop.timeUnits(8);
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(databaseIsWhole(db, ledger, added, flipped));
    ASSERT_EQ(added, 2); // the fourth and eighth saves, both reported done
    const auto maxDelay = std::clamp(save * 25, std::chrono::milliseconds(50), std::chrono::milliseconds(300));

    int savesDone = 0;
    int rowsAdded = 0;
    int rowsFlipped = 0;
    const auto rounds = loop.run(kRounds, maxDelay, [&](const CrashLoop::Round& round) -> testing::AssertionResult {
        if (auto whole = databaseIsWhole(db, ledger, added, flipped); !whole)
            return whole;
        savesDone += round.unitsDone;
        rowsAdded += added;
        rowsFlipped += flipped;
        // Every fourth save adds a row. A save reported done is in the file;
        // the one under way when the kill came may be too.
        const int reported = round.unitsDone / 4;
        const int underWay = (round.unitsDone + 1) / 4;
        if (added < reported || added > underWay)
            return testing::AssertionFailure() << added << " rows added after " << round.unitsDone
                                               << " saves reported done";
        return testing::AssertionSuccess();
    });
    ASSERT_EQ(rounds.size(), static_cast<size_t>(kRounds));

    std::cout << kRounds << " kills within " << maxDelay.count() << " ms of start-up (a save takes " << save.count()
              << " ms): " << savesDone << " saves reported done, " << rowsAdded << " rows added, " << rowsFlipped
              << " rows switched version" << std::endl;
    RecordProperty("saves_done", savesDone);
    // The kills must have landed amid the saves and not all before them.
    EXPECT_GE(savesDone, kRounds);
    EXPECT_GT(rowsAdded, 0);
    EXPECT_GT(rowsFlipped, 0);
}
