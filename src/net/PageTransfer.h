#pragma once

#include "net/CurlHandle.h"
#include "net/CurlPageFetcher.h"
#include "net/CurlStringList.h"
#include "net/FetchedPage.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

namespace orvane {

class PageTransfer;

// The bytes that pages fetched ahead hold between them, and the one page
// the caller waits for, which is never held back. A compressed page ahead
// may hold no more than its share: past it, it could not wait paused (curl
// would go on inflating what it has read), so it is fetched at its turn.
struct PageBudget {
    qint64 limit = 0;
    qint64 share = 0;
    qint64 held = 0;
    const PageTransfer* awaited = nullptr;

    bool spent() const { return held >= limit; }
};

// One page's transfer: its easy handle, the body received so far and how it
// ended. The fetcher adds the handle to its multi handle and removes it.
class PageTransfer {
public:
    enum class State { Waiting, Running, Done };

    PageTransfer(QString url, QByteArray address, int host, PageBudget& budget,
                 const CurlPageFetcher::Options& options);
    ~PageTransfer();
    PageTransfer(const PageTransfer&) = delete;
    PageTransfer& operator=(const PageTransfer&) = delete;

    const QString& url() const { return url_; }
    // The host it talks to now, after the redirects followed so far; the
    // last one it talked to while it waits.
    int host() const { return host_; }
    long redirects() const { return redirects_; }
    void movedTo(int host, long redirects)
    {
        host_ = host;
        redirects_ = redirects;
    }
    State state() const { return state_; }
    CURL* handle() const { return curl_.get(); }
    // Started before the caller waited for it.
    bool startedAhead() const { return startedAhead_; }
    bool paused() const { return paused_; }

    // Makes `handle` (a fresh one when null) ready for this page: every
    // option set anew, nothing received yet, at most `timeout` for all of it.
    CURLcode prepare(CurlHandle handle, bool ahead, std::chrono::milliseconds timeout);
    // The text the caller holds as this page's last (see PageFetcher::fetch).
    void expect(const QString& stored) { stored_ = stored; }
    void running() { state_ = State::Running; }
    void finished(CURLcode result);
    // Back to waiting, what was received dropped: the page will be
    // requested anew.
    void restart();
    // Lets a paused transfer go on; curl hands over what it kept back at once.
    void resume();

    // A 304 came that cannot stand for the page: what was kept no longer
    // matches what was asked with, or the daily check of the server is due.
    // Reads the kept page for page() when it can.
    bool wantsFullFetch();
    // Back to waiting, to be asked for whole.
    void askInFull();

    // The page as text, or why it could not be had; the body is given up.
    // Keeps or forgets the page in the cache by how it came.
    Result<FetchedPage> page();
    CurlHandle releaseHandle();

    // The host part of an address, as curl reads it; the address itself
    // when curl cannot.
    static QString hostOf(const QByteArray& address);

private:
    CURLcode setUp(CURL* curl) const;
    // A header of the last answer, the one whose body this is.
    std::optional<QByteArray> header(const char* name) const;
    CURLcode setConditions(CURL* curl);
    Result<FetchedPage> fromCache(long status);
    void remember(const QByteArray& body, QByteArrayView contentType, const QByteArray& charset,
                  const QByteArray& textDigest);
    qint64 nowMs() const;
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    void dropBody();
    // The body comes content-encoded (compressed): curl inflates it.
    bool encoded() const;

    QString url_;
    QByteArray address_;
    int host_;
    PageBudget& budget_;
    const CurlPageFetcher::Options& options_;
    CurlHandle curl_ {nullptr};
    State state_ = State::Waiting;
    bool startedAhead_ = false;
    bool paused_ = false;
    bool bodyStarted_ = false;
    bool tooLarge_ = false;
    bool droppedForRoom_ = false;
    long redirects_ = 0;
    CURLcode result_ = CURLE_OK;
    QDateTime answeredAt_;
    QByteArray body_;
    // The validators sent with this request, from the kept page.
    CurlStringList conditions_;
    QByteArray sentEtag_, sentModified_;
    bool asked_ = false;
    bool inFull_ = false;            // asked for whole whatever is kept
    bool checkDue_ = false;          // a 304 is to be checked against the whole page
    std::optional<CachedPage> kept_; // the page a 304 stood for
    QString stored_;
    bool storedIsKept_ = false; // stored_ is the text the page kept decodes to; its body was not read
};

} // namespace orvane
