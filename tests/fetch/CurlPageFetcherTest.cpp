#include "IdlePort.h"
#include "LocalHttpServer.h"

#include "platform/CurlPageFetcher.h"
#include "platform/ErrorCode.h"

#include <gtest/gtest.h>

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#ifdef ORVANE_TEST_GZIP
#include <zlib.h>
#endif

using orvane::CurlPageFetcher;
using orvane::ErrorCode;
using namespace std::chrono_literals;

namespace {

constexpr int kTransferBase = static_cast<int>(ErrorCode::TransferBase);
// libcurl's codes, as its documentation numbers them
constexpr int kCurlUnsupportedProtocol = 1;
constexpr int kCurlCouldntConnect = 7;
constexpr int kCurlTimedOut = 28;
constexpr int kCurlTooManyRedirects = 47;
constexpr int kCurlRecursiveApiCall = 93;

constexpr int kMegabyte = 1024 * 1024;
constexpr int kSmallLimit = 64 * 1024;
constexpr int kSlowChunks = 8;
// The server compresses text on its own when the client accepts it; bodies
// whose bytes on the wire matter are sent as a type it leaves alone.
constexpr const char* kUncompressed = "application/octet-stream";

const QString kCafeUeber = QStringLiteral("caf") + QChar(0xE9) + QStringLiteral(" ") + QChar(0xFC) + QStringLiteral("ber");

#ifdef ORVANE_TEST_GZIP
std::string gzip(const std::string& plain)
{
    z_stream stream{};
    // 15 window bits, +16 for the gzip wrapper instead of zlib's
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&stream, plain.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    stream.avail_in = static_cast<uInt>(plain.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return rc == Z_STREAM_END ? out : std::string();
}
#endif

void serveRedirect(httplib::Response& res, const std::string& location)
{
    res.status = 302;
    res.set_header("Location", location);
}

class CurlPageFetcherTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // A proxy from the environment must not stand between us and 127.0.0.1.
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
    }

    void SetUp() override
    {
        auto& s = http_.server();
        s.Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body>Hello</body></html>", "text/html");
        });
        s.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/html"); });
        s.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.status = std::stoi(req.matches[1].str());
            res.set_content("error page body", "text/html");
        });
        s.Get(R"(/hop/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            const int left = std::stoi(req.matches[1].str());
            if (left == 0)
                res.set_content("landed", "text/plain");
            else
                serveRedirect(res, "/hop/" + std::to_string(left - 1));
        });
        s.Get("/loop", [](const httplib::Request&, httplib::Response& res) { serveRedirect(res, "/loop"); });
        s.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
            serveRedirect(res, "file:///etc/passwd");
        });
        // libcurl alone would follow this one
        s.Get("/to-ftp", [](const httplib::Request&, httplib::Response& res) {
            serveRedirect(res, "ftp://127.0.0.1:1/");
        });
        s.Get(R"(/sized/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(std::stoul(req.matches[1].str()), 'x'), kUncompressed);
        });
        // No Content-Length: the size shows only as the bytes arrive.
        s.Get("/big-chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(kUncompressed, [](size_t offset, httplib::DataSink& sink) {
                if (offset >= static_cast<size_t>(kMegabyte)) {
                    sink.done();
                    return true;
                }
                const std::string chunk(16 * 1024, 'y');
                return sink.write(chunk.data(), chunk.size());
            });
        });
        s.Get("/latin1-header", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("caf\xE9 \xFC" "ber", "text/html; charset=ISO-8859-1");
        });
        s.Get("/latin1-meta", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><head><meta charset=\"iso-8859-1\"></head><body>caf\xE9 \xFC" "ber</body></html>",
                "text/html");
        });
        s.Get("/latin1-http-equiv", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\">"
                            "</head><body>caf\xE9 \xFC" "ber</body></html>",
                "text/html");
        });
        s.Get("/utf8", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("caf\xC3\xA9 \xC3\xBC" "ber", "text/html");
        });
        s.Get("/cp1252", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("\x80" "5", "text/html");
        });
        s.Get("/binary", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string("\x89PNG\0\0\xFF\x80", 8), "application/octet-stream");
        });
        s.Get("/agent", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("User-Agent"), "text/plain");
        });
        s.Get("/client-port", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::to_string(req.remote_port), "text/plain");
        });
