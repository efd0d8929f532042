#include "store/PageCacheFile.h"

#include "base/ErrorCatalogue.h"
#include "store/Transaction.h"

#include <QFile>
#include <QFileInfo>

namespace orvane {

namespace {

// Raised whenever the tables change; a file of another layout is made anew.
constexpr int kLayoutVersion = 2;
// Pages of 100 KB are read in two reads rather than a chain of 25.
constexpr int kPageSize = 65536;
// The write-ahead log is cut back to this after a checkpoint, so that one
// burst of large pages does not leave it large on the disk.
constexpr qint64 kLogLimitBytes = qint64 {16} * 1024 * 1024;
// SQLite's own page cache for the file: room for the table and index that
// every fetch looks up, 16 pages of 64 KB, enough for thousands of pages
// kept (with 4, past a few hundred, each fetch read them from the file
// again). A body is read at most once a cycle: more would save nothing.
constexpr int kMemoryKib = 1024;
// Pages a transaction may change before SQLite writes them to the log
// early (the larger of this and the cache above). Writing the vouches held
// changes a few pages of the table and its index again and again; written
// early, each change rewrote both, 128 KB per vouch. A large page kept
// still goes out past 2 MB.
constexpr int kSpillPages = 32;

// The bodies are apart from what is looked up at every fetch, so that
// finding validators or the oldest page never reads a page's bytes.
const char* const kLayout = R"(
BEGIN;
CREATE TABLE pages (id INTEGER PRIMARY KEY, address TEXT NOT NULL UNIQUE, etag BLOB NOT NULL,
  modified BLOB NOT NULL, final BLOB NOT NULL, type BLOB NOT NULL, charset BLOB NOT NULL, digest BLOB NOT NULL,
  size INTEGER NOT NULL, checked INTEGER NOT NULL, used INTEGER NOT NULL);
CREATE INDEX pages_used ON pages (used);
CREATE TABLE bodies (id INTEGER PRIMARY KEY, body BLOB NOT NULL);
CREATE TABLE distrusted (address TEXT PRIMARY KEY, since INTEGER NOT NULL);
PRAGMA user_version = 2;
COMMIT;
)";

Status runWith(Statement& statement, std::initializer_list<Value> values)
{
    int index = 0;
    for (const Value& value : values)
        if (Status bound = statement.bind(++index, value); !bound.ok())
            return bound;
    Status ran = statement.run();
    (void)statement.reset();
    return ran;
}

bool damaged(const Failure& failure)
{
    return failure.is(ErrorCode::DbNotADatabase) || failure.is(ErrorCode::DbCorrupt);
}

} // namespace

PageCacheFile::PageCacheFile(QString path, qint64 maxBytes) : path_(std::move(path)), maxBytes_(maxBytes)
{
}

PageCacheFile::~PageCacheFile()
{
    try {
        idle();
    } catch (...) {
        // Out of memory at the end: only the order of eviction is lost.
    }
}

Status PageCacheFile::open()
{
    if (db_.isOpen())
        return {};
    Status opened = openOnce();
    if (!opened.ok() && damaged(opened.failure())) {
        // Nothing in it is needed: the pages come whole next time.
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path_ + QLatin1String(suffix));
        opened = openOnce();
    }
    return opened;
}

Status PageCacheFile::openOnce()
{
    close();
    OpenOptions options;
    options.create = true;
    options.durable = false; // a lost change costs a full fetch, not a flush per page
    auto db = Database::open(path_, options);
    if (!db.ok())
        return db.failure();
    Database opened = std::move(db).value();
    Status set = opened.execute(QStringLiteral("PRAGMA page_size = %1; PRAGMA journal_mode = WAL; "
                                               "PRAGMA journal_size_limit = %2; PRAGMA cache_size = -%3; "
                                               "PRAGMA cache_spill = %4")
                                    .arg(kPageSize)
                                    .arg(kLogLimitBytes)
                                    .arg(kMemoryKib)
                                    .arg(kSpillPages));
    if (!set.ok())
        return set;
    auto version = Statement::prepare(opened.connection(), QStringLiteral("PRAGMA user_version"));
    if (!version.ok())
        return version.failure();
    if (auto row = version.value().step(); !row.ok() || !row.value())
        return row.ok() ? ErrorCatalogue::failure(ErrorCode::DbNotADatabase) : row.failure();
    const qint64 layout = version.value().columnInt64(0);
    if (layout == 0) {
        if (Status made = opened.execute(QString::fromLatin1(kLayout)); !made.ok()) {
            (void)opened.execute(QStringLiteral("ROLLBACK"));
            return made;
        }
    } else if (layout != kLayoutVersion) {
        return ErrorCatalogue::failure(ErrorCode::DbNotADatabase);
    }
    db_ = std::move(opened);
    return {};
}

