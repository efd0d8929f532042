#include "WindowTest.h"

#include "windows/MaintenanceWindows.h"
#include "windows/URL.h"
#include "windows/fprop.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace orvane;
using namespace orvane::test;

namespace {

class MaintenanceWindowsTest : public WindowTest {};

} // namespace

TEST_F(MaintenanceWindowsTest, OpensTheAskedWindowModallyAndReturnsWhenItIsClosed)
{
    module.WatchDatabase = db.open();
    const MaintenanceWindows windows(services());
    for (auto [kind, name] : {std::pair{MainView::Maintenance::Urls, "URL"},
                              std::pair{MainView::Maintenance::Properties, "fprop"}}) {
        QString shown;
        bool modal = false;
        QTimer::singleShot(0, [&] {
            QWidget* window = QApplication::activeModalWidget();
            if (!window) { // never leave the test waiting on a window
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
                        dialog->reject();
                return;
            }
            shown = window->objectName();
            modal = window->isModal();
            QTest::keyClick(window, Qt::Key_Escape);
        });
        windows.showModal(kind, nullptr);
        EXPECT_EQ(shown, QLatin1String(name));
        EXPECT_TRUE(modal);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MaintenanceWindowsTest, AMissingDatabaseIsReportedAndNothingBreaks)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    {
        URL window(services());
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown[0].first, QStringLiteral("URL Maintenance"));
        EXPECT_EQ(messages.shown[0].second, QStringLiteral("The database file does not exist."));
        window.Command1->click();
        window.Text1->setText(QStringLiteral("http://a.test/"));
        window.Text2->setText(QStringLiteral("a@example.test"));
        window.Text3->setText(QStringLiteral("s"));
        window.Command3->click();
        window.Command2->click();
        window.Command4->click(); // the shared connection is not open either
        window.Command5->click();
        EXPECT_TRUE(window.unloaded());
        for (const auto& [title, text] : messages.shown)
            EXPECT_TRUE(title == QLatin1String("URL Maintenance") || title == QLatin1String("Selection"))
                << title.toStdString();
    }
    messages.shown.clear();
    {
        fprop window(messages);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].first, QStringLiteral("Property Pages"));
        window.Text1->setText(QStringLiteral("4"));
        window.Command2->click();
        EXPECT_EQ(messages.shown.size(), 2u);
        EXPECT_FALSE(window.unloaded()); // nothing was stored, so it stays open
        window.Command1->click();
        EXPECT_TRUE(window.unloaded());
    }
}
