#pragma once

#include "store/WatchEntry.h"

#include <QtGlobal>

#include <string>

namespace orvane::bench {

// The watched pages of the cycle benchmark: HTML of about the size asked
// for, with a price line that the string-search entries compare and a table
// whose cells the table-search entries check. The version number stands in
// the compared price, so two versions of a page differ for every search type.
class PageMaker {
public:
    static constexpr qsizetype kDefaultBytes = 100 * 1024;

    // Sets the columns that make an entry of each type look at the right
    // spot.
    static void aimStringSearch(WatchEntry& entry);
    static void aimTableSearch(WatchEntry& entry);

    // `tableHit`: the checked cells hold the table entry's search text, so
    // its table alert fires.
    static std::string page(int index, quint64 version, bool tableHit, qsizetype bytes = kDefaultBytes);
};

} // namespace orvane::bench
