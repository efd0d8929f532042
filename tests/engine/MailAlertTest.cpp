#include "Fakes.h"
#include "QtPrinters.h"
#include "SmtpTestServer.h"
#include "TempDatabase.h"

#include "base/ErrorCatalogue.h"
#include "engine/MailAlert.h"
#include "net/CurlMailClient.h"
#include "net/TransferFailure.h"
#include "store/ActiveEntries.h"
#include "store/WatchStore.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace Qt::StringLiterals;
using namespace orvane::test;

namespace {

// One alert of `kind` for a fresh entry mailing `email` (none: Null) with
// these columns, through a real SMTP server, at 14:30:05 on 4 December 2026.
struct Sent {
    Result<MailAlert::Delivery> done;
    std::vector<ReceivedMail> mails;
    RecordingMessages boxes;
};
Sent sendAlert(SmtpTestServer& server, AlertKind kind, const char* url, const char* email, const Value& subject,
               const Value& content, const Failure& fault = {})
{
    server.clear();
    TempDatabase db;
    db.addEntry(QString::fromUtf8(url), u"W"_s,
                {{"EMail", email ? Value(email) : Value()}, {"Subject", subject}, {"Content", content}});
    db.setSettings(1, u"127.0.0.1"_s, server.port());
    const Database connection = db.open();
    auto entries = ActiveEntries::open(connection); // the first entry, as a wake-up cycle reads it
    const auto entry = entries.value().current();
    const auto settings = WatchStore(connection).settings();
    const FixedClock clock(QDateTime(QDate(2026, 12, 4), QTime(14, 30, 5), Qt::OffsetFromUTC, 3600));
    CurlMailClient mailer({.netrcFile = u"/nonexistent/netrc"_s, .hostName = u"vm"_s, .userName = u"jane"_s});
    Sent sent {Failure {}, {}, {}};
    sent.done = MailAlert(settings.value(), mailer, sent.boxes, clock).send(entry.value(), kind, fault);
    mailer.endSession();
    sent.mails = server.messages();
    return sent;
}

} // namespace

