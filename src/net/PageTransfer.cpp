#include "net/PageTransfer.h"

#include "base/ErrorCatalogue.h"
#include "net/CurlOptions.h"
#include "net/CurlUrl.h"
#include "net/ErrorAnswer.h"
#include "net/TransferFailure.h"
#include "text/PageDecoder.h"
#include "text/TextDigest.h"

#include <algorithm>
#include <new>
#include <utility>

namespace orvane {

namespace {

constexpr long kMaxRedirects = 10;
// Fewer, larger reads from the socket for pages of some size.
constexpr long kReceiveBufferBytes = long {256} * 1024;
// A page this large is decoded slice by slice, its bytes given back as
// they become text, so that it is never held whole twice.
constexpr qsizetype kSlicedDecodingBytes = qsizetype {4} * 1024 * 1024;
constexpr long kOk = 200;
constexpr long kNotModified = 304;

// A value kept in the cache goes back into a header line as it is: one
// that could end the line is never sent.
bool fitsOneLine(const QByteArray& value)
{
    return !value.contains('\r') && !value.contains('\n') && !value.contains('\0');
}

} // namespace

PageTransfer::PageTransfer(QString url, QByteArray address, int host, PageBudget& budget,
                           const CurlPageFetcher::Options& options)
    : url_(std::move(url)), address_(std::move(address)), host_(host), budget_(budget), options_(options)
{
}

PageTransfer::~PageTransfer()
{
    dropBody();
}

// A handle used before keeps the options it was given (some cannot be set
// again once it has transferred): only the page's own are set anew.
CURLcode PageTransfer::prepare(CurlHandle handle, bool ahead, std::chrono::milliseconds timeout)
{
    const bool fresh = !handle;
    curl_ = fresh ? CurlHandle() : std::move(handle);
    dropBody();
    state_ = State::Waiting;
    startedAhead_ = ahead;
    paused_ = false;
    bodyStarted_ = false;
    tooLarge_ = false;
    droppedForRoom_ = false;
    redirects_ = 0;
    result_ = CURLE_OK;
    CURL* curl = curl_.get();
    if (!curl)
        return CURLE_FAILED_INIT;
    if (const CURLcode rc = fresh ? setUp(curl) : CURLE_OK; rc != CURLE_OK)
        return rc;
    const CURLcode rc = CurlOptions(curl)
                            .set(CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<qint64>(timeout.count(), 1)))
                            .set(CURLOPT_URL, address_.constData()) // curl copies texts
                            .set(CURLOPT_WRITEDATA, static_cast<void*>(this))
                            .set(CURLOPT_PRIVATE, static_cast<void*>(this))
                            .code();
    return rc == CURLE_OK ? setConditions(curl) : rc;
}

// Asks "only if changed" with the validators of the page kept, exactly as
// the server sent them; these headers are this transfer's own, never a
// handle's leftovers. libcurl's time condition is not used: on a 200 older
// than the date it drops the page and reports a 304 never received.
CURLcode PageTransfer::setConditions(CURL* curl)
{
    conditions_ = CurlStringList();
    sentEtag_.clear();
    sentModified_.clear();
    asked_ = checkDue_ = false;
    std::optional<CachedPage> kept;
    if (options_.cache && !inFull_)
        kept = options_.cache->find(url_, false);
    if (kept && (!kept->etag.isEmpty() || !kept->lastModified.isEmpty()) && fitsOneLine(kept->etag)
        && fitsOneLine(kept->lastModified)) {
        bool listed = true;
        if (!kept->etag.isEmpty())
            listed = conditions_.append(("If-None-Match: " + kept->etag).constData());
        if (listed && !kept->lastModified.isEmpty())
            listed = conditions_.append(("If-Modified-Since: " + kept->lastModified).constData());
        if (listed) {
            sentEtag_ = kept->etag;
            sentModified_ = kept->lastModified;
            asked_ = true;
            const qint64 since = nowMs() - kept->checkedAtMs;
            checkDue_ = since < 0 || since >= static_cast<qint64>(options_.fullFetchPeriod.count());
        } else {
            conditions_ = CurlStringList();
        }
    }
    return CurlOptions(curl).set(CURLOPT_HTTPHEADER, conditions_.get()).code();
}

