#include "QtPrinters.h"
#include "SmtpTestServer.h"

#include "platform/CurlMailClient.h"

#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvane;
using namespace std::chrono_literals;
using test::SmtpTestServer;
using Mode = SmtpTestServer::Mode;
using Tls = SmtpTestServer::Tls;

namespace {

// The client's numbers: the transfer library's code above 10000, or its own.
constexpr int kTransfer = 10000;
constexpr int kNetrcUnsafe = 9103;
constexpr int kBadAddress = 9102;

void address(CurlMailClient& client, quint16 port, const QString& to = QStringLiteral("bob@example.test"))
{
    client.setServer(QStringLiteral("127.0.0.1"));
    client.setPort(port);
    client.clearHeaders();
    client.addHeader(QStringLiteral("To"), to);
    client.addHeader(QStringLiteral("Subject"), QStringLiteral("Test"));
}

} // namespace

TEST(CurlMailClient, LoginFromNetrcAndTlsPolicy)
{
    const char* const kGood = "machine 127.0.0.1 login alice password secret\n";
    const struct {
        const char* what;
        Tls tls;
        const char* serverLogin;
        qint32 port; // as set in the Properties window; 0: the server's own
        const char* netrc;
        QFile::Permissions mode;
        bool trusted;
        int status;
        int logins; // AUTH attempts the server saw
    } rows[] = {
        {"netrc login over STARTTLS", Tls::StartTls, "alice:secret", 0, kGood, QFile::ReadOwner, true, 0, 1},
        {"wrong password", Tls::StartTls, "alice:secret", 0, "machine 127.0.0.1 login alice password nope\n",
         QFile::ReadOwner, true, kTransfer + CURLE_LOGIN_DENIED, 1},
        {"no STARTTLS: the password stays home", Tls::None, "alice:secret", 0, kGood, QFile::ReadOwner, true,
         kTransfer + CURLE_USE_SSL_FAILED, 0},
        {"587 needs STARTTLS even without a login", Tls::None, "", 587, "machine other.test login a password b\n",
         QFile::ReadOwner, true, kTransfer + CURLE_USE_SSL_FAILED, 0},
        {"465: TLS from the first byte", Tls::Implicit, "", 465, "", QFile::ReadOwner, true, 0, 0},
        {"untrusted certificate with a login", Tls::StartTls, "alice:secret", 0, kGood, QFile::ReadOwner, false,
         kTransfer + CURLE_PEER_FAILED_VERIFICATION, 0},
        {"relay's self-signed STARTTLS, no login", Tls::StartTls, "", 0, "", QFile::ReadOwner, false, 0, 0},
        {"netrc readable by others", Tls::StartTls, "alice:secret", 0, kGood,
         QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther, true, kNetrcUnsafe, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SmtpTestServer server({.tls = row.tls, .login = QString::fromLatin1(row.serverLogin)});
        ASSERT_TRUE(server.start());
        QTemporaryDir home;
        QFile netrc(home.filePath(QStringLiteral("netrc")));
        ASSERT_TRUE(netrc.open(QIODevice::WriteOnly) && netrc.write(row.netrc) >= 0);
        netrc.close();
        ASSERT_TRUE(netrc.setPermissions(row.mode | QFile::WriteOwner));
        const qint32 port = row.port ? row.port : server.port();
        CurlMailClient client(
            {.connectTimeout = 10s,
             .transferTimeout = 20s,
             .netrcFile = netrc.fileName(),
             .caFile = row.trusted ? server.certificateFile() : QString(),
             .connectTo = {QStringLiteral("127.0.0.1:%1:127.0.0.1:%2").arg(port).arg(server.port())}});
        address(client, static_cast<quint16>(port));
        client.send(QStringLiteral("hello"));
        client.endSession();
        EXPECT_EQ(client.status(), row.status) << client.statusText().toStdString();
        EXPECT_EQ(server.messageCount(), row.status == 0 ? 1 : 0);
        EXPECT_EQ(server.logins().size(), row.logins);
        EXPECT_FALSE(client.statusText().contains(QLatin1String("secret")));
    }
}

TEST(CurlMailClient, ServerFaults)
{
    const struct {
        std::optional<Mode> mode; // none: nothing listens
        int status;
    } rows[] = {
        {std::nullopt, kTransfer + CURLE_COULDNT_CONNECT},
        {Mode::Greeting421, kTransfer + CURLE_WEIRD_SERVER_REPLY},
        {Mode::RefuseRecipient, kTransfer + CURLE_SEND_ERROR},
        {Mode::DropAfterData, kTransfer + CURLE_RECV_ERROR},
        {Mode::DropAfterMessage, kTransfer + CURLE_RECV_ERROR},
        {Mode::Silent, kTransfer + CURLE_OPERATION_TIMEDOUT},
        {Mode::FakeStartTls, kTransfer + CURLE_SSL_CONNECT_ERROR},
        {Mode::SilentAtQuit, 0}, // the mail was taken; a missing goodbye is no matter
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        SmtpTestServer server(row.mode.value_or(Mode::Accept));
        ASSERT_TRUE(!row.mode || server.start());
        CurlMailClient client(
            {.connectTimeout = 3s, .transferTimeout = 3s, .netrcFile = QStringLiteral("/nonexistent")});
        address(client, row.mode ? server.port() : SmtpTestServer::freePort());
        client.send(QStringLiteral("hello"));
        const auto started = std::chrono::steady_clock::now();
        client.endSession();
        EXPECT_EQ(client.status(), row.status);
        // Not a timing test: only that an unanswered QUIT is not waited out for minutes.
        EXPECT_LT(std::chrono::steady_clock::now() - started, 60s);
    }
}

TEST(CurlMailClient, OneConnectionPerSessionAndOneRetryOnAFreshOne)
{
    // The second MAIL the server sees gets 421, on the kept connection.
    SmtpTestServer server(Mode::BusyOnce);
    ASSERT_TRUE(server.start());
    CurlMailClient client({.netrcFile = QStringLiteral("/nonexistent")});
    address(client, server.port(), QStringLiteral("  bob@b\u00fccher.test "));
    client.send(QStringLiteral(".\n..two dots\r.end\r\nlast"));
    EXPECT_EQ(client.status(), 0);
    for (int i = 0; i < 2; ++i) {
        client.send(QStringLiteral("again"));
        EXPECT_EQ(client.status(), 0);
    }
    client.endSession();
    client.send(QStringLiteral("next cycle"));
    EXPECT_EQ(client.status(), 0);
    client.endSession();
    // One connection, a fresh one for the retry, and one after the session ended.
    EXPECT_EQ(server.greetings(), 3);

    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 4u);
    const QString host = QSysInfo::machineHostName().isEmpty() ? QStringLiteral("localhost")
                                                               : QSysInfo::machineHostName();
    EXPECT_EQ(mails[0].mailFrom, QStringLiteral("orvane@") + host);
    EXPECT_EQ(mails[0].helo, host);
    EXPECT_EQ(mails[0].rcptTos, QStringList {QStringLiteral("bob@xn--bcher-kva.test")});
    EXPECT_EQ(mails[0].data,
              QByteArray("To:   bob@xn--bcher-kva.test \r\nSubject: Test\r\n\r\n"
                         ".\r\n..two dots\r\n.end\r\nlast\r\n"));
}

