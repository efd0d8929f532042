#pragma once

#include <QString>
#include <QStringList>

namespace orvane {

// SQL text built from names, for the store and orvane-db alike, so that a
// name is quoted one way and a row is inserted with one statement form.
class SqlText {
public:
    // A name as an SQL identifier: "Search type", with inner quotes doubled.
    static QString quotedIdentifier(const QString& name);
    // The names quoted and joined with ", ".
    static QString quotedIdentifiers(const QStringList& names);
    // INSERT INTO table (columns) VALUES (?1, ?2, ...), one numbered
    // parameter a column, in their order; with no columns the row takes its
    // defaults. table is SQL text already (quoted or bracketed).
    static QString insertStatement(const QString& table, const QStringList& columns);
};

} // namespace orvane
