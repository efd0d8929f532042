#include "Fakes.h"
#include "QtPrinters.h"
#include "TempDatabase.h"

#include "base/ErrorCatalogue.h"
#include "engine/MailAlert.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace Qt::StringLiterals;
using namespace orvane::test;

// Worked out by hand for an entry with URL kUrl, EMail watcher@example.test, Subject "Weekly" and
// Content "abc", as `change` leaves them, at 14:30:05 on 4 December 2026.
TEST(MailAlert, SubjectsBodiesAndHeaders)
{
    const QString kUrl = u"http://watch.test/page"_s;
    const QString kChanged = QStringLiteral(
        "The following URL has changed or a table change alert has been triggered : ");
    const struct {
        AlertKind kind;
        const char* change; // SQL assignments to the entry
        QString subject;    // none: the alert fails, nothing sent
        QString body;
        QString length;
        int status = 0; // the client's answer
        Failure fault = ErrorCatalogue::httpFailure(404);
    } rows[] = {
        {AlertKind::WholePage, "", u"Whole page changed : Weekly"_s, kChanged + kUrl, u" 5"_s},
        {AlertKind::StringSearch, "Subject = NULL, Content = NULL", u"Page changed (string search)"_s, kChanged + kUrl,
         u" "_s},
        {AlertKind::TableAlert, "Subject = '', Content = printf('%.*c', 1000, 'x')", u"Page changed (table alert) : "_s,
         kChanged + kUrl, u" 1002"_s},
        {AlertKind::NoTable, "Content = '\u00e9\u00e9\u00e9', URL = NULL", u"No table to find (table alert) : Weekly"_s,
         u"There is no table to be found during a table alert : "_s, u" 5"_s},
        {AlertKind::PageFault, "Subject = NULL", u"Page fault"_s,
         u"The following URL cannot be accessed : "_s + kUrl
             + u"\r\n\r\n 404 : The web server answered HTTP status 404 (Not Found)."_s,
         u" 5"_s},
        // A transfer error's text comes with the failure, from the layer that knows it.
        {AlertKind::PageFault, "", u"Page fault : Weekly"_s,
         u"The following URL cannot be accessed : "_s + kUrl + u"\r\n\r\n 10007 : Couldn't connect to server"_s,
         u" 5"_s, 0, Failure {10007, u"Couldn't connect to server"_s}},
        {AlertKind::WholePage, "URL = 'http://b\u00fccher.test/stra\u00dfe?q=\u00fc'", u"Whole page changed : Weekly"_s,
         kChanged + u"http://xn--bcher-kva.test/stra%C3%9Fe?q=%C3%BC"_s, u" 5"_s},
        {AlertKind::WholePage, "", u"Whole page changed : Weekly"_s, kChanged + kUrl, u" 5"_s, 10067},
        {AlertKind::WholePage, "EMail = NULL", {}, {}, {}},
    };
    // Year, month and day without leading zeros, then the seconds since midnight.
    EXPECT_EQ(MailAlert::messageId(QDateTime(QDate(2026, 3, 5), QTime(9, 3, 7))), u"20263532587_Sentrel"_s);
    RecordingMailer mailer;
    mailer.nextReply = u"535 5.7.8 Authentication credentials invalid"_s;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.change);
        TempDatabase db;
        db.addEntry(kUrl, u"W"_s, {{"Content", Value("abc")}});
        if (*row.change)
            db.exec(u"UPDATE URLs SET "_s + QString::fromUtf8(row.change));
        WatcherState state;
        state.mailServer = u"mail.test"_s;
        state.smtpPort = u"587"_s;
        auto entries = db.open().openRecordset(u"Select * from [URLs] where Active = -1"_s);
        ASSERT_TRUE(entries.ok());
        state.watchRecordset = std::move(entries).value();
        mailer.sent.clear();
        mailer.next = row.status ? Status(Failure {row.status, u"The login was refused."_s}) : Status();
        RecordingMessages boxes;
        const FixedClock clock(QDateTime(QDate(2026, 12, 4), QTime(14, 30, 5)));

        const auto done = MailAlert(state, mailer, boxes, clock).send(row.kind, row.fault);
        ASSERT_EQ(done.ok(), !row.subject.isEmpty());
        ASSERT_EQ(mailer.sent.size(), done.ok() ? 1u : 0u);
        if (!done.ok())
            continue;
        EXPECT_EQ(done.value(), row.status ? MailAlert::Delivery::Refused : MailAlert::Delivery::Sent);
        const Mail& mail = mailer.sent[0];
        EXPECT_EQ(std::make_pair(mail.server, mail.port), std::make_pair(u"mail.test"_s, 587));
        EXPECT_EQ(mail.headers,
                  (std::vector<std::pair<QString, QString>> {{u"To"_s, u"watcher@example.test"_s},
                                                             {u"Subject"_s, row.subject},
                                                             {u"Message-Id"_s, u"202612452205_Sentrel"_s},
                                                             {u"Content-Type"_s, u"TEXT/PLAIN; charset=US-ASCII"_s},
                                                             {u"Content-Length"_s, row.length},
                                                             {u"From"_s, u"Sentrel"_s}}));
        EXPECT_EQ(mail.body, row.body);
        ASSERT_EQ(boxes.shown.size(), row.status ? 1u : 0u);
        if (row.status) {
            // The number in sign form, the client's reason and the server's own answer.
            EXPECT_EQ(boxes.shown[0].first, u"Cannot Send EMail"_s);
            EXPECT_TRUE(
                boxes.shown[0].second.startsWith(u"Cannot send EMail message :  10067 : The login was refused."_s));
            EXPECT_TRUE(boxes.shown[0].second.contains(u"535 5.7.8 Authentication credentials invalid"_s));
        }
    }
}
