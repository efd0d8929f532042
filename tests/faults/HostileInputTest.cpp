#include "FaultRun.h"
#include "QtPrinters.h"
#include "ScriptedHttp.h"
#include "TempDatabase.h"

#include "store/Schema.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kQuick = 5000ms;

// The first line of the local password file, the thing a page must never
// turn into.
QByteArray passwdLine()
{
    QFile f(QStringLiteral("/etc/passwd"));
    if (!f.open(QIODevice::ReadOnly))
        return "root:x:0:0:";
    return f.readLine().trimmed();
}

void expectNoLocalFileAnywhere(const FaultRun& r)
{
    const QByteArray secret = passwdLine();
    ASSERT_FALSE(secret.isEmpty());
    for (const ReceivedMail& m : r.h.mails())
        EXPECT_FALSE(m.data.contains(secret));
    EXPECT_FALSE(r.h.scratchFile().contains(secret));
    for (qint64 key : {r.before, r.tested, r.after})
        EXPECT_FALSE(r.h.column(key, QStringLiteral("Content")).textOrEmpty().contains(QString::fromLatin1(secret)));
}

// The six headers of every alert, in their order.
const QStringList kHeaderNames = {QStringLiteral("To"),           QStringLiteral("Subject"),
                                  QStringLiteral("Message-Id"),   QStringLiteral("Content-Type"),
                                  QStringLiteral("Content-Length"), QStringLiteral("From")};

QStringList headerNames(const ReceivedMail& m)
{
    QStringList names;
    for (const auto& [name, value] : m.headers())
        names << name;
    return names;
}

} // namespace

TEST(HostileInput, WatchEntryNamingALocalFileIsAPageFault)
{
    for (const char* address :
         {"file:///etc/passwd", "FILE:///etc/passwd", "file:/etc/passwd", "  file:///etc/passwd"}) {
        SCOPED_TRACE(address);
        FaultRun r;
        const QString url = QLatin1String(address);
        ASSERT_TRUE(r.run(url));
        expectPageFault(r, url, QStringLiteral(" 9002 : Only http and https addresses can be fetched."), kQuick);
        expectNoLocalFileAnywhere(r);
    }
}

TEST(HostileInput, RedirectToAnotherSchemeIsAPageFault)
{
    ScriptedHttp http;
    http.on("/to-file", ScriptedHttp::response("HTTP/1.1 302 Found",
                                               {"Location: file:///etc/passwd", "Content-Length: 0"}, ""));
    http.on("/to-ftp", ScriptedHttp::response("HTTP/1.1 301 Moved Permanently",
                                              {"Location: ftp://127.0.0.1:1/etc/passwd", "Content-Length: 0"}, ""));
    for (const char* path : {"/to-file", "/to-ftp"}) {
        SCOPED_TRACE(path);
        FaultRun r;
        const QString url = http.url(QLatin1String(path));
        ASSERT_TRUE(r.run(url));
        expectPageFault(r, url, QStringLiteral(" 10001 : Unsupported protocol"), kQuick);
        expectNoLocalFileAnywhere(r);
    }
}

TEST(HostileInput, LineBreakInEMailCannotAddARecipient)
{
    for (const char* tail : {"' || char(13, 10) || 'RCPT TO:<intruder@evil.test>'",
                             "' || char(10) || 'Bcc: intruder@evil.test'", "' || char(13) || 'x'"}) {
        SCOPED_TRACE(tail);
        CycleHarness h;
        h.pages.set(QStringLiteral("/p"), "<p>page</p>");
        const qint64 key = h.entry(h.pages.url(QStringLiteral("/p")), QStringLiteral("W"),
                                   QStringLiteral("EMail = 'watcher@example.test") + QLatin1String(tail));
        ASSERT_TRUE(h.load());
        h.tick();
        // refused before the server was even greeted
        EXPECT_EQ(h.smtp.greetings(), 0);
        EXPECT_TRUE(h.mails().empty());
        ASSERT_EQ(h.messages.shown.size(), 1u);
        EXPECT_EQ(h.messages.shown[0].first, QStringLiteral("Cannot Send EMail"));
        EXPECT_EQ(h.messages.shown[0].second, QStringLiteral("Cannot send EMail message :  0 : "));
        // the change itself was stored and the cycle ended as usual
        EXPECT_EQ(h.column(key, QStringLiteral("Content")), Value("<p>page</p>"));
        EXPECT_TRUE(h.view.timerOn);
    }
}

