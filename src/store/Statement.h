#pragma once

#include "base/Result.h"
#include "store/Value.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orvane {

class Connection;

// A prepared statement, finalized when it goes; keeps its connection alive.
class Statement {
public:
    static Result<Statement> prepare(std::shared_ptr<Connection> connection, const QString& sql);

    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;
    ~Statement() = default;

    Status bind(int index, const Value& value);
    // Bytes as they are, kept (shared, not copied) until the next reset.
    Status bindBytes(int index, const QByteArray& bytes);
    // Runs one step: true when a row is ready, false when done.
    Result<bool> step();
    Status reset();
    // Steps to the end; for statements that return no rows.
    Status run();

    int columnCount() const;
    QString columnName(int index) const;
    QString columnDeclaredType(int index) const;
    Value column(int index) const;
    qint64 columnInt64(int index) const;
    QByteArray columnBytes(int index) const;

private:
    struct Finalizer {
        void operator()(sqlite3_stmt* stmt) const;
    };
    Statement(std::shared_ptr<Connection> connection, sqlite3_stmt* stmt);

    std::shared_ptr<Connection> connection_;
    // The bytes of bound texts, kept until the next reset so that SQLite
    // reads them in place instead of copying them (a page can be large).
    std::vector<QByteArray> boundTexts_;
    std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
};

} // namespace orvane
