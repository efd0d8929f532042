#include "WindowTest.h"

#include "windows/URL.h"
#include "windows/frmSelt.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace orvane;
using namespace orvane::test;

namespace {

class URLWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // The main window opens the shared connection before the window.
        module.WatchDatabase = db.open();
    }

    std::unique_ptr<URL> openWindow()
    {
        auto window = std::make_unique<URL>(services());
        window->show();
        return window;
    }

    // "&View / select" answered by picking the first line that starts with
    // the given text, or by "&Close" when there is none.
    void answerSelection(URL& window, const QString& lineStart)
    {
        window.selection().setPresenter([this, lineStart](frmSelt& dialog) {
            listed.clear();
            for (int i = 0; i < dialog.List1->count(); ++i)
                listed << dialog.List1->item(i)->text();
            for (int i = 0; i < dialog.List1->count(); ++i) {
                if (!lineStart.isEmpty() && dialog.List1->item(i)->text().startsWith(lineStart)) {
                    dialog.List1->setCurrentRow(i);
                    QTest::mouseClick(dialog.Command1, Qt::LeftButton);
                    return;
                }
            }
            QTest::mouseClick(dialog.Command2, Qt::LeftButton);
        });
    }

    static void type(QLineEdit* box, const QString& text)
    {
        box->selectAll();
        QTest::keyClicks(box, text);
    }

    static void fillRequired(URL& window)
    {
        type(window.Text1, QStringLiteral("http://new.test/page"));
        type(window.Text2, QStringLiteral("me@example.test"));
        type(window.Text3, QStringLiteral("Page changed"));
    }

    static void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

    Value entry(qint64 rowid, const char* name) const
    {
        return column(QStringLiteral("URLs"), QString::fromLatin1(name), rowid);
    }

    // The rowid of the only row of URLs.
    qint64 onlyRow() const
    {
        auto rs = db.open().openRecordset(QStringLiteral("URLs"));
        if (!rs.ok() || rs.value().recordCount() != 1)
            return -1;
        return rs.value().bookmark().value_or(-1);
    }

    QStringList listed;
};

} // namespace

