#include "Fakes.h"
#include "QtPrinters.h"
#include "SmtpTestServer.h"
#include "TempDatabase.h"

#include "engine/MailAlert.h"
#include "engine/SentrelEngine.h"
#include "platform/CurlMailClient.h"
#include "platform/ErrorCode.h"
#include "platform/PageFetcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>

using namespace orvane;
using namespace std::chrono_literals;
using orvane::test::FixedClock;
using orvane::test::ReceivedMail;
using orvane::test::RecordingMessages;
using orvane::test::SmtpTestServer;
using orvane::test::TempDatabase;

namespace {

using Headers = std::vector<std::pair<QString, QString>>;

const QString kUrl = QStringLiteral("http://watch.test/page");
const QString kRecipient = QStringLiteral("watcher@example.test");
// FixedClock's 4 December 2026, 14:30:05.
const QString kMessageId = QStringLiteral("202612452205_Sentrel");
const QString kChanged = QStringLiteral("The following URL has changed or a table change alert has been triggered : ");
const QString kNoTable = QStringLiteral("There is no table to be found during a table alert : ");
const QString kCannotAccess = QStringLiteral("The following URL cannot be accessed : ");
const QString kSendFailedTitle = QStringLiteral("Cannot Send EMail");
const QString kSendFailedText = QStringLiteral("Cannot send EMail message :  0 : ");

Headers sixHeaders(const QString& to, const QString& subject, const QString& contentLength)
{
    return {
        {QStringLiteral("To"), to},
        {QStringLiteral("Subject"), subject},
        {QStringLiteral("Message-Id"), kMessageId},
        {QStringLiteral("Content-Type"), QStringLiteral("TEXT/PLAIN; charset=US-ASCII")},
        {QStringLiteral("Content-Length"), contentLength},
        {QStringLiteral("From"), QStringLiteral("Sentrel")},
    };
}

// The body as the server keeps it: the line end closing the last line is
// the one the wire needs before the end-of-data dot.
QByteArray received(const QString& body)
{
    return body.toUtf8() + "\r\n";
}

class MailAlertTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work_.isValid());
        previousDir_ = QDir::currentPath();
        // The alert writes URL.html into the current directory.
        ASSERT_TRUE(QDir::setCurrent(work_.path()));
        ASSERT_TRUE(server_.start());
        state_.MailServer = QStringLiteral("127.0.0.1");
        state_.SmtpPort = QString::number(server_.port());
        state_.NewContent = QStringLiteral("<html>new</html>");
        state_.FetchError = 404;
        db_.addEntry(kUrl);
        db_.exec(QStringLiteral("UPDATE URLs SET Content = 'abc'"));
    }

    void TearDown() override { QDir::setCurrent(previousDir_); }

    // Changes the entry through another connection; the next alert opens the
    // active entries afresh, as a wake-up cycle does.
    void set(const QString& assignment)
    {
        db_.exec(QStringLiteral("UPDATE URLs SET ") + assignment);
        state_.WatchRecordset.close();
    }

    Status mailIt(qint16 kind)
    {
        if (!state_.WatchRecordset.isOpen()) {
            auto rs = db_.open().openRecordset(QStringLiteral("Select * from [URLs] where Active = -1"));
            EXPECT_TRUE(rs.ok());
            if (rs.ok())
                state_.WatchRecordset = std::move(rs).value();
        }
        return MailAlert(state_, client_, boxes_, clock_).mailIt(kind);
    }

    ReceivedMail onlyMail() const
    {
        const auto mails = server_.messages();
        EXPECT_EQ(mails.size(), 1u);
        return mails.empty() ? ReceivedMail{} : mails.front();
    }

    void expectNothingSent() const
    {
        EXPECT_EQ(server_.greetings(), 0);
        EXPECT_TRUE(server_.messages().empty());
    }

    QTemporaryDir work_;
    QString previousDir_;
    TempDatabase db_;
    SmtpTestServer server_;
    CurlMailClient client_{2000ms, 10000ms};
    RecordingMessages boxes_;
    FixedClock clock_;
    SentrelState state_;
};

