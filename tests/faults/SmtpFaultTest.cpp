#include "CycleHarness.h"
#include "IdlePort.h"
#include "QtPrinters.h"
#include "RawTcpServer.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

using Raw = RawTcpServer::Connection;

constexpr auto kMailTimeout = 1500ms;
constexpr int kTransferBase = 10000;

// The box a failed send shows: the error last recorded by the program's own
// handling is none, so the number is 0 in sign form and the text is empty.
const QString kSendBox = QStringLiteral("Cannot send EMail message :  0 : ");

// Where an SMTP conversation goes wrong.
enum class Break {
    Greeting421,      // the server is closing before it starts
    AfterDataCommand, // the line drops when DATA is sent
    AfterMessage,     // the line drops after the whole message, before the verdict
    TlsHandshake,     // STARTTLS offered and agreed to, then no TLS at all
    StartTlsRefused,  // STARTTLS offered, then refused
    SilentAtQuit,     // the message taken, then no answer to QUIT
};

// A server that speaks SMTP until the chosen break.
void converse(Raw& c, Break at)
{
    if (at == Break::Greeting421) {
        c.send("421 4.3.2 raw.test closing, try later\r\n");
        return;
    }
    const bool tls = at == Break::TlsHandshake || at == Break::StartTlsRefused;
    auto command = [&c] {
        c.consume();
        return c.readUntil("\r\n");
    };
    if (!c.send("220 raw.test ESMTP\r\n") || !command())
        return;
    c.send(tls ? "250-raw.test\r\n250-8BITMIME\r\n250 STARTTLS\r\n" : "250-raw.test\r\n250 8BITMIME\r\n");
    if (tls) {
        if (!command())
            return;
        if (at == Break::TlsHandshake) {
            c.send("220 2.0.0 Ready to start TLS\r\n");
            c.readUntil("\x16\x03", 2s); // the client's hello; answered with plain text
            c.send("this is no TLS handshake\r\n");
            return;
        }
        c.send("454 4.7.0 TLS not available due to local problem\r\n");
    }
    // MAIL FROM, RCPT TO
    for (int i = 0; i < 2; ++i) {
        if (!command())
            return;
        c.send("250 2.1.0 OK\r\n");
    }
    if (!command() || at == Break::AfterDataCommand)
        return;
    c.send("354 End data with <CR><LF>.<CR><LF>\r\n");
    c.consume();
    if (!c.readUntil("\r\n.\r\n") || at == Break::AfterMessage)
        return;
    c.send("250 2.0.0 queued as 1\r\n");
    if (!command())
        return;
    if (at == Break::SilentAtQuit) {
        c.pause(60s); // holds the line until the client leaves or the test ends
        return;
    }
    c.send("221 2.0.0 bye\r\n");
}

// Two watch entries: a new page that is stored and alerted, then one whose
// stored page has not changed. The mail goes to the server on smtpPort.
class MailServerFault : public ::testing::Test {
protected:
    void runCycle(quint16 smtpPort)
    {
        h_ = std::make_unique<CycleHarness>(1, CycleHarness::shortFetch(), kMailTimeout);
        h_->pages.set(QStringLiteral("/new"), "<p>new</p>");
        h_->pages.set(QStringLiteral("/same"), "<p>same</p>");
        changed_ = h_->entry(h_->pages.url(QStringLiteral("/new")), QStringLiteral("W"));
        h_->entry(h_->pages.url(QStringLiteral("/same")), QStringLiteral("W"),
                  QStringLiteral("Content = '<p>same</p>'"));
        h_->db.exec(QStringLiteral("UPDATE System SET \"SMTP Port\" = %1").arg(smtpPort));
        ASSERT_TRUE(h_->load());
        const auto started = std::chrono::steady_clock::now();
        h_->tick();
        took_ = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    }

    // One box, the alert counted as done, the next entry treated and the
    // cycle ended as usual; the client's status was the given error.
    void expectOneBoxAndTheCycleGoesOn(int status)
    {
        CycleHarness& h = *h_;
        ASSERT_EQ(h.messages.shown.size(), 1u);
        EXPECT_EQ(h.messages.shown[0].first, QStringLiteral("Cannot Send EMail"));
        EXPECT_EQ(h.messages.shown[0].second, kSendBox);
        EXPECT_EQ(h.mail.status(), status);
        // stored before the alert was tried
        EXPECT_EQ(h.column(changed_, QStringLiteral("Content")), Value("<p>new</p>"));
        EXPECT_EQ(h.pages.requests(QStringLiteral("/same")), 1);
        EXPECT_EQ(h.scratchFile(), QByteArray("<p>same</p>"));
        EXPECT_EQ(h.view.statusText, QStringLiteral("Sleeping..."));
        EXPECT_TRUE(h.view.timerOn);
        EXPECT_EQ(h.pointer.shape, ScreenPointer::Shape::Arrow);
        EXPECT_FALSE(h.module.WatchDatabase.isOpen());
        EXPECT_FALSE(h.programEnd.code.has_value());
        EXPECT_TRUE(h.mails().empty()); // the harness's own server was not used
        // a failed send costs at most the mail time-out
        EXPECT_LT(took_.count(), (kMailTimeout + 5000ms).count());
    }

    std::unique_ptr<CycleHarness> h_;
    qint64 changed_ = 0;
    std::chrono::milliseconds took_{0};
};

} // namespace

TEST_F(MailServerFault, ConnectionRefused)
{
    IdlePort refusing(IdlePort::Mode::Refusing);
    runCycle(static_cast<quint16>(refusing.port()));
    expectOneBoxAndTheCycleGoesOn(kTransferBase + 7); // couldn't connect
}

