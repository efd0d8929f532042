#include "Fakes.h"
#include "QtPrinters.h"
#include "SmtpTestServer.h"

#include "net/CurlMailClient.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvane;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using test::FixedClock;
using test::SmtpTestServer;
using Mode = SmtpTestServer::Mode;
using Tls = SmtpTestServer::Tls;

namespace {

constexpr int t = 10000; // the client's number of a transfer error: this plus libcurl's code
const QString kNoNetrc = u"/nonexistent/netrc"_s;

using Headers = std::vector<std::pair<QString, QString>>;

// Lines of one dot, and a lone CR, are what the wire must not take as they are.
// The failure's number is 0 when the mail went.
Failure mail(CurlMailClient& client, qint32 port, const Headers& headers, const QString& body = u".\n..2\r.\r\n"_s)
{
    const Status sent = client.send({u"127.0.0.1"_s, port, headers, body});
    return sent.ok() ? Failure() : sent.failure();
}

Failure mail(CurlMailClient& client, qint32 port, const QString& to = u"bob@example.test"_s,
             const QString& subject = u"Test"_s)
{
    return mail(client, port, {{u"To"_s, to}, {u"Subject"_s, subject}});
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
        {"wrong password", Mode::Accept, Tls::StartTls, true, 0, "nope", false, true, t + CURLE_LOGIN_DENIED},
        {"no STARTTLS, no password", Mode::Accept, Tls::None, true, 0, "secret", false, true, t + CURLE_USE_SSL_FAILED},
        {"587 wants STARTTLS", Mode::Accept, Tls::None, false, 587, nullptr, false, true, t + CURLE_USE_SSL_FAILED},
        {"465: TLS from the start", Mode::Accept, Tls::Implicit, false, 465, nullptr, false, true, 0},
        {"465 untrusted", Mode::Accept, Tls::Implicit, false, 465, nullptr, false, false,
         t + CURLE_PEER_FAILED_VERIFICATION},
        {"587 untrusted", Mode::Accept, Tls::StartTls, false, 587, nullptr, false, false,
         t + CURLE_PEER_FAILED_VERIFICATION},
        {"untrusted", Mode::Accept, Tls::StartTls, true, 0, "secret", false, false, t + CURLE_PEER_FAILED_VERIFICATION},
        {"relay's own certificate", Mode::Accept, Tls::StartTls, false, 0, nullptr, false, false, 0},
        {"loose netrc", Mode::Accept, Tls::StartTls, true, 0, "secret", true, true, 9103},
        {"421 greeting", Mode::Greeting421, Tls::None, false, 0, nullptr, false, true, t + CURLE_WEIRD_SERVER_REPLY},
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
        const QString netrc = test::netrcFile(
            home, r.password ? "machine 127.0.0.1 login alice password " + QByteArray(r.password) : "",
            r.loose ? QFile::ReadOther : QFile::Permissions());
        const qint32 port = r.port ? r.port : server.port();
        CurlMailClient client({.transferTimeout = r.mode == Mode::Silent || r.mode == Mode::SilentAtQuit ? 3s : 30s,
                               .netrcFile = netrc,
                               .caFile = r.trusted ? server.certificateFile() : QString(),
                               .connectTo = {u"127.0.0.1:%1:127.0.0.1:%2"_s.arg(port).arg(server.port())}});
        const Failure got = mail(client, port);
        EXPECT_EQ(got.number, r.status) << got.description.toStdString();
        const auto quitting = std::chrono::steady_clock::now();
        client.endSession();
        EXPECT_LT(std::chrono::steady_clock::now() - quitting, 60s); // an unanswered QUIT is not waited out
        EXPECT_EQ(server.messageCount(), r.status == 0 && r.mode == Mode::Accept ? 1 : 0);
    }
    CurlMailClient client({.netrcFile = kNoNetrc});
    EXPECT_EQ(mail(client, SmtpTestServer::freePort()).number, t + CURLE_COULDNT_CONNECT);
    // A line break in the address could add a recipient, a list with an empty place is
    // no list: nothing is sent, not even a connection tried.
    for (const QString& to : {u"bob@example.test\r\nRCPT TO:<x@evil.test>"_s, u"a@example.test,,b@example.test"_s})
        EXPECT_EQ(mail(client, SmtpTestServer::freePort(), to).number, 9102);
}

