#include "store/Recordset.h"

#include "base/ErrorCatalogue.h"
#include "store/Connection.h"
#include "store/SqlText.h"
#include "store/SqliteFailure.h"
#include "store/Statement.h"

#include <sqlite3.h>

#include <unordered_set>
#include <vector>

namespace orvane {

namespace {

Failure fail(ErrorCode code)
{
    return ErrorCatalogue::failure(code);
}

// Whether SQLite stores a text given to a column of this declared type as
// that very text: the column has text affinity, or none.
bool keepsText(const QString& declaredType)
{
    const QString type = declaredType.toUpper();
    if (type.contains(QLatin1String("INT")))
        return false;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB"))
        || type.contains(QLatin1String("TEXT")))
        return true;
    return type.isEmpty() || type.contains(QLatin1String("BLOB"));
}

QString withoutTrailingBlanks(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

} // namespace

struct Recordset::Impl {
    std::shared_ptr<Connection> connection;
    bool keyset = false;
    QString table;
    std::vector<FieldInfo> fields;

    std::vector<qint64> keys;             // keyset: the rows' keys in order
    std::vector<Value> along;             // keyset: a column read with them
    std::optional<Statement> rowQuery;    // keyset: one row by key
    std::vector<std::vector<Value>> rows; // snapshot: every row

    qsizetype pos = 0; // -1 before the first row, size() past the last
    bool currentDeleted = false;
    mutable std::optional<std::vector<Value>> cache;

    EditMode mode = EditMode::None;
    std::vector<std::optional<Value>> buffer;
    std::optional<qint64> lastModified;
    bool noMatch = false;

    qsizetype size() const
    {
        return keyset ? static_cast<qsizetype>(keys.size()) : static_cast<qsizetype>(rows.size());
    }
    bool hasCurrent() const { return pos >= 0 && pos < size() && !currentDeleted; }

    void moved()
    {
        cache.reset();
        currentDeleted = false;
        mode = EditMode::None;
        buffer.clear();
    }

    int indexOf(const QString& name) const
    {
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].name == name)
                return static_cast<int>(i);
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        return -1;
    }

    // The current row was just stored from the edit buffer. A Null, or a
    // text (valid UTF-16) in a column that keeps texts, reads back as it was
    // given; when every stored value is such, the row read before is brought
    // up to date instead of being read again (a stored page can be large).
    void stored()
    {
        if (!cache)
            return;
        for (size_t i = 0; i < buffer.size(); ++i) {
            if (!buffer[i])
                continue;
            const QString* text = buffer[i]->textPtr();
            const bool readsBackAsGiven = buffer[i]->isNull()
                || (text && keepsText(fields[i].declaredType) && QStringView(*text).isValidUtf16());
            if (!readsBackAsGiven) {
                cache.reset();
                return;
            }
        }
        for (size_t i = 0; i < buffer.size(); ++i)
            if (buffer[i])
                (*cache)[i] = std::move(*buffer[i]);
    }

    Result<const std::vector<Value>*> currentRow() const
    {
        if (!hasCurrent())
            return fail(ErrorCode::DbNoCurrentRecord);
        if (!keyset)
            return &rows[static_cast<size_t>(pos)];
        if (!cache) {
            Statement& q = const_cast<Statement&>(*rowQuery);
            // reset() repeats the last step's outcome, which was handled then.
            (void)q.reset();
            if (auto s = q.bind(1, Value(keys[static_cast<size_t>(pos)])); !s.ok())
                return s.failure();
            auto row = q.step();
            if (!row.ok())
                return row.failure();
            if (!row.value())
                return fail(ErrorCode::DbRecordDeleted);
            std::vector<Value> values;
            values.reserve(fields.size());
            for (int i = 0; i < static_cast<int>(fields.size()); ++i)
                values.push_back(q.column(i));
            (void)q.reset();
            cache = std::move(values);
        }
        return &*cache;
    }

    Status openKeyset(const QString& columns, const QString& rest, const QString& readAlong)
    {
        auto rowStmt = Statement::prepare(connection,
                                          QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1").arg(columns, table));
        if (!rowStmt.ok())
            return rowStmt.failure();
        for (int i = 0; i < rowStmt.value().columnCount(); ++i)
            fields.push_back(
                FieldInfo::fromDeclaration(rowStmt.value().columnName(i), rowStmt.value().columnDeclaredType(i)));
        const QString alongKeys = readAlong.isEmpty() ? QString() : QStringLiteral(", ") + readAlong;
        auto keyStmt = Statement::prepare(connection,
                                          QStringLiteral("SELECT rowid%1 FROM %2%3").arg(alongKeys, table, rest));
        if (!keyStmt.ok())
            return keyStmt.failure();
        for (;;) {
            auto row = keyStmt.value().step();
            if (!row.ok())
                return row.failure();
            if (!row.value())
                break;
            keys.push_back(keyStmt.value().columnInt64(0));
            if (!readAlong.isEmpty())
                along.push_back(keyStmt.value().column(1));
        }
        rowQuery.emplace(std::move(rowStmt).value());
        keyset = true;
        return {};
    }

    Status openSnapshot(const QString& sql)
    {
        auto stmt = Statement::prepare(connection, sql);
        if (!stmt.ok())
            return stmt.failure();
        Statement& q = stmt.value();
        for (int i = 0; i < q.columnCount(); ++i)
            fields.push_back(FieldInfo::fromDeclaration(q.columnName(i), q.columnDeclaredType(i)));
        for (;;) {
            auto row = q.step();
            if (!row.ok())
                return row.failure();
            if (!row.value())
                break;
            std::vector<Value> values;
            values.reserve(fields.size());
            for (int i = 0; i < q.columnCount(); ++i)
                values.push_back(q.column(i));
            rows.push_back(std::move(values));
        }
        return {};
    }
};

