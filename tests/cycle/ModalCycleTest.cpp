// The main window during a cycle: it paints, but takes no input and no tick.
#include "CycleHarness.h"

#include "engine/fSentrel.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

TEST(ModalCycle, WindowPaintsTheAddressButTakesNoInputWhileAPageIsFetched)
{
    CycleHarness h; // its database, pages and SMTP server; the window gets its own engine
    h.pages.set(QStringLiteral("/slow"), "slow page");
    h.pages.delay(QStringLiteral("/slow"), 800);
    const QString url = h.pages.url(QStringLiteral("/slow"));
    h.entry(url, QStringLiteral("W"));

    CurlPageFetcher::Options options = CycleHarness::shortFetch();
    options.totalTimeout = std::chrono::milliseconds(5000);
    options.keepPainting = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); };
    CurlPageFetcher fetcher(options);

    std::vector<MainView::Maintenance> opened;
    fSentrel window(h.module, EngineServices{h.messages, h.pointer, h.programEnd, h.clock, fetcher, h.mail},
                    [&](MainView::Maintenance w, QWidget*) { opened.push_back(w); }, 20);
    ASSERT_TRUE(window.Form_Load(false, h.db.dir()));
    window.show();

    QString statusDuringFetch;
    bool timerDuringFetch = true;
    bool clickedDuringFetch = false;
    QTimer::singleShot(300, [&] {
        // inside the fetch, from the fetcher's painting pump
        statusDuringFetch = window.Label2->text();
        timerDuringFetch = window.Timer1->isActive();
        QTest::mouseClick(window.Command3, Qt::LeftButton);
        QTest::mouseClick(window.Command2, Qt::LeftButton);
        QTest::keyClick(&window, Qt::Key_P, Qt::AltModifier);
        window.close();
        clickedDuringFetch = h.mails().empty(); // the cycle had not reached its alert yet
    });

    // the first tick wakes; wait for the mail of the first visit
    QTRY_VERIFY_WITH_TIMEOUT(!h.mails().empty(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(window.Timer1->isActive(), 2000);

    EXPECT_TRUE(clickedDuringFetch);
    EXPECT_EQ(statusDuringFetch, url);
    EXPECT_FALSE(timerDuringFetch);
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(h.pages.requests(QStringLiteral("/slow")), 1);

    // once the cycle is over, the window listens again
    window.Timer1->stop();
    QTest::mouseClick(window.Command3, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], MainView::Maintenance::Properties);
}
