#include "WindowTest.h"

#include "platform/ScreenPointer.h"
#include "windows/SelectionQuery.h"
#include "windows/frmSelt.h"

#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

using namespace orvane;
using namespace orvane::test;

namespace {

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

class PointerHistory final : public ScreenPointer {
public:
    void set(Shape shape) override { shapes.push_back(shape); }
    std::vector<Shape> shapes;
};

// A table with columns of declared sizes 10 and 5 and a whole number
// (size 4), with rows that exercise every padding rule.
class SelectionTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        db.exec(QStringLiteral("CREATE TABLE Pick (Name VARCHAR(10), Code VARCHAR(5), N INTEGER);"
                               "INSERT INTO Pick VALUES ('abc', 'XY', 5);"
                               "INSERT INTO Pick VALUES ('abcdefghij', NULL, NULL);"
                               "INSERT INTO Pick VALUES ('abcdefghijk', '', -12);"
                               "INSERT INTO Pick VALUES (NULL, 'Q', 1234);"
                               "INSERT INTO Pick VALUES ('', 'ABCDEF', 12345);"));
        module.WatchDatabase = db.open();
    }

    // Runs the selection with a presenter that answers the dialog.
    bool select(const std::function<void(frmSelt&)>& answer, ScreenPointer& screen)
    {
        SelectionQuery query(module, messages, screen);
        query.setPresenter([&](frmSelt& dialog) {
            lines.clear();
            for (int i = 0; i < dialog.List1->count(); ++i)
                lines << dialog.List1->item(i)->text();
            prompt = dialog.Label1->text();
            answer(dialog);
        });
        return query.SelectFromQuery(QStringLiteral("Pick one"), QStringLiteral("Select Name, Code, N from Pick"));
    }
    bool select(const std::function<void(frmSelt&)>& answer) { return select(answer, pointer); }

    static std::function<void(frmSelt&)> pickRow(int row)
    {
        return [row](frmSelt& dialog) {
            dialog.List1->setCurrentRow(row);
            dialog.Command1->click();
        };
    }

    QStringList lines;
    QString prompt;
};

} // namespace

TEST_F(SelectionTest, LinesPadEachColumnToItsSizePlusTwo)
{
    ASSERT_TRUE(select(pickRow(0)));
    EXPECT_EQ(prompt, QStringLiteral("Pick one"));
    ASSERT_EQ(lines.size(), 5);
    // "abc" in size 10: 7 blanks up to the size, one more, one separator.
    // "XY" in size 5: 3 + 1 + 1. The number 5 in a column of size 4: 3 + 1 + 1.
    EXPECT_EQ(lines[0], QStringLiteral("abc") + blanks(9) + QStringLiteral("XY") + blanks(5) + QStringLiteral("5")
                            + blanks(5));
    // Exactly the size: two blanks. A Null column: one blank only.
    EXPECT_EQ(lines[1], QStringLiteral("abcdefghij") + blanks(2) + blanks(1) + blanks(1));
    // Longer than the size: the separating blank only. The empty text in
    // size 5: 5 + 1 + 1 blanks. "-12" in size 4: 1 + 1 + 1.
    EXPECT_EQ(lines[2], QStringLiteral("abcdefghijk") + blanks(1) + blanks(7) + QStringLiteral("-12") + blanks(3));
    // A Null first column shifts the rest to the left; 1234 fills size 4.
    EXPECT_EQ(lines[3], blanks(1) + QStringLiteral("Q") + blanks(6) + QStringLiteral("1234") + blanks(2));
    // The empty text in size 10 is followed by 12 blanks.
    EXPECT_EQ(lines[4], blanks(12) + QStringLiteral("ABCDEF") + blanks(1) + QStringLiteral("12345") + blanks(1));
    for (const QString& line : lines)
        EXPECT_TRUE(line.endsWith(QLatin1Char(' ')));
}

TEST_F(SelectionTest, TheAnswerIsTheLineCutToTheFirstColumnsSize)
{
    ASSERT_TRUE(select(pickRow(0)));
    EXPECT_EQ(module.SelectedItem, QStringLiteral("abc") + blanks(7));
    ASSERT_TRUE(select(pickRow(1)));
    EXPECT_EQ(module.SelectedItem, QStringLiteral("abcdefghij"));
    ASSERT_TRUE(select(pickRow(2)));
    EXPECT_EQ(module.SelectedItem, QStringLiteral("abcdefghij"));
    // A Null first column: the blank and the start of the next columns.
    ASSERT_TRUE(select(pickRow(3)));
    EXPECT_EQ(module.SelectedItem, blanks(1) + QStringLiteral("Q") + blanks(6) + QStringLiteral("12"));
}

TEST_F(SelectionTest, SelectWithNoLineHighlightedAnswersTheEmptyText)
{
    ASSERT_TRUE(select([](frmSelt& dialog) { dialog.Command1->click(); }));
    EXPECT_EQ(module.SelectedItem, QString());
}

