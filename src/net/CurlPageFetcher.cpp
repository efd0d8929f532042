#include "net/CurlPageFetcher.h"

#include "base/ErrorCatalogue.h"
#include "net/CurlMultiHandle.h"
#include "net/PageTransfer.h"
#include "net/TransferFailure.h"

#include <QHash>

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

namespace orvane {

namespace {

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

// The address a fetch of `url` requests, or why no fetch can take it.
Result<QByteArray> addressOf(const QString& url)
{
    const QString address = url.trimmed();
    if (address.isEmpty() || address.contains(QChar(u'\0')))
        return ErrorCatalogue::failure(ErrorCode::FetchNoAddress);
    if (const QString scheme = schemeOf(address);
        !scheme.isEmpty() && scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return ErrorCatalogue::failure(ErrorCode::FetchProtocol);
    return address.toUtf8();
}

CURLcode transferCode(CURLMcode code)
{
    return code == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
}

} // namespace

// The transfers of one fetcher: the page waited for, the pages announced
// ahead in the order they will be asked for, and the bounds between them.
class CurlPageFetcher::Transfers {
public:
    explicit Transfers(Options options);
    ~Transfers();
    Transfers(const Transfers&) = delete;
    Transfers& operator=(const Transfers&) = delete;

    Result<FetchedPage> fetch(const QString& url, const QString& lastText);
    void fetchAhead(const QStringList& urls);
    void idle();

private:
    using State = PageTransfer::State;

    std::unique_ptr<PageTransfer> make(const QString& url, QByteArray address);
    int hostId(const QString& host);
    Result<FetchedPage> await(PageTransfer& page, std::chrono::milliseconds timeLeft);
    bool drive(PageTransfer& awaited);
    void collect();
    void followRedirects(PageTransfer* awaited);
    void follow(PageTransfer& page);
    void start(PageTransfer& page, std::chrono::milliseconds timeout);
    void detach(PageTransfer& page);
    void makeRoomFor(const PageTransfer& page);
    void startAndResumeAhead();
    void kickOff();
    void dropAhead();
    void release(std::unique_ptr<PageTransfer> page);
    void newMulti();
    int msUntilPaint() const;
    void keepPaintingIfDue();

    Options options_;
    CurlMultiHandle multi_ {};
    PageBudget budget_;
    std::deque<std::unique_ptr<PageTransfer>> ahead_;
    std::vector<CurlHandle> spare_; // handles of finished pages, for the next ones
    QHash<QString, int> hostIds_;
    std::vector<int> runningPerHost_;
    int running_ = 0;
    bool busy_ = false;
    std::chrono::steady_clock::time_point lastPaint_;
};

CurlPageFetcher::Transfers::Transfers(Options options) : options_(std::move(options))
{
    options_.maxTransfers = std::max(options_.maxTransfers, 1);
    options_.maxTransfersPerHost = std::max(options_.maxTransfersPerHost, 1);
    options_.maxPagesAhead = std::max(options_.maxPagesAhead, 1);
    budget_.limit = options_.maxWaitingBytes;
    budget_.share = options_.maxWaitingBytes / options_.maxTransfers;
    newMulti();
}

CurlPageFetcher::Transfers::~Transfers()
{
    dropAhead();
}

Result<FetchedPage> CurlPageFetcher::Transfers::fetch(const QString& url, const QString& lastText)
{
    auto address = addressOf(url);
    if (!address.ok())
        return address.failure();
    if (!multi_)
        return transferFailure(CURLE_FAILED_INIT);
    // keepPainting may run events that ask for another fetch; the page being
    // waited for cannot wait for itself.
    if (busy_)
        return transferFailure(CURLE_RECURSIVE_API_CALL);

    std::unique_ptr<PageTransfer> page;
    if (!ahead_.empty() && ahead_.front()->url() == url) {
        page = std::move(ahead_.front());
        ahead_.pop_front();
    } else {
        // Out of step with what was announced (an entry changed meanwhile):
        // the pages requested ahead would only be wasted.
        dropAhead();
        page = make(url, std::move(address).value());
    }
    busy_ = true;
    page->expect(lastText);
    const auto turn = std::chrono::steady_clock::now();
    Result<FetchedPage> result = await(*page, options_.totalTimeout);
    // A server's own answer (an error status) is no effect of waiting: asking
    // again would only knock twice on a failing server.
    const bool answered = !result.ok() && ErrorCatalogue::isHttpStatus(result.failure().number);
    if (!result.ok() && page->startedAhead() && !answered) {
        // It may have failed for having waited (past the time-out, or on a
        // connection the server closed meanwhile) or been dropped for room:
        // what counts is a fetch made at its turn. Within one time-out from
        // the turn all the same, so that a silent server costs the cycle
        // no more for a page fetched ahead.
        const auto left = options_.totalTimeout
            - std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - turn);
        if (left.count() > 0) {
            page->restart();
            result = await(*page, left);
        }
    }
    busy_ = false;
    release(std::move(page));
    kickOff();
    return result;
}

void CurlPageFetcher::Transfers::fetchAhead(const QStringList& urls)
{
    if (busy_)
        return;
    dropAhead();
    if (!multi_)
        return;
    for (const QString& url : urls) {
        auto address = addressOf(url);
        if (!address.ok())
            break;
        ahead_.push_back(make(url, std::move(address).value()));
    }
    kickOff();
}

void CurlPageFetcher::Transfers::idle()
{
    if (busy_)
        return;
    dropAhead();
    spare_.clear();
    hostIds_.clear();
    runningPerHost_.clear();
    // The connection cache goes with the old multi handle.
    newMulti();
    if (options_.cache)
        options_.cache->idle();
}

std::unique_ptr<PageTransfer> CurlPageFetcher::Transfers::make(const QString& url, QByteArray address)
{
    const int host = hostId(PageTransfer::hostOf(address));
    return std::make_unique<PageTransfer>(url, std::move(address), host, budget_, options_);
}

int CurlPageFetcher::Transfers::hostId(const QString& host)
{
    auto id = hostIds_.constFind(host);
    if (id == hostIds_.cend()) {
        id = hostIds_.insert(host, static_cast<int>(runningPerHost_.size()));
        runningPerHost_.push_back(0);
    }
    return *id;
}

Result<FetchedPage> CurlPageFetcher::Transfers::await(PageTransfer& page, std::chrono::milliseconds timeLeft)
{
    budget_.awaited = &page;
    lastPaint_ = std::chrono::steady_clock::now();
    const auto deadline = lastPaint_ + timeLeft;
    for (;;) {
        if (page.state() == State::Waiting) {
            makeRoomFor(page);
            start(page,
                  std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()));
        }
        while (page.state() != State::Done) {
            if (page.paused())
                page.resume();
            startAndResumeAhead();
            if (!drive(page))
                break;
            // A redirect may have taken it to a host that pages ahead keep busy.
            if (page.state() == State::Running)
                makeRoomFor(page);
            keepPaintingIfDue();
        }
        // A 304 that cannot stand for the page: asked again, whole, within
        // the same time.
        if (page.state() != State::Done || !page.wantsFullFetch())
            break;
        page.askInFull();
    }
    budget_.awaited = nullptr;
    return page.page();
}

