#include "QtPrinters.h"
#include "SmtpTestServer.h"

#include "net/MailRoute.h"
#include "net/NetrcLogin.h"

#include <curl/curl.h>

#include <QFileDevice>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvane;
using namespace Qt::StringLiterals;
using test::SmtpTestServer;

namespace {

// What libcurl itself does with the file for a mail to 127.0.0.1: how the
// transfer ended, and the login it sent if any.
struct CurlReading {
    CURLcode code = CURLE_OK;
    std::optional<QString> login;
};

CurlReading curlReads(const QString& netrcFile)
{
    SmtpTestServer server({.recordLogin = true});
    if (!server.start())
        return {CURLE_COULDNT_CONNECT, {}};
    CURL* curl = curl_easy_init();
    curl_slist* to = curl_slist_append(nullptr, "<bob@example.test>");
    const QByteArray url = "smtp://127.0.0.1:" + QByteArray::number(server.port()) + "/vm", file = netrcFile.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_REQUIRED));
    curl_easy_setopt(curl, CURLOPT_NETRC_FILE, file.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, "<jane@vm>");
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, to);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(
        curl, CURLOPT_READFUNCTION, +[](char*, size_t, size_t, void*) -> size_t { return 0; });
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 20000L);
    const CURLcode code = curl_easy_perform(curl);
    curl_slist_free_all(to);
    curl_easy_cleanup(curl);
    const QList<QByteArray> logins = server.logins();
    return {code, logins.isEmpty() ? std::nullopt : std::optional(QString::fromUtf8(logins.first()))};
}

} // namespace

// Our reading of a netrc file against the login libcurl sends for it.
TEST(NetrcLogin, ReadsAsLibcurlDoes)
{
    const QByteArray alice = "machine 127.0.0.1 login alice password secret";
    // libcurl's line buffer holds 4094 bytes and the LF; a CR is a byte of the line.
    const auto padded = [&](qsizetype bytes) { return alice + QByteArray(bytes - alice.size(), ' '); };
    const QByteArray files[] = {
        "machine 127.0.0.1 login alice password secret\n",
        "MACHINE 127.0.0.1 LOGIN alice PASSWORD secret\n",
        "# machine 127.0.0.1 login alice password secret\n",
        "  # machine 127.0.0.1 login alice password secret\n",
        "machine other.test login bob password x\ndefault login carol password y\n",
        "default login carol password y\nmachine 127.0.0.1 login alice password secret\n",
        "macdef init\nmachine 127.0.0.1 login mallory password m\n\nmachine 127.0.0.1 login alice password secret\n",
        "macdef init\nmachine 127.0.0.1 login mallory password m\n",
        "machine 127.0.0.1 login \"al ice\" password \"se\\\"cret\"\n",
        "machine 127.0.0.1 login alice # the rest is a comment password secret\npassword secret\n",
        "machine 127.0.0.1 login alice\n",
        "machine 127.0.0.1\n",
        "machine 127.0.0.1 login \"alice password secret\n",
        "machine other.test login bob\nmachine 127.0.0.1 login alice password secret\n",
        "machine 127.0.0.1 login alice@example.net password secret machine other.test login bob password x",
        "",
        // Long lines: dropped whole, the rest of the line never read as a line of its own.
        padded(4094) + "\n",
        padded(4095) + "\n",
        padded(4094),
        padded(4095),
        padded(4093) + "\r\n",
        padded(4094) + "\r\n",
        "#" + QByteArray(4100, ' ') + alice + "\nmachine 127.0.0.1 login carol password y\n",
        // A NUL: the line goes with the next; at the start of a line it ends the reading.
        "a\0x\nmachine 127.0.0.1 login mallory password m\n"_ba + alice + "\n",
        "\0x\nline 2\n"_ba + alice + "\n",
        alice + " x\0y"_ba,
        // A macro's name followed by a CR or a blank ends it at once.
        "macdef init\r\nmachine 127.0.0.1 login mallory password m\r\n\r\n" + alice + "\r\n",
        "macdef init \nmachine 127.0.0.1 login mallory password m\n\n" + alice + "\n",
        "macdef init\t\nmachine 127.0.0.1 login mallory password m\n",
        "macdef\r\nmachine 127.0.0.1 login mallory password m\n",
        "macdef init x\nmachine 127.0.0.1 login mallory password m\n",
        "macdef init\nx\n \n" + alice + "\n",
        "macdef init\nx\n\r\n" + alice + "\n",
        // The empty token at a CR is a login's value too.
        "machine 127.0.0.1 login\r\nalice password secret\r\n",
        "machine 127.0.0.1 login \nalice password secret\n",
        "machine 127.0.0.1 \r\nlogin alice password secret\r\n",
    };
    for (const QByteArray& content : files) {
        SCOPED_TRACE(content.left(80).toStdString());
        QTemporaryDir home;
        const QString netrc = test::netrcFile(home, content);
        const CurlReading curl = curlReads(netrc);
        const auto ours = NetrcLogin::find(netrc, u"127.0.0.1"_s);
        ASSERT_EQ(ours.ok(), curl.code == CURLE_OK) << curl_easy_strerror(curl.code);
        const auto login = ours.ok() && ours.value() ? std::optional(ours.value()->name) : std::nullopt;
        EXPECT_EQ(login, curl.login);
    }
}

// Refused, for the host whose entry it is: a login in a file others may
// read or change, whichever bit lets them; a password without a login,
// which libcurl crashes on.
TEST(NetrcLogin, UnsafeOrUnusableEntriesRefused)
{
    const QByteArray alice = "machine mail.test login alice password secret\n";
    const std::tuple<QByteArray, QFileDevice::Permissions, int> files[] = {
        // clang-format off
        {alice, QFileDevice::ReadGroup, 9103}, {alice, QFileDevice::WriteGroup, 9103}, {alice, QFileDevice::ExeGroup, 9103},
        {alice, QFileDevice::ReadOther, 9103}, {alice, QFileDevice::WriteOther, 9103}, {alice, QFileDevice::ExeOther, 9103},
        {"machine other.test login bob\nmachine mail.test password secret\n", {}, 9104},
        // clang-format on
    };
    for (const auto& [content, extra, number] : files) {
        QTemporaryDir home;
        const QString netrc = test::netrcFile(home, content, extra);
        const auto found = NetrcLogin::find(netrc, u"mail.test"_s);
        EXPECT_EQ(found.ok() ? 0 : found.failure().number, number) << extra;
        EXPECT_TRUE(NetrcLogin::find(netrc, u"other.test"_s).ok()); // nothing secret used there
    }
}

// What test-mail tells of the way a mail goes: a login or the submission
// port asks for STARTTLS, 465 for TLS at once, a relay without a login for
// STARTTLS only when offered.
TEST(MailRoute, NamesTheTlsAndLoginThePolicyChooses)
{
    QTemporaryDir home;
    const QString netrc = test::netrcFile(home, "machine login.test login alice password secret\n");
    const QString none = "; no login (none in " + netrc + ")", login = "; login from " + netrc;
    const struct {
        const char* server;
        qint32 port;
        QString route;
    } cases[] = {
        {"relay.test", 25, "STARTTLS if offered, else plain text" + none},
        {"relay.test", 587, "STARTTLS required, certificate verified" + none},
        {"relay.test", 465, "TLS from the first byte, certificate verified" + none},
        {" login.test ", 25, "STARTTLS required, certificate verified" + login},
        {"login.test", 465, "TLS from the first byte, certificate verified" + login},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MailRoute::describe(QString::fromLatin1(c.server), c.port, netrc), c.route) << c.server << c.port;
}
