// Cycles of the real engine, fetcher and database, mail recorded, fetching
// ahead and one by one to the same outcome.

#include "CycleHarness.h"
#include "PageServer.h"
#include "QtPrinters.h"
#include "SmtpTestServer.h"

#include "net/CurlMailClient.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace orvane;
using namespace orvane::test;

namespace {

// Three cycles over nine entries; every "Content" after each lands in `contents`.
std::unique_ptr<Engine> runCycles(PageServer& pages, Fetcher& fetcher, std::vector<Value>& contents)
{
    auto e = std::make_unique<Engine>(fetcher);
    const std::string far = std::string(33000, 'x') + "Price: 1";
    const auto table = [](std::string cell) { return "<table><tr><td>x<tr><td>a<td>b<td>" + cell + "</table>"; };
    const auto entry = [&](const char* path, const char* type = "W", TempDatabase::Columns columns = {}) {
        return e->db.addEntry(pages.url(path), QLatin1String(type), columns);
    };
    // clang-format off
    const qint64 keys[] = {
        entry("/a"),
        entry("/s", "S", {{"String search", Value("Price:")}, {"String offset", Value(1)}, {"String length", Value(4)}}),
        // Found past what MatchPos holds: a change each time, at the position the entry before left.
        entry("/far", "S", {{"String search", Value("Price:")}, {"String offset", Value(0)}, {"String length", Value(5)}}),
        entry("/t", "T", {{"Table number", Value(1)}, {"Row number", Value(2)}, {"Column number", Value(3)},
                          {"Repeat count", Value(1)}, {"String offset", Value(3)}, {"String length", Value(5)},
                          {"String search", Value("Alpha")}}),
        entry("/e", "W", {{"EMail", Value("fail@example.test")}}),
        entry("/a"), entry("/f"), entry("/g"), entry("/h", "X"),
    };
    entry("/off", "W", {{"Active", Value(0)}});
    EXPECT_TRUE(e->watcher.load(false));
    EXPECT_TRUE(QDir::setCurrent(QDir::tempPath())); // the files are found by their full paths
    const auto cycle = [&](std::map<std::string, std::string> served) {
        pages.set(std::move(served));
        e->watcher.tick();
        for (qint64 key : keys)
            contents.push_back(e->db.column(key, QStringLiteral("Content")));
    };
    cycle({{"/a", "<p>A</p>"}, {"/s", "Price: 10 EUR"}, {"/far", far}, {"/t", table("Alpha")}, {"/e", "E"},
           {"/f", "F"}, {"/g", "G"}, {"/h", "H"}});
    QStringList active;
    for (const char* path : {"/a", "/s", "/far", "/t", "/e", "/a", "/f", "/g", "/h"})
        active << pages.url(path);
    EXPECT_EQ(fetcher.announced, active);
    EXPECT_EQ(fetcher.idles, 1);
    // Eight mails, the one to fail@ refused: what `orvane-db status` reports.
    const CycleFigures first = e->watcher.snapshot().progress.cycle;
    EXPECT_EQ(std::make_pair(first.mailsSent, first.mailsFailed), std::make_pair(7, 1));
    // Changes everywhere and /f gone: watching halts there, its connections closed.
    cycle({{"/a", "<P>A</P>"}, {"/s", "Price: 12 EUR"}, {"/far", far}, {"/t", table("Beta")}, {"/e", "E"},
           {"/g", "G2"}, {"/h", "H"}});
    EXPECT_TRUE(e->halted() && e->workspace.watchDatabase.isOpen());
    EXPECT_EQ(e->view.statusText, pages.url("/f"));
    EXPECT_EQ(e->scratchFile(), QByteArray("<P>A</P>")); // the last page taken, none fetched ahead
    EXPECT_EQ(fetcher.idles, 2);
    e->watcher.openPropertiesWindow();
    // While the cycle mails its first change, the last entry is pointed elsewhere.
    const qsizetype before = e->mailer.mails.size();
    e->mailer.sent = [&pages, engine = e.get(), before, key = keys[7]] {
        if (engine->mailer.mails.size() == before + 1)
            engine->db.exec(
                QStringLiteral("UPDATE URLs SET URL = '%1' WHERE rowid = %2").arg(pages.url("/g3")).arg(key));
    };
    cycle({{"/a", "<P>A</P>"}, {"/s", "Price: 12 EUR"}, {"/far", far}, {"/t", table("Beta")}, {"/e", "E"},
           {"/f", "F"}, {"/g", "G2"}, {"/g3", "G3"}, {"/h", "H \xE2\x82\xAC"}});
    // clang-format on
    EXPECT_FALSE(e->halted());
    EXPECT_EQ(e->scratchFile(), QByteArray("H \x80")); // the last page fetched, compared or not, in Windows-1252
    return e;
}

} // namespace

