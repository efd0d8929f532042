// The wake-up cycle of the real engine, run headless over N watch entries
// whose pages a local HTTP server serves, with the real SMTP test server
// taking the alerts; in the same run the floor it is measured against: a
// bare libcurl loop fetching the same pages (and, when every page changed,
// sending the same mails).
//
//   cycle_bench [--entries 200,1000] [--reps 3] [--big-mib 20] [--cycles 100]
//               [--pages unchanged|changed|both]
//
// Prints per scenario the median cycle time per entry, the floor per entry,
// their ratio, mails per second and the peak resident memory of the cycle;
// then the memory one big page costs, and the threads and open files before
// and after a run of many cycles. Exits non-zero when the engine did not
// behave (a mail missing or too many, a message box, a failed fetch).

#include "BareFetchLoop.h"
#include "BareMailSender.h"
#include "BareStoreLoop.h"
#include "HeadlessWatcher.h"
#include "PageMaker.h"
#include "PageServerProcess.h"
#include "ProcessFootprint.h"
#include "SmtpTestServer.h"
#include "TempDatabase.h"

#include "host/HeapPolicy.h"
#include "net/CurlMailClient.h"
#include "net/CurlPageFetcher.h"
#include "store/Columns.h"
#include "store/WatchStore.h"

#include <QCoreApplication>
#include <QStringList>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace orvane;
using namespace orvane::bench;