TEST_F(URLWindowTest, DesignMatchesTheLayout)
{
    URL window(services());
    EXPECT_EQ(window.objectName(), QStringLiteral("URL"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("URL Definition"));
    EXPECT_EQ(window.size(), QSize(446, 399)); // 6690 x 5985 twips

    struct Expected {
        QWidget* widget;
        const char* name;
        const char* caption;
        QWidget* parent;
        QRect rect;
    };
    URL& w = window;
    const Expected design[] = {
        {w.Se, "Se", "URL", &w, twipsRect(120, 120, 1575, 255)},
        {w.Text1, "Text1", nullptr, &w, twipsRect(120, 360, 6495, 285)},
        {w.Label2, "Label2", "EMail address", &w, twipsRect(120, 720, 1575, 255)},
        {w.Text2, "Text2", nullptr, &w, twipsRect(120, 960, 6495, 285)},
        {w.Label1, "Label1", "EMail subject", &w, twipsRect(120, 1320, 1215, 255)},
        {w.Text3, "Text3", nullptr, &w, twipsRect(120, 1560, 4935, 285)},
        {w.Check1, "Check1", "Active", &w, twipsRect(5160, 1560, 1095, 255)},
        {w.Frame1, "Frame1", "Type", &w, twipsRect(120, 2040, 1815, 2175)},
        {w.Option3, "Option3", "Whole page", w.Frame1, twipsRect(120, 240, 1215, 255)},
        {w.Option1, "Option1", "Search string", w.Frame1, twipsRect(120, 480, 1575, 255)},
        {w.Option2, "Option2", "Search table", w.Frame1, twipsRect(120, 720, 1575, 255)},
        {w.Frame2, "Frame2", "Table Search", &w, twipsRect(2160, 2040, 4455, 2175)},
        {w.Label7, "Label7", "Table # : ", w.Frame2, twipsRect(120, 240, 735, 255)},
        {w.Text8, "Text8", nullptr, w.Frame2, twipsRect(960, 240, 495, 285)},
        {w.Label6, "Label6", "Row # :", w.Frame2, twipsRect(120, 480, 735, 255)},
        {w.Text7, "Text7", nullptr, w.Frame2, twipsRect(960, 480, 495, 285)},
        {w.Label3, "Label3", "Coumn # :", w.Frame2, twipsRect(120, 720, 855, 255)},
        {w.Text6, "Text6", nullptr, w.Frame2, twipsRect(960, 720, 495, 285)},
        {w.Label5, "Label5", "# of repeats :", w.Frame2, twipsRect(120, 1080, 1095, 255)},
        {w.Text5, "Text5", nullptr, w.Frame2, twipsRect(1080, 1080, 495, 285)},
        {w.Frame4, "Frame4", "String search", &w, twipsRect(120, 4320, 6495, 975)},
        {w.Label9, "Label9", "Search for :", w.Frame4, twipsRect(120, 240, 975, 255)},
        {w.Text11, "Text11", nullptr, w.Frame4, twipsRect(1080, 240, 5175, 285)},
        {w.Label8, "Label8", "Offset :", w.Frame4, twipsRect(120, 600, 855, 255)},
        {w.Text10, "Text10", nullptr, w.Frame4, twipsRect(1080, 600, 495, 285)},
        {w.Label10, "Label10", "Length : ", w.Frame4, twipsRect(1800, 600, 735, 255)},
        {w.Text12, "Text12", nullptr, w.Frame4, twipsRect(2520, 600, 615, 285)},
        {w.Text9, "Text9", nullptr, &w, twipsRect(2880, 0, 735, 285)},
        {w.Command1, "Command1", "&New", &w, twipsRect(120, 5400, 1215, 495)},
        {w.Command2, "Command2", "&Delete", &w, twipsRect(1440, 5400, 1215, 495)},
        {w.Command3, "Command3", "&Save", &w, twipsRect(2760, 5400, 1215, 495)},
        {w.Command4, "Command4", "&View / select", &w, twipsRect(4080, 5400, 1215, 495)},
        {w.Command5, "Command5", "&Close", &w, twipsRect(5400, 5400, 1215, 495)},
    };
    for (const Expected& e : design) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.widget->objectName(), QLatin1String(e.name));
        EXPECT_EQ(e.widget->parentWidget(), e.parent);
        EXPECT_EQ(e.widget->geometry(), e.rect);
        QString caption;
        if (auto* l = qobject_cast<QLabel*>(e.widget))
            caption = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(e.widget))
            caption = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(e.widget))
            caption = g->title();
        if (e.caption) {
            EXPECT_EQ(caption, QLatin1String(e.caption));
        }
    }

    EXPECT_EQ(w.Text1->maxLength(), 80);
    EXPECT_EQ(w.Text2->maxLength(), 255);
    EXPECT_EQ(w.Text3->maxLength(), QLineEdit().maxLength()); // no limit of its own
    EXPECT_EQ(w.Text11->maxLength(), 50);
    for (QLineEdit* number : {w.Text8, w.Text7, w.Text6, w.Text5, w.Text10, w.Text12})
        EXPECT_EQ(number->maxLength(), 4) << number->objectName().toStdString();

    EXPECT_TRUE(w.Text9->isHidden());
    EXPECT_TRUE(w.Command3->isDefault());
    EXPECT_FALSE(w.Command5->isDefault());
    EXPECT_TRUE(w.Option3->isChecked());
    EXPECT_FALSE(w.Frame2->isEnabled());
    EXPECT_FALSE(w.Frame4->isEnabled());
    EXPECT_FALSE(w.AddingNew);
    EXPECT_EQ(w.Data1->objectName(), QStringLiteral("Data1"));

    // Tab order over the controls that take the focus.
    const QList<QWidget*> order = {w.Text1, w.Text2,  w.Text3,  w.Check1,   w.Option3,  w.Option1,  w.Option2,
                                   w.Text8, w.Text7,  w.Text6,  w.Text5,    w.Text11,   w.Text10,   w.Text12,
                                   w.Command1, w.Command2, w.Command3, w.Command4, w.Command5};
    EXPECT_EQ(tabSequence(order), order);
}

