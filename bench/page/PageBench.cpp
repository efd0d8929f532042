// One wake-up cycle of the real engine over N watch entries on slow hosts:
// 8 addresses 127.0.0.1 to 127.0.0.8, each its own server answering after
// a delay with the same 100 KB page, which every entry has stored already
// (no change, no mail). In the same run, urlwatch with its default workers
// checks the same pages (its first run only fills its cache), when it is
// installed.
//
//   page_bench [--entries 1000] [--delay-ms 100] [--page-kb 100] [--urlwatch on|off]
//   page_bench --case compressed
//   page_bench --case nginx [--entries 1000] [--page-kb 100] [--reps 3] [--mode both|full|conditional]
//
// Prints the cycle time of each, the one-by-one bound (N x delay), the ideal
// for the fetcher's bounds and the peak resident memory of each. Exits
// non-zero when a cycle did not fetch and compare every page.
//
// The compressed case: one entry on a host 3 s slow, then 15 pages of 30 MB
// sent gzip-compressed (about 30 KB each on the wire), all unchanged "S"
// entries. While the cycle waits for the first, the others arrive ahead and
// inflate: the bound on pages held ahead must hold for what they inflate to.
//
// The nginx case: Debian's nginx (gzip, ETag, Last-Modified) serves N pages
// of text that compresses as prose does, all unchanged. Each run fills its
// cache with one cycle, then the next cycle is measured: its time, peak
// memory and the bytes nginx logged per page, with conditional requests
// (Sentrel.cache beside the database) and without, alternating; urlwatch's
// second run on the same pages beside them. In each repetition the curl tool
// fetches the same pages 4 at a time (`--parallel --parallel-max 4`), plain
// and asking for gzip: the floor the cycle per entry is held against.

#include "CurlParallelRun.h"
#include "HeadlessWatcher.h"
#include "NginxHost.h"
#include "ProcessFootprint.h"
#include "SlowHosts.h"
#include "TempDatabase.h"
#include "UrlwatchRun.h"

#include "host/HeapPolicy.h"
#include "net/CurlMailClient.h"
#include "net/CurlPageFetcher.h"
#include "store/Columns.h"
#include "store/PageCacheFile.h"
#include "store/WatchStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace orvane;
using namespace orvane::bench;

namespace {

// Host names spread the entries: enough for the per-host bound not to be
// the one that binds (8 x 4 transfers > 16 at once).
constexpr int kHosts = 8;

// The compressed case: a first entry slow enough for every other page to
// arrive ahead, and pages that together inflate far past the 64 MB bound.
constexpr int kSlowFirstMs = 3000;
constexpr int kCompressedPages = 15;
constexpr int kCompressedPageKb = 30 * 1024;

struct Options {
    int entries = 1000;
    int delayMs = 100;
    int pageKb = 100;
    bool urlwatch = true;
    bool compressed = false;
    bool nginx = false;
    int reps = 3;
    // The nginx case: which fetches run (each mode in a process of its own
    // gives each its own peak).
    bool full = true;
    bool conditional = true;
};

bool failed = false;

void check(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        failed = true;
    }
}

QByteArray makePage(int kb)
{
    const QByteArray line = "<p>A paragraph of a page on a slow server, the same at every visit.</p>\n";
    QByteArray page = "<html><body>\n";
    while (page.size() < kb * 1024 - 15)
        page += line;
    page.truncate(kb * 1024 - 15);
    return page + "\n</body></html>";
}

void row(const char* what, double seconds, long peakKb)
{
    if (peakKb > 0)
        std::printf("%-34s %8.2f s %9.1f MB\n", what, seconds, peakKb / 1024.0);
    else
        std::printf("%-34s %8.2f s\n", what, seconds);
}

// An entry whose stored content makes its page unchanged: the whole page
// for "W", for "S" a start of the page that holds the search text.
struct Entry {
    QString url;
    QString type;
    QByteArray content;
    QString search;
};

