// The table search over fuzzed page text and fuzzed column values, held
// against the literal version wherever that one runs in reasonable time.
//
// Record fields: table, row, column, repeat, offset, length, search (the
// entry's columns; an absent field is a missing column), pad (that many 'x'
// put before the page, to reach positions past 16 bits), mailfails (the
// no-table alert fails). The body is the page, read as UTF-8.

#include "FuzzCheck.h"
#include "FuzzRecord.h"
#include "FuzzRow.h"
#include "LiteralSearch.h"

#include "base/ErrorCatalogue.h"
#include "engine/CellPieceList.h"
#include "engine/TableSearch.h"

#include <algorithm>
#include <string>

using namespace orvane;
using namespace orvane::fuzz;
using Verdict = TableSearch::Verdict;

namespace {

struct Column {
    const char* field;
    const char* name;
};

constexpr Column kColumns[] = {
    {"table", "Table number"},   {"row", "Row number"},       {"column", "Column number"}, {"repeat", "Repeat count"},
    {"offset", "String offset"}, {"length", "String length"}, {"search", "String search"},
};

std::string describe(const Result<Verdict>& r)
{
    if (!r.ok())
        return "failure " + std::to_string(r.failure().number);
    return r.value() == Verdict::True ? "True" : r.value() == Verdict::False ? "False" : "Empty";
}

// A count as the searches loop over it; 0 when it cannot be read.
qint64 loops(const RowReader& row, const char* column)
{
    auto v = row.value(QString::fromLatin1(column));
    if (!v.ok())
        return 0;
    auto n = v.value().toInt32();
    return n.ok() ? std::clamp<qint64>(n.value(), 0, 32768) : 0;
}

// The literal search sizes its piece list by "Repeat count" up front and
// copies and upper-cases the rest of the page at every tag it looks for;
// past these limits it would take seconds, or gigabytes, per input.
bool literalAffordable(const RowReader& row, const QString& page)
{
    if (auto v = row.value(QStringLiteral("Repeat count")); v.ok())
        if (auto n = v.value().toInt32(); n.ok() && n.value() > 33'000)
            return false;
    const qint64 tagSearches = loops(row, "Table number") + loops(row, "Row number")
        + loops(row, "Repeat count") * (loops(row, "Column number") + 1);
    return tagSearches * (page.size() + 1) <= 1'000'000;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzRecord in(data, size);
    FuzzRow row;
    for (const Column& c : kColumns)
        if (auto v = in.value(c.field))
            row.set(QString::fromLatin1(c.name), *v);
    const QString page = QString(in.number("pad", 0, 0, 40'000), QLatin1Char('x')) + QString::fromUtf8(in.body());
    const Status alertAnswer = in.has("mailfails") ? Status(ErrorCatalogue::failure(ErrorCode::MailBadAddress))
                                                   : Status();

    CellPieceList pieces;
    int alerts = 0;
    const auto real = TableSearch::run(page, row, pieces, [&] {
        ++alerts;
        return alertAnswer;
    });
    check(alerts <= 1, "the no-table alert went out more than once");
    check(alerts == 0 || !real.ok() || real.value() == Verdict::Empty, "an alert without the Empty verdict");

    if (!literalAffordable(row, page))
        return 0;
    QList<QString> literalPieces;
    int literalAlerts = 0;
    const auto literal = literal::tableSearch(page, row, literalPieces, [&] {
        ++literalAlerts;
        return alertAnswer;
    });
    if (describe(real) != describe(literal))
        fail("the verdicts differ", "real " + describe(real) + ", literal " + describe(literal));
    check(alerts == literalAlerts, "the alerts differ");
    if (pieces.size() != literalPieces.size())
        fail("the piece counts differ",
             std::to_string(pieces.size()) + " against " + std::to_string(literalPieces.size()));
    for (qint32 j = 0; j < pieces.size(); ++j)
        if (pieces.at(j) != literalPieces[j])
            fail("a piece differs",
                 "slot " + std::to_string(j) + ": '" + pieces.at(j).toStdString() + "' against '"
                     + literalPieces[j].toStdString() + "'");
    return 0;
}
