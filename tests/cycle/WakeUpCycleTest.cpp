#include "CycleHarness.h"
#include "IdlePort.h"
#include "QtPrinters.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

const QString kChanged = QStringLiteral("The following URL has changed or a table change alert has been triggered : ");

QString subjectOf(const ReceivedMail& m)
{
    return header(m, QStringLiteral("Subject"));
}

QString bodyOf(const ReceivedMail& m)
{
    return QString::fromUtf8(m.body());
}

} // namespace

TEST(WakeUpCycle, WholePageFirstVisitStoresAndAlertsThenStaysQuietUntilItChanges)
{
    CycleHarness h;
    h.pages.set(QStringLiteral("/w"), "<html>Price 10</html>");
    const qint64 key = h.entry(h.pages.url(QStringLiteral("/w")), QStringLiteral("W"));
    ASSERT_TRUE(h.load());

    h.tick();
    ASSERT_EQ(h.mails().size(), 1u);
    EXPECT_EQ(subjectOf(h.mails()[0]), QStringLiteral("Whole page changed : Weekly"));
    EXPECT_EQ(bodyOf(h.mails()[0]), kChanged + h.pages.url(QStringLiteral("/w")) + QStringLiteral("\r\n"));
    EXPECT_EQ(header(h.mails()[0], QStringLiteral("Content-Length")), QStringLiteral(" 23")); // 21 characters + 2
    EXPECT_EQ(h.column(key, QStringLiteral("Content")), Value("<html>Price 10</html>"));
    EXPECT_EQ(h.view.statusText, QStringLiteral("Sleeping..."));
    EXPECT_TRUE(h.view.timerOn);
    EXPECT_EQ(h.pointer.shape, ScreenPointer::Shape::Arrow);
    EXPECT_FALSE(h.module.WatchDatabase.isOpen());

    // unchanged: no mail, nothing stored, but the scratch file is written again
    QFile::remove(QDir(h.db.dir()).filePath(QStringLiteral("URL.html")));
    h.tick(); // WakeUp 1: every tick wakes
    EXPECT_EQ(h.mails().size(), 1u);
    EXPECT_EQ(h.scratchFile(), QByteArray("<html>Price 10</html>"));

    // a change of letter case is a change
    h.pages.set(QStringLiteral("/w"), "<html>price 10</html>");
    h.tick();
    ASSERT_EQ(h.mails().size(), 2u);
    EXPECT_EQ(h.column(key, QStringLiteral("Content")), Value("<html>price 10</html>"));
    EXPECT_TRUE(h.messages.shown.empty());
}

