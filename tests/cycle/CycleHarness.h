#pragma once

#include "Fakes.h"
#include "LocalHttpServer.h"
#include "SmtpTestServer.h"
#include "TempDatabase.h"

#include "engine/SentrelEngine.h"
#include "platform/CurlMailClient.h"
#include "platform/CurlPageFetcher.h"

#include <QDir>
#include <QString>

#include <chrono>
#include <map>
#include <mutex>

namespace orvane::test {

// Pages served on 127.0.0.1 that a test changes between cycles, with a log
// of what was asked for.
class PageServer {
public:
    struct Page {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/html";
    };

    PageServer();
    void set(const QString& path, QByteArray body, QByteArray contentType = "text/html", int status = 200);
    void redirect(const QString& path, const QString& to);
    // The page's answer waits this long.
    void delay(const QString& path, int ms);
    QString url(const QString& path) const { return http_.url(path); }
    int requests(const QString& path) const;

private:
    LocalHttpServer http_;
    mutable std::mutex mutex_;
    std::map<std::string, Page> pages_;
    std::map<std::string, std::string> redirects_;
    std::map<std::string, int> requests_;
    std::map<std::string, int> delays_;
};

// The real engine, its fetcher and mail client, a real database, a real
// SMTP server: a wake-up cycle as the program runs it, minus the widgets.
class CycleHarness {
public:
    // mailTimeout bounds one whole conversation with the mail server.
    explicit CycleHarness(qint16 wakeUp = 1, CurlPageFetcher::Options fetchOptions = shortFetch(),
                          std::chrono::milliseconds mailTimeout = std::chrono::milliseconds(5000));
    ~CycleHarness();

    static CurlPageFetcher::Options shortFetch();

    // Start-up; false when it failed.
    bool load();
    // Runs ticks until a cycle has run (the first tick after start-up).
    void tick() { engine.timer1Timer(); }

    qint64 entry(const QString& url, const QString& type, const QString& columns = QString());
    Value column(qint64 key, const QString& name) const;
    std::vector<ReceivedMail> mails() const { return smtp.messages(); }
    QByteArray scratchFile() const;
    bool scratchExists() const;

    TempDatabase db;
    SmtpTestServer smtp;
    PageServer pages;
    RecordingMessages messages;
    RecordingPointer pointer;
    RecordingProgramEnd programEnd;
    FixedClock clock;
    CurlPageFetcher fetcher;
    CurlMailClient mail;
    RecordingView view;
    mSentrel module;
    SentrelEngine engine;

private:
    QString savedDir_;
};

// The value of one header of a received mail.
QString header(const ReceivedMail& mail, const QString& name);

} // namespace orvane::test