bool CurlPageFetcher::Transfers::drive(PageTransfer& awaited)
{
    int stillRunning = 0;
    CURLMcode mc = curl_multi_perform(multi_.get(), &stillRunning);
    collect();
    followRedirects(&awaited);
    if (mc == CURLM_OK && awaited.state() != State::Done)
        mc = curl_multi_poll(multi_.get(), nullptr, 0, msUntilPaint(), nullptr);
    if (mc == CURLM_OK)
        return true;
    if (awaited.state() == State::Running)
        detach(awaited);
    awaited.finished(transferCode(mc));
    return false;
}

void CurlPageFetcher::Transfers::collect()
{
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const CURLcode result = message->data.result; // the message goes with the handle
        void* self = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &self);
        auto* page = static_cast<PageTransfer*>(self);
        detach(*page);
        page->finished(result);
    }
}

// Counts each running transfer against the host it talks to now. curl
// itself keeps to the limit on connections to a host (see newMulti()); this
// tells the scheduling which hosts are busy.
void CurlPageFetcher::Transfers::followRedirects(PageTransfer* awaited)
{
    // Only the window of pages ahead is ever started.
    const auto window = std::min<size_t>(ahead_.size(), options_.maxPagesAhead);
    for (size_t i = 0; i < window; ++i)
        follow(*ahead_[i]);
    if (awaited)
        follow(*awaited);
}

void CurlPageFetcher::Transfers::follow(PageTransfer& page)
{
    if (page.state() != State::Running)
        return;
    long redirects = 0;
    if (curl_easy_getinfo(page.handle(), CURLINFO_REDIRECT_COUNT, &redirects) != CURLE_OK
        || redirects == page.redirects())
        return;
    const char* url = nullptr;
    curl_easy_getinfo(page.handle(), CURLINFO_EFFECTIVE_URL, &url);
    const int host = hostId(PageTransfer::hostOf(QByteArray(url ? url : "")));
    --runningPerHost_[static_cast<size_t>(page.host())];
    ++runningPerHost_[static_cast<size_t>(host)];
    page.movedTo(host, redirects);
}

void CurlPageFetcher::Transfers::start(PageTransfer& page, std::chrono::milliseconds timeout)
{
    CurlHandle handle = page.releaseHandle();
    if (!handle && !spare_.empty()) {
        handle = std::move(spare_.back());
        spare_.pop_back();
    }
    if (const CURLcode rc = page.prepare(std::move(handle), &page != budget_.awaited, timeout); rc != CURLE_OK) {
        page.finished(rc);
        return;
    }
    if (const CURLMcode mc = curl_multi_add_handle(multi_.get(), page.handle()); mc != CURLM_OK) {
        page.finished(transferCode(mc));
        return;
    }
    page.running();
    ++running_;
    ++runningPerHost_[static_cast<size_t>(page.host())];
}