TEST_F(MailAlertTest, EachKindHasItsSubjectAndBody)
{
    const QString pageFault = kCannotAccess + kUrl
        + QStringLiteral("\r\n\r\n 404 : The web server answered HTTP status 404 (Not Found).");
    const struct {
        qint16 kind;
        QString subject;
        QString body;
    } cases[] = {
        {0, QStringLiteral("Page fault : Weekly"), pageFault},
        {1, QStringLiteral("Whole page changed : Weekly"), kChanged + kUrl},
        {2, QStringLiteral("Page changed (string search) : Weekly"), kChanged + kUrl},
        {3, QStringLiteral("Page changed (table alert) : Weekly"), kChanged + kUrl},
        {4, QStringLiteral("No table to find (table alert) : Weekly"), kNoTable + kUrl},
        {7, QStringLiteral("Page fault : Weekly"), pageFault},
        {5, QStringLiteral("Page fault : Weekly"), pageFault},
        {-1, QStringLiteral("Page fault : Weekly"), pageFault},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        server_.clear();
        ASSERT_TRUE(mailIt(c.kind).ok());
        const ReceivedMail mail = onlyMail();
        EXPECT_EQ(mail.rcptTos, QStringList{kRecipient});
        EXPECT_EQ(mail.headers(), sixHeaders(kRecipient, c.subject, QStringLiteral(" 5")));
        EXPECT_EQ(mail.body(), received(c.body));
    }
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(MailAlertTest, PageFaultWritesTheErrorNumberInSignForm)
{
    state_.FetchError = -5;
    ASSERT_TRUE(mailIt(0).ok());
    EXPECT_EQ(onlyMail().body(),
              received(kCannotAccess + kUrl + QStringLiteral("\r\n\r\n-5 : Application-defined or object-defined error.")));
}

TEST_F(MailAlertTest, SubjectNullTakesTheShortFormAndEmptyTheLongOne)
{
    const struct {
        const char* assignment;
        qint16 kind;
        QString subject;
    } cases[] = {
        {"Subject = NULL", 1, QStringLiteral("Whole page changed")},
        {"Subject = NULL", 4, QStringLiteral("No table to find (table alert)")},
        {"Subject = NULL", 9, QStringLiteral("Page fault")},
        {"Subject = ''", 1, QStringLiteral("Whole page changed : ")},
        {"Subject = ''", 2, QStringLiteral("Page changed (string search) : ")},
        {"Subject = 'Weekly'", 3, QStringLiteral("Page changed (table alert) : Weekly")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.assignment);
        SCOPED_TRACE(c.kind);
        set(QString::fromLatin1(c.assignment));
        server_.clear();
        ASSERT_TRUE(mailIt(c.kind).ok());
        EXPECT_EQ(onlyMail().headers(), sixHeaders(kRecipient, c.subject, QStringLiteral(" 5")));
    }
}

TEST_F(MailAlertTest, ContentLengthCountsTheStoredContentPlusTwo)
{
    const struct {
        QString assignment;
        QString length;
    } cases[] = {
        {QStringLiteral("Content = NULL"), QStringLiteral(" ")},
        {QStringLiteral("Content = ''"), QStringLiteral(" 2")},
        {QStringLiteral("Content = '") + QString(1000, QLatin1Char('x')) + QStringLiteral("'"), QStringLiteral(" 1002")},
        // Characters, not the bytes they take.
        {QStringLiteral("Content = '\u00e9\u00e9\u00e9'"), QStringLiteral(" 5")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length.toStdString());
        set(c.assignment);
        server_.clear();
        ASSERT_TRUE(mailIt(4).ok());
        EXPECT_EQ(onlyMail().headers(),
                  sixHeaders(kRecipient, QStringLiteral("No table to find (table alert) : Weekly"), c.length));
    }
}

TEST_F(MailAlertTest, NullUrlAddsNothingToTheBody)
{
    set(QStringLiteral("URL = NULL"));
    ASSERT_TRUE(mailIt(2).ok());
    EXPECT_EQ(onlyMail().body(), received(kChanged));

    server_.clear();
    ASSERT_TRUE(mailIt(0).ok());
    EXPECT_EQ(onlyMail().body(),
              received(kCannotAccess + QStringLiteral("\r\n\r\n 404 : The web server answered HTTP status 404 (Not Found).")));
}

TEST_F(MailAlertTest, TwoAlertsInARowEachCarryOnlyTheirOwnHeaders)
{
    ASSERT_TRUE(mailIt(1).ok());
    set(QStringLiteral("Subject = NULL, Content = NULL, EMail = 'other@example.test'"));
    ASSERT_TRUE(mailIt(4).ok());

    const auto mails = server_.messages();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].headers(), sixHeaders(kRecipient, QStringLiteral("Whole page changed : Weekly"), QStringLiteral(" 5")));
    EXPECT_EQ(mails[0].body(), received(kChanged + kUrl));
    EXPECT_EQ(mails[1].rcptTos, QStringList{QStringLiteral("other@example.test")});
    EXPECT_EQ(mails[1].headers(), sixHeaders(QStringLiteral("other@example.test"),
                                             QStringLiteral("No table to find (table alert)"), QStringLiteral(" ")));
    EXPECT_EQ(mails[1].body(), received(kNoTable + kUrl));
}