CURLcode PageTransfer::setUp(CURL* curl) const
{
    const std::pair<CURLoption, long> longs[] = {
        {CURLOPT_NOSIGNAL, 1L},
        {CURLOPT_FOLLOWLOCATION, 1L},
        {CURLOPT_MAXREDIRS, kMaxRedirects},
        // The error page's body is of no use; stop at the status line.
        {CURLOPT_FAILONERROR, 1L},
        {CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeout.count())},
        {CURLOPT_BUFFERSIZE, kReceiveBufferBytes},
    };
    CurlOptions set(curl);
    for (const auto& [option, value] : longs)
        set.set(option, value);

    // Never anything but the web, not even when a server redirects elsewhere
    // (file://, ftp://, ...).
    const std::pair<CURLoption, const char*> texts[] = {
        {CURLOPT_PROTOCOLS_STR, "http,https"},
        {CURLOPT_REDIR_PROTOCOLS_STR, "http,https"},
        {CURLOPT_DEFAULT_PROTOCOL, "http"},
        {CURLOPT_ACCEPT_ENCODING, ""}, // every encoding this libcurl can undo
        {CURLOPT_USERAGENT, options_.userAgent.constData()},
    };
    for (const auto& [option, value] : texts)
        set.set(option, value);
    return set.set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options_.maxPageBytes))
        .set(CURLOPT_WRITEFUNCTION, &PageTransfer::onBody)
        .code();
}

void PageTransfer::finished(CURLcode result)
{
    static const SystemClock systemClock;
    state_ = State::Done;
    result_ = result;
    // Now, not at its turn: a page fetched ahead may be taken much later.
    answeredAt_ = (options_.clock ? *options_.clock : systemClock).now();
    paused_ = false;
}

void PageTransfer::restart()
{
    dropBody();
    state_ = State::Waiting;
    paused_ = false;
}

bool PageTransfer::wantsFullFetch()
{
    storedIsKept_ = false;
    long status = 0;
    curl_easy_getinfo(curl_.get(), CURLINFO_RESPONSE_CODE, &status);
    if (result_ != CURLE_OK || status != kNotModified || !asked_ || !options_.cache)
        return false;
    const char* effective = nullptr;
    curl_easy_getinfo(curl_.get(), CURLINFO_EFFECTIVE_URL, &effective);
    kept_ = options_.cache->find(url_, false);
    // The 304 stands for what was asked with, reached where it was before;
    // anything kept since (another entry of the same address) is not it.
    if (!kept_ || kept_->etag != sentEtag_ || kept_->lastModified != sentModified_
        || kept_->finalUrl != QByteArray(effective ? effective : "")) {
        kept_.reset();
        return true;
    }
    // The caller's own text stands for the page when the page kept decodes
    // to that very text: no need to read and decode its body again. The
    // daily check compares the body with the page then fetched whole.
    storedIsKept_ = !checkDue_ && !kept_->textDigest.isEmpty() && kept_->textDigest == TextDigest::of(stored_);
    if (storedIsKept_)
        return false;
    auto withBody = options_.cache->find(url_, true);
    if (!withBody || withBody->etag != kept_->etag || withBody->lastModified != kept_->lastModified) {
        kept_.reset();
        return true;
    }
    kept_ = std::move(withBody);
    return checkDue_;
}

void PageTransfer::askInFull()
{
    inFull_ = true;
    restart();
}

void PageTransfer::resume()
{
    paused_ = false;
    // The body callback runs from in here and may pause it again.
    curl_easy_pause(curl_.get(), CURLPAUSE_CONT);
}

