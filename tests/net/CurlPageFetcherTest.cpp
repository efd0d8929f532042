// The fetcher against a server that misbehaves on purpose: each page fetched
// at its turn, and all announced ahead, give the same pages and failures.

#include "Fakes.h"
#include "QtPrinters.h"
#include "SmtpTestServer.h"

#include "net/CurlPageFetcher.h"

#include <QProcess>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace orvane;
using namespace std::chrono_literals;

namespace {

// libcurl's codes as its documentation numbers them, over the transfer base.
const QString kUnsupportedProtocol = "10001", kCouldntConnect = "10007", kPartialFile = "10018", kTimedOut = "10028",
              kTooManyRedirects = "10047", kGotNothing = "10052", kRecvError = "10056";
const QString kTooLarge = "9001", kNotTheWeb = "9002", kNoAddress = "9003", kUnaskedNotModified = "9004";

// http_test_server.py for the life of the object.
class Server {
public:
    Server()
    {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(ORVANE_HTTP_TEST_SERVER)});
        while (!port_.endsWith('\n') && process_.waitForReadyRead(20'000))
            port_ += process_.readAllStandardOutput();
    }
    ~Server() { process_.closeWriteChannel(), process_.waitForFinished(); } // it ends when its input does
    // The server answers on 127.0.0.2 to .17 too, as other hosts.
    QString url(const QString& path, const QString& host = "127.0.0.1") const
    {
        return "http://" + host + ":" + port_.trimmed() + path;
    }
    bool started() const { return port_.trimmed().toInt() > 0; }

private:
    QProcess process_;
    QByteArray port_;
};

constexpr qint64 kWaiting = CurlPageFetcher::kMaxWaitingBytes;

CurlPageFetcher::Options quick(qint64 maxWaitingBytes = kWaiting, const Clock* clock = nullptr)
{
    CurlPageFetcher::Options options;
    options.connectTimeout = options.totalTimeout = 3s;
    options.maxPageBytes = 256 * 1024;
    options.maxWaitingBytes = maxWaitingBytes;
    options.clock = clock;
    return options;
}

// The page, or the error number and, when described, its text.
QString outcome(const Result<QString>& r, bool described = false)
{
    return r.ok() ? r.value() : QString::number(r.failure().number) + (described ? " " + r.failure().description : "");
}

} // namespace

TEST(CurlPageFetcher, FaultTableAlikeAtItsTurnAndFetchedAhead)
{
    Server http;
    ASSERT_TRUE(http.started());
    // Pages announced ahead go several at once, never more than four to one host,
    // also when pages on many hosts are redirected to it.
    CurlPageFetcher bounded(quick());
    const auto page = [&](char name) { return http.url(QStringLiteral("/page/%1?ms=300").arg(name)); };
    bounded.fetchAhead({page('a'), page('b'), page('c'), page('d'), page('e'), page('f'), page('g')});
    for (char name : {'a', 'b', 'c', 'd', 'e', 'f', 'g'})
        EXPECT_EQ(outcome(bounded.fetch(page(name))), QString(QChar(name)));
    QStringList away;
    for (int k = 2; k <= 17; ++k)
        away << http.url(QStringLiteral("/away/%1").arg(k), QStringLiteral("127.0.0.%1").arg(k));
    bounded.fetchAhead(away);
    for (int k = 2; k <= 17; ++k)
        EXPECT_EQ(outcome(bounded.fetch(away[k - 2])), QString::number(k));
    EXPECT_LE(outcome(bounded.fetch(http.url("/peak"))).toInt(), CurlPageFetcher::kMaxTransfersPerHost);
    // The connection is kept from one fetch to the next, until idle().
    const QString port = http.url("/port"), first = outcome(bounded.fetch(port));
    EXPECT_EQ(outcome(bounded.fetch(port)), first);
    bounded.idle();
    EXPECT_NE(outcome(bounded.fetch(port)), first);
    // Out of step with what was announced: the page asked for, never the next one announced.
    bounded.fetchAhead({page('a'), page('b')});
    EXPECT_EQ(outcome(bounded.fetch(page('b'))), "b");

    std::vector<std::pair<QString, QString>> rows = {
        {"/page/hello", "hello"},
        {"/koi8-r", QStringLiteral("\u041f\u0440\u0438\u0432\u0435\u0442")}, // the header's charset reaches the decoder
        {"/hop/10", "landed"},
        {"/hop/11", kTooManyRedirects},
        {"/loop", kTooManyRedirects},
        {"/answer/400", "400"},
        {"/answer/404", "404"},
        {"/answer/500", "500"},
        {"/answer/503", "503"},
        {"/answer/399", "answered"},
        {"/reset", kRecvError},
        {"/short", kPartialFile},
        {"/chunk-cut", kPartialFile},
        {"/bad-chunk", kRecvError},
        {"/nothing", kGotNothing},
        {"/not-modified", kUnaskedNotModified}, // not an empty page
        {"/garbage", kUnsupportedProtocol},     // HTTP/0.9 is refused
        {"/trickle", kTimedOut},
        {"/big", kTooLarge},
        {"/to-file", kUnsupportedProtocol}, // never followed off the web
        {"/to-ftp", kUnsupportedProtocol},
    };
    for (const char* page : {"a", "b", "c", "d", "e", "f", "a"})
        rows.emplace_back(QStringLiteral("/page/%1?ms=300").arg(page), page);
    for (auto& [url, expected] : rows)
        url = http.url(url);
    rows.emplace_back(QStringLiteral("http://127.0.0.1:%1/").arg(test::SmtpTestServer::freePort()), kCouldntConnect);
    for (const char* url : {"file:///etc/passwd", "FILE:///etc/passwd", "file:/etc/passwd", " ftp://127.0.0.1/",
                            "mailto:someone@example.test", "gopher://127.0.0.1/"})
        rows.emplace_back(url, kNotTheWeb);
    rows.emplace_back("", kNoAddress);
    rows.emplace_back("  \t\n", kNoAddress);

    QStringList urls;
    for (const auto& [url, expected] : rows)
        urls << url;
    // Ahead with the program's bounds, and with a budget so small that every
    // page waits paused until its turn (some past the time-out).
    for (int run = 0; run < 3; ++run) {
        CurlPageFetcher fetcher(quick(run == 2 ? 1 : kWaiting));
        if (run > 0)
            fetcher.fetchAhead(urls);
        for (const auto& [url, expected] : rows)
            EXPECT_EQ(outcome(fetcher.fetch(url)), expected) << "run " << run << ": " << url.toStdString();
    }
}