TEST(MailAlertMessageId, RunsDateAndSecondsSinceMidnightTogether)
{
    EXPECT_EQ(MailAlert::messageId(QDateTime(QDate(2026, 12, 4), QTime(14, 30, 5))), QStringLiteral("202612452205_Sentrel"));
    EXPECT_EQ(MailAlert::messageId(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0))), QStringLiteral("2027110_Sentrel"));
    // Fractions are cut off, never rounded up into the next second.
    EXPECT_EQ(MailAlert::messageId(QDateTime(QDate(2026, 10, 31), QTime(23, 59, 59, 999))),
              QStringLiteral("2026103186399_Sentrel"));
    EXPECT_EQ(MailAlert::messageId(QDateTime(QDate(2026, 3, 9), QTime(0, 0, 9, 600))), QStringLiteral("2026399_Sentrel"));
}

TEST_F(MailAlertTest, MessageIdComesFromTheClock)
{
    clock_.time = QDateTime(QDate(2031, 7, 20), QTime(9, 5, 1, 500));
    ASSERT_TRUE(mailIt(1).ok());
    const Headers headers = onlyMail().headers();
    ASSERT_EQ(headers.size(), 6u);
    EXPECT_EQ(headers[2], std::make_pair(QStringLiteral("Message-Id"), QStringLiteral("203172032701_Sentrel")));
}

TEST_F(MailAlertTest, RefusedRecipientShowsOneBoxAndTheAlertEndsNormally)
{
    SmtpTestServer refusing(SmtpTestServer::Mode::RefuseRecipient);
    ASSERT_TRUE(refusing.start());
    state_.SmtpPort = QString::number(refusing.port());
    EXPECT_TRUE(mailIt(1).ok());
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0], std::make_pair(kSendFailedTitle, kSendFailedText));
    EXPECT_EQ(refusing.greetings(), 1);
    EXPECT_TRUE(refusing.messages().empty());
}

TEST_F(MailAlertTest, NoServerListeningShowsOneBoxAndTheAlertEndsNormally)
{
    state_.SmtpPort = QString::number(SmtpTestServer::freePort());
    EXPECT_TRUE(mailIt(0).ok());
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0], std::make_pair(kSendFailedTitle, kSendFailedText));
}

TEST_F(MailAlertTest, PortTextThatIsNoNumberFailsTheAlertBeforeSending)
{
    const struct {
        QString port;
        ErrorCode expected;
    } cases[] = {
        {QStringLiteral("abc"), ErrorCode::TypeMismatch},
        {QString(), ErrorCode::TypeMismatch},
        {QStringLiteral("25 26"), ErrorCode::TypeMismatch},
        {QStringLiteral("99999999999"), ErrorCode::Overflow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port.toStdString());
        state_.SmtpPort = c.port;
        const Status s = mailIt(1);
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.failure().number, static_cast<int>(c.expected));
    }
    EXPECT_TRUE(boxes_.shown.empty());
    expectNothingSent();
}

TEST_F(MailAlertTest, PortTextIsReadAsANumber)
{
    // Blanks around the digits and a zero fraction still name the port.
    const QString port = QString::number(server_.port());
    for (const QString& text : {QStringLiteral(" ") + port + QStringLiteral(" "), port + QStringLiteral(".0")}) {
        SCOPED_TRACE(text.toStdString());
        state_.SmtpPort = text;
        server_.clear();
        ASSERT_TRUE(mailIt(1).ok());
        EXPECT_EQ(onlyMail().rcptTos, QStringList{kRecipient});
    }
    // A number that is no TCP port converts, and the send fails.
    state_.SmtpPort = QStringLiteral("70000");
    server_.clear();
    EXPECT_TRUE(mailIt(1).ok());
    EXPECT_EQ(boxes_.shown.size(), 1u);
    expectNothingSent();
}