Result<FetchedPage> PageTransfer::page()
{
    long status = 0;
    curl_easy_getinfo(curl_.get(), CURLINFO_RESPONSE_CODE, &status);
    // Whatever failed, the next fetch asks for the whole page.
    if (options_.cache
        && (droppedForRoom_ || tooLarge_ || result_ != CURLE_OK || status >= ErrorCatalogue::kFirstHttpError))
        (void)options_.cache->drop(url_);
    if (droppedForRoom_) {
        dropBody();
        return transferFailure(CURLE_WRITE_ERROR);
    }
    if (tooLarge_ || result_ == CURLE_FILESIZE_EXCEEDED) {
        dropBody();
        return ErrorCatalogue::failure(ErrorCode::FetchTooLarge);
    }
    // Also covers a transfer curl gave up on after an error status. curl
    // keeps the headers of each answer: -1, those of the final one, after
    // the redirects, and only of this transfer.
    if (status >= ErrorCatalogue::kFirstHttpError) {
        dropBody();
        return ErrorAnswer::read(
            status, [this](const char* name) { return header(name); }, answeredAt_);
    }
    if (result_ != CURLE_OK) {
        dropBody();
        return transferFailure(result_);
    }

    if (status == kNotModified)
        return fromCache(status);

    const char* contentType = nullptr;
    curl_easy_getinfo(curl_.get(), CURLINFO_CONTENT_TYPE, &contentType);
    const QByteArrayView type = contentType ? QByteArrayView(contentType) : QByteArrayView();
    FetchedPage page;
    page.httpStatus = status;
    const char* finalUrl = nullptr;
    if (curl_easy_getinfo(curl_.get(), CURLINFO_EFFECTIVE_URL, &finalUrl) == CURLE_OK && finalUrl)
        page.finalUrl = QString::fromUtf8(finalUrl);
    curl_off_t wire = 0;
    if (curl_easy_getinfo(curl_.get(), CURLINFO_SIZE_DOWNLOAD_T, &wire) == CURLE_OK)
        page.wireBytes = wire;
    page.contentEncoding = header("Content-Encoding").value_or(QByteArray());
    page.etag = header("ETag").value_or(QByteArray());
    page.lastModified = header("Last-Modified").value_or(QByteArray());

    QByteArray body = std::exchange(body_, QByteArray());
    budget_.held -= body.size();
    if (body.size() > kSlicedDecodingBytes) {
        // Kept without its text's digest: its bytes go as they are decoded.
        if (options_.cache)
            remember(body, type, {}, {});
        page.text = PageDecoder::decodeReleasing(std::move(body), type, PageDecoder::kSliceBytes, &page.charset);
        return page;
    }
    page.text = PageDecoder::decode(body, type, &page.charset);
    if (options_.cache)
        remember(body, type, page.charset, TextDigest::of(page.text));
    return page;
}

std::optional<QByteArray> PageTransfer::header(const char* name) const
{
    curl_header* found = nullptr;
    // -1: the headers of the last answer, after the redirects.
    if (curl_easy_header(curl_.get(), name, 0, CURLH_HEADER, -1, &found) != CURLHE_OK)
        return std::nullopt;
    return QByteArray(found->value);
}

// The page a 304 stood for, decoded as it was when it came whole.
Result<FetchedPage> PageTransfer::fromCache(long status)
{
    // Asked for the whole page, nothing came: no page to compare with, and
    // none to take for an empty one.
    if (!asked_ || !kept_) {
        if (options_.cache)
            (void)options_.cache->drop(url_);
        return ErrorCatalogue::failure(ErrorCode::FetchUnaskedNotModified);
    }
    (void)options_.cache->vouch(url_, nowMs());
    CachedPage kept = std::move(*kept_);
    kept_.reset();
    FetchedPage page;
    page.httpStatus = status;
    page.finalUrl = QString::fromUtf8(kept.finalUrl);
    curl_off_t wire = 0;
    if (curl_easy_getinfo(curl_.get(), CURLINFO_SIZE_DOWNLOAD_T, &wire) == CURLE_OK)
        page.wireBytes = wire;
    page.etag = kept.etag;
    page.lastModified = kept.lastModified;
    if (storedIsKept_) {
        page.text = stored_;
        page.charset = kept.charset;
    } else if (kept.body.size() > kSlicedDecodingBytes)
        page.text = PageDecoder::decodeReleasing(std::move(kept.body), kept.contentType, PageDecoder::kSliceBytes,
                                                 &page.charset);
    else
        page.text = PageDecoder::decode(kept.body, kept.contentType, &page.charset);
    return page;
}