Result<Statement> PageCacheFile::statement(const char* sql)
{
    if (Status opened = open(); !opened.ok())
        return opened.failure();
    return Statement::prepare(db_.connection(), QString::fromLatin1(sql));
}

std::optional<CachedPage> PageCacheFile::find(const QString& address, bool withBody)
{
    if (!findMeta_) {
        auto meta = statement(
            "SELECT id, etag, modified, final, type, checked, charset, digest FROM pages WHERE address = ?1");
        auto body = statement("SELECT body FROM bodies WHERE id = ?1");
        if (!meta.ok() || !body.ok())
            return std::nullopt;
        findMeta_.emplace(std::move(meta).value());
        findBody_.emplace(std::move(body).value());
    }
    Statement& meta = *findMeta_;
    if (!meta.bind(1, Value(address)).ok())
        return std::nullopt;
    auto row = meta.step();
    std::optional<CachedPage> found;
    qint64 id = 0;
    if (row.ok() && row.value()) {
        id = meta.columnInt64(0);
        found = CachedPage {meta.columnBytes(1), meta.columnBytes(2), meta.columnBytes(3), meta.columnBytes(4), {},
                            meta.columnBytes(6), meta.columnBytes(7), meta.columnInt64(5)};
    }
    (void)meta.reset();
    if (!found || !withBody)
        return found;
    Statement& body = *findBody_;
    if (body.bind(1, Value(id)).ok()) {
        auto bodyRow = body.step();
        if (bodyRow.ok() && bodyRow.value())
            found->body = body.columnBytes(0);
        else
            found.reset();
    } else {
        found.reset();
    }
    (void)body.reset();
    return found;
}

// The file open, a transaction begun, the vouches held written (pages are
// evicted by when they were used) and what was kept for address gone:
// where keep() and distrust() both start.
Result<Transaction> PageCacheFile::replacing(const QString& address)
{
    if (Status opened = open(); !opened.ok())
        return opened.failure();
    auto transaction = Transaction::begin(db_);
    if (!transaction.ok())
        return transaction.failure();
    if (Status written = writeVouches(); !written.ok())
        return written.failure();
    if (Status dropped = drop(address); !dropped.ok())
        return dropped.failure();
    return transaction;
}

Status PageCacheFile::commit(Transaction& transaction)
{
    Status committed = transaction.commit();
    if (committed.ok())
        vouches_.clear();
    return committed;
}

Status PageCacheFile::keep(const QString& address, const CachedPage& page)
{
    auto transaction = replacing(address);
    if (!transaction.ok())
        return transaction.failure();
    auto insertPage = statement("INSERT INTO pages (address, etag, modified, final, type, charset, digest, size, "
                                "checked, used) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?9)");
    auto insertBody = statement("INSERT INTO bodies (id, body) VALUES (last_insert_rowid(), ?1)");
    if (!insertPage.ok())
        return insertPage.failure();
    if (!insertBody.ok())
        return insertBody.failure();
    Statement& pageRow = insertPage.value();
    const qint64 size = page.body.size() + page.etag.size() + page.lastModified.size() + page.finalUrl.size()
        + page.contentType.size();
    Status bound = pageRow.bind(1, Value(address));
    int index = 1;
    for (const QByteArray* bytes :
         {&page.etag, &page.lastModified, &page.finalUrl, &page.contentType, &page.charset, &page.textDigest})
        if (bound.ok())
            bound = pageRow.bindBytes(++index, *bytes);
    if (bound.ok())
        bound = pageRow.bind(8, Value(size));
    if (bound.ok())
        bound = pageRow.bind(9, Value(page.checkedAtMs));
    if (bound.ok())
        bound = pageRow.run();
    if (bound.ok())
        bound = insertBody.value().bindBytes(1, page.body);
    if (bound.ok())
        bound = insertBody.value().run();
    if (bound.ok())
        bound = evictBeyond(maxBytes_);
    if (!bound.ok())
        return bound;
    return commit(transaction.value());
}

