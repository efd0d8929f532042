#pragma once

#include "base/Result.h"
#include "store/Database.h"
#include "store/Value.h"

#include <QString>

#include <vector>

namespace orvane::db {

// What remove, enable and disable share: an entry named by the id that
// list shows, and one statement that changes that entry alone.
class EntryChange {
public:
    // The id as typed: a whole number from 1 on.
    static Result<qint64> parseId(const QString& text);

    // Runs sql with the id bound as ?1 and values as ?2, ?3, ...; fails
    // when no entry has that id.
    static Status apply(const Database& db, const QString& sql, qint64 id, const std::vector<Value>& values = {});
};

} // namespace orvane::db
