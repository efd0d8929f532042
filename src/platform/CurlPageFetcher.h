#pragma once

#include "platform/CurlHandle.h"
#include "platform/CurlMultiHandle.h"
#include "platform/PageFetcher.h"

#include <QByteArray>

#include <chrono>
#include <functional>

namespace orvane {

// Fetches pages over HTTP and HTTPS with libcurl, on the calling thread.
// The curl handles live as long as the fetcher, so connections and DNS
// answers are reused from one fetch to the next until idle() is called. The
// transfer is driven through a multi handle rather than curl_easy_perform so
// that the fetcher wakes up every keepPaintingInterval even while the server
// is silent.
class CurlPageFetcher final : public PageFetcher {
public:
    struct Options {
        std::chrono::milliseconds connectTimeout {10'000};
        std::chrono::milliseconds totalTimeout {60'000};
        // Larger pages (as announced or as received) fail with FetchTooLarge.
        qint64 maxPageBytes = 32 * 1024 * 1024;
        QByteArray userAgent = "Orvane/0.1";
        // Called while a transfer runs, every keepPaintingInterval and never
        // more often, so the window can repaint during a fetch.
        std::function<void()> keepPainting;
        std::chrono::milliseconds keepPaintingInterval {50};
    };

    CurlPageFetcher();
    explicit CurlPageFetcher(Options options);
    ~CurlPageFetcher() override;

    // curl keeps pointers to this object.
    CurlPageFetcher(const CurlPageFetcher&) = delete;
    CurlPageFetcher& operator=(const CurlPageFetcher&) = delete;

    Result<QString> fetch(const QString& url) override;
    // Closes the connections kept for reuse; servers drop idle ones long
    // before the next cycle anyway. The handles and their options stay.
    void idle() override;

private:
    Status setUp();
    CURLcode transfer();
    int msUntilPaint() const;
    void keepPaintingIfDue();
    void beginBody();

    static size_t onBody(char* data, size_t size, size_t count, void* self);

    Options options_;
    CurlMultiHandle multi_;
    CurlHandle curl_;
    Status setUpStatus_;
    bool busy_ = false;

    // State of the running transfer.
    QByteArray body_;
    bool bodyStarted_ = false;
    bool tooLarge_ = false;
    std::chrono::steady_clock::time_point lastPaint_;
};

} // namespace orvane