TEST_F(URLWindowTest, ShowsTheFirstRowOnLoad)
{
    const qint64 first = db.addEntry(QStringLiteral("http://a.test/"), QStringLiteral("T"), false);
    db.addEntry(QStringLiteral("http://b.test/"));
    db.exec(QStringLiteral("UPDATE URLs SET \"Table number\" = 3, \"String search\" = 'x' WHERE rowid = %1").arg(first));
    URL window(services());
    EXPECT_EQ(window.Text1->text(), QStringLiteral("http://a.test/"));
    EXPECT_EQ(window.Text2->text(), QStringLiteral("watcher@example.test"));
    EXPECT_EQ(window.Text3->text(), QStringLiteral("Weekly"));
    EXPECT_FALSE(window.Check1->isChecked());
    EXPECT_EQ(window.Text8->text(), QStringLiteral("3"));
    EXPECT_EQ(window.Text7->text(), QString()); // Null replaces the design text
    EXPECT_EQ(window.Text11->text(), QStringLiteral("x"));
    EXPECT_TRUE(window.Option2->isChecked());
    EXPECT_TRUE(window.Frame2->isEnabled());
    EXPECT_TRUE(window.Frame4->isEnabled());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(URLWindowTest, NewThenSaveStoresTheNewRowDefaults)
{
    auto window = openWindow();
    click(window->Command1);
    EXPECT_TRUE(window->AddingNew);
    EXPECT_TRUE(window->Check1->isChecked());
    EXPECT_TRUE(window->Option3->isChecked());
    EXPECT_EQ(window->Text9->text(), QStringLiteral("W"));
    EXPECT_EQ(window->focusWidget(), window->Text1);

    fillRequired(*window);
    click(window->Command3);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(window->AddingNew);
    const qint64 row = onlyRow();
    ASSERT_GE(row, 0);
    EXPECT_EQ(entry(row, "URL"), Value("http://new.test/page"));
    EXPECT_EQ(entry(row, "EMail"), Value("me@example.test"));
    EXPECT_EQ(entry(row, "Subject"), Value("Page changed"));
    EXPECT_EQ(entry(row, "Active"), Value(-1));
    EXPECT_EQ(entry(row, "Search type"), Value("W"));
    EXPECT_TRUE(entry(row, "String search").isNull()); // never touched, so never written
    EXPECT_EQ(entry(row, "String offset"), Value(0));
    EXPECT_EQ(entry(row, "String length"), Value(1));
    EXPECT_EQ(entry(row, "Table number"), Value(1));
    EXPECT_EQ(entry(row, "Row number"), Value(1));
    EXPECT_EQ(entry(row, "Column number"), Value(1));
    EXPECT_EQ(entry(row, "Repeat count"), Value(1));
    EXPECT_TRUE(entry(row, "Content").isNull());
    EXPECT_EQ(entry(row, "Added"), Value("2026-12-04 14:30:05"));
    // The window goes on showing the stored row.
    EXPECT_EQ(window->Text1->text(), QStringLiteral("http://new.test/page"));
    EXPECT_TRUE(window->Data1->hasCurrentRow());
}

TEST_F(URLWindowTest, NewTwiceStartsOneRow)
{
    auto window = openWindow();
    click(window->Command1);
    type(window->Text1, QStringLiteral("http://typed.test/"));
    click(window->Command1); // does nothing: the typed text stays
    EXPECT_EQ(window->Text1->text(), QStringLiteral("http://typed.test/"));
    type(window->Text2, QStringLiteral("me@example.test"));
    type(window->Text3, QStringLiteral("Subject"));
    click(window->Command3);
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
    EXPECT_EQ(entry(onlyRow(), "URL"), Value("http://typed.test/"));
}

TEST_F(URLWindowTest, NewThenCloseStoresNothing)
{
    const qint64 existing = db.addEntry(QStringLiteral("http://a.test/"));
    auto window = openWindow();
    click(window->Command1);
    fillRequired(*window);
    click(window->Command5);
    EXPECT_TRUE(window->unloaded());
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
    EXPECT_EQ(entry(existing, "URL"), Value("http://a.test/"));
    EXPECT_EQ(entry(existing, "Subject"), Value("Weekly"));
}

TEST_F(URLWindowTest, SaveRefusesAnEmptyRequiredBox)
{
    const QString message = QStringLiteral("You must supply at least a URL, EMail address and an email subject");
    for (int empty = 0; empty < 3; ++empty) {
        SCOPED_TRACE(empty);
        messages.shown.clear();
        auto window = openWindow();
        click(window->Command1);
        fillRequired(*window);
        QLineEdit* boxes[] = {window->Text1, window->Text2, window->Text3};
        boxes[empty]->clear();
        window->Text2->setFocus();
        QTest::keyClick(window->Text2, Qt::Key_Return); // Enter presses "&Save"
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].first, QStringLiteral("URL Maintenance"));
        EXPECT_EQ(messages.shown[0].second, message);
        EXPECT_EQ(window->focusWidget(), window->Text1);
        EXPECT_TRUE(window->AddingNew);
        EXPECT_FALSE(window->unloaded());
        EXPECT_EQ(countRows(QStringLiteral("URLs")), 0);
    }
}