TEST(HostileInput, LineBreakInSubjectCannotAddAHeaderOrABody)
{
    CycleHarness h;
    h.pages.set(QStringLiteral("/p"), "<p>page</p>");
    const QString url = h.pages.url(QStringLiteral("/p"));
    h.entry(url, QStringLiteral("W"),
            QStringLiteral("Subject = 'Weekly' || char(13, 10) || 'Bcc: intruder@evil.test' || char(13, 10, 13, 10) "
                           "|| 'forged body'"));
    ASSERT_TRUE(h.load());
    h.tick();
    const auto mails = h.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].rcptTos, QStringList{QStringLiteral("watcher@example.test")});
    EXPECT_EQ(headerNames(mails[0]), kHeaderNames);
    // each CR and each LF became a blank: one header line
    EXPECT_EQ(header(mails[0], QStringLiteral("Subject")),
              QStringLiteral("Whole page changed : Weekly  Bcc: intruder@evil.test    forged body"));
    EXPECT_EQ(QString::fromUtf8(mails[0].body()),
              QStringLiteral("The following URL has changed or a table change alert has been triggered : ") + url
                  + QStringLiteral("\r\n"));
    EXPECT_TRUE(h.messages.shown.empty());
}

TEST(HostileInput, SmtpCommandsInTheUrlStayInTheBody)
{
    // The address lands in the page-fault body: a line holding a lone dot
    // there must not end the message and start a conversation of its own.
    CycleHarness h;
    const QString smuggled = QStringLiteral("\r\n.\r\nMAIL FROM:<evil@evil.test>\r\nRCPT TO:<intruder@evil.test>\r\n"
                                            "DATA\r\nSubject: forged\r\n\r\nforged\r\n.\r\nQUIT");
    const QString url = QStringLiteral("http://127.0.0.1:1/x") + smuggled;
    h.entry(QStringLiteral("x"), QStringLiteral("W"));
    h.db.exec(QStringLiteral("UPDATE URLs SET URL = 'http://127.0.0.1:1/x' || char(13, 10) || '.' || char(13, 10) || "
                             "'MAIL FROM:<evil@evil.test>' || char(13, 10) || 'RCPT TO:<intruder@evil.test>' || "
                             "char(13, 10) || 'DATA' || char(13, 10) || 'Subject: forged' || char(13, 10, 13, 10) || "
                             "'forged' || char(13, 10) || '.' || char(13, 10) || 'QUIT'"));
    ASSERT_TRUE(h.load());
    h.tick();
    const auto mails = h.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].rcptTos, QStringList{QStringLiteral("watcher@example.test")});
    EXPECT_EQ(mails[0].mailFrom.startsWith(QStringLiteral("orvane@")), true);
    EXPECT_EQ(headerNames(mails[0]), kHeaderNames);
    EXPECT_EQ(header(mails[0], QStringLiteral("Subject")), QStringLiteral("Page fault : Weekly"));
    // a line break inside an address is malformed
    EXPECT_EQ(QString::fromUtf8(mails[0].body()),
              QStringLiteral("The following URL cannot be accessed : ") + url
                  + QStringLiteral("\r\n\r\n 10003 : URL using bad/illegal format or missing URL\r\n"));
    EXPECT_EQ(h.smtp.greetings(), 1);
}

TEST(HostileInput, QuoteInAUrlKeyNeverBreaksTheFind)
{
    // What the URL window does after a pick: the line's first column, padded
    // to the declared width of "URL", between two single quotes unescaped.
    TempDatabase db;
    const QString urls[] = {
        QStringLiteral("http://a.test/plain"),
        QStringLiteral("http://a.test/o'brien?q='x'"),
        QStringLiteral("http://a.test/'"),
        QStringLiteral("' OR '1'='1"),
        QStringLiteral("x'; DROP TABLE URLs; --"),
        QStringLiteral("http://a.test/it's%20'  '"),
        // exactly as wide as the column: no padding at all
        QStringLiteral("http://a.test/") + QString(Schema::kUrlSize - 15, QLatin1Char('w')) + QLatin1Char('\''),
    };
    std::map<QString, qint64> keys;
    for (const QString& url : urls)
        keys[url] = db.addEntry(url);

    Database connection = db.open();
    auto list = connection.openRecordset(QStringLiteral("Select URL, Subject from URLs order by URL"));
    ASSERT_TRUE(list.ok());
    const int width = list.value().field(0).size;
    ASSERT_EQ(width, Schema::kUrlSize);
    auto binding = connection.openRecordset(QStringLiteral("URLs"));
    ASSERT_TRUE(binding.ok());
    int visited = 0;
    for (Recordset& line = list.value(); !line.eof(); line.moveNext()) {
        const QString url = line.value(0).value().textOrEmpty();
        SCOPED_TRACE(url.toStdString());
        const QString key = url.leftJustified(width, QLatin1Char(' '), true);
        ASSERT_TRUE(binding.value().moveFirst().ok());
        const Status found = binding.value().findFirst(QStringLiteral("URL = '") + key + QStringLiteral("'"));
        ASSERT_TRUE(found.ok()) << found.failure().description.toStdString();
        EXPECT_FALSE(binding.value().noMatch());
        EXPECT_EQ(binding.value().bookmark(), keys[url]);
        EXPECT_EQ(binding.value().value(QStringLiteral("URL")).value(), Value(url));
        ++visited;
    }
    EXPECT_EQ(visited, static_cast<int>(std::size(urls)));
    // nothing was dropped or changed on the way
    auto count = connection.openRecordset(QStringLiteral("URLs"));
    EXPECT_EQ(count.value().recordCount(), static_cast<int>(std::size(urls)));
}