TEST_F(SelectionTest, CloseEscAndTheCloseBoxAnswerNone)
{
    module.SelectedItem = QStringLiteral("left from before");
    EXPECT_FALSE(select([](frmSelt& dialog) {
        dialog.List1->setCurrentRow(1);
        dialog.Command2->click();
    }));
    EXPECT_EQ(module.SelectedItem, QStringLiteral("**NONE**"));

    // The real modal dialog, answered from the event loop.
    const auto runModal = [&](const std::function<void(frmSelt&)>& act) {
        module.SelectedItem = QStringLiteral("left from before");
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<frmSelt*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->List1->setCurrentRow(0);
            act(*dialog);
        });
        SelectionQuery query(module, messages, pointer);
        return query.SelectFromQuery(QStringLiteral("Pick one"), QStringLiteral("Select Name, Code, N from Pick"));
    };
    EXPECT_FALSE(runModal([](frmSelt& dialog) { QTest::keyClick(dialog.List1, Qt::Key_Escape); }));
    EXPECT_EQ(module.SelectedItem, QStringLiteral("**NONE**"));
    EXPECT_FALSE(runModal([](frmSelt& dialog) { dialog.close(); }));
    EXPECT_EQ(module.SelectedItem, QStringLiteral("**NONE**"));
    // Enter presses "&Select".
    EXPECT_TRUE(runModal([](frmSelt& dialog) { QTest::keyClick(dialog.List1, Qt::Key_Return); }));
    EXPECT_EQ(module.SelectedItem, QStringLiteral("abc") + blanks(7));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SelectionTest, NoRowsGiveTheMessageAndNoDialog)
{
    bool shown = false;
    SelectionQuery query(module, messages, pointer);
    query.setPresenter([&](frmSelt&) { shown = true; });
    module.SelectedItem = QStringLiteral("left from before");
    EXPECT_FALSE(query.SelectFromQuery(QStringLiteral("Pick"), QStringLiteral("Select URL, Subject from URLs order by URL")));
    EXPECT_FALSE(shown);
    EXPECT_EQ(module.SelectedItem, QStringLiteral("**NONE**"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, QStringLiteral("Selection"));
    EXPECT_EQ(messages.shown[0].second,
              QStringLiteral("The SQL statement 'Select URL, Subject from URLs order by URL' returned no records"));
}

TEST_F(SelectionTest, AnEngineErrorIsReportedNotThrown)
{
    SelectionQuery query(module, messages, pointer);
    query.setPresenter([](frmSelt&) { FAIL() << "no dialog expected"; });
    EXPECT_FALSE(query.SelectFromQuery(QStringLiteral("Pick"), QStringLiteral("Select nothing from nowhere")));
    EXPECT_EQ(module.SelectedItem, QStringLiteral("**NONE**"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, QStringLiteral("Selection"));
}

TEST_F(SelectionTest, PointerIsBusyWhileLoadingThenTheArrow)
{
    PointerHistory history;
    history.set(ScreenPointer::Shape::Busy); // whatever shape it had before
    std::vector<ScreenPointer::Shape> whileShown;
    ASSERT_TRUE(select([&](frmSelt& dialog) {
        whileShown = history.shapes;
        dialog.Command1->click();
    }, history));
    using S = ScreenPointer::Shape;
    EXPECT_EQ(whileShown, (std::vector<S>{S::Busy, S::Busy, S::Arrow}));
    EXPECT_EQ(history.shapes.back(), S::Arrow);
}

TEST_F(SelectionTest, DialogDesign)
{
    frmSelt dialog(module);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Selection"));
    EXPECT_EQ(dialog.size(), QSize(551, 392)); // 8265 x 5880 twips
    EXPECT_EQ(dialog.List1->geometry(), twipsRect(120, 360, 8055, 4680));
    EXPECT_EQ(dialog.Command1->geometry(), twipsRect(120, 5280, 1335, 495));
    EXPECT_EQ(dialog.Command2->geometry(), twipsRect(1680, 5280, 1335, 495));
    EXPECT_EQ(dialog.Label1->geometry(), twipsRect(120, 120, 6495, 255));
    EXPECT_EQ(dialog.Command1->text(), QStringLiteral("&Select"));
    EXPECT_EQ(dialog.Command2->text(), QStringLiteral("&Close"));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Please select an item from the following list."));
    EXPECT_TRUE(dialog.Command1->isDefault());
    EXPECT_FALSE(dialog.Command2->isDefault());
    const QList<QWidget*> order = {dialog.List1, dialog.Command1, dialog.Command2};
    EXPECT_EQ(tabSequence(order), order);
    EXPECT_FALSE(dialog.List1->isSortingEnabled());
    // Padded columns only line up in a fixed pitch.
    const QFontMetrics metrics(dialog.List1->font());
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiii")), metrics.horizontalAdvance(QStringLiteral("WWWW")));
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char(' ')), metrics.horizontalAdvance(QLatin1Char('m')));
    EXPECT_DOUBLE_EQ(dialog.List1->font().pointSizeF(), 8.25);
}