TEST_F(URLWindowTest, BlanksOnlyCountAsFilled)
{
    auto window = openWindow();
    click(window->Command1);
    type(window->Text1, QStringLiteral("   "));
    type(window->Text2, QStringLiteral(" "));
    type(window->Text3, QStringLiteral(" "));
    click(window->Command3);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(entry(onlyRow(), "URL"), Value("   "));
    EXPECT_EQ(entry(onlyRow(), "Subject"), Value(" "));
}

TEST_F(URLWindowTest, SaveOnAStoredRowWritesTheEditsAndANewAddedTime)
{
    const qint64 row = db.addEntry(QStringLiteral("http://a.test/"), QStringLiteral("S"));
    db.exec(QStringLiteral("UPDATE URLs SET Added = '2000-01-01 00:00:00', Content = 'page'"));
    clock.time = QDateTime(QDate(2027, 3, 1), QTime(8, 9, 10));
    auto window = openWindow();
    type(window->Text3, QStringLiteral("Renamed"));
    type(window->Text11, QStringLiteral("price"));
    click(window->Command3);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(entry(row, "Subject"), Value("Renamed"));
    EXPECT_EQ(entry(row, "String search"), Value("price"));
    EXPECT_EQ(entry(row, "Added"), Value("2027-03-01 08:09:10"));
    EXPECT_EQ(entry(row, "Content"), Value("page"));
    EXPECT_EQ(entry(row, "Search type"), Value("S"));
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
}

TEST_F(URLWindowTest, EscAndTheCloseBoxDropEdits)
{
    const qint64 row = db.addEntry(QStringLiteral("http://a.test/"));
    {
        auto window = openWindow();
        type(window->Text2, QStringLiteral("other@example.test"));
        click(window->Option1);
        QTest::keyClick(window->Text2, Qt::Key_Escape);
        EXPECT_TRUE(window->unloaded());
        EXPECT_FALSE(window->isVisible());
    }
    {
        auto window = openWindow();
        type(window->Text3, QStringLiteral("Other"));
        window->close();
        EXPECT_TRUE(window->unloaded());
    }
    EXPECT_EQ(entry(row, "EMail"), Value("watcher@example.test"));
    EXPECT_EQ(entry(row, "Subject"), Value("Weekly"));
    EXPECT_EQ(entry(row, "Search type"), Value("W"));
    EXPECT_TRUE(entry(row, "Added").isNull());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(URLWindowTest, LeavingAChangedRowForANewOneStoresTheChangesFirst)
{
    const qint64 row = db.addEntry(QStringLiteral("http://a.test/"));
    auto window = openWindow();
    type(window->Text3, QStringLiteral("Changed"));
    click(window->Command1);
    EXPECT_EQ(entry(row, "Subject"), Value("Changed"));
    EXPECT_EQ(window->Text3->text(), QString());
    click(window->Command5);
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
}

TEST_F(URLWindowTest, ViewSelectOnAnEmptyTableShowsTheNoRecordsMessage)
{
    auto window = openWindow();
    click(window->Command1);
    ASSERT_TRUE(window->AddingNew);
    window->Command3->setFocus();
    click(window->Command4);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, QStringLiteral("Selection"));
    EXPECT_EQ(messages.shown[0].second,
              QStringLiteral("The SQL statement 'Select URL, Subject from URLs order by URL' returned no records"));
    EXPECT_FALSE(window->AddingNew);
    EXPECT_EQ(window->focusWidget(), window->Text1);
    EXPECT_EQ(module.SelectedItem, QStringLiteral("**NONE**"));
}