TEST(WakeUpCycle, StringSearchWorkedFigures)
{
    // "ABCDEF" (six characters) at character 1, "String length" 5
    struct Case {
        const char* name;
        const char* offset;
        const char* stored;
        const char* page;
        bool alert;
    } cases[] = {
        {"offset 0 compares characters 1 to 5", "0", "ABCDEFxyz", "ABCDEFabc", false},
        {"offset 1 compares from character 8 (1+6+1)", "1", "ABCDEF-10", "ABCDEF-12", true},
        {"offset 1, same characters 8 to 12", "1", "ABCDEF-12", "ABCDEF-12", false},
        {"offset -6 is offset 0 again (1+6-6)", "-6", "ABCDEFxyz", "ABCDEFabc", false},
        {"Null offset counts as 0", "NULL", "ABCDEFxyz", "ABCDEFabc", false},
        {"first visit: empty old piece", "0", nullptr, "ABCDEFabc", true},
        {"search text missing, offset 0", "0", "ghijkl", "ghijkl", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CycleHarness h;
        h.pages.set(QStringLiteral("/s"), c.page);
        const QString stored = c.stored ? QStringLiteral("'%1'").arg(QLatin1String(c.stored)) : QStringLiteral("NULL");
        const qint64 key = h.entry(h.pages.url(QStringLiteral("/s")), QStringLiteral("S"),
                                   QStringLiteral("\"String search\" = 'ABCDEF', \"String offset\" = %1, "
                                                  "\"String length\" = 5, Content = %2")
                                       .arg(QLatin1String(c.offset), stored));
        ASSERT_TRUE(h.load());
        h.tick();
        if (c.alert) {
            ASSERT_EQ(h.mails().size(), 1u);
            EXPECT_EQ(subjectOf(h.mails()[0]), QStringLiteral("Page changed (string search) : Weekly"));
            // the whole new page is stored, not the piece
            EXPECT_EQ(h.column(key, QStringLiteral("Content")), Value(c.page));
        } else {
            EXPECT_TRUE(h.mails().empty());
            EXPECT_EQ(h.column(key, QStringLiteral("Content")), Value(c.stored));
        }
    }
}

TEST(WakeUpCycle, StringSearchBeyondThePositionLimitAndZeroLength)
{
    CycleHarness h;
    const QByteArray far = QByteArray(32767, 'x') + "ABCDEF";
    h.pages.set(QStringLiteral("/far"), far);
    h.pages.set(QStringLiteral("/zero"), "ABCDEF222");
    const qint64 farKey = h.entry(h.pages.url(QStringLiteral("/far")), QStringLiteral("S"),
                                  QStringLiteral("\"String search\" = 'ABCDEF', \"String offset\" = 0, "
                                                 "\"String length\" = 5, Content = '%1'")
                                      .arg(QString::fromLatin1(far)));
    const qint64 zeroKey = h.entry(h.pages.url(QStringLiteral("/zero")), QStringLiteral("S"),
                                   QStringLiteral("\"String search\" = 'ABCDEF', \"String offset\" = 0, "
                                                  "\"String length\" = 0, Content = 'ABCDEF111'"));
    ASSERT_TRUE(h.load());
    h.tick();
    h.tick();
    // the occurrence at character 32768 cannot be held: a change at every cycle
    ASSERT_EQ(h.mails().size(), 2u);
    EXPECT_EQ(subjectOf(h.mails()[1]), QStringLiteral("Page changed (string search) : Weekly"));
    EXPECT_TRUE(bodyOf(h.mails()[1]).endsWith(h.pages.url(QStringLiteral("/far")) + QStringLiteral("\r\n")));
    EXPECT_EQ(h.column(farKey, QStringLiteral("Content")).textOrEmpty().size(), 32773);
    // length 0 never differs
    EXPECT_EQ(h.column(zeroKey, QStringLiteral("Content")), Value("ABCDEF111"));
}

TEST(WakeUpCycle, TableSearchTrueFalseAndNoTable)
{
    const QByteArray page = "<html><TABLE><TR><TD>x</TD></TR><tr><td>a</td><td>b</td><td>Alpha</td></tr></table></html>";
    const QString params = QStringLiteral("\"Table number\" = 1, \"Row number\" = 2, \"Column number\" = 3, "
                                          "\"Repeat count\" = 1, \"String offset\" = 3, \"String length\" = 5, "
                                          "\"String search\" = '%1'");
    CycleHarness h;
    h.pages.set(QStringLiteral("/t"), page);
    h.pages.set(QStringLiteral("/none"), "<html><p>no tables here</p></html>");
    const qint64 hit = h.entry(h.pages.url(QStringLiteral("/t")), QStringLiteral("T"), params.arg(QStringLiteral("Alpha")));
    const qint64 miss = h.entry(h.pages.url(QStringLiteral("/t")), QStringLiteral("T"), params.arg(QStringLiteral("Beta")));
    const qint64 none = h.entry(h.pages.url(QStringLiteral("/none")), QStringLiteral("T"), params.arg(QStringLiteral("Alpha")));
    ASSERT_TRUE(h.load());
    h.tick();
    const auto mails = h.mails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(subjectOf(mails[0]), QStringLiteral("Page changed (table alert) : Weekly"));
    EXPECT_EQ(subjectOf(mails[1]), QStringLiteral("No table to find (table alert) : Weekly"));
    EXPECT_EQ(bodyOf(mails[1]), QStringLiteral("There is no table to be found during a table alert : ")
                                    + h.pages.url(QStringLiteral("/none")) + QStringLiteral("\r\n"));
    EXPECT_EQ(header(mails[1], QStringLiteral("Content-Length")), QStringLiteral(" "));
    EXPECT_EQ(h.column(hit, QStringLiteral("Content")), Value(QString::fromLatin1(page)));
    EXPECT_TRUE(h.column(miss, QStringLiteral("Content")).isNull());
    EXPECT_TRUE(h.column(none, QStringLiteral("Content")).isNull());
}

TEST(WakeUpCycle, OtherSearchTypesAreFetchedButNeverComparedOrStored)
{
    CycleHarness h;
    h.pages.set(QStringLiteral("/lower"), "lower");
    h.pages.set(QStringLiteral("/null"), "null");
    h.pages.set(QStringLiteral("/x"), "ex");
    const qint64 a = h.entry(h.pages.url(QStringLiteral("/lower")), QStringLiteral("w"));
    const qint64 b = h.entry(h.pages.url(QStringLiteral("/null")), QStringLiteral("W"), QStringLiteral("\"Search type\" = NULL"));
    const qint64 c = h.entry(h.pages.url(QStringLiteral("/x")), QStringLiteral("X"));
    ASSERT_TRUE(h.load());
    h.tick();
    EXPECT_TRUE(h.mails().empty());
    for (const char* path : {"/lower", "/null", "/x"})
        EXPECT_EQ(h.pages.requests(QLatin1String(path)), 1) << path;
    for (qint64 key : {a, b, c})
        EXPECT_TRUE(h.column(key, QStringLiteral("Content")).isNull());
    EXPECT_EQ(h.scratchFile(), QByteArray("ex")); // the last page fetched
}

TEST(WakeUpCycle, InactiveEntryIsNeverRequested)
{
    CycleHarness h;
    h.pages.set(QStringLiteral("/on"), "on");
    h.pages.set(QStringLiteral("/off"), "off");
    h.entry(h.pages.url(QStringLiteral("/on")), QStringLiteral("W"));
    h.db.addEntry(h.pages.url(QStringLiteral("/off")), QStringLiteral("W"), false);
    ASSERT_TRUE(h.load());
    h.tick();
    EXPECT_EQ(h.pages.requests(QStringLiteral("/on")), 1);
    EXPECT_EQ(h.pages.requests(QStringLiteral("/off")), 0);
    EXPECT_EQ(h.mails().size(), 1u);
}

TEST(WakeUpCycle, PageFaultInTheMiddleHaltsWatchingUntilAMaintenanceWindowCloses)
{
    CycleHarness h(3);
    IdlePort refusing(IdlePort::Mode::Refusing);
    const QString dead = QStringLiteral("http://127.0.0.1:%1/gone").arg(refusing.port());
    h.pages.set(QStringLiteral("/before"), "before");
    h.pages.set(QStringLiteral("/after"), "after");
    const qint64 before = h.entry(h.pages.url(QStringLiteral("/before")), QStringLiteral("W"));
    h.entry(dead, QStringLiteral("W"));
    const qint64 after = h.entry(h.pages.url(QStringLiteral("/after")), QStringLiteral("W"));
    ASSERT_TRUE(h.load());
    h.tick();

    const auto mails = h.mails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(subjectOf(mails[0]), QStringLiteral("Whole page changed : Weekly"));
    EXPECT_EQ(subjectOf(mails[1]), QStringLiteral("Page fault : Weekly"));
    // connection refused is transfer code 7
    EXPECT_EQ(bodyOf(mails[1]), QStringLiteral("The following URL cannot be accessed : ") + dead
                                    + QStringLiteral("\r\n\r\n 10007 : Couldn't connect to server\r\n"));
    EXPECT_EQ(h.column(before, QStringLiteral("Content")), Value("before"));
    EXPECT_EQ(h.pages.requests(QStringLiteral("/after")), 0);
    EXPECT_TRUE(h.column(after, QStringLiteral("Content")).isNull());
    // halted: timer off, hourglass, the failing address on show, handles open
    EXPECT_FALSE(h.view.timerOn);
    EXPECT_EQ(h.pointer.shape, ScreenPointer::Shape::Busy);
    EXPECT_EQ(h.view.statusText, dead);
    EXPECT_TRUE(h.module.WatchDatabase.isOpen());
    EXPECT_EQ(h.engine.state().TickCount, 0);

    // the Properties window opens and closes: ticks resume from 0
    h.pages.set(QStringLiteral("/before"), "before");
    h.engine.command3Click();
    EXPECT_TRUE(h.view.timerOn);
    h.tick();
    EXPECT_EQ(h.view.statusText, QStringLiteral("Sleeping... 1 of  3"));
    h.tick();
    EXPECT_EQ(h.view.statusText, QStringLiteral("Sleeping... 2 of  3"));
    EXPECT_EQ(h.pages.requests(QStringLiteral("/before")), 1);
    h.tick(); // the third tick wakes
    EXPECT_EQ(h.pages.requests(QStringLiteral("/before")), 2);
    EXPECT_EQ(h.mails().size(), 3u); // the dead page faults again
}

TEST(WakeUpCycle, HttpErrorsAndASilentServerArePageFaults)
{
    struct Case {
        const char* path;
        int status;
        const char* tail;
    } cases[] = {
        {"/404", 404, " 404 : The web server answered HTTP status 404 (Not Found).\r\n"},
        {"/500", 500, " 500 : The web server answered HTTP status 500 (Internal Server Error).\r\n"},
    };
    for (const Case& c : cases) {
        CycleHarness h;
        h.pages.set(QLatin1String(c.path), "error page", "text/html", c.status);
        h.entry(h.pages.url(QLatin1String(c.path)), QStringLiteral("W"));
        ASSERT_TRUE(h.load());
        h.tick();
        ASSERT_EQ(h.mails().size(), 1u);
        EXPECT_EQ(subjectOf(h.mails()[0]), QStringLiteral("Page fault : Weekly"));
        EXPECT_TRUE(bodyOf(h.mails()[0]).endsWith(QLatin1String(c.tail))) << bodyOf(h.mails()[0]).toStdString();
        EXPECT_FALSE(h.view.timerOn);
    }

    CycleHarness h;
    IdlePort silent(IdlePort::Mode::Silent);
    h.entry(QStringLiteral("http://127.0.0.1:%1/").arg(silent.port()), QStringLiteral("W"));
    ASSERT_TRUE(h.load());
    h.tick();
    ASSERT_EQ(h.mails().size(), 1u);
    EXPECT_TRUE(bodyOf(h.mails()[0]).contains(QStringLiteral(" 10028 : "))) << bodyOf(h.mails()[0]).toStdString();
}

TEST(WakeUpCycle, RedirectsAndCharsetsAreStoredAsText)
{
    CycleHarness h;
    h.pages.redirect(QStringLiteral("/r1"), QStringLiteral("/r2"));
    h.pages.redirect(QStringLiteral("/r2"), QStringLiteral("/r3"));
    h.pages.set(QStringLiteral("/r3"), "landed");
    h.pages.set(QStringLiteral("/latin"), QByteArray("caf\xe9 \xfc"), "text/html; charset=ISO-8859-1");
    h.pages.set(QStringLiteral("/utf8"), QByteArray("caf\xc3\xa9 \xc3\xbc \xe2\x82\xac"), "text/html");
    const qint64 r = h.entry(h.pages.url(QStringLiteral("/r1")), QStringLiteral("W"));
    const qint64 latin = h.entry(h.pages.url(QStringLiteral("/latin")), QStringLiteral("W"));
    const qint64 utf8 = h.entry(h.pages.url(QStringLiteral("/utf8")), QStringLiteral("W"));
    ASSERT_TRUE(h.load());
    h.tick();
    EXPECT_EQ(h.column(r, QStringLiteral("Content")), Value("landed"));
    EXPECT_EQ(h.column(latin, QStringLiteral("Content")), Value(QStringLiteral("caf\u00e9 \u00fc")));
    EXPECT_EQ(h.column(utf8, QStringLiteral("Content")), Value(QStringLiteral("caf\u00e9 \u00fc \u20ac")));
    ASSERT_EQ(h.mails().size(), 3u);
    // eight characters (c a f e-acute blank u-umlaut blank euro), whatever their bytes
    EXPECT_EQ(header(h.mails()[2], QStringLiteral("Content-Length")), QStringLiteral(" 10"));
    // compared as text: the same page again is no change
    h.tick();
    EXPECT_EQ(h.mails().size(), 3u);
    // the scratch file holds the 8-bit form, one byte a character
    EXPECT_EQ(h.scratchFile(), QByteArray("caf\xe9 \xfc \x80"));
}

TEST(WakeUpCycle, NoActiveEntriesWakesAndSleepsAtOnce)
{
    CycleHarness h(3);
    ASSERT_TRUE(h.load());
    h.tick();
    ASSERT_GE(h.view.captions.size(), 2u);
    EXPECT_EQ(h.view.captions[h.view.captions.size() - 2], QStringLiteral("Waking..."));
    EXPECT_EQ(h.view.captions.back(), QStringLiteral("Sleeping..."));
    EXPECT_TRUE(h.view.timerOn);
    EXPECT_EQ(h.pointer.shape, ScreenPointer::Shape::Arrow);
    EXPECT_FALSE(h.module.WatchDatabase.isOpen());
    h.tick();
    EXPECT_EQ(h.view.statusText, QStringLiteral("Sleeping... 1 of  3"));
    h.tick();
    EXPECT_EQ(h.view.statusText, QStringLiteral("Sleeping... 2 of  3"));
    h.tick();
    EXPECT_EQ(h.view.captions.back(), QStringLiteral("Sleeping..."));
    EXPECT_EQ(h.engine.state().TickCount, 0);
}

TEST(WakeUpCycle, DatabaseGoneAtTheCycleStartEndsTheProgram)
{
    CycleHarness h;
    ASSERT_TRUE(h.load());
    QFile::rename(h.db.path(), h.db.path() + QStringLiteral(".moved"));
    h.tick();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].first, QStringLiteral("Cannot Open Database"));
    EXPECT_EQ(h.messages.shown[0].second,
              QStringLiteral("Cannot open the Sentrel database : The database file does not exist."));
    EXPECT_TRUE(h.programEnd.code.has_value());

    CycleHarness noTable;
    ASSERT_TRUE(noTable.load());
    noTable.db.exec(QStringLiteral("ALTER TABLE URLs RENAME TO Gone"));
    noTable.tick();
    ASSERT_EQ(noTable.messages.shown.size(), 1u);
    EXPECT_EQ(noTable.messages.shown[0].first, QStringLiteral("Cannot Open RecordSet"));
    EXPECT_TRUE(noTable.messages.shown[0].second.startsWith(QStringLiteral("Cannot open the Sentrel URL recordset : ")));
    EXPECT_FALSE(noTable.module.WatchDatabase.isOpen());
    EXPECT_TRUE(noTable.programEnd.code.has_value());
}
