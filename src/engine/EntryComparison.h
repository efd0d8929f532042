#pragma once

#include "base/Result.h"
#include "engine/AlertKind.h"
#include "engine/CellPieceList.h"
#include "engine/StringSearch.h"
#include "engine/TableSearch.h"
#include "store/WatchEntry.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

namespace orvane {

// How a visit compares an entry's new page with its stored "Content", by the
// entry's "Search type": W whole page, S string search, T table search. The
// wake-up cycle and `orvane-db check` both run it, so a check shows what a
// wake-up would do. It reads the entry and writes nothing.
class EntryComparison {
public:
    // Called for each alert as it is raised: kinds 1 to 3 once a change is
    // found (the cycle stores the page and mails), NoTable from within the
    // table search, which passes its failure on.
    using Raise = std::function<Status(AlertKind)>;

    struct Outcome {
        // The kinds raised, in order: one at most, unless "Search type"
        // could not be read, when every comparison runs.
        std::vector<AlertKind> raised;
        std::optional<StringSearch::Outcome> stringSearch;
        std::optional<Result<TableSearch::Verdict>> tableSearch;
        CellPieceList cellPieces;
    };

    // `matchPos` carries over from one string-search entry to the next
    // within a tick (see StringSearch).
    static Outcome run(const WatchEntry& entry, const QString& oldContent, const QString& newContent, qint16& matchPos,
                       const Raise& raise);
};

} // namespace orvane