namespace {

struct Options {
    std::vector<int> entries {200, 1000};
    int reps = 3;
    int bigMib = 20;
    int cycles = 100;
    std::vector<int> pages {0, 1}; // unchanged, changed
};

enum class Pages { Unchanged = 0, Changed = 1 };

const char* const kRecipient = "watcher@bench.local";
constexpr int kUnchangedRepsFactor = 5;

bool failed = false;

void check(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        failed = true;
    }
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString searchType(int i)
{
    static const SearchType types[] = {SearchType::WholePage, SearchType::StringSearch, SearchType::TableSearch};
    return searchTypeCode(types[i % 3]);
}

// The i-th watch entry of the benchmark, its search aimed by its type.
WatchEntry benchEntry(const QString& url, int i)
{
    WatchEntry entry;
    entry.set(Columns::kUrl, Value(url));
    entry.set(Columns::kEMail, Value(kRecipient));
    entry.set(Columns::kSubject, Value("Bench"));
    entry.set(Columns::kActive, Value(Columns::kYes));
    entry.set(Columns::kSearchType, Value(searchType(i)));
    if (i % 3 == 1)
        PageMaker::aimStringSearch(entry);
    else if (i % 3 == 2)
        PageMaker::aimTableSearch(entry);
    return entry;
}

// A fresh Sentrel.mdb whose watch entries point at the page server; each
// entry's stored content is version 0 of its page. Entries go in batches,
// so that the bench never holds every page at once, each row written once.
void fill(const test::TempDatabase& db, const PageServerProcess& server, Pages pages, int count, int smtpPort)
{
    db.setSettings(1, QStringLiteral("127.0.0.1"), smtpPort);
    const WatchStore store(db.open());
    const QString path = pages == Pages::Unchanged ? QStringLiteral("/u/%1") : QStringLiteral("/c/%1");
    constexpr int kBatch = 64; // entries (of about 200 KB as text) held at once
    for (int first = 0; first < count; first += kBatch) {
        std::vector<WatchEntry> batch;
        for (int i = first; i < count && i < first + kBatch; ++i) {
            WatchEntry entry = benchEntry(server.url(path.arg(i)), i);
            entry.set(Columns::kContent, Value(QString::fromStdString(PageMaker::page(i, 0, pages == Pages::Changed))));
            batch.push_back(std::move(entry));
        }
        qsizetype failedAt = -1;
        check(store.addAll(batch, failedAt).ok(), "store entries");
    }
}

// The mail the watcher sends for a changed entry, as the server receives it.
std::string alertMail(const std::string& url, int i)
{
    static const char* const subjects[] = {"Whole page changed", "Page changed (string search)",
                                           "Page changed (table alert)"};
    return std::string("To: ") + kRecipient + "\r\nSubject: " + subjects[i % 3]
        + " : Bench\r\nMessage-Id: 202612452205_Sentrel\r\nContent-Type: TEXT/PLAIN; charset=US-ASCII\r\n"
          "Content-Length:  102402\r\nFrom: Sentrel\r\n\r\n"
          "The following URL has changed or a table change alert has been triggered : "
        + url + "\r\n";
}

struct Floor {
    double fetch = 0; // seconds for all the pages
    double mail = 0;  // seconds for all the mails
};

Floor runFloor(BareFetchLoop& loop, BareMailSender& sender, const std::vector<std::string>& urls, Pages pages)
{
    Floor floor;
    bool fetched = true;
    bool sent = true;
    for (size_t i = 0; i < urls.size(); ++i) {
        auto t = std::chrono::steady_clock::now();
        fetched = loop.fetch(urls[i]) && fetched;
        floor.fetch += seconds(t);
        if (pages == Pages::Changed) {
            const std::string mail = alertMail(urls[i], static_cast<int>(i));
            t = std::chrono::steady_clock::now();
            sent = sender.send(mail) && sent;
            floor.mail += seconds(t);
        }
    }
    check(fetched, "bare fetch");
    check(sent, "bare mail send");
    return floor;
}

// Seconds per page for storing the changed pages durably, and nothing else.
double runStores(const test::TempDatabase& db, int count)
{
    BareStoreLoop loop(db.path().toStdString());
    bool stored = true;
    double total = 0;
    for (int i = 0; i < count; ++i) {
        const std::string page = PageMaker::page(i, static_cast<quint64>(i) + 1000, true);
        const auto t = std::chrono::steady_clock::now();
        stored = loop.store(i + 1, page) && stored;
        total += seconds(t);
    }
    check(stored, "bare store");
    return total / count;
}

struct CycleRun {
    double seconds = 0;
    long peakKb = 0;
    long beforeKb = 0;
};

CycleRun runCycle(HeadlessWatcher& w, test::SmtpTestServer& smtp, int expectedMails, const std::string& what)
{
    smtp.clear();
    CycleRun run;
    ProcessFootprint::startPeak();
    run.beforeKb = ProcessFootprint::residentKb();
    const auto t = std::chrono::steady_clock::now();
    w.watcher.tick();
    run.seconds = seconds(t);
    run.peakKb = ProcessFootprint::peakKb();
    check(w.view.status() == QStringLiteral("Sleeping...") && w.watcher.timerRunning(),
          what + ": the cycle ran to its end (status: " + w.view.status().toStdString() + ")");
    check(w.messages.shown.empty(), what + ": no message box");
    const int mails = smtp.messageCount();
    check(mails == expectedMails,
          what + ": " + std::to_string(expectedMails) + " mails expected, " + std::to_string(mails) + " sent");
    return run;
}

void scenario(Pages pages, int count, const Options& options, const PageServerProcess& server,
              test::SmtpTestServer& smtp, CurlPageFetcher& fetcher, CurlMailClient& mail)
{
    const std::string name = pages == Pages::Unchanged ? "unchanged" : "changed";
    const std::string what = name + " x" + std::to_string(count);
    test::TempDatabase db;
    fill(db, server, pages, count, smtp.port());

    std::vector<std::string> urls;
    const QString path = pages == Pages::Unchanged ? QStringLiteral("/u/%1") : QStringLiteral("/c/%1");
    for (int i = 0; i < count; ++i)
        urls.push_back(server.url(path.arg(i)).toStdString());

    BareFetchLoop loop;
    BareMailSender sender(smtp.port(), kRecipient);
    HeadlessWatcher w(db.dir(), fetcher, mail);
    check(w.watcher.load(false), what + ": start-up");
    const int expected = pages == Pages::Changed ? count : 0;

    // One round of each first: the server makes its pages, the caches warm.
    runFloor(loop, sender, urls, Pages::Unchanged);
    runCycle(w, smtp, expected, what + " warm-up");

    std::vector<double> cycle, fetch, mailFloor, floor, ratio;
    long peakKb = 0;
    // Cycles over unchanged pages are short, and a busy machine moves short
    // runs most: they get more repetitions.
    const int reps = pages == Pages::Unchanged ? kUnchangedRepsFactor * options.reps : options.reps;
    for (int r = 0; r < reps; ++r) {
        smtp.clear();
        const Floor f = runFloor(loop, sender, urls, pages);
        fetch.push_back(f.fetch / count);
        mailFloor.push_back(f.mail / count);
        floor.push_back((f.fetch + f.mail) / count);
        const CycleRun c = runCycle(w, smtp, expected, what);
        cycle.push_back(c.seconds / count);
        // Each cycle against the floor measured just before it, so that a
        // change of load between repetitions moves both.
        ratio.push_back(cycle.back() / floor.back());
        peakKb = std::max(peakKb, c.peakKb);
    }

    const double perEntry = median(cycle);
    const double floorPerEntry = median(floor);
    std::printf("%-10s %6d %11.3f ms %11.3f ms %7.2f  %9s %8.1f MB", name.c_str(), count, perEntry * 1e3,
                floorPerEntry * 1e3, median(ratio),
                pages == Pages::Changed ? QByteArray::number(1.0 / perEntry, 'f', 0).constData() : "-",
                peakKb / 1024.0);
    if (pages == Pages::Changed) {
        // Not part of the floor (fetch and mail); shown so that the price of
        // storing durably can be told apart.
        const double store = runStores(db, count);
        std::printf("   (floor: fetch %.3f ms + mail %.3f ms; a bare durable store %.3f ms, ratio to all three %.2f)",
                    median(fetch) * 1e3, median(mailFloor) * 1e3, store * 1e3, perEntry / (floorPerEntry + store));
    }
    std::printf("\n");
    std::fflush(stdout);
}

// What one big page costs on top of the memory in use before the cycle:
// its first visit (stored and mailed), then two visits of the same page.
void bigPage(const Options& options, const PageServerProcess& server, test::SmtpTestServer& smtp,
             CurlPageFetcher& fetcher, CurlMailClient& mail)
{
    test::TempDatabase db;
    db.setSettings(1, QStringLiteral("127.0.0.1"), smtp.port());
    db.addEntry(server.url(QStringLiteral("/big/%1").arg(options.bigMib)), QStringLiteral("W"));
    HeadlessWatcher w(db.dir(), fetcher, mail);
    check(w.watcher.load(false), "big page: start-up");
    const double size = options.bigMib * 1024.0;
    const char* const visits[] = {"first visit (stored, mailed)", "same page again", "same page again"};
    for (int v = 0; v < 3; ++v) {
        const CycleRun c = runCycle(w, smtp, v == 0 ? 1 : 0, std::string("big page, ") + visits[v]);
        const long cost = c.peakKb - c.beforeKb;
        std::printf("%d MiB page, %-30s %7.3f s   RSS %6.1f MB before, peak %6.1f MB: costs %5.2f x the page\n",
                    options.bigMib, visits[v], c.seconds, c.beforeKb / 1024.0, c.peakKb / 1024.0, cost / size);
    }
    std::fflush(stdout);
}

// Threads and open files before the first cycle of a freshly made fetcher
// and after many, over a few entries that change and a few that do not.
void leftBehind(const Options& options, const PageServerProcess& server, test::SmtpTestServer& smtp,
                CurlPageFetcher& fetcher, CurlMailClient& mail)
{
    test::TempDatabase db;
    db.setSettings(1, QStringLiteral("127.0.0.1"), smtp.port());
    const WatchStore store(db.open());
    for (int i = 0; i < 3; ++i) {
        check(store.add(benchEntry(server.url(QStringLiteral("/u/%1").arg(i)), i)).ok(), "add entry");
        check(store.add(benchEntry(server.url(QStringLiteral("/c/%1").arg(i)), 0)).ok(), "add entry");
    }
    HeadlessWatcher w(db.dir(), fetcher, mail);
    check(w.watcher.load(false), "handles: start-up");
    const int threadsBefore = ProcessFootprint::threads();
    const int filesBefore = ProcessFootprint::openFiles();
    const QStringList namesBefore = ProcessFootprint::openFileNames();
    int mails = 0;
    for (int c = 0; c < options.cycles; ++c) {
        smtp.clear();
        w.watcher.tick();
        mails += smtp.messageCount();
    }
    const int threadsAfter = ProcessFootprint::threads();
    const int filesAfter = ProcessFootprint::openFiles();
    // The first cycle mails the five that have no content stored yet (the
    // table entry's cells do not match), later ones the three that change.
    check(mails == 5 + 3 * (options.cycles - 1), "handles: mails");
    check(threadsAfter == threadsBefore, "handles: no thread left behind");
    check(filesAfter == filesBefore, "handles: no open file left behind");
    if (filesAfter != filesBefore) {
        for (const QString& name : ProcessFootprint::openFileNames())
            if (!namesBefore.contains(name))
                std::fprintf(stderr, "  left open: %s\n", qPrintable(name));
    }
    std::printf("%d cycles: threads %d before, %d after; open files %d before, %d after\n", options.cycles,
                threadsBefore, threadsAfter, filesBefore, filesAfter);
}

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (name == QStringLiteral("--entries")) {
            o.entries.clear();
            for (const QString& n : value.split(QLatin1Char(',')))
                o.entries.push_back(n.toInt());
        } else if (name == QStringLiteral("--reps")) {
            o.reps = value.toInt();
        } else if (name == QStringLiteral("--big-mib")) {
            o.bigMib = value.toInt();
        } else if (name == QStringLiteral("--cycles")) {
            o.cycles = value.toInt();
        } else if (name == QStringLiteral("--pages")) {
            o.pages.clear();
            if (value != QStringLiteral("changed"))
                o.pages.push_back(0);
            if (value != QStringLiteral("unchanged"))
                o.pages.push_back(1);
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && o.reps > 0 && o.cycles > 0 && o.bigMib >= 0
        && std::all_of(o.entries.begin(), o.entries.end(), [](int n) { return n > 0; });
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: %s [--entries 200,1000] [--reps 3] [--big-mib 20] [--cycles 100]\n"
                     "       [--pages unchanged|changed|both]\n",
                     argv[0]);
        return 2;
    }
    // Forked before any thread exists.
    PageServerProcess server;
    if (!server.start()) {
        std::fprintf(stderr, "the page server did not start\n");
        return 1;
    }

    // As the program starts.
    HeapPolicy::apply();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QCoreApplication app(argc, argv);
    test::SmtpTestServer smtp;
    if (!smtp.start()) {
        std::fprintf(stderr, "the SMTP test server did not start\n");
        return 1;
    }
    {
        // As the program makes them, for its whole life.
        CurlPageFetcher::Options fetchOptions;
        fetchOptions.keepPainting = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
        CurlPageFetcher fetcher(fetchOptions);
        CurlMailClient mail;

        // First, while the fetcher is fresh from start-up.
        leftBehind(options, server, smtp, fetcher, mail);
        std::printf("pages of %lld KB; %d repetitions (%d for unchanged pages), medians; the ratio is the median of\n"
                    "each cycle's time over the floor measured just before it\n",
                    static_cast<long long>(PageMaker::kDefaultBytes / 1024), options.reps,
                    kUnchangedRepsFactor * options.reps);
        std::printf("%-10s %6s %14s %14s %7s  %9s %11s\n", "pages", "N", "cycle/entry", "floor/entry", "ratio",
                    "mails/s", "peak RSS");
        for (int pages : options.pages)
            for (int n : options.entries)
                scenario(static_cast<Pages>(pages), n, options, server, smtp, fetcher, mail);
        if (options.bigMib > 0)
            bigPage(options, server, smtp, fetcher, mail);
    }
    curl_global_cleanup();
    std::printf(failed ? "cycle_bench: FAILED\n" : "cycle_bench: ok\n");
    return failed ? 1 : 0;
}