void fill(const test::TempDatabase& db, const std::vector<Entry>& entries)
{
    db.setSettings(1, QStringLiteral("127.0.0.1"), 25);
    // In batches, so that the pages are not held twice over as text.
    constexpr size_t kBatch = 64;
    const WatchStore store(db.open());
    std::vector<WatchEntry> rows;
    for (const Entry& entry : entries) {
        WatchEntry row;
        row.set(Columns::kUrl, Value(entry.url));
        row.set(Columns::kEMail, Value("bench@example.test"));
        row.set(Columns::kSubject, Value("Bench"));
        row.set(Columns::kActive, Value(Columns::kYes));
        row.set(Columns::kSearchType, Value(entry.type));
        row.set(Columns::kContent, Value(QString::fromUtf8(entry.content)));
        row.set(Columns::kStringSearch, Value(entry.search));
        row.set(Columns::kStringLength, Value(12));
        rows.push_back(std::move(row));
        if (rows.size() == kBatch || &entry == &entries.back()) {
            qsizetype failedAt = -1;
            check(store.addAll(rows, failedAt).ok(), "store entries");
            rows.clear();
        }
    }
}

// One cycle of the real engine over the entries, as the program runs it;
// checks that it fetched and compared every page, and prints its row.
// The last page is made only then, so that the bench's own copy of a large
// page does not count in the cycle's peak.
double runCycle(const char* what, const std::vector<Entry>& entries, const std::function<QByteArray()>& lastPage)
{
    test::TempDatabase db;
    fill(db, entries);
    // As the program makes them.
    CurlPageFetcher::Options fetchOptions;
    fetchOptions.keepPainting = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
    CurlPageFetcher fetcher(fetchOptions);
    CurlMailClient mail;
    HeadlessWatcher w(db.dir(), fetcher, mail);
    check(w.watcher.load(false), "start-up");
    ProcessFootprint::startPeak();
    const long before = ProcessFootprint::residentKb();
    const auto start = std::chrono::steady_clock::now();
    w.watcher.tick();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = ProcessFootprint::peakKb();
    // A page fault would halt the cycle with a mail attempt; the mail
    // server is not there, so any mail would show a message box.
    check(w.view.status() == QStringLiteral("Sleeping...") && w.watcher.timerRunning(), "the cycle ran to its end");
    check(w.messages.shown.empty(), "no mail, no message box");
    QFile scratch(QDir(db.dir()).filePath(QStringLiteral("URL.html")));
    check(scratch.open(QIODevice::ReadOnly) && scratch.readAll() == lastPage(), "the last page fetched whole");
    row(what, seconds, peak);
    std::printf("%-34s %21.1f MB\n", "  RSS before the cycle", before / 1024.0);
    return seconds;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int runCompressed(const QTemporaryDir& work)
{
    const QByteArray first = makePage(1);
    QByteArray big = makePage(kCompressedPageKb);
    const QString firstFile = work.filePath(QStringLiteral("first.html")),
                  bigFile = work.filePath(QStringLiteral("big.html"));
    check(writeFile(firstFile, first) && writeFile(bigFile, big), "write the pages");
    SlowHosts slow, compressed;
    // A host of its own for each page, so that no bound but the memory's
    // holds them back: 127.0.0.2 to .16 (the first is taken by the slow one).
    if (!slow.start(1, kSlowFirstMs, firstFile) || !compressed.start(kCompressedPages + 1, 0, bigFile, true)) {
        std::fprintf(stderr, "page_bench: the hosts did not start (python3 needed)\n");
        return 1;
    }
    std::vector<Entry> entries {{slow.url(0), QStringLiteral("W"), first, {}}};
    for (int i = 0; i < kCompressedPages; ++i)
        entries.push_back({compressed.url(i + 1), QStringLiteral("S"), big.left(200), QStringLiteral("<body>")});
    big = QByteArray();
    std::printf("one entry %d ms slow, then %d pages of %d MB gzip-compressed; unchanged pages\n", kSlowFirstMs,
                kCompressedPages, kCompressedPageKb / 1024);
    std::printf("%-34s %10s %12s\n", "", "cycle", "peak RSS");
    runCycle("Orvane", entries, [] { return makePage(kCompressedPageKb); });
    curl_global_cleanup();
    std::printf(failed ? "page_bench: FAILED\n" : "page_bench: ok\n");
    return failed ? 1 : 0;
}

// Text that gzip shrinks about as much as a real page's: words drawn from
// a small vocabulary, the page's number in its first line.
QByteArray prosePage(int index, int kb)
{
    static const char* const words[] = {"price",  "offer", "the",      "of",     "and",    "a",     "page",   "table",
                                        "cell",   "total", "shipping", "stock",  "order",  "to",    "in",     "item",
                                        "new",    "list",  "for",      "with",   "days",   "free",  "return", "size",
                                        "colour", "model", "brand",    "review", "rating", "store", "city",   "open"};
    QByteArray page = "<html><body><h1>Page " + QByteArray::number(index) + "</h1>\n<p>";
    quint32 state = 2654435761U * static_cast<quint32>(index + 1);
    while (page.size() < kb * 1024 - 20) {
        state = state * 1664525U + 1013904223U;
        page += words[(state >> 16) % std::size(words)];
        page += (state >> 8) % 13 == 0 ? ".</p>\n<p>" : " ";
    }
    page.truncate(kb * 1024 - 20);
    return page + "</p></body></html>\n";
}

struct NginxRow {
    double seconds = 0;
    long beforeKb = 0;
    long peakKb = 0;
    NginxHost::Traffic traffic;
};

// A fresh database whose entries hold the pages already, one cycle to fill
// what a cycle keeps, then the cycle measured.
NginxRow nginxCycle(NginxHost& nginx, const std::vector<Entry>& entries, bool conditional)
{
    test::TempDatabase db;
    fill(db, entries);
    PageCacheFile cache(QDir(db.dir()).filePath(QString::fromLatin1(PageCacheFile::kFileName)));
    CurlPageFetcher::Options fetchOptions;
    fetchOptions.keepPainting = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
    fetchOptions.cache = conditional ? &cache : nullptr;
    CurlPageFetcher fetcher(fetchOptions);
    CurlMailClient mail;
    HeadlessWatcher w(db.dir(), fetcher, mail);
    check(w.watcher.load(false), "start-up");
    w.watcher.tick();
    (void)nginx.take();
    NginxRow row;
    ProcessFootprint::startPeak();
    row.beforeKb = ProcessFootprint::residentKb();
    const auto start = std::chrono::steady_clock::now();
    w.watcher.tick();
    row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    row.peakKb = ProcessFootprint::peakKb();
    row.traffic = nginx.take();
    check(w.view.status() == QStringLiteral("Sleeping...") && w.messages.shown.empty(), "the cycle ran to its end");
    check(row.traffic.answers == static_cast<int>(entries.size()), "one request per entry");
    check(conditional == (row.traffic.notModified == row.traffic.answers), "304s exactly when asked conditionally");
    return row;
}

void printNginx(const char* what, const NginxRow& row, int pages)
{
    std::printf("%-24s %8.3f s %7.3f ms %7.1f MB %7.1f MB %9.2f KB %8.2f KB %6d\n", what, row.seconds,
                row.seconds * 1000 / pages, row.beforeKb / 1024.0, row.peakKb / 1024.0,
                row.traffic.answerBytes / 1024.0 / pages, row.traffic.requestBytes / 1024.0 / pages,
                row.traffic.notModified);
}

NginxRow curlRow(NginxHost& nginx, const CurlParallelRun& curl)
{
    (void)nginx.take();
    const CurlParallelRun::Outcome outcome = curl.run();
    check(outcome.ok, "curl's run");
    return {outcome.seconds, 0, 0, nginx.take()};
}

int runNginx(const Options& o, const QTemporaryDir& work)
{
    if (!NginxHost::installed()) {
        std::fprintf(stderr, "page_bench: nginx is not installed (apt-get install nginx)\n");
        return 1;
    }
    const QString root = work.filePath(QStringLiteral("site"));
    check(QDir().mkpath(root), "make the site");
    std::vector<Entry> entries;
    NginxHost nginx;
    for (int i = 0; i < o.entries; ++i)
        check(writeFile(QDir(root).filePath(QStringLiteral("p%1.html").arg(i)), prosePage(i, o.pageKb)),
              "write a page");
    if (!nginx.start(root)) {
        std::fprintf(stderr, "page_bench: nginx did not start\n");
        return 1;
    }
    for (int i = 0; i < o.entries; ++i)
        entries.push_back(
            {nginx.url(QStringLiteral("/p%1.html").arg(i)), QStringLiteral("W"), prosePage(i, o.pageKb), {}});
    std::printf("%d unchanged pages of %d KB on nginx (gzip, ETag, Last-Modified); the second cycle of each run\n",
                o.entries, o.pageKb);
    std::printf("%-24s %10s %10s %10s %10s %12s %11s %6s\n", "", "cycle", "per entry", "RSS before", "peak RSS",
                "in per page", "out per page", "304s");
    QTemporaryDir curlDir;
    QStringList urls;
    for (const Entry& entry : entries)
        urls << entry.url;
    const bool curlThere = CurlParallelRun::installed();
    const CurlParallelRun curlPlain(curlDir.path(), urls, false), curlGzip(curlDir.path(), urls, true);
    std::vector<NginxRow> whole, asked, plain, gzip;
    for (int rep = 0; rep < o.reps; ++rep) {
        if (curlThere) {
            plain.push_back(curlRow(nginx, curlPlain));
            printNginx("curl --parallel 4", plain.back(), o.entries);
            gzip.push_back(curlRow(nginx, curlGzip));
            printNginx("curl --parallel 4, gzip", gzip.back(), o.entries);
        }
        if (o.full) {
            whole.push_back(nginxCycle(nginx, entries, false));
            printNginx("Orvane, full fetch", whole.back(), o.entries);
        }
        if (o.conditional) {
            asked.push_back(nginxCycle(nginx, entries, true));
            printNginx("Orvane, conditional", asked.back(), o.entries);
        }
    }
    const auto median = [](std::vector<NginxRow> rows) {
        std::sort(rows.begin(), rows.end(), [](const NginxRow& a, const NginxRow& b) { return a.seconds < b.seconds; });
        return rows[rows.size() / 2];
    };
    if (curlThere) {
        printNginx("median: curl", median(plain), o.entries);
        printNginx("median: curl, gzip", median(gzip), o.entries);
    }
    if (o.full)
        printNginx("median: full fetch", median(whole), o.entries);
    if (o.conditional)
        printNginx("median: conditional", median(asked), o.entries);
    if (curlThere) {
        const double floor = median(plain).seconds;
        if (o.full)
            std::printf("full fetch against curl: %.2f x\n", median(whole).seconds / floor);
        if (o.conditional)
            std::printf("conditional against curl: %.2f x\n", median(asked).seconds / floor);
    } else {
        std::printf("curl: skipped, not installed\n");
    }
    if (!o.urlwatch) {
        std::printf("urlwatch: not run (--urlwatch off)\n");
    } else if (UrlwatchRun::installed()) {
        QTemporaryDir urlwatchDir;
        const UrlwatchRun urlwatch(urlwatchDir.path(), urls);
        check(urlwatch.run().ok, "urlwatch's first run");
        (void)nginx.take();
        const UrlwatchRun::Outcome second = urlwatch.run();
        check(second.ok, "urlwatch's run");
        NginxRow row {second.seconds, 0, second.peakKb, nginx.take()};
        printNginx("urlwatch (10 workers)", row, o.entries);
    } else {
        std::printf("urlwatch: skipped, not installed (apt-get install urlwatch)\n");
    }
    curl_global_cleanup();
    std::printf(failed ? "page_bench: FAILED\n" : "page_bench: ok\n");
    return failed ? 1 : 0;
}

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray name = argv[i];
        const QByteArray value = argv[i + 1];
        bool ok = true;
        if (name == "--entries")
            o.entries = value.toInt(&ok);
        else if (name == "--delay-ms")
            o.delayMs = value.toInt(&ok);
        else if (name == "--page-kb")
            o.pageKb = value.toInt(&ok);
        else if (name == "--urlwatch" && (value == "on" || value == "off"))
            o.urlwatch = value == "on";
        else if (name == "--mode" && (value == "both" || value == "full" || value == "conditional")) {
            o.full = value != "conditional";
            o.conditional = value != "full";
        } else if (name == "--reps")
            o.reps = value.toInt(&ok);
        else if (name == "--case" && (value == "slow-hosts" || value == "compressed" || value == "nginx")) {
            o.compressed = value == "compressed";
            o.nginx = value == "nginx";
        } else
            return false;
        if (!ok)
            return false;
    }
    return argc % 2 == 1 && o.entries > 0 && o.delayMs >= 0 && o.pageKb > 0 && o.reps > 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: %s [--entries 1000] [--delay-ms 100] [--page-kb 100] [--urlwatch on|off]\n"
            "       %s --case compressed\n"
            "       %s --case nginx [--entries 1000] [--page-kb 100] [--reps 3] [--mode both|full|conditional]\n",
            argv[0], argv[0], argv[0]);
        return 2;
    }
    // As the program starts.
    HeapPolicy::apply();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QCoreApplication app(argc, argv);

    QTemporaryDir work;
    if (options.compressed)
        return runCompressed(work);
    if (options.nginx)
        return runNginx(options, work);
    const QByteArray page = makePage(options.pageKb);
    const QString pageFile = work.filePath(QStringLiteral("page.html"));
    check(writeFile(pageFile, page), "write the page");
    SlowHosts hosts;
    if (!hosts.start(kHosts, options.delayMs, pageFile)) {
        std::fprintf(stderr, "page_bench: the slow hosts did not start (python3 needed)\n");
        return 1;
    }

    const double delay = options.delayMs / 1000.0;
    const int atOnce = std::min(CurlPageFetcher::kMaxTransfers, kHosts * CurlPageFetcher::kMaxTransfersPerHost);
    std::printf("%d entries over %d hosts, each answering after %d ms with a %d KB page; unchanged pages\n",
                options.entries, kHosts, options.delayMs, options.pageKb);
    std::printf("%-34s %10s %12s\n", "", "cycle", "peak RSS");
    row("one by one (N x delay)", options.entries * delay, 0);
    row("ideal (16 at once, 4 per host)", (options.entries + atOnce - 1) / atOnce * delay, 0);

    std::vector<Entry> entries;
    for (int i = 0; i < options.entries; ++i)
        entries.push_back({hosts.url(i), QStringLiteral("W"), page, {}});
    const double orvane = runCycle("Orvane", entries, [&page] { return page; });

    if (!options.urlwatch) {
        std::printf("urlwatch: not run (--urlwatch off)\n");
    } else if (!UrlwatchRun::installed()) {
        std::printf("urlwatch: skipped, not installed (apt-get install urlwatch)\n");
    } else {
        QTemporaryDir urlwatchDir;
        QStringList urls;
        for (int i = 0; i < options.entries; ++i)
            urls << hosts.url(i);
        const UrlwatchRun urlwatch(urlwatchDir.path(), urls);
        check(urlwatch.run().ok, "urlwatch's first run");
        const UrlwatchRun::Outcome second = urlwatch.run();
        check(second.ok, "urlwatch's run");
        row("urlwatch (10 workers)", second.seconds, second.peakKb);
        std::printf("Orvane is %.2f times as fast as urlwatch\n", second.seconds / orvane);
    }
    curl_global_cleanup();
    std::printf(failed ? "page_bench: FAILED\n" : "page_bench: ok\n");
    return failed ? 1 : 0;
}