TEST_F(MailServerFault, ClosingAtTheGreeting)
{
    RawTcpServer server([](Raw& c) { converse(c, Break::Greeting421); });
    ASSERT_TRUE(server.start());
    runCycle(static_cast<quint16>(server.port()));
    expectOneBoxAndTheCycleGoesOn(kTransferBase + 8); // weird server reply
}

TEST_F(MailServerFault, RecipientRefused)
{
    SmtpTestServer refusing(SmtpTestServer::Mode::RefuseRecipient);
    ASSERT_TRUE(refusing.start());
    runCycle(refusing.port());
    expectOneBoxAndTheCycleGoesOn(kTransferBase + 55); // send error: RCPT failed
    EXPECT_TRUE(refusing.messages().empty());
    EXPECT_EQ(refusing.greetings(), 1);
}

TEST_F(MailServerFault, DroppedAfterTheDataCommand)
{
    RawTcpServer server([](Raw& c) { converse(c, Break::AfterDataCommand); });
    ASSERT_TRUE(server.start());
    runCycle(static_cast<quint16>(server.port()));
    expectOneBoxAndTheCycleGoesOn(kTransferBase + 56); // receive failure
}

TEST_F(MailServerFault, DroppedAfterTheMessageBeforeTheVerdict)
{
    RawTcpServer server([](Raw& c) { converse(c, Break::AfterMessage); });
    ASSERT_TRUE(server.start());
    runCycle(static_cast<quint16>(server.port()));
    expectOneBoxAndTheCycleGoesOn(kTransferBase + 56);
    // the whole message did reach the server: not taken as sent all the same
    ASSERT_TRUE(server.waitFinished(1));
    EXPECT_NE(server.lastReceived().find("Subject: Whole page changed : Weekly\r\n"), std::string::npos);
}

TEST_F(MailServerFault, ServerThatNeverAnswersRunsIntoTheTimeOut)
{
    IdlePort silent(IdlePort::Mode::Silent);
    runCycle(static_cast<quint16>(silent.port()));
    expectOneBoxAndTheCycleGoesOn(kTransferBase + 28); // time-out
    EXPECT_GE(took_.count(), kMailTimeout.count());
}

TEST_F(MailServerFault, StartTlsAgreedButNoTls)
{
    RawTcpServer server([](Raw& c) { converse(c, Break::TlsHandshake); });
    ASSERT_TRUE(server.start());
    runCycle(static_cast<quint16>(server.port()));
    expectOneBoxAndTheCycleGoesOn(kTransferBase + 35); // TLS connect error
    ASSERT_TRUE(server.waitFinished(1));
    // nothing of the mail went out in the clear
    EXPECT_EQ(server.lastReceived().find("MAIL FROM"), std::string::npos);
    EXPECT_EQ(server.lastReceived().find("Weekly"), std::string::npos);
}

TEST_F(MailServerFault, StartTlsRefusedFallsBackToPlainText)
{
    // TLS is used when the server can, not required: a server that offers
    // it and then refuses still gets the mail, in the clear.
    RawTcpServer server([](Raw& c) { converse(c, Break::StartTlsRefused); });
    ASSERT_TRUE(server.start());
    runCycle(static_cast<quint16>(server.port()));
    EXPECT_TRUE(h_->messages.shown.empty());
    EXPECT_EQ(h_->mail.status(), 0);
    ASSERT_TRUE(server.waitFinished(1));
    const std::string said = server.lastReceived();
    EXPECT_NE(said.find("STARTTLS\r\n"), std::string::npos);
    EXPECT_NE(said.find("RCPT TO:<watcher@example.test>\r\n"), std::string::npos);
    EXPECT_NE(said.find("Subject: Whole page changed : Weekly\r\n"), std::string::npos);
    EXPECT_TRUE(h_->view.timerOn);
}

TEST_F(MailServerFault, PageFaultAlertWithTheMailServerDownStillHalts)
{
    IdlePort refusing(IdlePort::Mode::Refusing);
    IdlePort deadPage(IdlePort::Mode::Refusing);
    h_ = std::make_unique<CycleHarness>(1, CycleHarness::shortFetch(), kMailTimeout);
    const QString dead = QStringLiteral("http://127.0.0.1:%1/").arg(deadPage.port());
    h_->entry(dead, QStringLiteral("W"));
    h_->db.exec(QStringLiteral("UPDATE System SET \"SMTP Port\" = %1").arg(refusing.port()));
    ASSERT_TRUE(h_->load());
    h_->tick();
    ASSERT_EQ(h_->messages.shown.size(), 1u);
    EXPECT_EQ(h_->messages.shown[0].first, QStringLiteral("Cannot Send EMail"));
    EXPECT_EQ(h_->messages.shown[0].second, kSendBox);
    // halted as after any page fault
    EXPECT_FALSE(h_->view.timerOn);
    EXPECT_EQ(h_->pointer.shape, ScreenPointer::Shape::Busy);
    EXPECT_EQ(h_->view.statusText, dead);
    EXPECT_FALSE(h_->programEnd.code.has_value());
}

TEST_F(MailServerFault, NoAnswerToQuitAfterTheMessageWasTaken)
{
    // The server has the mail; waiting for its goodbye must neither hold
    // the cycle past the mail time-out nor count the mail as not sent.
    RawTcpServer server([](Raw& c) { converse(c, Break::SilentAtQuit); });
    ASSERT_TRUE(server.start());
    runCycle(static_cast<quint16>(server.port()));
    EXPECT_EQ(h_->mail.status(), 0);
    EXPECT_TRUE(h_->messages.shown.empty());
    EXPECT_LT(took_.count(), (kMailTimeout + 5000ms).count());
    EXPECT_TRUE(h_->view.timerOn);
}
