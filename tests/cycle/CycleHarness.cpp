#include "CycleHarness.h"

#include <QFile>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace orvane::test {

PageServer::PageServer()
{
    http_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        int wait = 0;
        {
            std::lock_guard lock(mutex_);
            if (auto d = delays_.find(req.path); d != delays_.end())
                wait = d->second;
        }
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        std::lock_guard lock(mutex_);
        ++requests_[req.path];
        if (auto r = redirects_.find(req.path); r != redirects_.end()) {
            res.set_redirect(r->second, 302);
            return;
        }
        auto p = pages_.find(req.path);
        if (p == pages_.end()) {
            res.status = 404;
            return;
        }
        res.status = p->second.status;
        res.set_content(p->second.body.toStdString(), p->second.contentType.toStdString());
    });
    EXPECT_TRUE(http_.start());
}

void PageServer::set(const QString& path, QByteArray body, QByteArray contentType, int status)
{
    std::lock_guard lock(mutex_);
    pages_[path.toStdString()] = Page{status, std::move(body), std::move(contentType)};
}

void PageServer::delay(const QString& path, int ms)
{
    std::lock_guard lock(mutex_);
    delays_[path.toStdString()] = ms;
}

void PageServer::redirect(const QString& path, const QString& to)
{
    std::lock_guard lock(mutex_);
    redirects_[path.toStdString()] = to.toStdString();
}

int PageServer::requests(const QString& path) const
{
    std::lock_guard lock(mutex_);
    auto r = requests_.find(path.toStdString());
    return r == requests_.end() ? 0 : r->second;
}

CurlPageFetcher::Options CycleHarness::shortFetch()
{
    CurlPageFetcher::Options o;
    o.connectTimeout = std::chrono::milliseconds(1000);
    o.totalTimeout = std::chrono::milliseconds(1500);
    return o;
}

CycleHarness::CycleHarness(qint16 wakeUp, CurlPageFetcher::Options fetchOptions, std::chrono::milliseconds mailTimeout)
    : fetcher(std::move(fetchOptions)),
      mail(std::chrono::milliseconds(2000), mailTimeout),
      engine(module, view, EngineServices{messages, pointer, programEnd, clock, fetcher, mail}),
      savedDir_(QDir::currentPath())
{
    EXPECT_TRUE(smtp.start());
    db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = %1, \"Mail server\" = '127.0.0.1', \"SMTP Port\" = %2")
                .arg(wakeUp)
                .arg(smtp.port()));
}

CycleHarness::~CycleHarness()
{
    QDir::setCurrent(savedDir_);
}

bool CycleHarness::load()
{
    return engine.formLoad(false, db.dir());
}

qint64 CycleHarness::entry(const QString& url, const QString& type, const QString& columns)
{
    const qint64 key = db.addEntry(url, type);
    if (!columns.isEmpty())
        db.exec(QStringLiteral("UPDATE URLs SET %1 WHERE rowid = %2").arg(columns).arg(key));
    return key;
}

Value CycleHarness::column(qint64 key, const QString& name) const
{
    auto rs = db.open().openRecordset(QStringLiteral("select * from URLs where rowid = %1").arg(key));
    if (!rs.ok() || rs.value().eof())
        return Value(QStringLiteral("<no such row>"));
    return rs.value().value(name).value();
}

QByteArray CycleHarness::scratchFile() const
{
    QFile f(QDir(db.dir()).filePath(QStringLiteral("URL.html")));
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

bool CycleHarness::scratchExists() const
{
    return QFile::exists(QDir(db.dir()).filePath(QStringLiteral("URL.html")));
}

QString header(const ReceivedMail& mail, const QString& name)
{
    for (const auto& [n, v] : mail.headers())
        if (n == name)
            return v;
    return QStringLiteral("<absent>");
}

} // namespace orvane::test