TEST_F(URLWindowTest, ViewSelectClosedWithoutAChoiceKeepsTheRow)
{
    db.addEntry(QStringLiteral("http://a.test/"));
    db.addEntry(QStringLiteral("http://b.test/"));
    auto window = openWindow();
    answerSelection(*window, QString());
    click(window->Command1);
    click(window->Command4);
    EXPECT_EQ(listed.size(), 2);
    EXPECT_FALSE(window->AddingNew);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(URLWindowTest, ViewSelectLandsOnTheFirstRowWithTheChosenAddress)
{
    db.addEntry(QStringLiteral("http://z.test/"));
    const qint64 first = db.addEntry(QStringLiteral("http://same.test/"));
    const qint64 second = db.addEntry(QStringLiteral("http://same.test/"));
    db.exec(QStringLiteral("UPDATE URLs SET Subject = 'first' WHERE rowid = %1").arg(first));
    db.exec(QStringLiteral("UPDATE URLs SET Subject = 'second' WHERE rowid = %1").arg(second));
    auto window = openWindow();
    ASSERT_EQ(window->Text1->text(), QStringLiteral("http://z.test/"));

    // The lines are ordered by address; pick the one of the second row.
    const QString second80 = QStringLiteral("http://same.test/").leftJustified(80) + QStringLiteral("  second");
    answerSelection(*window, second80);
    click(window->Command4);
    ASSERT_EQ(listed.size(), 3);
    EXPECT_TRUE(listed[1].startsWith(second80));
    EXPECT_TRUE(listed[2].startsWith(QStringLiteral("http://z.test/")));
    EXPECT_EQ(window->Text1->text(), QStringLiteral("http://same.test/"));
    EXPECT_EQ(window->Text3->text(), QStringLiteral("first"));
    EXPECT_EQ(window->Data1->recordset().bookmark(), std::optional<qint64>(first));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(URLWindowTest, ViewSelectFindsAnAddressWithAQuote)
{
    db.addEntry(QStringLiteral("http://a.test/"));
    const qint64 quoted = db.addEntry(QStringLiteral("http://b.test/it's"));
    auto window = openWindow();
    answerSelection(*window, QStringLiteral("http://b.test/it's "));
    click(window->Command4);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(window->Text1->text(), QStringLiteral("http://b.test/it's"));
    EXPECT_EQ(window->Data1->recordset().bookmark(), std::optional<qint64>(quoted));
    // and it can be saved where it was found
    type(window->Text3, QStringLiteral("Quoted"));
    click(window->Command3);
    EXPECT_EQ(entry(quoted, "Subject"), Value("Quoted"));
}

TEST_F(URLWindowTest, SearchTypeDrivesTheOptionsAndFramesStayEnabled)
{
    db.addEntry(QStringLiteral("http://s.test/"), QStringLiteral("S"));
    db.addEntry(QStringLiteral("http://w.test/"), QStringLiteral("W"));
    db.addEntry(QStringLiteral("http://x.test/"), QStringLiteral("x"));
    auto window = openWindow();
    EXPECT_TRUE(window->Option1->isChecked());
    EXPECT_TRUE(window->Frame4->isEnabled());
    EXPECT_FALSE(window->Frame2->isEnabled());

    answerSelection(*window, QStringLiteral("http://w.test/ "));
    click(window->Command4);
    EXPECT_EQ(window->Text1->text(), QStringLiteral("http://w.test/"));
    EXPECT_TRUE(window->Option3->isChecked());
    EXPECT_TRUE(window->Frame4->isEnabled());
    EXPECT_FALSE(window->Frame2->isEnabled());

    // An unknown code leaves the options as they were.
    answerSelection(*window, QStringLiteral("http://x.test/ "));
    click(window->Command4);
    EXPECT_EQ(window->Text9->text(), QStringLiteral("x"));
    EXPECT_TRUE(window->Option3->isChecked());

    // A click by the user writes the code and enables the frames.
    click(window->Option2);
    EXPECT_EQ(window->Text9->text(), QStringLiteral("T"));
    EXPECT_TRUE(window->Frame2->isEnabled());
    click(window->Option3);
    EXPECT_EQ(window->Text9->text(), QStringLiteral("W"));
    EXPECT_TRUE(window->Frame2->isEnabled());
    EXPECT_TRUE(window->Frame4->isEnabled());
}

TEST_F(URLWindowTest, AWholePageRowLeavesTheFramesDisabled)
{
    db.addEntry(QStringLiteral("http://w.test/"), QStringLiteral("W"));
    auto window = openWindow();
    EXPECT_TRUE(window->Option3->isChecked());
    EXPECT_FALSE(window->Frame2->isEnabled());
    EXPECT_FALSE(window->Frame4->isEnabled());
    // Writing the code Text9 already holds changes nothing, stored or shown.
    window->Text9->setText(QStringLiteral("W"));
    EXPECT_FALSE(window->Data1->hasChanges());
}

TEST_F(URLWindowTest, DeleteOnTheFirstRowLeavesNoCurrentRow)
{
    db.addEntry(QStringLiteral("http://a.test/"));
    const qint64 second = db.addEntry(QStringLiteral("http://b.test/"));
    auto window = openWindow();
    click(window->Command2);
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
    EXPECT_EQ(entry(second, "URL"), Value("http://b.test/"));
    EXPECT_FALSE(window->Data1->hasCurrentRow());
    EXPECT_EQ(window->Text1->text(), QString());
    EXPECT_EQ(window->focusWidget(), window->Text1);

    // With Text1 empty "&Delete" does nothing.
    click(window->Command2);
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(URLWindowTest, DeleteMovesToTheRowBefore)
{
    db.addEntry(QStringLiteral("http://a.test/"));
    db.addEntry(QStringLiteral("http://b.test/"));
    auto window = openWindow();
    answerSelection(*window, QStringLiteral("http://b.test/ "));
    click(window->Command4);
    ASSERT_EQ(window->Text1->text(), QStringLiteral("http://b.test/"));
    click(window->Command2);
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
    EXPECT_EQ(window->Text1->text(), QStringLiteral("http://a.test/"));
}

TEST_F(URLWindowTest, DeleteDuringNewDropsTheUnsavedRow)
{
    const qint64 row = db.addEntry(QStringLiteral("http://a.test/"));
    auto window = openWindow();
    click(window->Command1);
    type(window->Text1, QStringLiteral("http://never.test/"));
    click(window->Command2);
    EXPECT_FALSE(window->AddingNew);
    EXPECT_EQ(window->Text1->text(), QStringLiteral("http://a.test/"));
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
    EXPECT_EQ(entry(row, "URL"), Value("http://a.test/"));
    click(window->Command5);
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
}

TEST_F(URLWindowTest, LettersInANumberBoxAreReportedAndNothingIsStored)
{
    auto window = openWindow();
    click(window->Command1);
    fillRequired(*window);
    window->Text8->setText(QStringLiteral("ab"));
    click(window->Command3);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, QStringLiteral("URL Maintenance"));
    EXPECT_TRUE(messages.shown[0].second.contains(QStringLiteral("Table number")));
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 0);
    EXPECT_TRUE(window->AddingNew);
    EXPECT_FALSE(window->unloaded());

    window->Text8->setText(QStringLiteral("3"));
    click(window->Command3);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(entry(onlyRow(), "Table number"), Value(3));
    EXPECT_EQ(entry(onlyRow(), "Row number"), Value(1));
}

TEST_F(URLWindowTest, SaveWithNoCurrentRowIsReported)
{
    db.addEntry(QStringLiteral("http://a.test/"));
    auto window = openWindow();
    click(window->Command2); // the only row goes; none is current
    fillRequired(*window);
    click(window->Command3);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, QStringLiteral("URL Maintenance"));
    EXPECT_EQ(messages.shown[0].second, QStringLiteral("No current record."));
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 0);
}

