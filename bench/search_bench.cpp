// The table search on a page of about a million characters with 5,000 table
// rows, asking for a cell of row 4,000, against the literal version that
// upper-cases and copies the remaining page at every step. Bytes processed
// count one byte per character of the page up to the end of the last row
// examined.

#include "FakeRow.h"
#include "LiteralSearch.h"

#include "engine/CellPieceList.h"
#include "engine/TableSearch.h"

#include <benchmark/benchmark.h>

namespace {

using orvane::TableSearch;
using orvane::Value;

constexpr int kRows = 5000;
constexpr int kWantedRow = 4000;

struct BenchPage {
    QString text;
    qsizetype scanned = 0; // end of the wanted row
};

const BenchPage& benchPage()
{
    static const BenchPage page = [] {
        BenchPage p;
        p.text.reserve(1'050'000);
        p.text += QStringLiteral("<html><head><title>Prices</title></head><body>\n<h1>Price list</h1>\n"
                                 "<TABLE class=\"prices\" border=\"0\">\n");
        const QString filler = QStringLiteral("a description long enough to make the row look like a real one, "
                                              "with some more words and so on, ");
        for (int r = 1; r <= kRows; ++r) {
            const QString n = QString::number(r);
            // Tags in varying letter case, cells with and without attributes.
            p.text += (r % 2 ? QStringLiteral("<tr class=\"row\">") : QStringLiteral("<TR>"));
            p.text += QStringLiteral("<td>") + n + QStringLiteral("</td>");
            p.text += QStringLiteral("<Td class=\"name\">Item ") + n + QStringLiteral(" ") + filler
                + QStringLiteral("</tD>");
            p.text += QStringLiteral("<TD>value ") + n.rightJustified(4, QLatin1Char('0')) + QStringLiteral("</TD>");
            p.text += QStringLiteral("<td align=\"right\">") + QString::number(r * 7 % 1000)
                + QStringLiteral(".00</td>");
            p.text += QStringLiteral("</tr>\n");
            if (r == kWantedRow)
                p.scanned = p.text.size();
        }
        p.text += QStringLiteral("</TABLE>\n</body></html>\n");
        return p;
    }();
    return page;
}

orvane::test::FakeRow benchEntry()
{
    orvane::test::FakeRow entry;
    entry.set(QStringLiteral("Table number"), Value(1))
        .set(QStringLiteral("Row number"), Value(kWantedRow))
        .set(QStringLiteral("Column number"), Value(3))
        .set(QStringLiteral("Repeat count"), Value(1))
        .set(QStringLiteral("String offset"), Value(3))
        .set(QStringLiteral("String length"), Value(10))
        .set(QStringLiteral("String search"), Value(QStringLiteral("value %1").arg(kWantedRow)));
    return entry;
}

orvane::Status noAlert()
{
    return {};
}

void BM_TableSearch(benchmark::State& state)
{
    const BenchPage& page = benchPage();
    const auto entry = benchEntry();
    orvane::CellPieceList pieces;
    for (auto _ : state) {
        auto result = TableSearch::run(page.text, entry, pieces, noAlert);
        if (!result.ok() || result.value() != TableSearch::Verdict::True) {
            state.SkipWithError("the wanted cell was not found");
            break;
        }
        benchmark::DoNotOptimize(pieces.at(0).constData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.scanned);
    state.counters["page_chars"] = static_cast<double>(page.text.size());
}
BENCHMARK(BM_TableSearch)->Unit(benchmark::kMillisecond);

void BM_LiteralTableSearch(benchmark::State& state)
{
    const BenchPage& page = benchPage();
    const auto entry = benchEntry();
    QList<QString> pieces;
    for (auto _ : state) {
        auto result = orvane::literal::tableSearch(page.text, entry, pieces, noAlert);
        if (!result.ok() || result.value() != TableSearch::Verdict::True) {
            state.SkipWithError("the wanted cell was not found");
            break;
        }
        benchmark::DoNotOptimize(pieces[0].constData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.scanned);
}
BENCHMARK(BM_LiteralTableSearch)->Unit(benchmark::kMillisecond);

} // namespace
