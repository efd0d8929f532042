#pragma once

#include "StandInWatcher.h"

#include "net/CurlPageFetcher.h"

#include <QDir>
#include <QFile>

#include <functional>

namespace orvane::test {

// The real fetcher, told what comes next or not; notes what the cycle asks.
class Fetcher final : public PageFetcher {
public:
    Fetcher(bool ahead, const CurlPageFetcher::Options& options = {}) : ahead_(ahead), real_(options) { }
    using PageFetcher::fetch;
    Result<QString> fetch(const QString& url, const QString& lastText) override { return real_.fetch(url, lastText); }
    void fetchAhead(const QStringList& urls) override
    {
        announced = urls;
        real_.fetchAhead(ahead_ ? urls : QStringList());
    }
    void idle() override
    {
        ++idles;
        real_.idle();
    }
    QStringList announced;
    int idles = 0;

private:
    bool ahead_;
    CurlPageFetcher real_;
};

// Keeps each mail as its text; the mail to fail@example.test fails. `sent`
// runs after each, to change the database mid-cycle as another program may.
class Mailer final : public MailClient {
public:
    Status send(const Mail& mail) override
    {
        QString text;
        for (const auto& [name, value] : mail.headers)
            text += name + ": " + value + "\n";
        mails << text + mail.body;
        subjects << mail.header(QStringLiteral("Subject"));
        sent();
        return mail.header(QStringLiteral("To")).startsWith(QStringLiteral("fail@")) ? Status(Failure {1, "refused"})
                                                                                     : Status();
    }
    QStringList mails, subjects;
    std::function<void()> sent = [] {};
};

// A fresh database that wakes at every tick, and the mail sent from it.
struct Recorders {
    Recorders() { db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 1")); }
    QByteArray scratchFile() const
    {
        QFile file(QDir(db.dir()).filePath(QStringLiteral("URL.html")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    TempDatabase db;
    Mailer mailer;
};

struct Engine : Recorders, StandInWatcher {
    explicit Engine(PageFetcher& fetcher) : StandInWatcher(db.dir(), fetcher, mailer) { }
    bool halted() const { return !watcher.timerRunning() && pointer.shape == ScreenPointer::Shape::Busy; }
};

} // namespace orvane::test
