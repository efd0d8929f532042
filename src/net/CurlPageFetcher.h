#pragma once

#include "base/Clock.h"
#include "base/PageCache.h"
#include "base/PageFetcher.h"
#include "net/FetchedPage.h"
#include "orvane/Version.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>

namespace orvane {

// Fetches pages over HTTP and HTTPS with libcurl's multi interface, on the
// calling thread. Pages announced by fetchAhead() are requested several at
// once while the caller works on the page before; fetch() then hands them
// over one by one, in their order. A page requested ahead that failed is
// fetched once more when its turn comes, so that a failure is always that
// of a fetch made at its turn (not of a wait caused by fetching ahead); in
// what is left of one time-out from its turn, so that no page keeps the
// caller waiting longer than one fetch could.
// Connections and DNS answers are reused from one fetch to the next until
// idle() is called. The fetcher wakes up every keepPaintingInterval while
// it waits, even when the servers are silent.
class CurlPageFetcher final : public PageFetcher {
public:
    // Enough pages in flight to hide a slow server's answer behind the
    // others (a thousand pages at 100 ms in a few seconds), few enough for
    // one desktop's connections and a home router's.
    static constexpr int kMaxTransfers = 16;
    // Polite to one site that many entries watch: browsers open no more
    // than a handful of connections to a host either. Counted against the
    // host a transfer talks to now, after the redirects it followed.
    static constexpr int kMaxTransfersPerHost = 4;
    // Pages received ahead and not yet taken: bounds the memory that a few
    // pages near the size limit could otherwise multiply. Counted as
    // decoded; a compressed page ahead that would hold more than its share
    // (this over kMaxTransfers) is dropped and fetched at its turn. The page
    // the caller waits for is never held back by it.
    static constexpr qint64 kMaxWaitingBytes = qint64 {64} * 1024 * 1024;
    // Pages past the one waited for that may be requested. On a fast server
    // the caller, not the network, is the slow side: pages fetched further
    // ahead would only wait in memory. Four rounds of kMaxTransfers keep a
    // slow server's answers overlapping and let a busy host's pages pass.
    static constexpr int kMaxPagesAhead = 4 * kMaxTransfers;
    // A server may answer 304 for a page it changed (an ETag that ignores
    // the content): once this long after a page last came whole, a 304 is
    // checked against the whole page, and an address caught is never asked
    // conditionally again. A day bounds how long such a change goes unseen
    // for the price of one full page a day.
    static constexpr std::chrono::milliseconds kFullFetchPeriod {std::chrono::hours(24)};

    struct Options {
        std::chrono::milliseconds connectTimeout {10'000};
        std::chrono::milliseconds totalTimeout {60'000};
        // Larger pages (as announced or as received) fail with FetchTooLarge.
        qint64 maxPageBytes = kMaxPageBytes;
        // When a server answered, for the time it asks to wait until (a
        // Retry-After in seconds); the system's clock when null.
        const Clock* clock = nullptr;
        // The program and its version, the one of project(VERSION).
        QByteArray userAgent = "Orvane/" ORVANE_VERSION;
        // Called while a transfer runs, every keepPaintingInterval and never
        // more often, so the window can repaint during a fetch.
        std::function<void()> keepPainting;
        std::chrono::milliseconds keepPaintingInterval {50};
        int maxTransfers = kMaxTransfers;
        int maxTransfersPerHost = kMaxTransfersPerHost;
        qint64 maxWaitingBytes = kMaxWaitingBytes;
        int maxPagesAhead = kMaxPagesAhead;
        // Pages kept with their validators, so that a server can answer
        // "304 Not Modified" instead of sending a page again; null, every
        // page is asked for whole.
        PageCache* cache = nullptr;
        std::chrono::milliseconds fullFetchPeriod = kFullFetchPeriod;
    };

    CurlPageFetcher();
    explicit CurlPageFetcher(Options options);
    ~CurlPageFetcher() override;

    // curl keeps pointers into this object.
    CurlPageFetcher(const CurlPageFetcher&) = delete;
    CurlPageFetcher& operator=(const CurlPageFetcher&) = delete;

    using PageFetcher::fetch;
    Result<QString> fetch(const QString& url, const QString& lastText) override;
    // The same fetch, with what the answer said about the page.
    Result<FetchedPage> fetchPage(const QString& url);
    // Replaces the pages announced before. The list ends early at an
    // address that no fetch could take (empty, not the web): fetching stops
    // there anyway.
    void fetchAhead(const QStringList& urls) override;
    // Drops the pages requested ahead and closes the connections kept for
    // reuse; servers drop idle ones long before the next cycle anyway.
    void idle() override;

private:
    class Transfers;
    std::unique_ptr<Transfers> transfers_;
};

} // namespace orvane