Result<Recordset> Recordset::openTable(std::shared_ptr<Connection> connection, const QString& table,
                                       const QString& filter, const QString& readAlong, const QStringList& columns)
{
    auto impl = std::make_unique<Impl>();
    impl->connection = std::move(connection);
    impl->table = SqlText::quotedIdentifier(table);
    // A table is opened to be written: when it cannot be, rows that cannot
    // be stored would only hide the failure.
    const QString list = columns.isEmpty() ? QStringLiteral("*") : SqlText::quotedIdentifiers(columns);
    const QString along = readAlong.isEmpty() ? QString() : SqlText::quotedIdentifier(readAlong);
    if (Status opened = impl->openKeyset(list, filter.isEmpty() ? QString() : QStringLiteral(" WHERE ") + filter,
                                         along);
        !opened.ok())
        return opened.failure();
    return Recordset(std::move(impl));
}

Result<Recordset> Recordset::runQuery(std::shared_ptr<Connection> connection, const QString& sql)
{
    auto impl = std::make_unique<Impl>();
    impl->connection = std::move(connection);
    if (Status opened = impl->openSnapshot(sql); !opened.ok())
        return opened.failure();
    return Recordset(std::move(impl));
}

Recordset::Recordset() = default;
Recordset::Recordset(std::unique_ptr<Impl> impl) : d_(std::move(impl))
{
}
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

bool Recordset::isOpen() const
{
    return d_ != nullptr;
}
void Recordset::close()
{
    d_.reset();
}

const std::vector<Value>& Recordset::readAlong() const
{
    static const std::vector<Value> kNone;
    return d_ ? d_->along : kNone;
}

bool Recordset::updatable() const
{
    return d_ && d_->keyset;
}

bool Recordset::eof() const
{
    return !d_ || (d_->pos >= d_->size() && !d_->currentDeleted);
}
bool Recordset::hasCurrent() const
{
    return d_ && d_->hasCurrent();
}
int Recordset::recordCount() const
{
    return d_ ? static_cast<int>(d_->size()) : 0;
}

Status Recordset::moveFirst()
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    d_->moved();
    d_->pos = 0;
    return {};
}

Status Recordset::moveNext()
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    if (d_->currentDeleted) { // the row after a deleted one already stands at its place
        d_->moved();
        return {};
    }
    if (d_->pos >= d_->size())
        return fail(ErrorCode::DbNoCurrentRecord);
    d_->moved();
    ++d_->pos;
    return {};
}

