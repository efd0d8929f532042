#include "Fakes.h"
#include "TempDatabase.h"

#include "engine/fSentrel.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

struct Window {
    RecordingMessages messages;
    RecordingPointer pointer;
    RecordingProgramEnd programEnd;
    FixedClock clock;
    NoFetch fetch;
    NoMail mail;
    mSentrel module;
    std::vector<std::pair<MainView::Maintenance, bool>> opened; // window, Timer1 active while open
    fSentrel* window = nullptr;

    explicit Window(int interval = fSentrel::kTimerIntervalMs)
    {
        window = new fSentrel(module, EngineServices{messages, pointer, programEnd, clock, fetch, mail},
                              [this](MainView::Maintenance w, QWidget*) { opened.emplace_back(w, window->Timer1->isActive()); },
                              interval);
    }
    ~Window() { delete window; }
};

QWidget* nextTabStop(QWidget* w)
{
    QWidget* next = w->nextInFocusChain();
    while (next != w && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

QRect px(int l, int t, int w, int h)
{
    return {l / 15, t / 15, w / 15, h / 15};
}

} // namespace

TEST(MainWindow, LayoutFollowsTheDesign)
{
    Window w;
    fSentrel& f = *w.window;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Orvane"));
    EXPECT_EQ(f.size(), QSize(4680 / 15, 1200 / 15));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Status"));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("Sleeping..."));
    EXPECT_EQ(f.Command1->text(), QStringLiteral("&Close"));
    EXPECT_EQ(f.Command2->text(), QStringLiteral("&URL's"));
    EXPECT_EQ(f.Command3->text(), QStringLiteral("&Properties"));
    EXPECT_EQ(f.Label1->geometry(), px(120, 0, 615, 255));
    EXPECT_EQ(f.Label2->geometry(), px(120, 240, 4455, 255));
    EXPECT_EQ(f.Command2->geometry(), px(120, 720, 1095, 375));
    EXPECT_EQ(f.Command3->geometry(), px(1680, 720, 1215, 375));
    EXPECT_EQ(f.Command1->geometry(), px(3360, 720, 1215, 375));
    // buttons in a row, left to right: URL's, Properties, Close, under the status line
    EXPECT_LT(f.Command2->x(), f.Command3->x());
    EXPECT_LT(f.Command3->x(), f.Command1->x());
    EXPECT_GT(f.Command2->y(), f.Label2->y() + f.Label2->height() - 1);
    EXPECT_TRUE(f.Label2->autoFillBackground());
    EXPECT_EQ(f.Label2->palette().color(QPalette::Window), QColor(Qt::white));
    // tab order: Close, URL's, Properties
    EXPECT_EQ(nextTabStop(f.Command1), f.Command2);
    EXPECT_EQ(nextTabStop(f.Command2), f.Command3);
    EXPECT_EQ(nextTabStop(f.Command3), f.Command1);
    EXPECT_EQ(f.Timer1->interval(), 65535);
    EXPECT_FALSE(f.windowIcon().isNull());
    EXPECT_EQ(f.windowIcon().availableSizes().size(), 2);
}

TEST(MainWindow, ButtonsStopTheTimerWhileAWindowIsOpen)
{
    TempDatabase db;
    const QString saved = QDir::currentPath();
    Window w;
    ASSERT_TRUE(w.window->Form_Load(false, db.dir()));
    EXPECT_TRUE(w.window->Timer1->isActive());
    QTest::mouseClick(w.window->Command2, Qt::LeftButton);
    QTest::mouseClick(w.window->Command3, Qt::LeftButton);
    ASSERT_EQ(w.opened.size(), 2u);
    EXPECT_EQ(w.opened[0].first, MainView::Maintenance::Urls);
    EXPECT_FALSE(w.opened[0].second);
    EXPECT_EQ(w.opened[1].first, MainView::Maintenance::Properties);
    EXPECT_FALSE(w.opened[1].second);
    EXPECT_TRUE(w.window->Timer1->isActive());
    QDir::setCurrent(saved);
}

TEST(MainWindow, TimerTicksCountInTheStatusLine)
{
    TempDatabase db;
    db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 10"));
    const QString saved = QDir::currentPath();
    Window w(5);
    ASSERT_TRUE(w.window->Form_Load(false, db.dir()));
    w.window->engine().state().TickCount = 0;
    QTRY_COMPARE_WITH_TIMEOUT(w.window->Label2->text(), QStringLiteral("Sleeping... 2 of  10"), 2000);
    QDir::setCurrent(saved);
}

TEST(MainWindow, CloseButtonClosesTheWindow)
{
    Window w;
    w.window->show();
    ASSERT_TRUE(w.window->isVisible());
    QTest::mouseClick(w.window->Command1, Qt::LeftButton);
    EXPECT_FALSE(w.window->isVisible());
}
