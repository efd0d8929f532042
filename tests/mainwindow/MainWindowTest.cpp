// The main window over the real watcher, its seams stand-ins: starting,
// ticking, its buttons, and a cycle under way.

#include "PageServer.h"
#include "QtPrinters.h"
#include "StandInWatcher.h"
#include "Wait.h"

#include "mainwindow/MainWindow.h"
#include "net/CurlPageFetcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

using namespace orvane;
using namespace orvane::test;

namespace {

// A fresh Sentrel.mdb, the shared connection open as the program leaves it.
class MainWindowTest : public ::testing::Test, protected StandInSetting {
protected:
    void TearDown() override { QDir::setCurrent(previous_); }
    QString previous_ = QDir::currentPath();
};

} // namespace

// Each failure to start shows its message and ends the program at once.
TEST_F(MainWindowTest, StartUpFailuresEndTheProgram)
{
    const struct {
        const char* failure;
        const char* arrange; // the file removed (rm) or cut short (cut), or SQL on another connection
        const char* title;
        const char* text; // followed by the error's own text when it ends in ": "
    } cases[] = {
        {"second copy", "", "Sentrel Error", "You can only run one copy of this application at a time !"},
        {"no database", "rm", "Cannot Open Database", "Cannot open the Sentrel database : "},
        {"not a database", "cut", "Cannot Open Database", "Cannot open the Sentrel database : "},
        {"locked", "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM URLs", "Cannot Open Database",
         "Cannot open the Sentrel database : "},
        {"no System table", "DROP TABLE System", "Cannot Open RecordSet", "Cannot open the Sentrel System data : "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        messages.shown.clear();
        programEnd.code.reset();
        TempDatabase fresh;
        Workspace freshWorkspace(fresh.dir());
        const Database other = fresh.open();
        const std::string arrange = c.arrange;
        ASSERT_TRUE(arrange == "rm"        ? QFile::remove(fresh.path())
                        : arrange == "cut" ? QFile::resize(fresh.path(), 40)
                                           : arrange.empty() || other.execute(QString::fromStdString(arrange)).ok());
        MainWindow window({});
        Watcher watcher(freshWorkspace, window, services());
        EXPECT_FALSE(watcher.load(arrange.empty()));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].first, QLatin1String(c.title));
        const QString text = QLatin1String(c.text), shown = messages.shown[0].second;
        EXPECT_TRUE(text.endsWith(QLatin1String(": ")) ? shown.startsWith(text) && shown != text : shown == text);
        EXPECT_TRUE(programEnd.code.has_value() && *programEnd.code != 0);
        EXPECT_FALSE(freshWorkspace.watchDatabase.isOpen());
    }
}

// Started elsewhere it works in its folder, reads the settings and counts its 20 ms ticks in the status line.
TEST_F(MainWindowTest, CountsTicksInTheStatusLine)
{
    db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 99"));
    ASSERT_TRUE(QDir::setCurrent(QDir::tempPath()));
    MainWindow window({});
    Watcher watcher(workspace, window, services(), std::chrono::milliseconds(20));
    ASSERT_TRUE(watcher.load(false));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(db.dir()).canonicalPath());
    WatcherState& state = watcher.state();
    ASSERT_TRUE(state.settings.port.ok());
    EXPECT_EQ(std::tuple(state.tickCount, state.settings.mailServer, state.settings.port.value()),
              std::tuple(100, "localhost", 25));
    state.tickCount = 0;
    ASSERT_TRUE(waitFor([&] { return state.tickCount >= 2; }));
    EXPECT_EQ(window.status(), QStringLiteral("Sleeping... %1 of  99").arg(state.tickCount));
}

// The buttons stop the timer while their window is open, with the shared connection open for it; with the
// database gone they show why and end the program.
TEST_F(MainWindowTest, ButtonsStopTheTimerWhileAWindowIsOpen)
{
    std::vector<std::tuple<MainView::Maintenance, bool, bool>> opened;
    std::optional<Watcher> watcher;
    MainWindow window([&](MainView::Maintenance w, QWidget*) {
        opened.emplace_back(w, watcher->timerRunning(), workspace.watchDatabase.isOpen());
    });
    watcher.emplace(workspace, window, services());
    window.forwardButtonsTo(*watcher);
    ASSERT_TRUE(watcher->load(false));
    workspace.watchDatabase.close();
    QTest::mouseClick(window.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    using W = MainView::Maintenance;
    EXPECT_EQ(opened, (std::vector {std::tuple {W::Urls, false, true}, std::tuple {W::Properties, false, true}}));
    EXPECT_TRUE(watcher->timerRunning());
    ASSERT_TRUE(QFile::remove(db.path()));
    QTest::mouseClick(window.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    EXPECT_EQ(std::tuple(opened.size(), messages.shown.size(), programEnd.code.has_value()), std::tuple(2u, 1u, true));
}

// The status line shows an address as it is: as markup each would be far narrower.
TEST_F(MainWindowTest, ShowsAnAddressAsItIs)
{
    MainWindow window({});
    for (const QString url : {"http://a.test/?q=<b>bold</b>", "http://a.test/?q=&lt;b&gt;x"}) {
        window.setStatus(url);
        EXPECT_GE(window.findChild<QLabel*>("Label2")->sizeHint().width(), window.fontMetrics().horizontalAdvance(url));
    }
}

TEST_F(MainWindowTest, PaintsTheAddressButTakesNoInputWhileAPageIsFetched)
{
    PageServer pages;
    ASSERT_TRUE(pages.started);
    pages.set({{"/slow", "slow page"}}, "/slow"); // held until the test has looked
    db.addEntry(pages.url("/slow"));
    // Painting as the program does it.
    CurlPageFetcher slowFetcher({.keepPainting = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }});
    std::vector<MainView::Maintenance> opened;
    MainWindow window([&](MainView::Maintenance w, QWidget*) { opened.push_back(w); });
    Watcher watcher(workspace, window, services(slowFetcher, mailer), std::chrono::milliseconds(20));
    window.forwardButtonsTo(watcher);
    ASSERT_TRUE(watcher.load(false));
    window.show();
    auto* properties = window.findChild<QPushButton*>(QStringLiteral("Command3"));

    // Runs from the fetcher's painting while the server holds the page.
    QString statusDuringFetch;
    bool looked = false, timerDuringFetch = true;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (looked || pages.requests("/slow") == 0)
            return;
        looked = true;
        statusDuringFetch = window.findChild<QLabel*>(QStringLiteral("Label2"))->text();
        timerDuringFetch = watcher.timerRunning();
        QTest::mouseClick(properties, Qt::LeftButton);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        QTest::keyClick(&window, Qt::Key_P, Qt::AltModifier);
        window.close();
        pages.set({{"/slow", "slow page"}});
    });
    probe.start(5);

    ASSERT_TRUE(waitFor([&] { return !mailer.sent.empty() && watcher.timerRunning(); }));
    EXPECT_EQ(std::tuple(statusDuringFetch, timerDuringFetch, opened.size(), window.isVisible()),
              std::tuple(pages.url("/slow"), false, 0u, true));

    ASSERT_EQ(watcher.enterMaintenance(), WatcherControl::Entry::Entered); // no tick meanwhile
    QTest::mouseClick(properties, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<MainView::Maintenance>({MainView::Maintenance::Properties}));
}
