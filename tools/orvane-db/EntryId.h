#pragma once

#include "base/Result.h"

#include <QString>

namespace orvane::db {

// The id of an entry as remove, enable, disable and check take it: the one
// that list shows.
class EntryId {
public:
    // The id as typed: a whole number from 1 on.
    static Result<qint64> parse(const QString& text);
};

} // namespace orvane::db
