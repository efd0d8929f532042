// The store's find: FindCriterion::parse over fuzzed text, and
// Recordset::findFirst with fuzzed criteria on an in-memory watch database
// holding fuzzed rows, on an updatable recordset and on a snapshot.
//
// Record fields: url and subject, repeated, one row each (the n-th url goes
// with the n-th subject; "null" is a Null column). The body is a criterion
// as it stands; it is also tried as the key of the criterion the URL window
// builds, "URL = '" + key + "'".

#include "FuzzCheck.h"
#include "FuzzRecord.h"

#include "base/ErrorCatalogue.h"
#include "store/Connection.h"
#include "store/FindCriterion.h"
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
const QString kSnapshot = QStringLiteral("SELECT URL, Subject, rowid AS k FROM URLs ORDER BY rowid LIMIT -1");

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

void findBothWays(const std::shared_ptr<Connection>& db, const std::vector<Row>& rows, const QString& criterion)
{
    auto keyset = Recordset::open(db, QStringLiteral("URLs"));
    auto snapshot = Recordset::open(db, kSnapshot);
    check(keyset.ok() && keyset.value().updatable(), "URLs did not open as an updatable recordset");
    check(snapshot.ok() && !snapshot.value().updatable(), "the snapshot did not open as one");

    const Status inKeyset = keyset.value().findFirst(criterion);
    const Status inSnapshot = snapshot.value().findFirst(criterion);
    const auto parsed = FindCriterion::parse(criterion);
    if (!parsed.ok()) {
        if (inKeyset.ok() || inSnapshot.ok())
            fail("a criterion that does not parse was accepted", show(criterion));
        const int bad = static_cast<int>(ErrorCode::DbBadCriterion);
        if (inKeyset.failure().number != bad || inSnapshot.failure().number != bad)
            fail("a malformed criterion failed otherwise", show(criterion));
        return;
    }
    const QString& column = parsed.value().column;
    const bool url = column.compare(QLatin1String("URL"), Qt::CaseInsensitive) == 0;
    const bool subject = column.compare(QLatin1String("Subject"), Qt::CaseInsensitive) == 0;
    if (!url && !subject)
        return; // the two recordsets hold different columns
    if (!inKeyset.ok() || !inSnapshot.ok())
        fail("a find on a known column failed", show(criterion));

    const auto expected = firstMatch(rows, url, parsed.value().key);
    const auto inKeysetAt = landing(keyset.value(), true);
    const auto inSnapshotAt = landing(snapshot.value(), false);
    const auto where = [](const std::optional<qint64>& k) { return k ? std::to_string(*k) : std::string("none"); };
    if (inKeysetAt != expected)
        fail("the updatable recordset found another row",
             show(criterion) + ": " + where(inKeysetAt) + " instead of " + where(expected));
    if (inSnapshotAt != expected)
        fail("the snapshot found another row",
             show(criterion) + ": " + where(inSnapshotAt) + " instead of " + where(expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzRecord in(data, size);
    const QString text = QString::fromUtf8(in.body());

    // Whatever parses must parse again, the same, when written back plainly.
    if (const auto parsed = FindCriterion::parse(text); parsed.ok()) {
        const QString again = QLatin1Char('[') + parsed.value().column + QStringLiteral("] = '") + parsed.value().key
            + QLatin1Char('\'');
        const auto reparsed = FindCriterion::parse(again);
        if (!reparsed.ok())
            fail("a parsed criterion written back does not parse", show(again));
        if (reparsed.value().column != parsed.value().column || reparsed.value().key != parsed.value().key)
            fail("a parsed criterion written back parses otherwise", show(again));
    }

    // The URL window's criterion keeps any key whole, quotes included.
    const QString built = QStringLiteral("URL = '") + text + QLatin1Char('\'');
    const auto fromWindow = FindCriterion::parse(built);
    if (!fromWindow.ok())
        fail("the window's criterion does not parse", show(built));
    if (fromWindow.value().column != QLatin1String("URL") || fromWindow.value().key != text)
        fail("the window's criterion lost its key", show(built) + " gave " + show(fromWindow.value().key));

    const auto db = database();
    const std::vector<Row> rows = fill(db->handle(), in);
    findBothWays(db, rows, text);
    findBothWays(db, rows, built);
    return 0;
}