TEST_F(URLWindowTest, ValidationRefusesAStoreOrDeleteWithoutAURL)
{
    URL window(services());
    for (qint16 asked : {RecordBinding::kUpdate, RecordBinding::kDelete}) {
        messages.shown.clear();
        qint16 action = asked;
        bool save = true;
        window.Data1_Validate(action, save);
        EXPECT_EQ(action, RecordBinding::kAddNew);
        EXPECT_FALSE(save);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0], std::make_pair(QStringLiteral("URL Maintenance"), QStringLiteral("Invalid URL")));
        EXPECT_EQ(window.focusWidget(), window.Text1);
    }
    messages.shown.clear();
    qint16 action = RecordBinding::kUnload;
    bool save = true;
    window.Data1_Validate(action, save);
    EXPECT_FALSE(save);
    EXPECT_EQ(action, RecordBinding::kUnload);

    window.Text1->setText(QStringLiteral("http://a.test/"));
    action = RecordBinding::kUpdate;
    save = true;
    window.Data1_Validate(action, save);
    EXPECT_TRUE(save);
    EXPECT_EQ(action, RecordBinding::kUpdate);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(URLWindowTest, ANewRowStillBeingFilledAfterViewSelectIsStoredBySave)
{
    auto window = openWindow();
    click(window->Command1);
    click(window->Command4); // no rows yet: the message, and AddingNew goes false
    ASSERT_FALSE(window->AddingNew);
    fillRequired(*window);
    click(window->Command3);
    ASSERT_EQ(messages.shown.size(), 1u); // the selection's message only
    EXPECT_EQ(countRows(QStringLiteral("URLs")), 1);
    EXPECT_EQ(entry(onlyRow(), "Search type"), Value("W"));
    EXPECT_EQ(entry(onlyRow(), "Added"), Value("2026-12-04 14:30:05"));
}
