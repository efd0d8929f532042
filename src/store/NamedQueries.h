#pragma once

#include "store/Columns.h"

#include <QString>

namespace orvane {

// The queries the program runs, each spelled once here and named for what
// it gives.
namespace NamedQueries {

// The rows of URLs a wake-up cycle walks, in the order of their keys: the
// active entries.
inline QString activeEntriesFilter()
{
    return QStringLiteral("%1 = %2").arg(Columns::kActive, QString::number(Columns::kYes));
}

// What the URL window's Find offers to pick from: every entry's URL and
// Subject, by URL.
inline QString urlChoices()
{
    return QStringLiteral("Select %1, %2 from %3 order by %1")
        .arg(Columns::kUrl, Columns::kSubject, Columns::kUrlsTable);
}

} // namespace NamedQueries

} // namespace orvane
