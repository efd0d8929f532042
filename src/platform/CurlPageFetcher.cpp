#include "platform/CurlPageFetcher.h"

#include "platform/ErrorCatalogue.h"
#include "platform/PageDecoder.h"

#include <QScopeGuard>

#include <algorithm>
#include <new>
#include <utility>

namespace orvane {

namespace {

constexpr long kMaxRedirects = 10;
constexpr qsizetype kKeptBufferBytes = 4 * 1024 * 1024;
constexpr long kReceiveBufferBytes = 256 * 1024;

bool isSchemeChar(QChar c, bool first)
{
    const char16_t u = c.unicode();
    const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
    if (first)
        return letter;
    return letter || (u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.';
}

// The scheme the address names, empty when it names none ("example.com/x",
// or "localhost:8080/x" where what follows the colon is a port).
QString schemeOf(const QString& url)
{
    qsizetype i = 0;
    while (i < url.size() && isSchemeChar(url[i], i == 0))
        ++i;
    if (i == 0 || i >= url.size() || url[i] != QLatin1Char(':'))
        return {};
    qsizetype j = i + 1;
    while (j < url.size() && url[j] >= QLatin1Char('0') && url[j] <= QLatin1Char('9'))
        ++j;
    const bool portFollows = j > i + 1
        && (j == url.size() || url[j] == QLatin1Char('/') || url[j] == QLatin1Char('?') || url[j] == QLatin1Char('#'));
    return portFollows ? QString() : url.left(i).toLower();
}

template <typename T> CURLcode setOption(CURL* curl, CURLoption option, T value)
{
    return curl_easy_setopt(curl, option, value);
}

} // namespace

CurlPageFetcher::CurlPageFetcher() : CurlPageFetcher(Options {})
{
}

CurlPageFetcher::CurlPageFetcher(Options options) : options_(std::move(options))
{
    setUpStatus_ = setUp();
}

CurlPageFetcher::~CurlPageFetcher() = default;

// Every option is set once here: curl keeps them across transfers, so a
// fetch only has to name its address.
Status CurlPageFetcher::setUp()
{
    CURL* curl = curl_.get();
    if (!curl || !multi_)
        return ErrorCatalogue::transferFailure(CURLE_FAILED_INIT);

    const long connectMs = static_cast<long>(options_.connectTimeout.count());
    const long totalMs = static_cast<long>(options_.totalTimeout.count());
    const std::pair<CURLoption, long> longs[] = {
        {CURLOPT_NOSIGNAL, 1L},
        {CURLOPT_FOLLOWLOCATION, 1L},
        {CURLOPT_MAXREDIRS, kMaxRedirects},
        // The error page's body is of no use; stop at the status line.
        {CURLOPT_FAILONERROR, 1L},
        {CURLOPT_CONNECTTIMEOUT_MS, connectMs},
        {CURLOPT_TIMEOUT_MS, totalMs},
        // Fewer, larger reads from the socket for pages of some size.
        {CURLOPT_BUFFERSIZE, kReceiveBufferBytes},
    };
    for (const auto& [option, value] : longs)
        if (const CURLcode rc = setOption(curl, option, value); rc != CURLE_OK)
            return ErrorCatalogue::transferFailure(rc);

    // Never anything but the web, not even when a server redirects elsewhere
    // (file://, ftp://, ...).
    const std::pair<CURLoption, const char*> texts[] = {
        {CURLOPT_PROTOCOLS_STR, "http,https"},
        {CURLOPT_REDIR_PROTOCOLS_STR, "http,https"},
        {CURLOPT_DEFAULT_PROTOCOL, "http"},
        {CURLOPT_ACCEPT_ENCODING, ""},                       // every encoding this libcurl can undo
        {CURLOPT_USERAGENT, options_.userAgent.constData()}, // curl copies it
    };
    for (const auto& [option, value] : texts)
        if (const CURLcode rc = setOption(curl, option, value); rc != CURLE_OK)
            return ErrorCatalogue::transferFailure(rc);

    CURLcode rc = setOption(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options_.maxPageBytes));
    if (rc == CURLE_OK)
        rc = setOption(curl, CURLOPT_WRITEFUNCTION, &CurlPageFetcher::onBody);
    if (rc == CURLE_OK)
        rc = setOption(curl, CURLOPT_WRITEDATA, static_cast<void*>(this));
    if (rc != CURLE_OK)
        return ErrorCatalogue::transferFailure(rc);
    return Status::success();
}

Result<QString> CurlPageFetcher::fetch(const QString& url)
{
    const QString address = url.trimmed();
    if (address.isEmpty() || address.contains(QChar(u'\0')))
        return ErrorCatalogue::failure(ErrorCode::FetchNoAddress);
    if (const QString scheme = schemeOf(address);
        !scheme.isEmpty() && scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return ErrorCatalogue::failure(ErrorCode::FetchProtocol);
    if (!setUpStatus_.ok())
        return setUpStatus_.failure();
    // keepPainting may run events that ask for another fetch; one handle
    // cannot carry two transfers.
    if (busy_)
        return ErrorCatalogue::transferFailure(CURLE_RECURSIVE_API_CALL);

    CURL* curl = curl_.get();
    const QByteArray urlBytes = address.toUtf8();
    if (const CURLcode rc = curl_easy_setopt(curl, CURLOPT_URL, urlBytes.constData()); rc != CURLE_OK)
        return ErrorCatalogue::transferFailure(rc);

    body_.resize(0); // keeps the buffer of the last page
    bodyStarted_ = false;
    tooLarge_ = false;
    lastPaint_ = std::chrono::steady_clock::now();
    busy_ = true;
    const CURLcode rc = transfer();
    busy_ = false;
    // Hold on to a buffer of ordinary size for the next page, not to a huge one.
    const auto releaseBody = qScopeGuard([this] {
        if (body_.capacity() > kKeptBufferBytes)
            body_ = QByteArray();
    });

    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (tooLarge_)
        return ErrorCatalogue::failure(ErrorCode::FetchTooLarge);
    // Also covers a transfer curl gave up on after an error status.
    if (status >= ErrorCatalogue::kFirstHttpError)
        return ErrorCatalogue::httpFailure(status);
    if (rc == CURLE_FILESIZE_EXCEEDED)
        return ErrorCatalogue::failure(ErrorCode::FetchTooLarge);
    if (rc != CURLE_OK)
        return ErrorCatalogue::transferFailure(rc);

    const char* contentType = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
    const QByteArrayView type = contentType ? QByteArrayView(contentType) : QByteArrayView();
    // A large page is not kept anyway: let its bytes go while they become text.
    if (body_.size() > kKeptBufferBytes)
        return PageDecoder::decodeReleasing(std::exchange(body_, QByteArray()), type);
    return PageDecoder::decode(body_, type);
}

void CurlPageFetcher::idle()
{
    // The easy handle is never left in the multi handle between fetches, so
    // a new multi handle is all it takes; its connection cache goes with
    // the old one.
    if (!busy_)
        multi_ = CurlMultiHandle();
}

CURLcode CurlPageFetcher::transfer()
{
    CURLM* multi = multi_.get();
    CURL* curl = curl_.get();
    if (const CURLMcode added = curl_multi_add_handle(multi, curl); added != CURLM_OK)
        return added == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;

    CURLcode result = CURLE_OK;
    int running = 1;
    while (running) {
        CURLMcode mc = curl_multi_perform(multi, &running);
        if (mc == CURLM_OK && running)
            mc = curl_multi_poll(multi, nullptr, 0, msUntilPaint(), nullptr);
        if (mc != CURLM_OK) {
            result = mc == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
            break;
        }
        if (running)
            keepPaintingIfDue();
    }
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &queued))
        if (message->msg == CURLMSG_DONE && message->easy_handle == curl)
            result = message->data.result;
    // The connection stays in the multi handle's cache for the next fetch.
    curl_multi_remove_handle(multi, curl);
    return result;
}

