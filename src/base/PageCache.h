#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace orvane {

// A page as a server last sent it whole with validators, kept so that a
// later "304 Not Modified" can stand for it. Everything is kept exactly as
// received: the validators are sent back unchanged, and the body and its
// Content-Type make the same text a full fetch makes.
struct CachedPage {
    QByteArray etag;         // the ETag header, W/ and quotes included; empty when none
    QByteArray lastModified; // the Last-Modified header; empty when none
    QByteArray finalUrl;     // where the redirects led
    QByteArray contentType;  // empty when the server sent none
    QByteArray body;         // as handed over after content decoding; empty when not asked for
    QByteArray charset;      // the one its text was decoded by
    QByteArray textDigest;   // of the text the body decodes to; empty when not known
    qint64 checkedAtMs = 0;  // when the page last came whole (ms since the epoch)
};

// Pages kept between cycles, by the address an entry fetches. Losing any of
// it costs a full fetch, nothing more: a cache that fails is an empty one.
class PageCache {
public:
    virtual ~PageCache() = default;
    // The page kept for the address; its body only when asked for.
    virtual std::optional<CachedPage> find(const QString& address, bool withBody) = 0;
    // Replaces what is kept for the address.
    virtual Status keep(const QString& address, const CachedPage& page) = 0;
    // A 304 stood for the kept page at nowMs: it is in use.
    virtual Status vouch(const QString& address, qint64 nowMs) = 0;
    // Forgets the page: the next fetch of the address asks for all of it.
    virtual Status drop(const QString& address) = 0;
    // The address answered 304 for a page it no longer served: its page is
    // forgotten and it is never asked conditionally again.
    virtual Status distrust(const QString& address, qint64 nowMs) = 0;
    virtual bool distrusted(const QString& address) = 0;
    // Nothing is asked for a while: files may close.
    virtual void idle() { }
};

} // namespace orvane