#ifdef ORVANE_TEST_GZIP
        s.Get("/gzip", [this](const httplib::Request& req, httplib::Response& res) {
            acceptEncoding_ = req.get_header_value("Accept-Encoding");
            res.set_header("Content-Encoding", "gzip");
            res.set_content(gzip("<p>compressed caf\xC3\xA9</p>"), kUncompressed);
        });
        s.Get("/gzip-bomb", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Encoding", "gzip");
            res.set_content(gzip(std::string(kMegabyte, '\0')), kUncompressed);
        });
#endif
        s.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [this](size_t, httplib::DataSink& sink) {
                if (slowChunksSent_ == kSlowChunks) {
                    sink.done();
                    return true;
                }
                std::this_thread::sleep_for(60ms);
                ++slowChunksSent_;
                return sink.write("chunk;", 6);
            });
        });
        ASSERT_TRUE(http_.start());
    }

    CurlPageFetcher::Options shortOptions() const
    {
        CurlPageFetcher::Options options;
        options.connectTimeout = 500ms;
        options.totalTimeout = 500ms;
        return options;
    }

    LocalHttpServer http_;
    std::string acceptEncoding_;
    std::atomic<int> slowChunksSent_{0};
};

void expectFailure(const orvane::Result<QString>& result, int number)
{
    ASSERT_FALSE(result.ok()) << "got a page: " << result.value().left(80).toStdString();
    EXPECT_EQ(result.failure().number, number);
    EXPECT_FALSE(result.failure().description.isEmpty());
}

} // namespace

TEST_F(CurlPageFetcherTest, FetchesAPageAndAnEmptyOne)
{
    CurlPageFetcher fetcher;
    const auto page = fetcher.fetch(http_.url("/page"));
    ASSERT_TRUE(page.ok()) << page.failure().description.toStdString();
    EXPECT_EQ(page.value(), QStringLiteral("<html><body>Hello</body></html>"));

    const auto empty = fetcher.fetch(http_.url("/empty"));
    ASSERT_TRUE(empty.ok()) << empty.failure().description.toStdString();
    EXPECT_TRUE(empty.value().isEmpty());

    const auto agent = fetcher.fetch(http_.url("/agent"));
    ASSERT_TRUE(agent.ok());
    EXPECT_EQ(agent.value(), QStringLiteral("Orvane/0.1"));
}

TEST_F(CurlPageFetcherTest, AddressesAreTakenAsTheyAreWritten)
{
    CurlPageFetcher fetcher;
    // upper-case scheme, surrounding blanks, no scheme at all (taken as http)
    for (const QString& url : {QStringLiteral("HTTP://127.0.0.1:%1/page").arg(http_.port()),
             QStringLiteral("  http://127.0.0.1:%1/page\n").arg(http_.port()),
             QStringLiteral("127.0.0.1:%1/page").arg(http_.port())}) {
        const auto page = fetcher.fetch(url);
        ASSERT_TRUE(page.ok()) << url.toStdString() << ": " << page.failure().description.toStdString();
        EXPECT_EQ(page.value(), QStringLiteral("<html><body>Hello</body></html>"));
    }
}

TEST_F(CurlPageFetcherTest, KeepsOneConnectionAcrossFetches)
{
    CurlPageFetcher fetcher;
    const auto first = fetcher.fetch(http_.url("/client-port"));
    const auto second = fetcher.fetch(http_.url("/client-port"));
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_EQ(first.value(), second.value());
}

TEST_F(CurlPageFetcherTest, IdleLetsTheConnectionGoAndFetchingGoesOn)
{
    CurlPageFetcher fetcher;
    const auto first = fetcher.fetch(http_.url("/client-port"));
    fetcher.idle();
    const auto second = fetcher.fetch(http_.url("/client-port"));
    const auto third = fetcher.fetch(http_.url("/client-port"));
    ASSERT_TRUE(first.ok() && second.ok() && third.ok());
    // a new connection after idle(), kept again for the fetch after it
    EXPECT_NE(first.value(), second.value());
    EXPECT_EQ(second.value(), third.value());
}

TEST_F(CurlPageFetcherTest, ErrorStatusesFailWithTheirNumber)
{
    CurlPageFetcher fetcher;
    const auto notFound = fetcher.fetch(http_.url("/status/404"));
    ASSERT_FALSE(notFound.ok());
    EXPECT_EQ(notFound.failure().number, 404);
    EXPECT_EQ(notFound.failure().description, QStringLiteral("The web server answered HTTP status 404 (Not Found)."));

    const auto serverError = fetcher.fetch(http_.url("/status/500"));
    ASSERT_FALSE(serverError.ok());
    EXPECT_EQ(serverError.failure().number, 500);
    EXPECT_EQ(serverError.failure().description,
        QStringLiteral("The web server answered HTTP status 500 (Internal Server Error)."));

    // 399 is not an error status; its body is the page
    const auto below = fetcher.fetch(http_.url("/status/399"));
    ASSERT_TRUE(below.ok());
    EXPECT_EQ(below.value(), QStringLiteral("error page body"));

    // the status of an earlier fetch does not stick to a later failure
    IdlePort refusing(IdlePort::Mode::Refusing);
    ASSERT_NE(refusing.port(), 0);
    expectFailure(fetcher.fetch(QStringLiteral("http://127.0.0.1:%1/").arg(refusing.port())),
        kTransferBase + kCurlCouldntConnect);
}

