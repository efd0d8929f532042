// orvane-db check against pages of a local server: what each search finds and
// which alert the next wake-up would send, and that it changes nothing.
#include "LocalHttpServer.h"
#include "OrvaneDbRun.h"

#include "store/Database.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

TEST(CheckCommand, ShowsWhatEachSearchFindsAndTheAlertItWouldSendChangingNothing)
{
    LocalHttpServer web;
    const auto page = [&web](const char* path, const char* body) {
        web.server().Get(path, [body](const httplib::Request&, httplib::Response& r) {
            r.set_header("ETag", "\"v1\"");
            r.set_header("Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT");
            r.set_content(body, "application/xhtml+xml; charset=windows-1252"); // not compressed
        });
    };
    page("/w", "<p>same</p>");
    page("/s", "Price: 12.50 EUR");
    page("/t", "<table><tr><td>ok</td></tr><TR><TD>ok</td></tr></table>");
    web.server().Get("/old", [](const httplib::Request&, httplib::Response& r) { r.set_redirect("/w"); });
    ASSERT_TRUE(web.start());

    QTemporaryDir dir;
    // What it printed, or how it failed.
    const auto run = [&dir](const QStringList& args) {
        const orvane::test::Ran r = orvane::test::runOrvaneDb(dir.path(), args);
        return r.code == 0 ? r.out : "exit " + QByteArray::number(r.code) + ": " + r.err;
    };
    const QString db = dir.filePath("Sentrel.mdb"), scratch = dir.filePath("URL.html");
    ASSERT_EQ(run({"init"}), "created " + db.toUtf8() + "\n");
    ASSERT_TRUE(QFile(scratch).open(QIODevice::WriteOnly)); // an empty URL.html
    // clang-format off
    const struct { QStringList entry; const char* stored; const char* expected; bool byUrl = false; } cases[] = {
        {{"/old"}, "<p>same</p>", R"({"alert":null,"firstVisit":false,"fetch":{"finalUrl":"%1/w","status":200,
          "wireBytes":11,"contentEncoding":"","charset":"windows-1252","etag":"\"v1\"",
          "lastModified":"Mon, 07 Dec 2026 10:00:00 GMT","characters":11}})"},
        {{"/w"}, "<p>old</p>", R"({"alert":1,"alertName":"whole page changed"})"},
        // "Price:" at 1, offset 1: characters 1 + 6 + 1 = 8 to 12 of both pages.
        {{"/s", "--type", "S", "--search", "Price:", "--offset", "1", "--length", "5"}, "Price: 12.50 USD",
         R"({"alert":null,"stringSearch":{"position":1,"piece":"12.50","storedPiece":"12.50","stepFailed":false}})"},
        {{"/s", "--type", "S", "--search", "Price:", "--offset", "1", "--length", "5"}, "Price: 11.00 EUR",
         R"({"alert":2,"stringSearch":{"position":1,"piece":"12.50","storedPiece":"11.00","stepFailed":false}})"},
        // Not found with offset 0: the cut at position 0 fails, a change.
        {{"/s", "--type", "S", "--search", "Cost:", "--length", "5"}, "Price: 12.50 EUR",
         R"({"alert":2,"stringSearch":{"position":0,"piece":"","storedPiece":"","stepFailed":true}})"},
        // Offset 3 skips "td>" of each cell tag, in any letter case.
        {{"/t", "--type", "T", "--search", "ok", "--offset", "3", "--length", "2", "--repeat", "2"}, nullptr,
         R"({"alert":3,"alertName":"table alert","searchText":"ok",
             "tableSearch":{"tableFound":true,"cells":["ok","ok"],"allEqual":true}})"},
        {{"/t", "--type", "T", "--search", "no", "--offset", "3", "--length", "2", "--repeat", "2"}, nullptr,
         R"({"alert":null,"tableSearch":{"tableFound":true,"cells":["ok","ok"],"allEqual":false}})"},
        {{"/t", "--type", "T", "--search", "ok", "--table", "2"}, nullptr,
         R"({"alert":4,"alertName":"no table found","tableSearch":{"tableFound":false,"cells":[],"allEqual":false}})"},
        {{"/gone"}, nullptr, R"({"alert":0,"alertName":"page fault","fault":{"number":404}})"},
        // A URL instead of an id: a new entry on its first visit, as add makes it.
        {{"/s", "--type", "S", "--search", "12", "--length", "2"}, nullptr, R"({"alert":2,"stringSearch":{"position":8}})",
         true},
    };
    // clang-format on
    for (const auto& c : cases) {
        const QStringList entry = QStringList {web.url(c.entry[0])} + c.entry.mid(1);
        const QByteArray id = c.byUrl ? ""
                                      : run(QStringList {"add", entry[0], "a@x.org", "s"} + entry.mid(1)).trimmed();
        if (c.stored) {
            const QString set = QString("UPDATE URLs SET Content = '%1' WHERE rowid = %2").arg(c.stored, id);
            ASSERT_TRUE(orvane::Database::open(db).value().execute(set).ok()) << id.toStdString();
        }
        const QByteArray before = contents(db),
                         out = run(QStringList {"check", "--json"} + (c.byUrl ? entry : QStringList {id}));
        SCOPED_TRACE(out.toStdString());
        const QJsonObject got = QJsonDocument::fromJson(out).object();
        const QJsonObject want =
            QJsonDocument::fromJson(QByteArray(c.expected).replace("%1", web.url("").toUtf8())).object();
        ASSERT_FALSE(want.isEmpty()) << c.expected;
        EXPECT_EQ(got["entry"], c.byUrl ? QJsonValue() : QJsonValue(id.toLongLong()));
        EXPECT_EQ(got["firstVisit"].toBool(), c.stored == nullptr);
        // Of an object, only the fields worked out: a fault's text is the server's.
        QJsonObject shown;
        for (const QString& key : want.keys()) {
            QJsonObject part;
            for (const QString& field : want[key].toObject().keys())
                part[field] = got[key][field];
            shown[key] = want[key].isObject() ? QJsonValue(part) : got[key];
        }
        EXPECT_EQ(QJsonDocument(shown).toJson(QJsonDocument::Compact).toStdString(),
                  QJsonDocument(want).toJson(QJsonDocument::Compact).toStdString());
        EXPECT_TRUE(contents(db) == before); // not printed: 192 KB
    }
    EXPECT_EQ(contents(scratch), QByteArray());
}

} // namespace
