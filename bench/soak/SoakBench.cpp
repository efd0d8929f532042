// A thousand wake-up cycles of the real engine, fetcher, mail client and
// database against pages that keep changing, with a page fault and the
// resume from it every 50 cycles. The process's memory, open files and
// threads are read after a warm-up, half-way and at the end: they must stay
// flat. Exits non-zero when they grow or the cycles did not do their work.
//
//   soak_bench [--cycles 1000]

#include "HeadlessWatcher.h"
#include "LocalHttpServer.h"
#include "ProcessFootprint.h"
#include "SmtpTestServer.h"
#include "TempDatabase.h"

#include "host/HeapPolicy.h"
#include "net/CurlMailClient.h"
#include "net/CurlPageFetcher.h"

#include <QCoreApplication>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

using namespace orvane;
using namespace orvane::bench;

namespace {

constexpr int kWarmUp = 20;
constexpr int kFaultEvery = 50;
// Room for the allocator's own moods, far below a page leaked every cycle.
constexpr long kRssGrowthKb = 8 * 1024;

const std::string kTable = "<html><table><tr><td>x</td></tr><tr><td>a</td><td>b</td><td>%1</td></tr></table></html>";

// The watched pages, changed by the soak between cycles.
class Pages {
public:
    Pages()
    {
        http_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            std::scoped_lock lock(mutex_);
            const auto page = pages_.find(req.path);
            res.status = page == pages_.end() ? 404 : page->second.first;
            if (page != pages_.end())
                res.set_content(page->second.second, "text/html");
        });
        started = http_.start();
    }
    void set(const std::string& path, std::string body, int status = 200)
    {
        std::scoped_lock lock(mutex_);
        pages_[path] = {status, std::move(body)};
    }
    QString url(const char* path) const { return http_.url(QLatin1String(path)); }
    bool started = false;

private:
    std::mutex mutex_;
    std::map<std::string, std::pair<int, std::string>> pages_;
    LocalHttpServer http_;
};

struct Usage {
    long rssKb;
    int files;
    int threads;
};

// The page server runs in this process: the sockets it accepted close on its
// threads a moment after the cycle closed its side, so the open files are
// the fewest seen over a short while.
constexpr auto kSettle = std::chrono::milliseconds(300);
constexpr auto kSettleStep = std::chrono::milliseconds(10);

Usage usage(const char* when)
{
    int files = ProcessFootprint::openFiles();
    for (auto waited = kSettleStep * 0; waited < kSettle; waited += kSettleStep) {
        std::this_thread::sleep_for(kSettleStep);
        files = std::min(files, ProcessFootprint::openFiles());
    }
    const Usage u {ProcessFootprint::residentKb(), files, ProcessFootprint::threads()};
    std::printf("%-7s RSS %6ld kB, open files %3d, threads %2d\n", when, u.rssKb, u.files, u.threads);
    std::fflush(stdout);
    return u;
}

} // namespace

int main(int argc, char** argv)
{
    int cycles = 1000;
    if (argc == 3 && QByteArray(argv[1]) == "--cycles")
        cycles = QByteArray(argv[2]).toInt();
    if (cycles <= 0 || (argc != 1 && argc != 3)) {
        std::fprintf(stderr, "usage: %s [--cycles 1000]\n", argv[0]);
        return 2;
    }
    // As the program starts.
    HeapPolicy::apply();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QCoreApplication app(argc, argv);
    test::SmtpTestServer smtp;
    Pages pages;
    if (!smtp.start() || !pages.started) {
        std::fprintf(stderr, "soak_bench: the test servers did not start\n");
        return 1;
    }

    test::TempDatabase db;
    db.setSettings(1, QStringLiteral("127.0.0.1"), smtp.port());
    const qint64 whole = db.addEntry(pages.url("/w"));
    db.addEntry(pages.url("/s"), QStringLiteral("S"),
                {{"String search", Value("Price:")}, {"String offset", Value(1)}, {"String length", Value(4)}});
    db.addEntry(pages.url("/t"), QStringLiteral("T"),
                {{"Table number", Value(1)},
                 {"Row number", Value(2)},
                 {"Column number", Value(3)},
                 {"Repeat count", Value(1)},
                 {"String offset", Value(3)},
                 {"String length", Value(5)},
                 {"String search", Value("Alpha")}});
    db.addEntry(pages.url("/same"));
    db.addEntry(pages.url("/flaky")); // last, so that its faults cut no other entry short
    pages.set("/same", "<p>never changes</p>");

    CurlPageFetcher::Options options; // as the program makes it
    options.keepPainting = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
    CurlPageFetcher fetcher(options);
    CurlMailClient mail;
    HeadlessWatcher w(db.dir(), fetcher, mail);
    if (!w.watcher.load(false)) {
        std::fprintf(stderr, "soak_bench: start-up failed\n");
        return 1;
    }

    int faults = 0;
    std::string lastWhole;
    const auto cycle = [&](int i) {
        lastWhole = "<p>cycle " + std::to_string(i) + "</p>";
        pages.set("/w", lastWhole);
        pages.set("/s", "<p>Price: " + std::to_string(100 + i / 3) + "</p>");
        pages.set("/t", QString::fromStdString(kTable).arg(i % 2 ? "Alpha" : "Gamma").toStdString());
        pages.set("/flaky", "<p>flaky</p>", i % kFaultEvery == kFaultEvery - 1 ? 500 : 200);
        w.watcher.tick();
        if (!w.watcher.timerRunning()) { // halted: the Properties window opens and closes
            ++faults;
            w.watcher.openPropertiesWindow();
        }
    };
    for (int i = 0; i < kWarmUp; ++i)
        cycle(i);
    const Usage start = usage("start");
    for (int i = 0; i < cycles; ++i) {
        cycle(kWarmUp + i);
        if (i == cycles / 2)
            usage("middle");
    }
    const Usage end = usage("end");

    bool ok = true;
    const auto require = [&ok](bool holds, const char* what) {
        if (!holds)
            std::fprintf(stderr, "FAILED: %s\n", what);
        ok = ok && holds;
    };
    require(end.files == start.files, "open files stay flat");
    require(end.threads == start.threads, "threads stay flat");
    require(end.rssKb - start.rssKb < kRssGrowthKb, "resident memory stays flat");
    require(faults == (kWarmUp + cycles) / kFaultEvery, "every planned page fault halted a cycle");
    require(db.column(whole, QStringLiteral("Content")) == Value(QString::fromStdString(lastWhole)),
            "the last change was stored");
    require(smtp.messageCount() >= kWarmUp + cycles, "every cycle mailed its changes");
    require(w.messages.shown.empty(), "no message box");
    curl_global_cleanup();
    std::printf(ok ? "soak_bench: ok\n" : "soak_bench: FAILED\n");
    return ok ? 0 : 1;
}