TEST(CurlMailClient, OneConnectionPerSessionOneRetryAndTheWireForm)
{
    SmtpTestServer server(Mode::BusyOnce); // 421 to the second MAIL, on the kept connection
    ASSERT_TRUE(server.start());
    const FixedClock clock(QDateTime(QDate(2026, 12, 4), QTime(14, 30, 5), Qt::OffsetFromUTC, 3600));
    CurlMailClient client({.netrcFile = kNoNetrc, .hostName = u"vm"_s, .userName = u"jane"_s, .clock = &clock});
    // CR and LF become blanks; not ASCII: encoded words, no character split.
    const QByteArray e6 = "w6nDqcOp"; // base64 of six bytes: three é
    const std::pair<QString, QByteArray> subjects[] = {
        {u"Weekly\r\nBcc: x@evil.test\n"_s, "Weekly  Bcc: x@evil.test "},
        {u"Caf\u00e9\r\nBcc: x"_s, "=?UTF-8?B?Q2Fmw6kgIEJjYzogeA==?="},
        {QString(24, QChar(0xE9)),
         "=?UTF-8?B?" + e6.repeated(6) + "w6k=?=\r\n =?UTF-8?B?" + e6 + "w6nDqQ==?="}, // 19 é, then 5
        {u" abcdefghi"_s.repeated(20).mid(1),
         "abcdefghi" + QByteArray(" abcdefghi").repeated(6) + "\r\n" + QByteArray(" abcdefghi").repeated(7) + "\r\n"
             + QByteArray(" abcdefghi").repeated(6)},
    };
    for (const auto& [subject, wire] : subjects)
        EXPECT_EQ(mail(client, server.port(), u"  bob@b\u00fccher.test "_s, subject).number, 0);
    // A refusal for good is not asked again on a fresh connection.
    EXPECT_EQ(mail(client, server.port(), u"refused@example.test"_s).number, t + CURLE_SEND_ERROR);
    client.endSession();
    EXPECT_EQ(mail(client, server.port()).number, 0);
    client.endSession();
    EXPECT_EQ(server.greetings(), 3); // the session's, the retry's, the next session's

    const auto mails = server.messages();
    ASSERT_EQ(mails.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mails[i].rcptTos, QStringList {u"bob@xn--bcher-kva.test"_s});
        EXPECT_EQ(mails[i].data,
                  "To:   bob@xn--bcher-kva.test \r\nSubject: " + subjects[i].second
                      + "\r\nDate: Fri, 04 Dec 2026 14:30:05 +0100\r\nMIME-Version: 1.0\r\n\r\n"
                        ".\r\n..2\r\n.\r\n");
    }
}

// The machine's names as a test gives them: the canonical name only for its
// own host name.
struct NamedMachine final : HostResolver {
    NamedMachine(const char* host, const char* canonical) : host(host), canonical(canonical) { }
    QString hostName() const override { return host; }
    QString canonicalName(const QString& name) const override { return name == host ? canonical : QString(); }
    QString host, canonical;
};

