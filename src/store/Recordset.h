#pragma once

#include "base/Result.h"
#include "store/FieldInfo.h"
#include "store/RowReader.h"
#include "store/Value.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace orvane {

class Connection;

// A set of rows with one current row: a table's rows, updatable, holding
// the rows' keys and reading a row only when it is used (opening fails when
// that cannot be had, as over a view); or what a query gives, a read-only
// snapshot.
class Recordset : public RowReader {
public:
    enum class EditMode { None, Editing, Adding };

    // The rows of `table` that meet `filter` (an SQL condition; every row
    // when empty), with the columns named (every column when none). The
    // column `readAlong`, when named, is read with the keys, in the same
    // pass over the table (see readAlong()).
    static Result<Recordset> openTable(std::shared_ptr<Connection> connection, const QString& table,
                                       const QString& filter = {}, const QString& readAlong = {},
                                       const QStringList& columns = {});
    static Result<Recordset> runQuery(std::shared_ptr<Connection> connection, const QString& sql);

    Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset() override;

    bool isOpen() const;
    // The values of the column read along with the keys, as opened, in the
    // rows' order; none when no column was named or after close().
    const std::vector<Value>& readAlong() const;
    void close();
    bool updatable() const;

    // Position
    bool eof() const;
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

    // Makes current the first row whose column holds key (trailing blanks
    // not counting); leaves the position alone when none does.
    Status findFirst(const QString& column, const QString& key);
    bool noMatch() const;

private:
    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d_;
};

} // namespace orvane
