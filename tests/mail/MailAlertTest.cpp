#include "Fakes.h"
#include "QtPrinters.h"
#include "TempDatabase.h"

#include "engine/MailAlert.h"
#include "platform/ErrorCatalogue.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

using Headers = std::vector<std::pair<QString, QString>>;

const QString kUrl = QStringLiteral("http://watch.test/page");
const QString kChanged = QStringLiteral("The following URL has changed or a table change alert has been triggered : ");
const QString kNoTable = QStringLiteral("There is no table to be found during a table alert : ");
const QString kCannotAccess = QStringLiteral("The following URL cannot be accessed : ");
const QDateTime kDecember(QDate(2026, 12, 4), QTime(14, 30, 5));

} // namespace

// Subjects, bodies and headers worked out from the alert's rules: the
// entry holds URL kUrl, EMail watcher@example.test, Subject "Weekly" and
// Content "abc" unless `change` says otherwise.
TEST(MailAlert, SubjectsBodiesAndHeaders)
{
    const struct {
        AlertKind kind;
        const char* change; // SQL assignments to the entry
        QDateTime now;
        QString subject; // empty: no mail, the alert fails
        QString body;
        QString length;
        int status = 0; // the client's answer
    } rows[] = {
        {AlertKind::WholePage, "", kDecember, QStringLiteral("Whole page changed : Weekly"), kChanged + kUrl,
         QStringLiteral(" 5")},
        {AlertKind::StringSearch, "Subject = NULL, Content = NULL", QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0, 999)),
         QStringLiteral("Page changed (string search)"), kChanged + kUrl, QStringLiteral(" ")},
        {AlertKind::TableAlert, "Subject = '', Content = printf('%.*c', 1000, 'x')", kDecember,
         QStringLiteral("Page changed (table alert) : "), kChanged + kUrl, QStringLiteral(" 1002")},
        {AlertKind::NoTable, "Content = '\u00e9\u00e9\u00e9', URL = NULL", kDecember,
         QStringLiteral("No table to find (table alert) : Weekly"), kNoTable, QStringLiteral(" 5")},
        {AlertKind::PageFault, "Subject = NULL", kDecember, QStringLiteral("Page fault"),
         kCannotAccess + kUrl + QStringLiteral("\r\n\r\n 404 : ") + ErrorCatalogue::standardText(404),
         QStringLiteral(" 5")},
        {AlertKind::WholePage, "URL = 'http://b\u00fccher.test/stra\u00dfe?q=\u00fc'", kDecember,
         QStringLiteral("Whole page changed : Weekly"),
         kChanged + QStringLiteral("http://xn--bcher-kva.test/stra%C3%9Fe?q=%C3%BC"), QStringLiteral(" 5")},
        {AlertKind::WholePage, "", kDecember, QStringLiteral("Whole page changed : Weekly"), kChanged + kUrl,
         QStringLiteral(" 5"), 10067},
        {AlertKind::WholePage, "EMail = NULL", kDecember, {}, {}, {}},
    };
    RecordingMailer mailer;
    RecordingMessages boxes;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.change);
        TempDatabase db;
        ASSERT_TRUE(QDir::setCurrent(db.dir())); // for URL.html
        db.addEntry(kUrl, QStringLiteral("W"), {{"Content", Value("abc")}});
        if (*row.change)
            db.exec(QStringLiteral("UPDATE URLs SET ") + QString::fromUtf8(row.change));
        WatcherState state;
        state.mailServer = QStringLiteral("mail.test");
        state.smtpPort = QStringLiteral("587");
        state.fetchError = 404;
        auto entries = db.open().openRecordset(QStringLiteral("Select * from [URLs] where Active = -1"));
        ASSERT_TRUE(entries.ok());
        state.watchRecordset = std::move(entries).value();
        mailer.sent.clear();
        boxes.shown.clear();
        mailer.nextStatus = row.status;
        mailer.nextText = QStringLiteral("The login was refused.");
        const FixedClock clock(row.now);

        const Status done = MailAlert(state, mailer, boxes, clock).send(row.kind);
        if (row.subject.isEmpty()) {
            EXPECT_FALSE(done.ok());
            EXPECT_TRUE(mailer.sent.empty());
            continue;
        }
        ASSERT_TRUE(done.ok());
        ASSERT_EQ(mailer.sent.size(), 1u);
        const SentMail& mail = mailer.sent[0];
        EXPECT_EQ(mail.server, QStringLiteral("mail.test"));
        EXPECT_EQ(mail.port, 587);
        const QString id = row.now == kDecember ? QStringLiteral("202612452205_Sentrel")
                                                : QStringLiteral("2027110_Sentrel");
        EXPECT_EQ(mail.headers,
                  (Headers {{QStringLiteral("To"), QStringLiteral("watcher@example.test")},
                            {QStringLiteral("Subject"), row.subject},
                            {QStringLiteral("Message-Id"), id},
                            {QStringLiteral("Content-Type"), QStringLiteral("TEXT/PLAIN; charset=US-ASCII")},
                            {QStringLiteral("Content-Length"), row.length},
                            {QStringLiteral("From"), QStringLiteral("Sentrel")}}));
        EXPECT_EQ(mail.body, row.body);
        const auto box = std::make_pair(QStringLiteral("Cannot Send EMail"),
                                        QStringLiteral("Cannot send EMail message :  10067 : The login was refused."));
        using Boxes = std::vector<std::pair<QString, QString>>;
        EXPECT_EQ(boxes.shown, row.status ? Boxes {box} : Boxes {});
    }
}
