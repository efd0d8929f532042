#include "WindowTest.h"

#include "windows/fprop.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

namespace {

class PropertiesWindowTest : public WindowTest {
protected:
    Value setting(const char* name) const { return column(QStringLiteral("System"), QString::fromLatin1(name), 1); }
    void expectDefaultsKept() const
    {
        EXPECT_EQ(setting("Wake-up"), Value(5));
        EXPECT_EQ(setting("Mail server"), Value("localhost"));
        EXPECT_EQ(setting("SMTP Port"), Value(25));
    }
    // Edits in all three boxes, typed as a user would.
    static void typeEdits(fprop& window)
    {
        window.Text1->selectAll();
        QTest::keyClicks(window.Text1, QStringLiteral("12"));
        window.Text2->selectAll();
        QTest::keyClicks(window.Text2, QStringLiteral("smtp.example.test"));
        window.Text3->selectAll();
        QTest::keyClicks(window.Text3, QStringLiteral("587"));
    }
};

} // namespace

TEST_F(PropertiesWindowTest, DesignMatchesTheLayout)
{
    fprop window(messages);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Property Pages"));
    EXPECT_EQ(window.size(), QSize(312, 135)); // 4680 x 2025 twips

    struct Expected {
        QWidget* widget;
        const char* name;
        const char* caption;
        QRect rect;
    };
    const Expected design[] = {
        {window.Label1, "Label1", "Wake up minutes :", twipsRect(120, 120, 1455, 255)},
        {window.Text1, "Text1", nullptr, twipsRect(1680, 120, 495, 285)},
        {window.Label2, "Label2", "Mail server :", twipsRect(120, 480, 975, 255)},
        {window.Text2, "Text2", nullptr, twipsRect(1680, 480, 2895, 285)},
        {window.Label3, "Label3", "SMTP port :", twipsRect(120, 840, 975, 255)},
        {window.Text3, "Text3", nullptr, twipsRect(1680, 840, 615, 285)},
        {window.Command1, "Command1", "&Close", twipsRect(120, 1440, 1095, 495)},
        {window.Command2, "Command2", "&Save", twipsRect(3480, 1440, 1095, 495)},
    };
    for (const Expected& e : design) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.widget->objectName(), QLatin1String(e.name));
        EXPECT_EQ(e.widget->geometry(), e.rect);
        if (auto* l = qobject_cast<QLabel*>(e.widget)) {
            EXPECT_EQ(l->text(), QLatin1String(e.caption));
        }
        if (auto* b = qobject_cast<QPushButton*>(e.widget)) {
            EXPECT_EQ(b->text(), QLatin1String(e.caption));
        }
    }
    EXPECT_EQ(window.Text1->maxLength(), 2);
    EXPECT_EQ(window.Text2->maxLength(), 50);
    EXPECT_EQ(window.Text3->maxLength(), 3);
    const QList<QWidget*> order = {window.Text1, window.Text2, window.Text3, window.Command1, window.Command2};
    EXPECT_EQ(tabSequence(order), order);
    EXPECT_FALSE(window.Command1->isDefault());
    EXPECT_FALSE(window.Command2->isDefault());
    EXPECT_EQ(window.Data1->objectName(), QStringLiteral("Data1"));
}

TEST_F(PropertiesWindowTest, ShowsTheStoredSettingsAndLimitsWhatCanBeTyped)
{
    fprop window(messages);
    EXPECT_EQ(window.Text1->text(), QStringLiteral("5"));
    EXPECT_EQ(window.Text2->text(), QStringLiteral("localhost"));
    EXPECT_EQ(window.Text3->text(), QStringLiteral("25"));

    window.Text1->clear();
    QTest::keyClicks(window.Text1, QStringLiteral("123"));
    EXPECT_EQ(window.Text1->text(), QStringLiteral("12"));
    window.Text3->clear();
    QTest::keyClicks(window.Text3, QStringLiteral("25000"));
    EXPECT_EQ(window.Text3->text(), QStringLiteral("250"));
    window.Text2->clear();
    QTest::keyClicks(window.Text2, QString(60, QLatin1Char('m')));
    EXPECT_EQ(window.Text2->text(), QString(50, QLatin1Char('m')));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PropertiesWindowTest, SaveStoresTheRowAndCloses)
{
    fprop window(messages);
    window.show();
    typeEdits(window);
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    EXPECT_TRUE(window.unloaded());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(setting("Wake-up"), Value(12));
    EXPECT_EQ(setting("Mail server"), Value("smtp.example.test"));
    EXPECT_EQ(setting("SMTP Port"), Value(587));
    EXPECT_TRUE(messages.shown.empty());

    // The next opening shows what was stored.
    fprop again(messages);
    EXPECT_EQ(again.Text2->text(), QStringLiteral("smtp.example.test"));
}

