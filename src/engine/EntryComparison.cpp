#include "engine/EntryComparison.h"

#include "engine/SkipStretch.h"

namespace orvane {

namespace {

// Whether the entry's search type is the given one. A failed read is a
// failed test, which counts as passed.
bool typeIs(const Result<std::optional<SearchType>>& read, SearchType type, SkipStretch& stretch)
{
    if (!stretch.step(read.status()))
        return true;
    return read.value() == type;
}

} // namespace

EntryComparison::Outcome EntryComparison::run(const WatchEntry& entry, const QString& oldContent,
                                              const QString& newContent, qint16& matchPos, const Raise& raise)
{
    const auto type = entry.searchType();
    Outcome out;
    auto changed = [&out, &raise](AlertKind kind) {
        out.raised.push_back(kind);
        // Storing and mailing skip their own failures.
        (void)raise(kind);
    };
    SkipStretch comparing;

    if (typeIs(type, SearchType::WholePage, comparing) && oldContent != newContent)
        changed(AlertKind::WholePage);

    if (typeIs(type, SearchType::StringSearch, comparing)) {
        out.stringSearch = StringSearch::run(oldContent, newContent, entry, matchPos);
        if (out.stringSearch->change)
            changed(AlertKind::StringSearch);
    }

    if (typeIs(type, SearchType::TableSearch, comparing)) {
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