TEST_F(CurlPageFetcherTest, ConnectionRefusedAndNoAnswer)
{
    IdlePort refusing(IdlePort::Mode::Refusing);
    IdlePort silent(IdlePort::Mode::Silent);
    ASSERT_NE(refusing.port(), 0);
    ASSERT_NE(silent.port(), 0);
    CurlPageFetcher fetcher(shortOptions());

    expectFailure(fetcher.fetch(QStringLiteral("http://127.0.0.1:%1/").arg(refusing.port())),
        kTransferBase + kCurlCouldntConnect);
    // the connection opens (the kernel queues it) but no answer ever comes
    expectFailure(fetcher.fetch(QStringLiteral("http://127.0.0.1:%1/").arg(silent.port())),
        kTransferBase + kCurlTimedOut);
}

TEST_F(CurlPageFetcherTest, RedirectsAreFollowedUpToTen)
{
    CurlPageFetcher fetcher;
    for (int hops : {3, 10}) {
        const auto page = fetcher.fetch(http_.url(QStringLiteral("/hop/%1").arg(hops)));
        ASSERT_TRUE(page.ok()) << hops << " hops: " << page.failure().description.toStdString();
        EXPECT_EQ(page.value(), QStringLiteral("landed"));
    }
    expectFailure(fetcher.fetch(http_.url("/hop/11")), kTransferBase + kCurlTooManyRedirects);
    expectFailure(fetcher.fetch(http_.url("/loop")), kTransferBase + kCurlTooManyRedirects);
}

TEST_F(CurlPageFetcherTest, NothingButTheWebIsFetched)
{
    CurlPageFetcher fetcher;
    const auto redirected = fetcher.fetch(http_.url("/to-file"));
    expectFailure(redirected, kTransferBase + kCurlUnsupportedProtocol);
    EXPECT_FALSE(redirected.failure().description.contains(QStringLiteral("root:")));
    expectFailure(fetcher.fetch(http_.url("/to-ftp")), kTransferBase + kCurlUnsupportedProtocol);

    for (const char* url : {"file:///etc/passwd", "FILE:///etc/passwd", "file:/etc/passwd", "ftp://127.0.0.1/",
             "gopher://127.0.0.1/", "mailto:someone@example.com", "dict://127.0.0.1:2628/d:x"}) {
        SCOPED_TRACE(url);
        expectFailure(fetcher.fetch(QString::fromLatin1(url)), static_cast<int>(ErrorCode::FetchProtocol));
    }
    for (const QString& url : {QString(), QStringLiteral("   "), QStringLiteral("\t\r\n")}) {
        expectFailure(fetcher.fetch(url), static_cast<int>(ErrorCode::FetchNoAddress));
    }
}

TEST_F(CurlPageFetcherTest, PagesAboveTheLimitFail)
{
    CurlPageFetcher::Options options;
    options.maxPageBytes = kSmallLimit;
    CurlPageFetcher fetcher(options);
    const int tooLarge = static_cast<int>(ErrorCode::FetchTooLarge);

    // announced by Content-Length
    expectFailure(fetcher.fetch(http_.url(QStringLiteral("/sized/%1").arg(kMegabyte))), tooLarge);
    expectFailure(fetcher.fetch(http_.url(QStringLiteral("/sized/%1").arg(kSmallLimit + 1))), tooLarge);
    // only known as the bytes come in
    expectFailure(fetcher.fetch(http_.url("/big-chunked")), tooLarge);

    const auto atLimit = fetcher.fetch(http_.url(QStringLiteral("/sized/%1").arg(kSmallLimit)));
    ASSERT_TRUE(atLimit.ok());
    EXPECT_EQ(atLimit.value().size(), kSmallLimit);
}

