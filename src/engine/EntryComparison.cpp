#include "engine/EntryComparison.h"

#include "engine/SkipStretch.h"
#include "store/Columns.h"

namespace orvane {

namespace {

// Reads "Search type" afresh and tells whether it is the given code. A
// failed read is a failed test, which counts as passed.
bool typeIs(const RowReader& row, const char* code, SkipStretch& stretch)
{
    auto type = row.value(Columns::kSearchType);
    if (!stretch.step(type.status()))
        return true;
    const QString* text = type.value().textPtr();
    return text && *text == QLatin1String(code);
}

} // namespace

EntryComparison::Outcome EntryComparison::run(const RowReader& entry, const QString& oldContent,
                                              const QString& newContent, qint16& matchPos, const Raise& raise)
{
    Outcome out;
    auto changed = [&out, &raise](AlertKind kind) {
        out.raised.push_back(kind);
        // Storing and mailing skip their own failures.
        (void)raise(kind);
    };
    SkipStretch comparing;

    if (typeIs(entry, "W", comparing) && oldContent != newContent)
        changed(AlertKind::WholePage);

    if (typeIs(entry, "S", comparing)) {
        out.stringSearch = StringSearch::run(oldContent, newContent, entry, matchPos);
        if (out.stringSearch->change)
            changed(AlertKind::StringSearch);
    }

    if (typeIs(entry, "T", comparing)) {
        out.tableSearch = TableSearch::run(newContent, entry, out.cellPieces, [&out, &raise] {
            out.raised.push_back(AlertKind::NoTable);
            return raise(AlertKind::NoTable);
        });
        // A search that fails counts as a table alert.
        if (!comparing.step(out.tableSearch->status()) || out.tableSearch->value() == TableSearch::Verdict::True)
            changed(AlertKind::TableAlert);
    }
    return out;
}

} // namespace orvane