// The sender belongs to the login when the login is an address, else it is
// the user at this host; the greeting and the Message-Id name the host by
// its fully qualified name, the resolver's canonical one when the host name
// has no domain, else the bare name. A strict RFC 5322 parser finds nothing
// wrong and reads every value intact.
TEST(CurlMailClient, SenderGreetingAndAStandardMessage)
{
    const QString words = u" Prices"_s.repeated(170).mid(1); // 1,189 characters, blanks between
    const QString oneWord = QString(1200, u'x');             // no blank to fold at
    const QString accents = u" Pr\u00e9vision m\u00e9t\u00e9o"_s.repeated(60).mid(1);
    const struct {
        const char* login; // on the netrc line, with TLS and that login required; none: no line
        NamedMachine machine;
        QString subject;
        const char* host; // in the greeting and the Message-Id
        const char* sender;
    } rows[] = {
        // clang-format off
        {nullptr, {"vm", "vm.example.test"}, u"Whole page changed : Weekly"_s, "vm.example.test", "jane@vm.example.test"},
        {nullptr, {"vm", ""}, words, "vm", "jane@vm"}, // not resolved
        {"alice@example.net", {"vm.example.test", "other.example.test"}, oneWord, "vm.example.test", "alice@example.net"},
        {"alice@example.net", {"vm", "localhost.localdomain"}, accents, "vm", "alice@example.net"},
        {"alice", {"vm", "vm.example.test."}, u"Page fault"_s, "vm", "jane@vm"},
        {"alice", {"", ""}, words + oneWord, "localhost", "jane@localhost"},
        // clang-format on
    };
    const FixedClock clock(QDateTime(QDate(2026, 12, 4), QTime(14, 30, 5), Qt::OffsetFromUTC, -18000));
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.login ? r.login : "no login") + " on " + r.host);
        SmtpTestServer server({.tls = r.login ? Tls::StartTls : Tls::None,
                               .login = r.login ? QString::fromUtf8(r.login) + u":secret"_s : QString()});
        ASSERT_TRUE(server.start());
        QTemporaryDir home;
        const QString netrc = test::netrcFile(
            home, r.login ? "machine 127.0.0.1 login " + QByteArray(r.login) + " password secret\n" : "");
        CurlMailClient client({.netrcFile = netrc,
                               .caFile = server.certificateFile(),
                               .resolver = &r.machine,
                               .userName = u"jane"_s,
                               .clock = &clock});
        // clang-format off
        const Headers six {{u"To"_s, u"bob@example.test"_s}, {u"Subject"_s, r.subject},
                           {u"Message-Id"_s, u"202612452205_Sentrel"_s}, {u"Content-Type"_s, u"TEXT/PLAIN; charset=US-ASCII"_s},
                           {u"Content-Length"_s, u" 5"_s}, {u"From"_s, u"Sentrel"_s}};
        // clang-format on
        const Failure got = mail(client, server.port(), six,
                                 u"The following URL cannot be accessed : http://x.test/\n\n 404"_s);
        ASSERT_EQ(got.number, 0) << got.description.toStdString();
        client.endSession();

        const auto mails = server.messages();
        ASSERT_EQ(mails.size(), 1u);
        test::ReceivedMail m = mails[0];
        EXPECT_EQ(m.mailFrom, r.sender);
        EXPECT_EQ(m.helo, r.host);
        EXPECT_EQ(m.defects, QStringList());
        // The client's first mail; its random token is the client's own.
        ASSERT_EQ(m.headers.size(), 8u);
        const QRegularExpression id(u"^<202612452205_Sentrel\\.1\\.[0-9a-z]+@"_s
                                    + QRegularExpression::escape(QString(r.host)) + u">$"_s);
        EXPECT_TRUE(id.match(m.headers[2].second).hasMatch()) << m.headers[2].second.toStdString();
        m.headers[2].second = u"<id>"_s;
        // clang-format off
        const Headers expected {{u"To"_s, u"bob@example.test"_s}, {u"Subject"_s, r.subject}, {u"Message-Id"_s, u"<id>"_s},
                                {u"Content-Type"_s, u"TEXT/PLAIN; charset=\"US-ASCII\""_s}, {u"Content-Length"_s, u"5"_s},
                                {u"From"_s, u"Sentrel <"_s + QString::fromUtf8(r.sender) + u">"_s},
                                {u"Date"_s, u"Fri, 04 Dec 2026 14:30:05 -0500"_s}, {u"MIME-Version"_s, u"1.0"_s}};
        // clang-format on
        EXPECT_EQ(m.headers, expected);
        EXPECT_EQ(m.body(), "The following URL cannot be accessed : http://x.test/\r\n\r\n 404\r\n");
    }
}