Status Recordset::movePrevious()
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    if (d_->pos < 0)
        return fail(ErrorCode::DbNoCurrentRecord);
    d_->moved();
    --d_->pos;
    return {};
}

int Recordset::fieldCount() const
{
    return d_ ? static_cast<int>(d_->fields.size()) : 0;
}

const FieldInfo& Recordset::field(int index) const
{
    return d_->fields.at(static_cast<size_t>(index));
}

Result<FieldInfo> Recordset::field(const QString& name) const
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    const int i = d_->indexOf(name);
    if (i < 0)
        return fail(ErrorCode::DbFieldNotFound);
    return d_->fields[static_cast<size_t>(i)];
}

Result<Value> Recordset::value(const QString& column) const
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    const int i = d_->indexOf(column);
    if (i < 0)
        return fail(ErrorCode::DbFieldNotFound);
    return value(i);
}

Result<Value> Recordset::value(int index) const
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    if (index < 0 || index >= fieldCount())
        return fail(ErrorCode::DbFieldNotFound);
    const auto i = static_cast<size_t>(index);
    if (d_->mode != EditMode::None && d_->buffer[i])
        return *d_->buffer[i];
    if (d_->mode == EditMode::Adding)
        return Value();
    auto row = d_->currentRow();
    if (!row.ok())
        return row.failure();
    return (*row.value())[i];
}

Recordset::EditMode Recordset::editMode() const
{
    return d_ ? d_->mode : EditMode::None;
}

Status Recordset::edit()
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    if (!d_->keyset)
        return fail(ErrorCode::DbNotUpdatable);
    if (auto row = d_->currentRow(); !row.ok())
        return row.failure();
    d_->mode = EditMode::Editing;
    d_->buffer.assign(d_->fields.size(), std::nullopt);
    return {};
}

Status Recordset::addNew()
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    if (!d_->keyset)
        return fail(ErrorCode::DbNotUpdatable);
    d_->mode = EditMode::Adding;
    d_->buffer.assign(d_->fields.size(), std::nullopt);
    return {};
}

Status Recordset::setValue(const QString& column, Value value)
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    if (d_->mode == EditMode::None)
        return fail(ErrorCode::DbNotEditing);
    const int i = d_->indexOf(column);
    if (i < 0)
        return fail(ErrorCode::DbFieldNotFound);
    d_->buffer[static_cast<size_t>(i)] = std::move(value);
    return {};
}

Status Recordset::update()
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    Impl& d = *d_;
    if (d.mode == EditMode::None)
        return fail(ErrorCode::DbNotEditing);

    QStringList names;
    std::vector<const Value*> values;
    for (size_t i = 0; i < d.fields.size(); ++i) {
        if (d.buffer[i]) {
            names << d.fields[i].name;
            values.push_back(&*d.buffer[i]);
        }
    }

    if (d.mode == EditMode::Editing) {
        if (!d.hasCurrent())
            return fail(ErrorCode::DbNoCurrentRecord);
        const qint64 key = d.keys[static_cast<size_t>(d.pos)];
        if (!names.isEmpty()) {
            QStringList sets;
            for (qsizetype i = 0; i < names.size(); ++i)
                sets << QStringLiteral("%1 = ?%2").arg(SqlText::quotedIdentifier(names[i])).arg(i + 1);
            auto stmt = Statement::prepare(d.connection,
                                           QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                                               .arg(d.table, sets.join(QLatin1String(", ")))
                                               .arg(names.size() + 1));
            if (!stmt.ok())
                return stmt.failure();
            for (size_t i = 0; i < values.size(); ++i)
                if (auto s = stmt.value().bind(static_cast<int>(i + 1), *values[i]); !s.ok())
                    return s;
            if (auto s = stmt.value().bind(static_cast<int>(values.size() + 1), Value(key)); !s.ok())
                return s;
            if (auto s = stmt.value().run(); !s.ok())
                return s;
            if (sqlite3_changes(d.connection->handle()) == 0)
                return fail(ErrorCode::DbRecordDeleted);
        }
        d.lastModified = key;
        d.stored();
    } else {
        auto stmt = Statement::prepare(d.connection, SqlText::insertStatement(d.table, names));
        if (!stmt.ok())
            return stmt.failure();
        for (size_t i = 0; i < values.size(); ++i)
            if (auto s = stmt.value().bind(static_cast<int>(i + 1), *values[i]); !s.ok())
                return s;
        if (auto s = stmt.value().run(); !s.ok())
            return s;
        const qint64 key = sqlite3_last_insert_rowid(d.connection->handle());
        const bool wasPastEnd = d.pos >= d.size();
        d.keys.push_back(key);
        if (wasPastEnd)
            d.pos = d.size();
        d.lastModified = key;
    }
    d.mode = EditMode::None;
    d.buffer.clear();
    return {};
}

