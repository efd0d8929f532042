#pragma once

#include "base/Result.h"
#include "store/FieldInfo.h"
#include "store/RowReader.h"
#include "store/Value.h"

#include <QString>

#include <memory>
#include <optional>

namespace orvane {

class Connection;

// A set of rows opened from a table name or a SELECT statement, with one
// current row. A table, or a SELECT over one table, gives an updatable set
// that holds the rows' keys and reads a row only when it is used (or fails
// when that cannot be had, as over a view); any other statement gives a
// read-only snapshot.
class Recordset : public RowReader {
public:
    enum class EditMode { None, Editing, Adding };

    static Result<Recordset> open(std::shared_ptr<Connection> connection, const QString& source);

    Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset() override;

    bool isOpen() const;
    void close();
    bool updatable() const;

    // Position
    bool eof() const;
    bool bof() const;
    bool hasCurrent() const;
    int recordCount() const;
    Status moveFirst();
    Status moveNext();
    Status movePrevious();

    // Columns
    int fieldCount() const;
    const FieldInfo& field(int index) const;
    Result<FieldInfo> field(const QString& name) const;
    Result<Value> value(const QString& column) const override;
    Result<Value> value(int index) const;

    // Changes
    EditMode editMode() const;
    Status edit();
    Status addNew();
    Status setValue(const QString& column, Value value);
    // Stores the row being edited or added; durable when it returns.
    Status update();
    void cancelUpdate();
    Status deleteCurrent();

    // Bookmarks: the key of the current row; the key of the row last stored.
    std::optional<qint64> bookmark() const;
    Status setBookmark(qint64 key);
    std::optional<qint64> lastModified() const;

    // Makes current the first row that meets  Column = 'key'  (trailing
    // blanks not counting); leaves the position alone when none does.
    Status findFirst(const QString& criterion);
    bool noMatch() const;

private:
    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d_;
};

} // namespace orvane