// Keeps a page that came whole with validators; forgets the one kept when
// it came without. The daily check compares it with the page a 304 stood for.
void PageTransfer::remember(const QByteArray& body, QByteArrayView contentType, const QByteArray& charset,
                            const QByteArray& textDigest)
{
    PageCache& cache = *options_.cache;
    long status = 0;
    curl_easy_getinfo(curl_.get(), CURLINFO_RESPONSE_CODE, &status);
    if (kept_) {
        const bool same = kept_->body == body && kept_->contentType == contentType;
        kept_.reset();
        if (!same) {
            (void)cache.distrust(url_, nowMs());
            return;
        }
    }
    const QByteArray etag = header("ETag").value_or(QByteArray()),
                     modified = header("Last-Modified").value_or(QByteArray());
    if (status != kOk || (etag.isEmpty() && modified.isEmpty())) {
        (void)cache.drop(url_);
        return;
    }
    if (cache.distrusted(url_))
        return;
    const char* effective = nullptr;
    curl_easy_getinfo(curl_.get(), CURLINFO_EFFECTIVE_URL, &effective);
    (void)cache.keep(url_,
                     CachedPage {etag, modified, QByteArray(effective ? effective : ""), contentType.toByteArray(),
                                 body, charset, textDigest, nowMs()});
}

qint64 PageTransfer::nowMs() const
{
    // The system's time as it is counted: a local date would look up the
    // time zone only to be turned back, twice for every 304.
    return options_.clock ? options_.clock->now().toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
}

CurlHandle PageTransfer::releaseHandle()
{
    return std::exchange(curl_, CurlHandle(nullptr));
}

QString PageTransfer::hostOf(const QByteArray& address)
{
    QString host = QString::fromUtf8(address);
    CurlUrl parts;
    if (parts.set(CURLUPART_URL, address.constData(), CURLU_DEFAULT_SCHEME))
        if (const std::optional<QByteArray> part = parts.get(CURLUPART_HOST))
            host = QString::fromUtf8(*part).toLower();
    return host;
}

void PageTransfer::dropBody()
{
    budget_.held -= body_.size();
    body_ = QByteArray();
}

bool PageTransfer::encoded() const
{
    curl_header* header = nullptr;
    // -1: the headers of the last response, the one whose body this is.
    return curl_easy_header(curl_.get(), "Content-Encoding", 0, CURLH_HEADER, -1, &header) == CURLHE_OK
        && qstricmp(header->value, "identity") != 0;
}

size_t PageTransfer::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* transfer = static_cast<PageTransfer*>(self);
    PageBudget& budget = transfer->budget_;
    // NOLINTNEXTLINE(bugprone-misplaced-widening-cast): a change of sign, not a widening; at most CURL_MAX_WRITE_SIZE
    const qint64 bytes = static_cast<qint64>(size * count);
    if (transfer != budget.awaited) {
        const bool pastShare = transfer->body_.size() + bytes > budget.share;
        const bool pastLimit = budget.held + bytes > budget.limit;
        // A paused transfer reads nothing more, and curl hands these bytes
        // over again on resume(). But it goes on inflating what it has read
        // of a compressed body, and keeps all of it: such a page is dropped
        // instead, to be fetched again at its turn.
        if ((pastShare || pastLimit) && transfer->encoded()) {
            transfer->dropBody();
            transfer->droppedForRoom_ = true;
            return 0; // aborts the transfer
        }
        if (pastLimit) {
            transfer->paused_ = true;
            return CURL_WRITEFUNC_PAUSE;
        }
    }
    try {
        if (!transfer->bodyStarted_) {
            transfer->bodyStarted_ = true;
            curl_off_t announced = -1;
            if (curl_easy_getinfo(transfer->curl_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK
                && announced > 0)
                transfer->body_.reserve(
                    static_cast<qsizetype>(std::min<curl_off_t>(announced, transfer->options_.maxPageBytes)));
        }
        if (transfer->body_.size() + bytes > transfer->options_.maxPageBytes) {
            transfer->tooLarge_ = true;
            return 0; // aborts the transfer
        }
        transfer->body_.append(data, static_cast<qsizetype>(bytes));
        budget.held += bytes;
    } catch (const std::bad_alloc&) {
        transfer->tooLarge_ = true;
        return 0;
    }
    return static_cast<size_t>(bytes);
}

} // namespace orvane
