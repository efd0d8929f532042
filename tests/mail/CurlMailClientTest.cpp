#include "QtPrinters.h"
#include "SmtpTestServer.h"

#include "platform/CurlMailClient.h"
#include "platform/ErrorCode.h"

#include <QSysInfo>

#include <gtest/gtest.h>

#include <curl/curl.h>

#include <chrono>

using namespace orvane;
using namespace std::chrono_literals;
using orvane::test::SmtpTestServer;

namespace {

constexpr int kBadAddress = static_cast<int>(ErrorCode::MailBadAddress);
constexpr int kBadPort = static_cast<int>(ErrorCode::MailBadPort);

void pointAt(CurlMailClient& client, quint16 port)
{
    client.setServer(QStringLiteral("127.0.0.1"));
    client.setPort(port);
}

} // namespace

TEST(CurlMailClientMessage, HeadersInOrderThenBlankLineThenBodyWithCrLf)
{
    CurlMailClient client;
    client.addHeader(QStringLiteral("To"), QStringLiteral("a@b.test"));
    client.addHeader(QStringLiteral("Subject"), QStringLiteral("caf\u00e9"));
    client.addHeader(QStringLiteral("From"), QStringLiteral("Sentrel"));
    EXPECT_EQ(client.message(QStringLiteral("one\ntwo\rthree\r\nfour\n\nfive")),
              QByteArray("To: a@b.test\r\nSubject: caf\xc3\xa9\r\nFrom: Sentrel\r\n\r\n"
                         "one\r\ntwo\r\nthree\r\nfour\r\n\r\nfive"));
}

TEST(CurlMailClientMessage, LineBreaksInHeaderValuesBecomeBlanks)
{
    CurlMailClient client;
    client.addHeader(QStringLiteral("Subject"), QStringLiteral("Weekly\r\nBcc: x@evil.test\nY: z\r"));
    EXPECT_EQ(client.message(QString()), QByteArray("Subject: Weekly  Bcc: x@evil.test Y: z \r\n\r\n"));
}

TEST(CurlMailClientSend, DeliversEnvelopeAndMessageAsBuilt)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start());
    CurlMailClient client;
    pointAt(client, server.port());
    client.addHeader(QStringLiteral("To"), QStringLiteral("  someone@example.test "));
    client.addHeader(QStringLiteral("Subject"), QStringLiteral("Test"));
    // Lines that start with a dot, and one that is a dot alone, must reach
    // the server as they are and not end the message early.
    const QString body = QStringLiteral(".\n..two dots\n.end\nQUIT\nlast");
    client.send(body);
    EXPECT_EQ(client.status(), 0);

    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 1u);
    const QString host = QSysInfo::machineHostName().isEmpty() ? QStringLiteral("localhost")
                                                               : QSysInfo::machineHostName();
    EXPECT_EQ(mails[0].mailFrom, QStringLiteral("orvane@") + host);
    EXPECT_EQ(mails[0].helo, host);
    EXPECT_EQ(mails[0].rcptTos, QStringList{QStringLiteral("someone@example.test")});
    EXPECT_EQ(mails[0].data, QByteArray("To:   someone@example.test \r\nSubject: Test\r\n\r\n"
                                        ".\r\n..two dots\r\n.end\r\nQUIT\r\nlast\r\n"));
}

TEST(CurlMailClientSend, StatusFollowsTheLastSend)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start());
    CurlMailClient client;
    pointAt(client, server.port());
    client.addHeader(QStringLiteral("To"), QString());
    client.send(QStringLiteral("x"));
    EXPECT_EQ(client.status(), kBadAddress);

    client.clearHeaders();
    client.addHeader(QStringLiteral("To"), QStringLiteral("a@b.test"));
    client.send(QStringLiteral("x"));
    EXPECT_EQ(client.status(), 0);
    client.send(QStringLiteral("y"));
    EXPECT_EQ(client.status(), 0);
    EXPECT_EQ(server.messages().size(), 2u);
}

TEST(CurlMailClientSend, RecipientWithLineBreakOrNoneNeverReachesTheServer)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start());
    const QString recipients[] = {
        QStringLiteral("a@b.test\r\nRCPT TO:<intruder@evil.test>"),
        QStringLiteral("a@b.test\nx"),
        QStringLiteral("a@b.test\r"),
        QStringLiteral("   "),
    };
    for (const QString& to : recipients) {
        SCOPED_TRACE(to.toStdString());
        CurlMailClient client;
        pointAt(client, server.port());
        client.addHeader(QStringLiteral("To"), to);
        client.send(QStringLiteral("x"));
        EXPECT_EQ(client.status(), kBadAddress);
    }
    CurlMailClient withoutTo;
    pointAt(withoutTo, server.port());
    withoutTo.addHeader(QStringLiteral("Subject"), QStringLiteral("s"));
    withoutTo.send(QStringLiteral("x"));
    EXPECT_EQ(withoutTo.status(), kBadAddress);

    EXPECT_EQ(server.greetings(), 0);
    EXPECT_TRUE(server.messages().empty());
}

TEST(CurlMailClientSend, PortOutsideTheTcpRangeFails)
{
    for (const qint32 port : {0, -25, 65536}) {
        SCOPED_TRACE(port);
        CurlMailClient client;
        client.setServer(QStringLiteral("127.0.0.1"));
        client.setPort(port);
        client.addHeader(QStringLiteral("To"), QStringLiteral("a@b.test"));
        client.send(QStringLiteral("x"));
        EXPECT_EQ(client.status(), kBadPort);
    }
}

TEST(CurlMailClientSend, FailuresGiveTheTransferErrorNumber)
{
    // Nothing listens: the connection is refused at once.
    CurlMailClient client;
    pointAt(client, SmtpTestServer::freePort());
    client.addHeader(QStringLiteral("To"), QStringLiteral("a@b.test"));
    client.send(QStringLiteral("x"));
    EXPECT_EQ(client.status(), 10000 + CURLE_COULDNT_CONNECT);

    // The recipient is refused: non-zero, and nothing is taken.
    SmtpTestServer refusing(SmtpTestServer::Mode::RefuseRecipient);
    ASSERT_TRUE(refusing.start());
    pointAt(client, refusing.port());
    client.send(QStringLiteral("x"));
    EXPECT_NE(client.status(), 0);
    EXPECT_EQ(refusing.greetings(), 1);
    EXPECT_TRUE(refusing.messages().empty());

    // A server name that is none, or that would carry a path, makes no
    // address to connect to.
    for (const QString& server : {QString(), QStringLiteral("mail.test/evil"), QStringLiteral("mail.test\r\nX")}) {
        SCOPED_TRACE(server.toStdString());
        client.setServer(server);
        client.send(QStringLiteral("x"));
        EXPECT_EQ(client.status(), 10000 + CURLE_URL_MALFORMAT);
    }
}

TEST(CurlMailClientSend, SilentServerEndsInTheTransferTimeOut)
{
    SmtpTestServer silent(SmtpTestServer::Mode::Silent);
    ASSERT_TRUE(silent.start());
    CurlMailClient client(1000ms, 1000ms);
    pointAt(client, silent.port());
    client.addHeader(QStringLiteral("To"), QStringLiteral("a@b.test"));
    client.send(QStringLiteral("x"));
    EXPECT_EQ(client.status(), 10000 + CURLE_OPERATION_TIMEDOUT);
}
