#include "store/Statement.h"

#include "store/Connection.h"
#include "store/SqliteFailure.h"

#include <sqlite3.h>

namespace orvane {

void Statement::Finalizer::operator()(sqlite3_stmt* stmt) const
{
    sqlite3_finalize(stmt);
}

Statement::Statement(std::shared_ptr<Connection> connection, sqlite3_stmt* stmt)
    : connection_(std::move(connection)), stmt_(stmt)
{
}

Result<Statement> Statement::prepare(std::shared_ptr<Connection> connection, const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(connection->handle(), utf8.constData(), static_cast<int>(utf8.size()), &stmt,
                                      nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return sqliteFailure(rc);
    }
    if (!stmt) // an empty statement
        return sqliteFailure(SQLITE_ERROR);
    return Statement(std::move(connection), stmt);
}

Status Statement::bind(int index, const Value& value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(stmt_.get(), index);
    } else if (value.isInteger()) {
        rc = sqlite3_bind_int64(stmt_.get(), index, value.toWhole(LLONG_MIN, LLONG_MAX).value());
    } else if (value.isReal()) {
        rc = sqlite3_bind_double(stmt_.get(), index, value.toReal().value());
    } else {
        const QByteArray& utf8 = boundTexts_.emplace_back(value.textPtr()->toUtf8());
        rc = sqlite3_bind_text64(stmt_.get(), index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                                 SQLITE_STATIC, SQLITE_UTF8);
    }
    if (rc != SQLITE_OK)
        return sqliteFailure(rc);
    return {};
}

Status Statement::bindBytes(int index, const QByteArray& bytes)
{
    const QByteArray& kept = boundTexts_.emplace_back(bytes);
    // A null pointer would bind Null; the empty value stays a value.
    const int rc = sqlite3_bind_blob64(stmt_.get(), index, kept.isNull() ? "" : kept.constData(),
                                       static_cast<sqlite3_uint64>(kept.size()), SQLITE_STATIC);
    if (rc != SQLITE_OK)
        return sqliteFailure(rc);
    return {};
}

Result<bool> Statement::step()
{
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const int code = sqlite3_extended_errcode(connection_->handle());
    sqlite3_reset(stmt_.get());
    return sqliteFailure(code != SQLITE_OK ? code : rc);
}

Status Statement::reset()
{
    sqlite3_reset(stmt_.get());
    sqlite3_clear_bindings(stmt_.get());
    boundTexts_.clear();
    return {};
}

Status Statement::run()
{
    for (;;) {
        auto more = step();
        if (!more.ok())
            return more.failure();
        if (!more.value())
            return {};
    }
}

int Statement::columnCount() const
{
    return sqlite3_column_count(stmt_.get());
}

QString Statement::columnName(int index) const
{
    return QString::fromUtf8(sqlite3_column_name(stmt_.get(), index));
}

QString Statement::columnDeclaredType(int index) const
{
    return QString::fromUtf8(sqlite3_column_decltype(stmt_.get(), index));
}

Value Statement::column(int index) const
{
    sqlite3_stmt* s = stmt_.get();
    switch (sqlite3_column_type(s, index)) {
    case SQLITE_INTEGER: return Value(static_cast<qint64>(sqlite3_column_int64(s, index)));
    case SQLITE_FLOAT: return Value(sqlite3_column_double(s, index));
    case SQLITE_NULL: return Value();
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, index));
        const int bytes = sqlite3_column_bytes(s, index);
        return Value(QString::fromUtf8(text, bytes));
    }
    }
}

qint64 Statement::columnInt64(int index) const
{
    return sqlite3_column_int64(stmt_.get(), index);
}

QByteArray Statement::columnBytes(int index) const
{
    const void* bytes = sqlite3_column_blob(stmt_.get(), index);
    return QByteArray(static_cast<const char*>(bytes), bytes ? sqlite3_column_bytes(stmt_.get(), index) : 0);
}

} // namespace orvane
