// The steps of one watch entry's visit besides the fetch, each on a page of
// the cycle benchmark (100 KB of HTML, mostly ASCII): decoding the fetched
// bytes, reading the stored row, writing "URL.html" and comparing.

#include "PageMaker.h"
#include "TempDatabase.h"

#include "host/ScratchFile.h"
#include "store/ActiveEntries.h"
#include "store/Columns.h"
#include "store/WatchStore.h"
#include "text/PageDecoder.h"
#include "text/Windows1252.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using orvane::bench::PageMaker;

// A step the benchmark relies on; a failure ends it with the reason.
void must(const orvane::Status& status)
{
    if (!status.ok()) {
        std::fprintf(stderr, "entry_steps_bench: %s\n", qPrintable(status.failure().description));
        std::exit(1);
    }
}

const std::string& pageBytes()
{
    static const std::string page = PageMaker::page(7, 0, false);
    return page;
}

const QString& pageText()
{
    static const QString text = QString::fromStdString(pageBytes());
    return text;
}

void BM_DecodeFetchedPage(benchmark::State& state)
{
    const QByteArrayView body(pageBytes().data(), static_cast<qsizetype>(pageBytes().size()));
    for (auto _ : state)
        benchmark::DoNotOptimize(orvane::PageDecoder::decode(body, "text/html; charset=utf-8"));
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeFetchedPage);

void BM_EncodeForScratchFile(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(orvane::Windows1252::encode(pageText()));
    state.SetBytesProcessed(state.iterations() * pageText().size());
}
BENCHMARK(BM_EncodeForScratchFile);

void BM_RewriteScratchFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QString::fromLatin1(orvane::ScratchFile::kFileName));
    for (auto _ : state)
        orvane::ScratchFile::rewrite(file, pageText());
    state.SetBytesProcessed(state.iterations() * pageText().size());
}
BENCHMARK(BM_RewriteScratchFile);

// A watch table of `count` active entries, each holding the test page.
void fillEntries(const orvane::test::TempDatabase& db, int count)
{
    std::vector<orvane::WatchEntry> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        orvane::WatchEntry& entry = entries[static_cast<size_t>(i)];
        entry.set(orvane::Columns::kUrl, orvane::Value(QStringLiteral("http://x/%1").arg(i)));
        entry.set(orvane::Columns::kActive, orvane::Value(orvane::Columns::kYes));
        entry.set(orvane::Columns::kContent, orvane::Value(pageText()));
    }
    qsizetype failedAt = -1;
    must(orvane::WatchStore(db.open()).addAll(entries, failedAt));
}

// One entry of a 1,000-entry table read as the cycle reads it: moving to it
// and reading its row.
void BM_ReadStoredRow(benchmark::State& state)
{
    orvane::test::TempDatabase db;
    fillEntries(db, 1000);
    orvane::Database conn = db.open();
    orvane::ActiveEntries entries;
    for (auto _ : state) {
        if (entries.atEnd())
            entries = orvane::ActiveEntries::open(conn).value();
        benchmark::DoNotOptimize(entries.current());
        must(entries.moveNext());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<qint64>(pageBytes().size()));
}
BENCHMARK(BM_ReadStoredRow);

void BM_CompareWholePage(benchmark::State& state)
{
    const QString stored = QString::fromStdString(pageBytes()); // a copy of its own
    for (auto _ : state)
        benchmark::DoNotOptimize(stored != pageText());
    state.SetBytesProcessed(state.iterations() * pageText().size() * 2);
}
BENCHMARK(BM_CompareWholePage);

} // namespace

namespace {

// Storing a changed page into its row, durable when it returns, as the
// cycle does for every changed entry.
void BM_StoreChangedPage(benchmark::State& state)
{
    orvane::test::TempDatabase db;
    fillEntries(db, 200);
    orvane::Database conn = db.open();
    orvane::ActiveEntries entries;
    const QString changed = QString(pageText()).replace(QStringLiteral("Paragraph"), QStringLiteral("Section"));
    for (auto _ : state) {
        if (entries.atEnd())
            entries = orvane::ActiveEntries::open(conn).value();
        orvane::WatchEntry entry = entries.current().value();
        must(entries.storeContent(entry, changed));
        must(entries.moveNext());
    }
}
BENCHMARK(BM_StoreChangedPage)->Iterations(400)->Repetitions(3)->ReportAggregatesOnly(true);

} // namespace