int CurlPageFetcher::msUntilPaint() const
{
    // Without anyone to repaint, wake up only when curl has work.
    if (!options_.keepPainting)
        return 1000;
    using std::chrono::milliseconds;
    const auto left = options_.keepPaintingInterval
        - std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - lastPaint_);
    return static_cast<int>(std::clamp<milliseconds::rep>(left.count(), 1, 1000));
}

void CurlPageFetcher::keepPaintingIfDue()
{
    if (!options_.keepPainting)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPaint_ < options_.keepPaintingInterval)
        return;
    lastPaint_ = now;
    try {
        options_.keepPainting();
    } catch (...) {
        // A failed repaint must not end the fetch, nor leave the handle
        // attached to the multi handle.
    }
}

void CurlPageFetcher::beginBody()
{
    bodyStarted_ = true;
    curl_off_t announced = -1;
    if (curl_easy_getinfo(curl_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK && announced > 0)
        body_.reserve(static_cast<qsizetype>(std::min<curl_off_t>(announced, options_.maxPageBytes)));
}

size_t CurlPageFetcher::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* fetcher = static_cast<CurlPageFetcher*>(self);
    const size_t bytes = size * count;
    try {
        if (!fetcher->bodyStarted_)
            fetcher->beginBody();
        if (fetcher->body_.size() + static_cast<qint64>(bytes) > fetcher->options_.maxPageBytes) {
            fetcher->tooLarge_ = true;
            return 0; // aborts the transfer
        }
        fetcher->body_.append(data, static_cast<qsizetype>(bytes));
    } catch (const std::bad_alloc&) {
        fetcher->tooLarge_ = true;
        return 0;
    }
    return bytes;
}

} // namespace orvane