// Each kind's mail as it reaches the server, for an entry whose every field
// the alert reads is set. The texts are written out by hand.
TEST(MailAlert, EachKindArrivesWithItsSubjectBodyAndLength)
{
    const QString changed = u"The following URL has changed or a table change alert has been triggered : "_s;
    // clang-format off
    const struct {
        AlertKind kind;
        const char* url;
        const char* email;
        Value subject, content;
        Failure fault;
        QString subjectLine; // decoded
        QString body;        // as it arrives, the CR LF that ends it included
        const char* length;  // the Content-Length line: name, blank, value
    } rows[] = {
        {AlertKind::PageFault, "http://watch.test/gone", "ann@example.test", Value("Weekly"), Value("abc"),
         ErrorCatalogue::httpFailure(404), u"Page fault : Weekly"_s, u"The following URL cannot be accessed : "
         "http://watch.test/gone\r\n\r\n 404 : The web server answered HTTP status 404 (Not Found).\r\n"_s,
         "Content-Length:  5"},
        {AlertKind::PageFault, "http://nowhere.test/", "ann@example.test", Value(), Value(QString(1000, u'x')),
         transferFailure(CURLE_COULDNT_RESOLVE_HOST), u"Page fault"_s, u"The following URL cannot be accessed : "
         "http://nowhere.test/\r\n\r\n 10006 : Couldn't resolve host name\r\n"_s, "Content-Length:  1002"},
        {AlertKind::WholePage, "http://watch.test/prices", "bob@example.test", Value("Weekly"), Value("abc"), {},
         u"Whole page changed : Weekly"_s, changed + u"http://watch.test/prices\r\n"_s, "Content-Length:  5"},
        {AlertKind::StringSearch, "http://watch.test/s", "bob@example.test", Value(), Value(), {},
         u"Page changed (string search)"_s, changed + u"http://watch.test/s\r\n"_s, "Content-Length:  "},
        {AlertKind::TableAlert, "http://watch.test/t", "bob@example.test", Value(""), Value("\u00e9\u00e9\u00e9"), {},
         u"Page changed (table alert) : "_s, changed + u"http://watch.test/t\r\n"_s, "Content-Length:  5"},
        {AlertKind::NoTable, "http://watch.test/t", "bob@example.test", Value("Weekly"), Value("abc\r\n"), {},
         u"No table to find (table alert) : Weekly"_s,
         u"There is no table to be found during a table alert : http://watch.test/t\r\n"_s, "Content-Length:  7"},
        // Not ASCII: the subject in encoded words, the URL in its ASCII form.
        {AlertKind::WholePage, "http://b\u00fccher.test/stra\u00dfe?q=\u00fc", "bob@example.test",
         Value("Pr\u00e9vision m\u00e9t\u00e9o"), Value("abc"), {},
         u"Whole page changed : Pr\u00e9vision m\u00e9t\u00e9o"_s,
         changed + u"http://xn--bcher-kva.test/stra%C3%9Fe?q=%C3%BC\r\n"_s, "Content-Length:  5"},
    };
    // clang-format on
    // Year, month and day without leading zeros, then the seconds since midnight.
    EXPECT_EQ(MailAlert::messageId(QDateTime(QDate(2026, 3, 5), QTime(9, 3, 7))), u"20263532587_Sentrel"_s);
    SmtpTestServer server;
    ASSERT_TRUE(server.start());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.url);
        const Sent sent = sendAlert(server, row.kind, row.url, row.email, row.subject, row.content, row.fault);
        ASSERT_TRUE(sent.done.ok());
        EXPECT_EQ(sent.done.value(), MailAlert::Delivery::Sent);
        EXPECT_TRUE(sent.boxes.shown.empty());
        ASSERT_EQ(sent.mails.size(), 1u);
        const ReceivedMail& mail = sent.mails[0];
        EXPECT_EQ(mail.defects, QStringList());
        ASSERT_EQ(mail.headers.size(), 8u);
        EXPECT_TRUE(mail.headers[2].second.startsWith(u"<202612452205_Sentrel."_s))
            << mail.headers[2].second.toStdString();
        using Headers = std::vector<std::pair<QString, QString>>;
        EXPECT_EQ((Headers {mail.headers[0], mail.headers[1], mail.headers[3], mail.headers[5]}),
                  (Headers {{u"To"_s, QString::fromUtf8(row.email)},
                            {u"Subject"_s, row.subjectLine},
                            {u"Content-Type"_s, u"TEXT/PLAIN; charset=\"US-ASCII\""_s},
                            {u"From"_s, u"Sentrel <jane@vm>"_s}}));
        const qsizetype at = mail.data.indexOf("\r\nContent-Length:") + 2;
        EXPECT_EQ(mail.data.mid(at, mail.data.indexOf("\r\n", at) - at), QByteArray(row.length));
        EXPECT_EQ(QString::fromUtf8(mail.body()), row.body);
    }
}

// An alert that cannot go: with no address it fails and nothing is sent; a
// mail the server refuses is reported in one box, with the client's number in
// sign form, and counts as done.
TEST(MailAlert, AnAlertWithoutAnAddressFailsAndARefusedOneIsReported)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start());
    const Sent unaddressed = sendAlert(server, AlertKind::WholePage, "http://watch.test/w", nullptr, Value("Weekly"),
                                       Value("abc"));
    EXPECT_FALSE(unaddressed.done.ok());
    EXPECT_TRUE(unaddressed.mails.empty() && unaddressed.boxes.shown.empty());
    const Sent refused = sendAlert(server, AlertKind::WholePage, "http://watch.test/w", "refused@example.test",
                                   Value("Weekly"), Value("abc"));
    ASSERT_TRUE(refused.done.ok());
    EXPECT_EQ(refused.done.value(), MailAlert::Delivery::Refused);
    EXPECT_TRUE(refused.mails.empty());
    ASSERT_EQ(refused.boxes.shown.size(), 1u);
    EXPECT_EQ(refused.boxes.shown[0].first, u"Cannot Send EMail"_s);
    EXPECT_TRUE(refused.boxes.shown[0].second.startsWith(u"Cannot send EMail message :  10055 : "_s));
    EXPECT_TRUE(refused.boxes.shown[0].second.contains(u"550 5.1.1 Recipient refused"_s));
}
