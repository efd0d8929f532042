#pragma once

#include "base/Result.h"

#include <QString>

namespace orvane {

// The watch database's tables, as the program expects to find them. Only
// the command-line tool creates a file; the program never does.
class Schema {
public:
    // Declared maximum lengths of the text columns; each fits the longest
    // text the maintenance windows let the user type. "Subject" has no limit.
    static constexpr int kUrlSize = 80;
    static constexpr int kEMailSize = 255;
    static constexpr int kSearchTypeSize = 1;
    static constexpr int kStringSearchSize = 50;
    static constexpr int kMailServerSize = 50;
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