// One by one, worked out by hand: w whole page, s string search, t table
// alert; the halt at the vanished /f stores nothing after it.
TEST(WakeUpCycle, AHaltStoresNothingAfterItAndEachMailCountsThePageStored)
{
    PageServer pages;
    ASSERT_TRUE(pages.started);
    Fetcher oneByOne(false);
    std::vector<Value> contents;
    const auto e = runCycles(pages, oneByOne, contents);
    const QString w = "Whole page changed : Weekly", s = "Page changed (string search) : Weekly",
                  t = "Page changed (table alert) : Weekly", fault = "Page fault : Weekly";
    EXPECT_EQ(e->mailer.subjects, QStringList({w, s, s, t, w, w, w, w, /**/ w, s, s, w, fault, /**/ s, w}));
    EXPECT_EQ(e->messages.shown.size(), 1u);     // the failed mail
    EXPECT_EQ(contents[9 * 1 + 7], Value("G"));  // not stored after the halt
    EXPECT_EQ(contents[9 * 2 + 7], Value("G3")); // fetched at its new address
    // Its mail counts the page just stored, "G3" and 2, not the "G" before it.
    EXPECT_TRUE(e->mailer.mails.last().contains("\nContent-Length:  4\n"));
}

// Ahead with the program's bounds, and two at a time, three pages ahead, held
// paused until their turn: the same mails, boxes, captions and pages.
TEST(WakeUpCycle, FetchingAheadChangesNothingOfOneByOne)
{
    PageServer pages;
    ASSERT_TRUE(pages.started);
    Fetcher oneByOne(false);
    std::vector<Value> contents;
    const auto expected = runCycles(pages, oneByOne, contents);
    CurlPageFetcher::Options tight;
    tight.maxTransfers = 2;
    tight.maxWaitingBytes = 1;
    tight.maxPagesAhead = 3;
    for (const CurlPageFetcher::Options& options : {CurlPageFetcher::Options(), tight}) {
        Fetcher ahead(true, options);
        std::vector<Value> aheadContents;
        const auto got = runCycles(pages, ahead, aheadContents);
        EXPECT_EQ(got->mailer.mails, expected->mailer.mails);
        EXPECT_EQ(got->messages.shown, expected->messages.shown);
        EXPECT_EQ(got->view.captions, expected->view.captions);
        EXPECT_EQ(aheadContents, contents);
    }
}

// The first tick wakes; from then on every Wake-up-th tick does. A search
// type is compared exactly: a lower-case one is fetched, never compared. A
// table search that fails counts as a table alert.
TEST(WakeUpCycle, WakesEveryWakeUpTicksAndComparesOnlyItsOwnTypes)
{
    ScriptedFetcher fetcher;
    Engine e(fetcher);
    e.db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 3"));
    std::vector<qint64> keys;
    for (const char* type : {"w", "s", "t", "T"}) {
        const QString url = QStringLiteral("http://page.test/") + QLatin1String(type) + QString::number(keys.size());
        // clang-format off
        keys.push_back(e.db.addEntry(url, QLatin1String(type), {{"Content", Value("old")}, {"String search", Value("n")},
            {"String length", Value(3)}, {"Table number", Value(1)}, {"Repeat count", Value(-1)}}));
        // clang-format on
        fetcher.pages.emplace(url, QStringLiteral("new"));
    }
    ASSERT_TRUE(e.watcher.load(false));
    for (const size_t fetched : {4, 4, 4, 8, 8, 8, 12}) {
        e.watcher.tick();
        EXPECT_EQ(fetcher.requested.size(), fetched);
    }
    EXPECT_EQ(e.mailer.subjects, QStringList(3, QStringLiteral("Page changed (table alert) : Weekly")));
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(e.db.column(keys[i], QStringLiteral("Content")), Value(i < 3 ? "old" : "new"));
}