void CurlPageFetcher::Transfers::detach(PageTransfer& page)
{
    curl_multi_remove_handle(multi_.get(), page.handle());
    --running_;
    --runningPerHost_[static_cast<size_t>(page.host())];
}

// The page waited for is never held back by the bounds: the transfers
// furthest ahead give way to it, to be requested again later.
void CurlPageFetcher::Transfers::makeRoomFor(const PageTransfer& page)
{
    const int own = page.state() == State::Running ? 1 : 0;
    const auto allFull = [&] { return running_ - own >= options_.maxTransfers; };
    const auto hostFull = [&] {
        return runningPerHost_[static_cast<size_t>(page.host())] - own >= options_.maxTransfersPerHost;
    };
    for (auto it = ahead_.rbegin(); it != ahead_.rend() && (allFull() || hostFull()); ++it) {
        PageTransfer& other = **it;
        if (other.state() == State::Running && (allFull() || other.host() == page.host())) {
            detach(other);
            other.restart();
        }
    }
}

// Pages are started in their order, each as soon as the bounds allow; one
// whose host is busy lets those of other hosts pass.
void CurlPageFetcher::Transfers::startAndResumeAhead()
{
    const bool awaitedRuns = budget_.awaited && budget_.awaited->state() == State::Running;
    int runningLeft = running_ - (awaitedRuns ? 1 : 0);
    const auto window = static_cast<ptrdiff_t>(std::min<size_t>(ahead_.size(), options_.maxPagesAhead));
    for (auto entry = ahead_.cbegin(); entry != ahead_.cbegin() + window; ++entry) {
        const bool mayStart = running_ < options_.maxTransfers && !budget_.spent();
        if (runningLeft == 0 && !mayStart)
            break;
        PageTransfer& page = **entry;
        if (page.state() == State::Running) {
            --runningLeft;
            if (page.paused() && !budget_.spent())
                page.resume();
        } else if (page.state() == State::Waiting && mayStart
                   && runningPerHost_[static_cast<size_t>(page.host())] < options_.maxTransfersPerHost) {
            start(page, options_.totalTimeout);
        }
    }
}

// Lets the pages ahead go on while the caller works on the last one.
void CurlPageFetcher::Transfers::kickOff()
{
    if (ahead_.empty())
        return;
    startAndResumeAhead();
    int stillRunning = 0;
    curl_multi_perform(multi_.get(), &stillRunning);
    collect();
    followRedirects(nullptr);
}

void CurlPageFetcher::Transfers::dropAhead()
{
    for (const auto& page : ahead_)
        if (page->state() == State::Running)
            detach(*page);
    ahead_.clear();
}

void CurlPageFetcher::Transfers::release(std::unique_ptr<PageTransfer> page)
{
    if (page->state() == State::Running)
        detach(*page);
    if (CurlHandle handle = page->releaseHandle(); handle && spare_.size() < static_cast<size_t>(options_.maxTransfers))
        spare_.push_back(std::move(handle));
}

void CurlPageFetcher::Transfers::newMulti()
{
    multi_ = CurlMultiHandle();
    if (!multi_)
        return;
    // Without it curl keeps only a few connections between transfers.
    curl_multi_setopt(multi_.get(), CURLMOPT_MAXCONNECTS, static_cast<long>(options_.maxTransfers));
    // Pages on many hosts may all redirect to one: curl holds back a
    // transfer that would open one connection too many to where it now goes.
    curl_multi_setopt(multi_.get(), CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(options_.maxTransfersPerHost));
}

int CurlPageFetcher::Transfers::msUntilPaint() const
{
    // Without anyone to repaint, wake up only when curl has work.
    if (!options_.keepPainting)
        return 1000;
    using std::chrono::milliseconds;
    const auto left = options_.keepPaintingInterval
        - std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - lastPaint_);
    return static_cast<int>(std::clamp<milliseconds::rep>(left.count(), 1, 1000));
}

void CurlPageFetcher::Transfers::keepPaintingIfDue()
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
        // A failed repaint must not end the fetch.
    }
}

CurlPageFetcher::CurlPageFetcher() : CurlPageFetcher(Options {})
{
}

CurlPageFetcher::CurlPageFetcher(Options options) : transfers_(std::make_unique<Transfers>(std::move(options)))
{
}

CurlPageFetcher::~CurlPageFetcher() = default;

Result<QString> CurlPageFetcher::fetch(const QString& url, const QString& lastText)
{
    auto page = transfers_->fetch(url, lastText);
    if (!page.ok())
        return page.failure();
    return std::move(page.value().text);
}

Result<FetchedPage> CurlPageFetcher::fetchPage(const QString& url)
{
    return transfers_->fetch(url, QString());
}

void CurlPageFetcher::fetchAhead(const QStringList& urls)
{
    transfers_->fetchAhead(urls);
}

void CurlPageFetcher::idle()
{
    transfers_->idle();
}

} // namespace orvane