TEST_F(PropertiesWindowTest, SaveWithNothingChangedStoresTheRowUnchangedAndCloses)
{
    fprop window(messages);
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    EXPECT_TRUE(window.unloaded());
    expectDefaultsKept();
    EXPECT_EQ(countRows(QStringLiteral("System")), 1);
}

TEST_F(PropertiesWindowTest, EveryOtherWayOutDropsTheEdits)
{
    {
        fprop window(messages);
        window.show();
        typeEdits(window);
        QTest::keyClick(window.Text2, Qt::Key_Escape);
        EXPECT_TRUE(window.unloaded());
        EXPECT_FALSE(window.isVisible());
    }
    expectDefaultsKept();
    {
        fprop window(messages);
        window.show();
        typeEdits(window);
        window.close(); // the close box
        EXPECT_TRUE(window.unloaded());
    }
    expectDefaultsKept();
    {
        fprop window(messages);
        window.show();
        typeEdits(window);
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        EXPECT_TRUE(window.unloaded());
    }
    expectDefaultsKept();
    {
        // The next opening shows the stored values, not the dropped edits.
        fprop window(messages);
        EXPECT_EQ(window.Text2->text(), QStringLiteral("localhost"));
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PropertiesWindowTest, EnterInABoxPressesNothing)
{
    fprop window(messages);
    window.show();
    typeEdits(window);
    QTest::keyClick(window.Text2, Qt::Key_Return);
    EXPECT_FALSE(window.unloaded());
    expectDefaultsKept();
}

TEST_F(PropertiesWindowTest, LettersInANumberBoxAreReportedAndNothingIsStored)
{
    fprop window(messages);
    window.show();
    window.Text2->setText(QStringLiteral("smtp.example.test"));
    window.Text1->setText(QStringLiteral("ab"));
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, QStringLiteral("Property Pages"));
    EXPECT_TRUE(messages.shown[0].second.contains(QStringLiteral("Wake-up")));
    EXPECT_FALSE(window.unloaded());
    EXPECT_TRUE(window.isVisible());
    expectDefaultsKept();

    // Put right, the same window stores both boxes.
    window.Text1->setText(QStringLiteral("7"));
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    EXPECT_TRUE(window.unloaded());
    EXPECT_EQ(setting("Wake-up"), Value(7));
    EXPECT_EQ(setting("Mail server"), Value("smtp.example.test"));
}

TEST_F(PropertiesWindowTest, AnEmptySystemTableGetsItsRowOnSave)
{
    db.exec(QStringLiteral("DELETE FROM System"));
    fprop window(messages);
    EXPECT_EQ(window.Text1->text(), QString());
    window.Text1->setText(QStringLiteral("3"));
    window.Text2->setText(QStringLiteral("mx.example.test"));
    window.Text3->setText(QStringLiteral("26"));
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(window.unloaded());
    ASSERT_EQ(countRows(QStringLiteral("System")), 1);
    auto rs = db.open().openRecordset(QStringLiteral("System"));
    ASSERT_TRUE(rs.ok());
    EXPECT_EQ(rs.value().value(QStringLiteral("Wake-up")).value(), Value(3));
    EXPECT_EQ(rs.value().value(QStringLiteral("Mail server")).value(), Value("mx.example.test"));
    EXPECT_EQ(rs.value().value(QStringLiteral("SMTP Port")).value(), Value(26));
}
