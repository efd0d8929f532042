#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>

namespace orvane {

// The Internet transfer component: fetches one page and gives it as text,
// or fails with an error number and its text.
class PageFetcher {
public:
    // A larger page fails: a cycle holds a few pages at once, decoded too,
    // and must stay within a desktop's memory. The error text names it.
    static constexpr qint64 kMaxPageMegabytes = 32;
    static constexpr qint64 kMaxPageBytes = kMaxPageMegabytes * 1024 * 1024;

    virtual ~PageFetcher() = default;
    // `lastText`: the text the caller holds as the page's last (an entry's
    // stored Content), or none. The page comes as a whole fetch gives it
    // either way; a fetcher that knows the page is that very text may hand
    // it back and spare reading and decoding its own copy.
    virtual Result<QString> fetch(const QString& url, const QString& lastText) = 0;
    Result<QString> fetch(const QString& url) { return fetch(url, QString()); }
    // The addresses the next fetches will ask for, in their order. A fetcher
    // may request those pages now; fetch() still gives each page as a fetch
    // made at its turn would, and a page never asked for is dropped.
    virtual void fetchAhead(const QStringList& urls) { Q_UNUSED(urls); }
    // Nothing more will be fetched for a while: pages requested ahead and
    // what was kept open for the next fetch (connections) may go.
    virtual void idle() { }
};

} // namespace orvane
