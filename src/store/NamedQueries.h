#pragma once

#include "store/Columns.h"

#include <QString>

namespace orvane {

// The queries the program runs, each spelled once here and named for what
// it gives.
namespace NamedQueries {

// The rows of URLs a wake-up cycle walks: the active entries.
inline QString activeEntriesFilter()
{
    return QStringLiteral("%1 = %2").arg(Columns::kActive, QString::number(Columns::kYes));
}

// The active entries, every column, in the order of their keys.
inline QString activeEntries()
{
    return QStringLiteral("Select * from [%1] where %2").arg(Columns::kUrlsTable, activeEntriesFilter());
}

// The same rows in the same order (the same key query), only their address.
inline QString activeAddresses()
{
    return QStringLiteral("Select %1 from [%2] where %3")
        .arg(Columns::kUrl, Columns::kUrlsTable, activeEntriesFilter());
}

} // namespace NamedQueries

} // namespace orvane