// A refusal names the step the server refused and keeps the server's answer;
// a refused address of a list fails the whole mail.
TEST(CurlMailClient, ARefusalNamesItsStep)
{
    const struct {
        Mode mode;
        int status;
        const char* step;  // what the reason names
        const char* reply; // the server's answer
    } rows[] = {
        // clang-format off
        {Mode::RefuseGreeting, t + CURLE_REMOTE_ACCESS_DENIED, "EHLO vm", "504 5.5.2 Helo command rejected: need fully-qualified hostname"},
        {Mode::RefuseSender, t + CURLE_SEND_ERROR, "jane@vm", "553 5.7.1 Sender address rejected: not owned by user alice"},
        {Mode::RefuseSenderAtRcpt, t + CURLE_SEND_ERROR, "jane@vm", "553 5.7.1 <jane@vm>: Sender address rejected: not owned by user alice"},
        {Mode::Accept, t + CURLE_SEND_ERROR, "recipient refused@x.test (RCPT TO)", "550 5.1.1 Recipient refused"},
        {Mode::RefuseMessage, t + CURLE_WEIRD_SERVER_REPLY, "DATA", "554 5.7.1 Message refused: spam score too high"},
        // clang-format on
    };
    for (const auto& r : rows) {
        SmtpTestServer server(r.mode);
        ASSERT_TRUE(server.start());
        CurlMailClient client({.netrcFile = kNoNetrc, .hostName = u"vm"_s, .userName = u"jane"_s});
        const QString to = r.mode == Mode::Accept ? u"a@x.test, refused@x.test, c@x.test"_s : u"bob@x.test"_s;
        const Failure got = mail(client, server.port(), to);
        EXPECT_EQ(got.number, r.status) << r.reply;
        EXPECT_TRUE(got.description.contains(QLatin1String(r.step))) << got.description.toStdString();
        EXPECT_EQ(got.description.contains(u"recipient"_s), r.mode == Mode::Accept);
        EXPECT_EQ(client.serverReply(), QLatin1String(r.reply));
        EXPECT_EQ(server.messageCount(), 0);
    }
}

// The envelope: an "EMail" list gets one RCPT TO per address, and the To
// header lists them comma separated, which a strict parser takes. An address
// that is not ASCII before its @ goes only with SMTPUTF8, and the greeting
// decides: a server without it sees no envelope for that mail, on a fresh
// connection or on one the session kept.
TEST(CurlMailClient, OneRcptPerAddressAndSmtpUtf8OnlyWhenOffered)
{
    const QString international = u"j\u00f6hn@ex\u00e4mple.test"_s;
    const QString list = u" a@example.test;b@b\u00fccher.test ;c@example.test"_s;
    const QStringList listed {u"a@example.test"_s, u"b@xn--bcher-kva.test"_s, u"c@example.test"_s};
    for (const bool offered : {true, false}) {
        SCOPED_TRACE(offered ? "offered" : "not offered");
        SmtpTestServer server({.smtpUtf8 = offered, .logWire = true});
        ASSERT_TRUE(server.start());
        CurlMailClient client({.netrcFile = kNoNetrc, .hostName = u"vm"_s, .userName = u"jane"_s});
        const int refused = offered ? 0 : 9105;
        EXPECT_EQ(mail(client, server.port(), international).number, refused);
        client.endSession();
        EXPECT_EQ(mail(client, server.port(), list).number, 0);
        EXPECT_EQ(mail(client, server.port(), international).number, refused);
        EXPECT_EQ(mail(client, server.port(), list).number, 0);
        client.endSession();

        QList<QByteArray> envelope; // the commands, their parameters cut off
        for (const QByteArray& line : server.sentLines()) {
            if (line.startsWith("MAIL") || line.startsWith("RCPT"))
                envelope << line.left(line.indexOf('>') + 1);
        }
        const QByteArray toInternational = "RCPT TO:<" + u"j\u00f6hn@xn--exmple-cua.test"_s.toUtf8() + ">";
        const QList<QByteArray> mailOne {"MAIL FROM:<jane@vm>", toInternational};
        const QList<QByteArray> mailList {"MAIL FROM:<jane@vm>", "RCPT TO:<a@example.test>",
                                          "RCPT TO:<b@xn--bcher-kva.test>", "RCPT TO:<c@example.test>"};
        EXPECT_EQ(envelope, offered ? mailOne + mailList + mailOne + mailList : mailList + mailList);
        const auto mails = server.messages();
        ASSERT_EQ(mails.size(), offered ? 4u : 2u);
        EXPECT_EQ(mails[0].data.startsWith(u"To: j\u00f6hn@xn--exmple-cua.test\r\n"_s.toUtf8()), offered);
        EXPECT_EQ(mails[1].rcptTos, listed);
        EXPECT_EQ(mails[1].defects, QStringList());
        EXPECT_EQ(mails[1].headers[0], std::pair(u"To"_s, listed.join(u", "_s)));
    }
}
