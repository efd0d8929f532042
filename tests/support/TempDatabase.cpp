#include "TempDatabase.h"

#include "store/Columns.h"
#include "store/Schema.h"
#include "store/WatchStore.h"

#include <gtest/gtest.h>

namespace orvane::test {

namespace {

void expectOk(const Status& s, const char* what)
{
    if (!s.ok())
        ADD_FAILURE() << what << ": " << s.failure().description.toStdString();
}

} // namespace

TempDatabase::TempDatabase()
{
    expectOk(Schema::createFile(path()), "cannot create the test database");
}

QString TempDatabase::path() const
{
    return dir_.filePath(QString::fromLatin1(Database::kFileName));
}

Database TempDatabase::open() const
{
    auto db = Database::open(path());
    expectOk(db.status(), "cannot open the test database");
    return db.ok() ? std::move(db).value() : Database();
}

void TempDatabase::exec(const QString& sql) const
{
    expectOk(open().execute(sql), qPrintable(sql));
}

void TempDatabase::setSettings(int wakeUp, const QString& mailServer, int port) const
{
    const WatchStore store(open());
    expectOk(store.setSetting(orvane::Columns::kWakeUp, QString::number(wakeUp)), "cannot set the wake-up");
    expectOk(store.setSetting(orvane::Columns::kMailServer, mailServer), "cannot set the mail server");
    expectOk(store.setSetting(orvane::Columns::kSmtpPort, QString::number(port)), "cannot set the port");
}

qint64 TempDatabase::addEntry(const QString& url, const QString& searchType, Columns columns) const
{
    auto rs = open().openTable(QStringLiteral("URLs"));
    expectOk(rs.status(), "cannot open URLs");
    if (!rs.ok())
        return -1;
    Recordset& r = rs.value();
    expectOk(r.addNew(), "AddNew");
    const Columns defaults = {{"URL", Value(url)},
                              {"EMail", Value("watcher@example.test")},
                              {"Subject", Value("Weekly")},
                              {"Active", Value(-1)},
                              {"Search type", Value(searchType)}};
    for (const Columns& set : {defaults, columns})
        for (const auto& [name, value] : set)
            expectOk(r.setValue(QString::fromLatin1(name), value), name);
    expectOk(r.update(), "Update");
    return r.lastModified().value_or(-1);
}

Value TempDatabase::column(qint64 key, const QString& name) const
{
    auto rs = open().openTable(QStringLiteral("URLs"));
    if (!rs.ok() || !rs.value().setBookmark(key).ok())
        return Value();
    auto v = rs.value().value(name);
    return v.ok() ? std::move(v).value() : Value();
}

} // namespace orvane::test