void Recordset::cancelUpdate()
{
    if (d_) {
        d_->mode = EditMode::None;
        d_->buffer.clear();
    }
}

Status Recordset::deleteCurrent()
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    Impl& d = *d_;
    if (!d.keyset)
        return fail(ErrorCode::DbNotUpdatable);
    if (!d.hasCurrent())
        return fail(ErrorCode::DbNoCurrentRecord);
    auto stmt = Statement::prepare(d.connection, QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(d.table));
    if (!stmt.ok())
        return stmt.failure();
    if (auto s = stmt.value().bind(1, Value(d.keys[static_cast<size_t>(d.pos)])); !s.ok())
        return s;
    if (auto s = stmt.value().run(); !s.ok())
        return s;
    d.keys.erase(d.keys.begin() + d.pos);
    d.moved();
    d.currentDeleted = true;
    return {};
}

std::optional<qint64> Recordset::bookmark() const
{
    if (!d_ || !d_->hasCurrent())
        return std::nullopt;
    return d_->keyset ? d_->keys[static_cast<size_t>(d_->pos)] : static_cast<qint64>(d_->pos);
}

Status Recordset::setBookmark(qint64 key)
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    qsizetype index = -1;
    if (d_->keyset) {
        for (size_t i = 0; i < d_->keys.size(); ++i)
            if (d_->keys[i] == key) {
                index = static_cast<qsizetype>(i);
                break;
            }
    } else if (key >= 0 && key < d_->size()) {
        index = static_cast<qsizetype>(key);
    }
    if (index < 0)
        return fail(ErrorCode::DbRecordDeleted);
    d_->moved();
    d_->pos = index;
    return {};
}

std::optional<qint64> Recordset::lastModified() const
{
    return d_ ? d_->lastModified : std::nullopt;
}

Status Recordset::findFirst(const QString& column, const QString& key)
{
    if (!d_)
        return fail(ErrorCode::DbClosed);
    Impl& d = *d_;
    const int index = d.indexOf(column);
    if (index < 0)
        return fail(ErrorCode::DbBadCriterion);
    const QString wanted = withoutTrailingBlanks(key);

    qsizetype found = -1;
    if (d.keyset) {
        auto stmt = Statement::prepare(
            d.connection,
            QStringLiteral("SELECT rowid FROM %1 WHERE rtrim(CAST(%2 AS TEXT), ' ') = ?1")
                .arg(d.table, SqlText::quotedIdentifier(d.fields[static_cast<size_t>(index)].name)));
        if (!stmt.ok())
            return stmt.failure();
        if (auto s = stmt.value().bind(1, Value(wanted)); !s.ok())
            return s;
        std::unordered_set<qint64> matching;
        for (;;) {
            auto row = stmt.value().step();
            if (!row.ok())
                return row.failure();
            if (!row.value())
                break;
            matching.insert(stmt.value().columnInt64(0));
        }
        for (size_t i = 0; i < d.keys.size() && found < 0; ++i)
            if (matching.count(d.keys[i]))
                found = static_cast<qsizetype>(i);
    } else {
        for (size_t i = 0; i < d.rows.size() && found < 0; ++i) {
            const Value& v = d.rows[i][static_cast<size_t>(index)];
            if (!v.isNull() && withoutTrailingBlanks(v.textOrEmpty()) == wanted)
                found = static_cast<qsizetype>(i);
        }
    }
    d.noMatch = found < 0;
    if (found >= 0) {
        d.moved();
        d.pos = found;
    }
    return {};
}

bool Recordset::noMatch() const
{
    return d_ && d_->noMatch;
}

} // namespace orvane
