#include "QtPrinters.h"
#include "SmtpTestServer.h"

#include "platform/CurlMailClient.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvane;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using test::SmtpTestServer;
using Mode = SmtpTestServer::Mode;
using Tls = SmtpTestServer::Tls;

namespace {

constexpr int t = 10000; // the client's number of a transfer error: this plus libcurl's code
const QString kNoNetrc = u"/nonexistent/netrc"_s;

// Lines of one dot, and a lone CR, are what the wire must not take as they are.
int mail(CurlMailClient& client, qint32 port, const QString& to = u"bob@example.test"_s,
         const QString& subject = u"Test"_s)
{
    client.setServer(u"127.0.0.1"_s);
    client.setPort(port);
    client.clearHeaders();
    client.addHeader(u"To"_s, to);
    client.addHeader(u"Subject"_s, subject);
    client.send(u".\n..2\r.\r\n"_s);
    return client.status();
}

} // namespace

// The login from a netrc file, the TLS policy and servers that misbehave.
TEST(CurlMailClient, LoginTlsAndServerFaults)
{
    const struct {
        const char* what;
        Mode mode;
        Tls tls;
        bool loginRequired;   // by the server, as alice:secret
        qint32 port;          // as the settings give it; 0: the server's own
        const char* password; // on the netrc line for 127.0.0.1; none: no line
        bool loose, trusted;  // the netrc readable by others; the certificate trusted
        int status;
    } rows[] = {
        {"netrc login over STARTTLS", Mode::Accept, Tls::StartTls, true, 0, "secret", false, true, 0},
        {"wrong password", Mode::Accept, Tls::StartTls, true, 0, "nope", false, true, t + CURLE_LOGIN_DENIED},
        {"no STARTTLS, no password", Mode::Accept, Tls::None, true, 0, "secret", false, true, t + CURLE_USE_SSL_FAILED},
        {"587 wants STARTTLS", Mode::Accept, Tls::None, false, 587, nullptr, false, true, t + CURLE_USE_SSL_FAILED},
        {"465: TLS from the start", Mode::Accept, Tls::Implicit, false, 465, nullptr, false, true, 0},
        {"untrusted", Mode::Accept, Tls::StartTls, true, 0, "secret", false, false, t + CURLE_PEER_FAILED_VERIFICATION},
        {"relay's own certificate", Mode::Accept, Tls::StartTls, false, 0, nullptr, false, false, 0},
        {"loose netrc", Mode::Accept, Tls::StartTls, true, 0, "secret", true, true, 9103},
        {"421 greeting", Mode::Greeting421, Tls::None, false, 0, nullptr, false, true, t + CURLE_WEIRD_SERVER_REPLY},
        {"recipient refused", Mode::RefuseRecipient, Tls::None, false, 0, nullptr, false, true, t + CURLE_SEND_ERROR},
        {"dropped at DATA", Mode::DropAfterData, Tls::None, false, 0, nullptr, false, true, t + CURLE_RECV_ERROR},
        {"cut after mail", Mode::DropAfterMessage, Tls::None, false, 0, nullptr, false, true, t + CURLE_RECV_ERROR},
        {"never answers", Mode::Silent, Tls::None, false, 0, nullptr, false, true, t + CURLE_OPERATION_TIMEDOUT},
        {"fake STARTTLS", Mode::FakeStartTls, Tls::None, false, 0, nullptr, false, true, t + CURLE_SSL_CONNECT_ERROR},
        {"no goodbye after the mail", Mode::SilentAtQuit, Tls::None, false, 0, nullptr, false, true, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        SmtpTestServer server({r.mode, r.tls, r.loginRequired ? u"alice:secret"_s : QString()});
        ASSERT_TRUE(server.start());
        QTemporaryDir home;
        QFile netrc(home.filePath(u"netrc"_s));
        ASSERT_TRUE(netrc.open(QIODevice::WriteOnly));
        netrc.write(r.password ? "machine 127.0.0.1 login alice password " + QByteArray(r.password) : "");
        netrc.close();
        ASSERT_TRUE(netrc.setPermissions(QFile::ReadOwner | QFile::WriteOwner
                                         | (r.loose ? QFile::ReadOther : QFile::ReadOwner)));
        const qint32 port = r.port ? r.port : server.port();
        CurlMailClient client({.transferTimeout = r.mode == Mode::Silent || r.mode == Mode::SilentAtQuit ? 3s : 30s,
                               .netrcFile = netrc.fileName(),
                               .caFile = r.trusted ? server.certificateFile() : QString(),
                               .connectTo = {u"127.0.0.1:%1:127.0.0.1:%2"_s.arg(port).arg(server.port())}});
        EXPECT_EQ(mail(client, port), r.status) << client.statusText().toStdString();
        const auto quitting = std::chrono::steady_clock::now();
        client.endSession();
        EXPECT_LT(std::chrono::steady_clock::now() - quitting, 60s); // an unanswered QUIT is not waited out
        EXPECT_EQ(server.messageCount(), r.status == 0 && r.mode == Mode::Accept ? 1 : 0);
    }
    CurlMailClient client({.netrcFile = kNoNetrc});
    EXPECT_EQ(mail(client, SmtpTestServer::freePort()), t + CURLE_COULDNT_CONNECT);
    // A line break in the address could add a recipient: nothing is sent.
    EXPECT_EQ(mail(client, SmtpTestServer::freePort(), u"bob@example.test\r\nRCPT TO:<x@evil.test>"_s), 9102);
}

TEST(CurlMailClient, OneConnectionPerSessionOneRetryAndTheWireForm)
{
    SmtpTestServer server(Mode::BusyOnce); // 421 to the second MAIL, on the kept connection
    ASSERT_TRUE(server.start());
    CurlMailClient client({.netrcFile = kNoNetrc});
    // CR and LF become blanks; not ASCII: encoded words of 45 bytes at most, no character split.
    const std::pair<QString, QByteArray> subjects[] = {
        {u"Weekly\r\nBcc: x@evil.test\n"_s, "Weekly  Bcc: x@evil.test "},
        {u"Caf\u00e9\r\nBcc: x"_s, "=?UTF-8?B?Q2Fmw6kgIEJjYzogeA==?="},
        {QString(24, QChar(0xE9)),
         "=?UTF-8?B?w6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6k=?=\r\n =?UTF-8?B?w6nDqQ==?="},
    };
    for (const auto& [subject, wire] : subjects)
        EXPECT_EQ(mail(client, server.port(), u"  bob@b\u00fccher.test "_s, subject), 0);
    // A refusal for good is not asked again on a fresh connection.
    EXPECT_EQ(mail(client, server.port(), u"refused@example.test"_s), t + CURLE_SEND_ERROR);
    client.endSession();
    EXPECT_EQ(mail(client, server.port()), 0);
    client.endSession();
    EXPECT_EQ(server.greetings(), 3); // the session's, the retry's, the next session's

    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(mails[i].rcptTos, QStringList {u"bob@xn--bcher-kva.test"_s});
        EXPECT_EQ(mails[i].data,
                  "To:   bob@xn--bcher-kva.test \r\nSubject: " + subjects[i].second + "\r\n\r\n.\r\n..2\r\n.\r\n");
    }
}