Status PageCacheFile::evictBeyond(qint64 maxBytes)
{
    auto total = statement("SELECT coalesce(sum(size), 0) FROM pages");
    auto oldest = statement("SELECT id, size FROM pages ORDER BY used, id LIMIT 1");
    auto dropBody = statement("DELETE FROM bodies WHERE id = ?1");
    auto dropPage = statement("DELETE FROM pages WHERE id = ?1");
    for (const auto* prepared : {&total, &oldest, &dropBody, &dropPage})
        if (!prepared->ok())
            return prepared->failure();
    auto summed = total.value().step();
    if (!summed.ok())
        return summed.failure();
    qint64 held = total.value().columnInt64(0);
    while (held > maxBytes) {
        auto row = oldest.value().step();
        if (!row.ok())
            return row.failure();
        if (!row.value())
            break;
        const qint64 id = oldest.value().columnInt64(0);
        held -= oldest.value().columnInt64(1);
        (void)oldest.value().reset();
        if (Status gone = runWith(dropBody.value(), {Value(id)}); !gone.ok())
            return gone;
        if (Status gone = runWith(dropPage.value(), {Value(id)}); !gone.ok())
            return gone;
    }
    return {};
}

// Held, and written with the others at the next write or when idle: one
// transaction for many pages instead of one each. Losing them costs nothing
// but the order in which pages are evicted.
Status PageCacheFile::vouch(const QString& address, qint64 nowMs)
{
    vouches_.insert(address, nowMs);
    return vouches_.size() < kMaxPendingVouches ? Status() : flushVouches();
}

Status PageCacheFile::flushVouches()
{
    Status written = open();
    if (written.ok()) {
        auto transaction = Transaction::begin(db_);
        written = transaction.ok() ? writeVouches() : Status(transaction.failure());
        if (written.ok())
            written = commit(transaction.value());
    }
    // Written or not, they go: a cache that fails is an empty one.
    vouches_.clear();
    return written;
}

// Within a transaction begun by the caller.
Status PageCacheFile::writeVouches()
{
    if (vouches_.isEmpty())
        return {};
    // Only a time a whole resolution old is rewritten: most vouches write nothing.
    auto update = statement("UPDATE pages SET used = ?2 WHERE address = ?1 AND used <= ?3");
    if (!update.ok())
        return update.failure();
    for (auto vouched = vouches_.cbegin(); vouched != vouches_.cend(); ++vouched)
        if (Status ran = runWith(
                update.value(),
                {Value(vouched.key()), Value(vouched.value()), Value(vouched.value() - kUseResolutionMs)});
            !ran.ok())
            return ran;
    return {};
}

Status PageCacheFile::drop(const QString& address)
{
    vouches_.remove(address);
    auto dropBody = statement("DELETE FROM bodies WHERE id = (SELECT id FROM pages WHERE address = ?1)");
    auto dropPage = statement("DELETE FROM pages WHERE address = ?1");
    if (!dropBody.ok())
        return dropBody.failure();
    if (!dropPage.ok())
        return dropPage.failure();
    // Body first: the page row names it.
    if (Status gone = runWith(dropBody.value(), {Value(address)}); !gone.ok())
        return gone;
    return runWith(dropPage.value(), {Value(address)});
}

Status PageCacheFile::distrust(const QString& address, qint64 nowMs)
{
    auto transaction = replacing(address);
    if (!transaction.ok())
        return transaction.failure();
    auto remember = statement("INSERT OR REPLACE INTO distrusted (address, since) VALUES (?1, ?2)");
    if (!remember.ok())
        return remember.failure();
    if (Status kept = runWith(remember.value(), {Value(address), Value(nowMs)}); !kept.ok())
        return kept;
    return commit(transaction.value());
}

bool PageCacheFile::distrusted(const QString& address)
{
    auto lookup = statement("SELECT 1 FROM distrusted WHERE address = ?1");
    if (!lookup.ok() || !lookup.value().bind(1, Value(address)).ok())
        return false;
    auto row = lookup.value().step();
    return row.ok() && row.value();
}

void PageCacheFile::idle()
{
    if (!vouches_.isEmpty())
        (void)flushVouches();
    close();
}

void PageCacheFile::close()
{
    findMeta_.reset();
    findBody_.reset();
    db_.close();
}

Result<QStringList> PageCacheFile::distrustedAddresses(const QString& path)
{
    QStringList addresses;
    if (!QFileInfo::exists(path))
        return addresses;
    auto db = Database::open(path);
    if (!db.ok())
        return db.failure();
    auto rows = Statement::prepare(db.value().connection(),
                                   QStringLiteral("SELECT address FROM distrusted ORDER BY address"));
    if (!rows.ok())
        return rows.failure();
    for (;;) {
        auto row = rows.value().step();
        if (!row.ok())
            return row.failure();
        if (!row.value())
            return addresses;
        addresses << rows.value().column(0).textOrEmpty();
    }
}

} // namespace orvane