// A second page, fetched ahead while the first takes 0.5 s, as it comes at its turn:
// - silent when asked ahead, asked again it answers after 2.5 s: within a fresh time-out of 3 s, not within the
//   0.5 s left of the first one;
// - an error status answered ahead is its outcome: the server is not asked twice;
// - compressed and too large to wait ahead (110,000 bytes inflated), it comes whole.
TEST(CurlPageFetcher, APageFetchedAheadAtItsTurn)
{
    Server http;
    ASSERT_TRUE(http.started());
    const struct {
        const char* second;
        qint64 waitingBytes; // 0: the program's bound
        QString expected;
    } rows[] = {
        {"/silent-once/a?ms=2500", 0, kTimedOut},
        {"/fails-once/b", 0, "503"},
        {"/gzip/zip", 1000, QStringLiteral("<p>zip</p>\n").repeated(10000)},
    };
    for (const auto& r : rows) {
        CurlPageFetcher fetcher(quick(r.waitingBytes ? r.waitingBytes : kWaiting));
        const QString first = http.url("/page/first?ms=500"), url = http.url(r.second);
        fetcher.fetchAhead({first, url});
        EXPECT_EQ(outcome(fetcher.fetch(first)), "first");
        EXPECT_EQ(outcome(fetcher.fetch(url)), r.expected) << r.second;
    }
}

// What the server meant, from the headers of its final answer, at 14:30:05 on Friday 4 December 2026 at UTC+1;
// at its turn and ahead, on handles that served another answer before.
TEST(CurlPageFetcher, BotChecksAndRateLimitsSayWhatTheServerMeant)
{
    const test::FixedClock clock(QDateTime(QDate(2026, 12, 4), QTime(14, 30, 5), QTimeZone(3600)));
    Server http;
    ASSERT_TRUE(http.started());
    const QString status403 = "403 The web server answered HTTP status 403 (Forbidden)",
                  status429 = "429 The web server answered HTTP status 429 (Too Many Requests)",
                  status503 = "503 The web server answered HTTP status 503 (Service Unavailable)",
                  botCheck = ": the site's bot protection (%1) asks for a web browser and turns programs away, so the "
                             "page cannot be watched unless the site lets Orvane through.",
                  limited = ": the server limits how often its pages may be fetched";
    std::vector<std::pair<QString, QString>> rows = {
        {"/answer/403?cf-mitigated=challenge&Server=cloudflare", status403 + botCheck.arg("cloudflare")},
        {"/answer/403?Server=AkamaiGHost", status403 + botCheck.arg("AkamaiGHost")},
        {"/answer/503?Server=akamaighost", status503 + botCheck.arg("AkamaiGHost")},
        {"/answer/429?Retry-After=120", status429 + limited + " and asks to wait until 14:32:05."},
        {"/answer/429?Retry-After=Fri,%2004%20Dec%202026%2015:00:00%20GMT",
         status429 + limited + " and asks to wait until 16:00:00."},
        // A date already past asks for no wait: until the answer's own time.
        {"/answer/429?Retry-After=Fri,%2004%20Dec%202026%2012:00:00%20GMT",
         status429 + limited + " and asks to wait until 14:30:05."},
        {"/answer/429", status429 + limited + "; watch fewer of its pages or wake up less often."},
        {"/answer/503?Retry-After=Sat,%2005%20Dec%202026%2008:00:00%20GMT",
         status503 + ": the server asks to wait until 2026-12-05 09:00:00 before the page is fetched again."},
        {"/answer/503", status503 + "."},
        {"/answer/404?Server=AkamaiGHost", "404 The web server answered HTTP status 404 (Not Found)."},
        {"/answer/200?cf-mitigated=challenge", "answered"},
        // Only the final answer counts, not the redirect's.
        {"/answer/302?Location=/answer/503&cf-mitigated=challenge&Retry-After=60", status503 + "."},
    };
    QStringList urls;
    for (auto& [url, expected] : rows)
        urls << (url = http.url(url));
    for (const bool ahead : {false, true}) {
        CurlPageFetcher fetcher(quick(kWaiting, &clock));
        if (ahead)
            fetcher.fetchAhead(urls);
        for (const auto& [url, expected] : rows)
            EXPECT_EQ(outcome(fetcher.fetch(url), true), expected) << url.toStdString();
    }
}
