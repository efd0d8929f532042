#pragma once

#include "base/Result.h"

#include <QString>

namespace orvane {

// The watch database's tables, as the program expects to find them. Only
// the command-line tool creates a file; the program never does.
class Schema {
public:
    // SQLite's largest page, in bytes.
    static constexpr int kPageSize = 65536;

    // The statements that build the tables and the one settings row.
    static QString creationSql();

    // Creates a new database file at path with the tables and the default
    // settings (wake-up 5, mail server "localhost", port 25). Refuses to
    // touch an existing file.
    static Status createFile(const QString& path);
};

} // namespace orvane
