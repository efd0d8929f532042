#pragma once

#include "base/Result.h"

#include <QString>

namespace orvane::db {

// What remove, enable, disable and check share: an entry named by the id
// that list shows.
class EntryChange {
public:
    // The id as typed: a whole number from 1 on.
    static Result<qint64> parseId(const QString& text);
};

} // namespace orvane::db
