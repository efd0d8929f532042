#include "TempDatabase.h"

#include "store/Connection.h"
#include "store/Schema.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace orvane::test {

TempDatabase::TempDatabase()
{
    const Status s = Schema::createFile(path());
    if (!s.ok())
        ADD_FAILURE() << "cannot create test database: " << s.failure().description.toStdString();
}

QString TempDatabase::path() const
{
    return dir_.filePath(QString::fromLatin1(Database::kFileName));
}

Database TempDatabase::open() const
{
    auto db = Database::open(path());
    if (!db.ok()) {
        ADD_FAILURE() << "cannot open test database: " << db.failure().description.toStdString();
        return {};
    }
    return std::move(db).value();
}

void TempDatabase::exec(const QString& sql) const
{
    const Status s = open().execute(sql);
    if (!s.ok())
        ADD_FAILURE() << "statement failed: " << sql.toStdString() << ": " << s.failure().description.toStdString();
}

qint64 TempDatabase::addEntry(const QString& url, const QString& searchType, bool active) const
{
    Database db = open();
    auto rs = db.openRecordset(QStringLiteral("URLs"));
    EXPECT_TRUE(rs.ok());
    Recordset& r = rs.value();
    EXPECT_TRUE(r.addNew().ok());
    r.setValue(QStringLiteral("URL"), Value(url));
    r.setValue(QStringLiteral("EMail"), Value("watcher@example.test"));
    r.setValue(QStringLiteral("Subject"), Value("Weekly"));
    r.setValue(QStringLiteral("Active"), Value(active ? -1 : 0));
    r.setValue(QStringLiteral("Search type"), Value(searchType));
    EXPECT_TRUE(r.update().ok());
    return r.lastModified().value_or(-1);
}

} // namespace orvane::test
