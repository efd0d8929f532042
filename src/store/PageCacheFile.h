#pragma once

#include "base/PageCache.h"
#include "store/Database.h"
#include "store/Statement.h"
#include "store/Transaction.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace orvane {

// The page cache in an SQLite file of its own beside the watch database,
// whose tables it never touches. Opened at the first use and closed when
// idle, so nothing of it is held while the program sleeps; rows are read
// one at a time, so memory does not grow with the number of pages kept.
// A file that cannot be opened or read is deleted and made anew: all it
// held can be fetched again.
class PageCacheFile final : public PageCache {
public:
    static constexpr const char* kFileName = "Sentrel.cache";
    // Room for a thousand pages of 100 KB twice over, and a small share of
    // a desktop's disk. Past it the pages used least recently go.
    static constexpr qint64 kMaxBytes = qint64 {256} * 1024 * 1024;
    // How often the time a page was last used is rewritten: finer would
    // cost a write at every 304 for an order nobody needs to the second.
    static constexpr qint64 kUseResolutionMs = qint64 {3600} * 1000;
    // Vouches held before they are written together. Each write commits a
    // 64 KB page of the table and one of its index, and a cycle of 304s
    // would otherwise write both for every page; this bounds what a cycle
    // of thousands of entries holds meanwhile.
    static constexpr qsizetype kMaxPendingVouches = 256;

    explicit PageCacheFile(QString path, qint64 maxBytes = kMaxBytes);
    // Writes the vouches held.
    ~PageCacheFile() override;
    PageCacheFile(const PageCacheFile&) = delete;
    PageCacheFile& operator=(const PageCacheFile&) = delete;

    std::optional<CachedPage> find(const QString& address, bool withBody) override;
    Status keep(const QString& address, const CachedPage& page) override;
    Status vouch(const QString& address, qint64 nowMs) override;
    Status drop(const QString& address) override;
    Status distrust(const QString& address, qint64 nowMs) override;
    bool distrusted(const QString& address) override;
    // Writes the vouches held, then closes the file.
    void idle() override;

    // The addresses never asked conditionally any more, for orvane-db
    // status; none when there is no cache file. Reads only.
    static Result<QStringList> distrustedAddresses(const QString& path);

private:
    Status open();
    Status openOnce();
    void close();
    Status flushVouches();
    Status writeVouches();
    Status commit(Transaction& transaction);
    Status evictBeyond(qint64 maxBytes);
    Result<Transaction> replacing(const QString& address);
    Result<Statement> statement(const char* sql);

    QString path_;
    qint64 maxBytes_;
    Database db_;
    std::optional<Statement> findMeta_;
    std::optional<Statement> findBody_;
    // Vouched since the last write, by address: the time of the last 304.
    QHash<QString, qint64> vouches_;
};

} // namespace orvane