TEST_F(CurlPageFetcherTest, DecodesByTheDeclaredCharset)
{
    CurlPageFetcher fetcher;
    for (const char* path : {"/latin1-header", "/latin1-meta", "/latin1-http-equiv", "/utf8"}) {
        SCOPED_TRACE(path);
        const auto page = fetcher.fetch(http_.url(QString::fromLatin1(path)));
        ASSERT_TRUE(page.ok());
        EXPECT_TRUE(page.value().contains(kCafeUeber)) << page.value().toStdString();
    }

    const auto cp1252 = fetcher.fetch(http_.url("/cp1252"));
    ASSERT_TRUE(cp1252.ok());
    EXPECT_EQ(cp1252.value(), QString(QChar(0x20AC)) + QChar('5'));

    const auto binary = fetcher.fetch(http_.url("/binary"));
    ASSERT_TRUE(binary.ok());
    // 0x89 is the per-mille sign in Windows-1252
    const QString expected = QString(QChar(0x2030)) + QStringLiteral("PNG") + QChar(0) + QChar(0) + QChar(0xFF)
        + QChar(0x20AC);
    EXPECT_EQ(binary.value(), expected);
}

#ifdef ORVANE_TEST_GZIP
TEST_F(CurlPageFetcherTest, CompressedPages)
{
    CurlPageFetcher::Options options;
    options.maxPageBytes = kSmallLimit;
    CurlPageFetcher fetcher(options);

    const auto page = fetcher.fetch(http_.url("/gzip"));
    ASSERT_TRUE(page.ok()) << page.failure().description.toStdString();
    EXPECT_EQ(page.value(), QStringLiteral("<p>compressed caf") + QChar(0xE9) + QStringLiteral("</p>"));
    EXPECT_NE(acceptEncoding_.find("gzip"), std::string::npos) << acceptEncoding_;

    // a few KB on the wire that would unpack to a megabyte
    expectFailure(fetcher.fetch(http_.url("/gzip-bomb")), static_cast<int>(ErrorCode::FetchTooLarge));
}
#endif

TEST_F(CurlPageFetcherTest, KeepsPaintingDuringASlowTransfer)
{
    std::vector<std::chrono::steady_clock::time_point> calls;
    std::vector<int> chunksAtCall;
    CurlPageFetcher::Options options;
    options.keepPainting = [&] {
        calls.push_back(std::chrono::steady_clock::now());
        chunksAtCall.push_back(slowChunksSent_);
    };
    CurlPageFetcher fetcher(options);

    const auto page = fetcher.fetch(http_.url("/slow"));
    ASSERT_TRUE(page.ok()) << page.failure().description.toStdString();
    EXPECT_EQ(page.value(), QStringLiteral("chunk;").repeated(kSlowChunks));

    // about half a second of transfer: several calls, some before the end,
    // never two within 50 ms
    ASSERT_GE(calls.size(), 2u);
    EXPECT_LT(chunksAtCall.front(), kSlowChunks);
    for (size_t i = 1; i < calls.size(); ++i)
        EXPECT_GE(calls[i] - calls[i - 1], 45ms) << "call " << i;
}

TEST_F(CurlPageFetcherTest, KeepsPaintingWhileTheServerIsSilent)
{
    IdlePort silent(IdlePort::Mode::Silent);
    ASSERT_NE(silent.port(), 0);
    int calls = 0;
    CurlPageFetcher::Options options = shortOptions();
    options.keepPainting = [&] { ++calls; };
    CurlPageFetcher fetcher(options);

    expectFailure(fetcher.fetch(QStringLiteral("http://127.0.0.1:%1/").arg(silent.port())),
        kTransferBase + kCurlTimedOut);
    // half a second without a byte: nine or ten calls when every 50 ms
    EXPECT_GE(calls, 4);
    EXPECT_LE(calls, 10);
}

TEST_F(CurlPageFetcherTest, AFetchFromInsideKeepPaintingIsRefused)
{
    CurlPageFetcher* self = nullptr;
    std::vector<int> innerNumbers;
    CurlPageFetcher::Options options;
    options.keepPainting = [&] { innerNumbers.push_back(self->fetch(http_.url("/page")).failure().number); };
    CurlPageFetcher fetcher(options);
    self = &fetcher;

    const auto page = fetcher.fetch(http_.url("/slow"));
    ASSERT_TRUE(page.ok()) << page.failure().description.toStdString();
    EXPECT_EQ(page.value().size(), 6 * kSlowChunks);
    ASSERT_FALSE(innerNumbers.empty());
    for (int number : innerNumbers)
        EXPECT_EQ(number, kTransferBase + kCurlRecursiveApiCall);
}
