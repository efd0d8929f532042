// The store's find: Recordset::findFirst with a fuzzed key on an in-memory
// watch database holding fuzzed rows, on an updatable recordset and on a
// snapshot, in the column URL (as the URL window finds) and in Subject.
//
// Record fields: url and subject, repeated, one row each (the n-th url goes
// with the n-th subject; "null" is a Null column). The body is the key, as
// it stands.

#include "FuzzCheck.h"
#include "FuzzRecord.h"

#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <sqlite3.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace orvane;
using namespace orvane::fuzz;

namespace {

constexpr int kMaxRows = 8;
const QString kSnapshot = QStringLiteral("SELECT URL, Subject, rowid AS k FROM URLs ORDER BY rowid");

struct Row {
    qint64 key;
    Value url;
    Value subject;
};

std::shared_ptr<Connection> database()
{
    static const std::shared_ptr<Connection> connection = [] {
        sqlite3* raw = nullptr;
        check(sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK,
              "cannot open an in-memory database");
        auto c = std::make_shared<Connection>(raw);
        check(sqlite3_exec(raw, Schema::creationSql().toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK,
              "cannot create the tables");
        return c;
    }();
    return connection;
}

void bindText(sqlite3_stmt* s, int index, const Value& v)
{
    if (v.isNull()) {
        sqlite3_bind_null(s, index);
        return;
    }
    const QByteArray utf8 = v.textOrEmpty().toUtf8();
    sqlite3_bind_text64(s, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()), SQLITE_TRANSIENT,
                        SQLITE_UTF8);
}

std::vector<Row> fill(sqlite3* db, const FuzzRecord& in)
{
    check(sqlite3_exec(db, "DELETE FROM URLs", nullptr, nullptr, nullptr) == SQLITE_OK, "cannot empty URLs");
    const auto urls = in.all("url");
    const auto subjects = in.all("subject");
    std::vector<Row> rows;
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO URLs (URL, Subject, Active) VALUES (?1, ?2, -1)", -1, &insert, nullptr);
    for (qsizetype i = 0; i < urls.size() && i < kMaxRows; ++i) {
        const auto text = [](const QByteArray& field) {
            return field == "null" ? Value::null() : Value(QString::fromUtf8(field));
        };
        Row row {0, text(urls[i]), i < subjects.size() ? text(subjects[i]) : Value::null()};
        bindText(insert, 1, row.url);
        bindText(insert, 2, row.subject);
        check(sqlite3_step(insert) == SQLITE_DONE, "cannot insert a row");
        sqlite3_reset(insert);
        row.key = sqlite3_last_insert_rowid(db);
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(insert);
    return rows;
}

QString withoutTrailingBlanks(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// The first row whose column, trailing blanks not counting, equals the key
// without its trailing blanks; a Null column equals nothing.
std::optional<qint64> firstMatch(const std::vector<Row>& rows, bool urlColumn, const QString& key)
{
    const QString wanted = withoutTrailingBlanks(key);
    for (const Row& row : rows) {
        const Value& v = urlColumn ? row.url : row.subject;
        if (!v.isNull() && withoutTrailingBlanks(v.textOrEmpty()) == wanted)
            return row.key;
    }
    return std::nullopt;
}

std::string show(const QString& s)
{
    return "'" + s.toStdString() + "'";
}

// The row a recordset stands on after a find: its key, or nullopt when the
// find met nothing (and left the position alone).
std::optional<qint64> landing(const Recordset& rs, bool keyset)
{
    if (rs.noMatch())
        return std::nullopt;
    if (keyset)
        return rs.bookmark();
    auto k = rs.value(QStringLiteral("k"));
    check(k.ok(), "the snapshot lost its key column");
    return k.value().toWhole(LLONG_MIN, LLONG_MAX).value();
}

void findBothWays(const std::shared_ptr<Connection>& db, const std::vector<Row>& rows, const QString& column,
                  const QString& key)
{
    auto keyset = Recordset::openTable(db, QStringLiteral("URLs"));
    auto snapshot = Recordset::runQuery(db, kSnapshot);
    check(keyset.ok() && keyset.value().updatable(), "URLs did not open as an updatable recordset");
    check(snapshot.ok() && !snapshot.value().updatable(), "the snapshot did not open as one");

    if (!keyset.value().findFirst(column, key).ok() || !snapshot.value().findFirst(column, key).ok())
        fail("a find on a known column failed", show(key));

    const auto expected = firstMatch(rows, column == QLatin1String("URL"), key);
    const auto inKeysetAt = landing(keyset.value(), true);
    const auto inSnapshotAt = landing(snapshot.value(), false);
    const auto where = [](const std::optional<qint64>& k) { return k ? std::to_string(*k) : std::string("none"); };
    if (inKeysetAt != expected)
        fail("the updatable recordset found another row",
             show(key) + ": " + where(inKeysetAt) + " instead of " + where(expected));
    if (inSnapshotAt != expected)
        fail("the snapshot found another row",
             show(key) + ": " + where(inSnapshotAt) + " instead of " + where(expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzRecord in(data, size);
    const QString text = QString::fromUtf8(in.body());

    const auto db = database();
    const std::vector<Row> rows = fill(db->handle(), in);
    findBothWays(db, rows, QStringLiteral("URL"), text);
    findBothWays(db, rows, QStringLiteral("Subject"), text);
    return 0;
}