TEST_F(MailAlertTest, NullEMailFailsTheAlertBeforeSending)
{
    set(QStringLiteral("EMail = NULL"));
    const Status s = mailIt(1);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.failure().number, static_cast<int>(ErrorCode::NullValue));
    EXPECT_TRUE(boxes_.shown.empty());
    expectNothingSent();
}

TEST_F(MailAlertTest, RowThatCannotBeReadFailsTheAlert)
{
    // No active entry: the recordset has no current row.
    set(QStringLiteral("Active = 0"));
    const Status s = mailIt(1);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.failure().number, static_cast<int>(ErrorCode::DbNoCurrentRecord));
    EXPECT_TRUE(boxes_.shown.empty());
    expectNothingSent();
}

TEST_F(MailAlertTest, ScratchFileIsRewrittenWithTheNewContent)
{
    QFile old(QStringLiteral("URL.html"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older and longer page than the new one");
    old.close();
    state_.NewContent = QStringLiteral("caf\u00e9 <b>");
    ASSERT_TRUE(mailIt(1).ok());
    QFile scratch(QDir(work_.path()).filePath(QStringLiteral("URL.html")));
    ASSERT_TRUE(scratch.open(QIODevice::ReadOnly));
    EXPECT_EQ(scratch.readAll(), QByteArray("caf\xe9 <b>"));
    EXPECT_EQ(server_.messages().size(), 1u);
}

TEST_F(MailAlertTest, ScratchFileThatCannotBeWrittenStillMails)
{
    ASSERT_TRUE(QDir(work_.path()).mkdir(QStringLiteral("URL.html")));
    ASSERT_TRUE(mailIt(3).ok());
    EXPECT_EQ(onlyMail().headers(), sixHeaders(kRecipient, QStringLiteral("Page changed (table alert) : Weekly"), QStringLiteral(" 5")));
    EXPECT_TRUE(QFileInfo(QStringLiteral("URL.html")).isDir());
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(MailAlertTest, LineBreakInSubjectCannotAddAHeader)
{
    set(QStringLiteral("Subject = 'Weekly' || char(13, 10) || 'Bcc: intruder@evil.test' || char(10) || 'X: y'"));
    ASSERT_TRUE(mailIt(1).ok());
    const ReceivedMail mail = onlyMail();
    EXPECT_EQ(mail.rcptTos, QStringList{kRecipient});
    EXPECT_EQ(mail.headers(), sixHeaders(kRecipient, QStringLiteral("Whole page changed : Weekly  Bcc: intruder@evil.test X: y"),
                                         QStringLiteral(" 5")));
}

TEST_F(MailAlertTest, LineBreakInEMailCannotAddARecipient)
{
    set(QStringLiteral("EMail = 'watcher@example.test' || char(13, 10) || 'RCPT TO:<intruder@evil.test>'"));
    EXPECT_TRUE(mailIt(1).ok());
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0], std::make_pair(kSendFailedTitle, kSendFailedText));
    expectNothingSent();
}

class NoFetcher final : public PageFetcher {
public:
    Result<QString> fetch(const QString&) override { return QString(); }
};

TEST_F(MailAlertTest, EngineMailsThroughItsServices)
{
    mSentrel module;
    test::RecordingView view;
    test::RecordingPointer pointer;
    test::RecordingProgramEnd programEnd;
    NoFetcher fetcher;
    SentrelEngine engine(module, view, EngineServices{boxes_, pointer, programEnd, clock_, fetcher, client_});
    engine.state().MailServer = state_.MailServer;
    engine.state().SmtpPort = state_.SmtpPort;
    auto rs = db_.open().openRecordset(QStringLiteral("Select * from [URLs] where Active = -1"));
    ASSERT_TRUE(rs.ok());
    engine.state().WatchRecordset = std::move(rs).value();

    ASSERT_TRUE(engine.mailIt(2).ok());
    const ReceivedMail mail = onlyMail();
    EXPECT_EQ(mail.headers(), sixHeaders(kRecipient, QStringLiteral("Page changed (string search) : Weekly"), QStringLiteral(" 5")));
    EXPECT_EQ(mail.body(), received(kChanged + kUrl));

    engine.state().SmtpPort = QString::number(SmtpTestServer::freePort());
    ASSERT_TRUE(engine.mailIt(2).ok());
    EXPECT_EQ(boxes_.shown.size(), 1u);
}

} // namespace
