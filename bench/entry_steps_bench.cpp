// The steps of one watch entry's visit besides the fetch, each on a page of
// the cycle benchmark (100 KB of HTML, mostly ASCII): decoding the fetched
// bytes, reading the stored row, writing "URL.html" and comparing.

#include "PageMaker.h"
#include "TempDatabase.h"

#include "host/ScratchFile.h"
#include "store/Recordset.h"
#include "text/PageDecoder.h"
#include "text/Windows1252.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

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
    orvane::Database conn = db.open();
    must(conn.execute(QStringLiteral("BEGIN")));
    auto rs = conn.openRecordset(QStringLiteral("URLs"));
    for (int i = 0; i < count; ++i) {
        must(rs.value().addNew());
        must(rs.value().setValue(QStringLiteral("URL"), orvane::Value(QStringLiteral("http://x/%1").arg(i))));
        must(rs.value().setValue(QStringLiteral("Active"), orvane::Value(-1)));
        must(rs.value().setValue(QStringLiteral("Content"), orvane::Value(pageText())));
        must(rs.value().update());
    }
    must(conn.execute(QStringLiteral("COMMIT")));
}

// One row of a 1,000-entry table read through the cycle's recordset, as the
// cycle reads it: moving to it and asking for its URL and "Content".
void BM_ReadStoredRow(benchmark::State& state)
{
    orvane::test::TempDatabase db;
    fillEntries(db, 1000);
    orvane::Database conn = db.open();
    auto rs = conn.openRecordset(QStringLiteral("Select * from [URLs] where Active = -1"));
    orvane::Recordset& entries = rs.value();
    for (auto _ : state) {
        if (entries.eof())
            must(entries.moveFirst());
        benchmark::DoNotOptimize(entries.value(QStringLiteral("URL")));
        benchmark::DoNotOptimize(entries.value(QStringLiteral("Content")));
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
    auto rs = conn.openRecordset(QStringLiteral("Select * from [URLs] where Active = -1"));
    orvane::Recordset& entries = rs.value();
    const QString changed = QString(pageText()).replace(QStringLiteral("Paragraph"), QStringLiteral("Section"));
    for (auto _ : state) {
        if (entries.eof())
            must(entries.moveFirst());
        must(entries.edit());
        must(entries.setValue(QStringLiteral("Content"), orvane::Value(changed)));
        must(entries.update());
        must(entries.moveNext());
    }
}
BENCHMARK(BM_StoreChangedPage)->Iterations(400)->Repetitions(3)->ReportAggregatesOnly(true);

} // namespace