// Five changes mailed in one second, then a restart within that second and
// one more: six mails through a real server, each with an id of its own that
// begins with the second's value.
TEST(WakeUpCycle, EveryMailOfASecondHasItsOwnMessageId)
{
    SmtpTestServer smtp;
    ASSERT_TRUE(smtp.start());
    Recorders r;
    r.db.exec(QStringLiteral("UPDATE System SET \"Mail server\" = '127.0.0.1', \"SMTP Port\" = '%1'").arg(smtp.port()));
    ScriptedFetcher fetcher;
    for (int i = 0; i < 5; ++i) {
        const QString url = QStringLiteral("http://page.test/%1").arg(i);
        r.db.addEntry(url);
        fetcher.pages.emplace(url, QStringLiteral("new"));
    }
    for (const char* first : {"new", "newer"}) { // as a new program, with a client of its own
        fetcher.pages.insert_or_assign(QStringLiteral("http://page.test/0"), QString::fromLatin1(first));
        CurlMailClient mailer({.netrcFile = QStringLiteral("/nonexistent/netrc"), .hostName = QStringLiteral("vm")});
        StandInWatcher w(r.db.dir(), fetcher, mailer);
        ASSERT_TRUE(w.watcher.load(false));
        w.watcher.tick();
        EXPECT_TRUE(w.messages.shown.empty());
    }
    const auto mails = smtp.messages();
    ASSERT_EQ(mails.size(), 6u);
    const QRegularExpression form(QStringLiteral("^<202612452205_Sentrel\\.[1-5]\\.[0-9a-z]+@vm>$"));
    std::set<QString> ids;
    for (const auto& mail : mails) {
        const QString id = mail.headers.at(2).second;
        EXPECT_TRUE(form.match(id).hasMatch()) << id.toStdString();
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 6u);
}

// Pages with no text, each watched by a filled-in entry of every type on a
// first visit (Content Null) and a second, unchanged one. A Null Content
// reads as the empty text, so an empty page is no whole-page change; a
// search text missing at offset 0 is a change at every visit; the byte-order
// mark is no text of the page.
TEST(WakeUpCycle, PagesWithoutTextOnAFirstAndASecondVisit)
{
    PageServer pages;
    ASSERT_TRUE(pages.started);
    const std::string blanks = " \t\r\n  ", mark = "\xEF\xBB\xBF";
    const QString w = "Whole page changed : Weekly", s = "Page changed (string search) : Weekly",
                  noTable = "No table to find (table alert) : Weekly";
    const struct {
        std::string page;
        const char* type;
        int offset;
        Value content; // after either visit
        QStringList first, second;
        QByteArray scratch; // URL.html after either visit
    } cases[] = {
        {"", "W", 0, Value(), {}, {}, ""},
        {blanks, "W", 0, Value(blanks.c_str()), {w}, {}, " \t\r\n  "},
        {mark, "W", 0, Value(), {}, {}, ""},
        {"", "S", 0, Value(""), {s}, {s}, ""}, // cut at position 0
        {blanks, "S", 0, Value(blanks.c_str()), {s}, {s}, " \t\r\n  "},
        {mark, "S", 0, Value(""), {s}, {s}, ""},
        {"", "S", -3, Value(), {}, {}, ""},                             // position 0 + 6 - 3 = 3 lies past both pages
        {blanks, "S", -3, Value(blanks.c_str()), {s}, {}, " \t\r\n  "}, // "" then "\r\n  " against itself
        {mark, "S", -3, Value(), {}, {}, ""},
        {"", "T", 3, Value(), {noTable}, {noTable}, ""},
        {blanks, "T", 3, Value(), {noTable}, {noTable}, " \t\r\n  "},
        {mark, "T", 3, Value(), {noTable}, {noTable}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases) + 1);
        Fetcher fetcher(false);
        Engine e(fetcher);
        // clang-format off
        const qint64 key = e.db.addEntry(pages.url("/p"), QLatin1String(c.type), {{"String search", Value("Price:")},
            {"String offset", Value(c.offset)}, {"String length", Value(5)}, {"Table number", Value(1)},
            {"Row number", Value(1)}, {"Column number", Value(1)}, {"Repeat count", Value(1)},
            {"Added", Value("2026-12-01 09:00:00")}});
        // clang-format on
        ASSERT_TRUE(e.watcher.load(false));
        pages.set({{"/p", c.page}});
        for (const QStringList* mails : {&c.first, &c.second}) {
            QFile stale(QDir(e.db.dir()).filePath(QStringLiteral("URL.html")));
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly) && stale.write("stale") == 5);
            stale.close();
            e.mailer.subjects.clear();
            e.watcher.tick();
            EXPECT_EQ(pages.requests("/p"), mails == &c.first ? 1 : 2);
            EXPECT_EQ(e.mailer.subjects, *mails);
            EXPECT_EQ(e.db.column(key, QStringLiteral("Content")), c.content);
            EXPECT_EQ(e.scratchFile(), c.scratch);
            EXPECT_FALSE(e.halted());
        }
    }
}