TEST(CurlMailClient, HeadersGoOnTheWireInAsciiOnOneLineEach)
{
    const QString e22(22, QChar(0xE9));
    const struct {
        QString subject;
        QByteArray wire;
    } rows[] = {
        {QStringLiteral("Weekly\r\nBcc: intruder@evil.test\n"), "Weekly  Bcc: intruder@evil.test "},
        {QStringLiteral("Caf\u00e9\r\nBcc: x"), "=?UTF-8?B?Q2Fmw6kgIEJjYzogeA==?="},
        // 45 bytes a word at most, a character never split: 44 and 4 bytes
        {e22 + QStringLiteral("\u00e9\u00e9"),
         "=?UTF-8?B?w6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6k=?=\r\n =?UTF-8?B?w6nDqQ==?="},
    };
    for (const auto& row : rows) {
        CurlMailClient client;
        client.addHeader(QStringLiteral("Subject"), row.subject);
        EXPECT_EQ(client.message(QStringLiteral("x")), "Subject: " + row.wire + "\r\n\r\nx");
    }
    // A line break in the address could add a recipient: nothing is sent.
    CurlMailClient client({.netrcFile = QStringLiteral("/nonexistent")});
    address(client, SmtpTestServer::freePort(), QStringLiteral("bob@example.test\r\nRCPT TO:<intruder@evil.test>"));
    client.send(QStringLiteral("x"));
    EXPECT_EQ(client.status(), kBadAddress);
}
