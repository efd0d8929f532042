#include "QtPrinters.h"
#include "StandInWatcher.h"
#include "Wait.h"

#include "mainwindow/MainWindow.h"
#include "windows/MaintenanceWindows.h"
#include "windows/PropertiesWindow.h"
#include "windows/SelectionDialog.h"
#include "windows/SelectionQuery.h"
#include "windows/UrlWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStyleOption>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// A fresh Sentrel.mdb, the shared connection open as the main window leaves it, the seams.
class WindowTest : public ::testing::Test, protected StandInSetting {
protected:
    void TearDown() override { QDir::setCurrent(previous_); }
    MaintenanceServices services() { return {workspace, messages, pointer, clock}; }

    // A table as stored, a line per row: the columns joined by "|", Null "~".
    QStringList table(const QString& name) const
    {
        QStringList lines;
        Recordset rows = db.open().openTable(name).value();
        for (Status s = rows.moveFirst(); s.ok() && !rows.eof(); s = rows.moveNext()) {
            QStringList columns;
            for (int i = 0; i < rows.fieldCount(); ++i)
                columns << rows.value(i).value().textOrEmpty().prepend(rows.value(i).value().isNull() ? "~" : "");
            lines << columns.join(QLatin1Char('|'));
        }
        return lines;
    }

    // Answers a shown window with keys typed into a control, or its close box; true when the window then
    // went. Access keys work in the active window only, and click their button a moment later.
    static bool answer(QWidget* window, QWidget* control, const QString& keys, int waitMs = 20000)
    {
        window->activateWindow();
        if (!waitFor([&] { return window->isActiveWindow(); }))
            return false;
        if (keys == QLatin1String("close box"))
            window->close();
        else
            QTest::keySequence(control, QKeySequence(keys));
        return waitFor([&] { return !window->isVisible(); }, std::chrono::milliseconds(waitMs));
    }

    QString previous_ = QDir::currentPath();
};

// How much wider a caption's ink is than its room: a frame tells what it needs; a button's room is inside
// its bevel or beside its indicator, a label's up to the first control laid over it.
int overflow(QWidget* control, const QString& text)
{
    if (control->inherits("QGroupBox"))
        return control->minimumSizeHint().width() - control->width();
    QRect room = control->rect();
    if (control->inherits("QAbstractButton")) {
        QStyleOptionButton option;
        option.initFrom(control);
        option.text = text;
        room = control->style()->subElementRect(control->inherits("QRadioButton")    ? QStyle::SE_RadioButtonContents
                                                    : control->inherits("QCheckBox") ? QStyle::SE_CheckBoxContents
                                                                                     : QStyle::SE_PushButtonContents,
                                                &option, control);
    }
    const QObjectList& siblings = control->parent()->children();
    for (QObject* above : siblings.mid(siblings.indexOf(control) + 1))
        if (auto* w = qobject_cast<QWidget*>(above);
            w && w->isVisible() && w->x() > control->x() && w->geometry().intersects(control->geometry()))
            room.setRight(std::min(room.right(), w->x() - control->x() - 1));
    return control->fontMetrics().tightBoundingRect(QString(text).remove(QLatin1Char('&'))).right() + 1 - room.width();
}

// Drives the window by its controls' names, a step per word: a button clicked; Text1=a_b typed into a box
// ("_" a blank); List1=2 the line the selection list answers with from now on (-1 none); Esc or Return in
// the address box; F the URL, address and subject filled.
void run(UrlWindow& window, const QString& script)
{
    for (const QString& step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString name = step.section('=', 0, 0), value = step.section('=', 1).replace('_', ' ');
        if (step == QLatin1String("F"))
            run(window, QStringLiteral("Text1=http://n.test/ Text2=me@x.test Text3=Hi"));
        else if (name == QLatin1String("List1"))
            window.selection().setPresenter([line = value.toInt()](SelectionDialog& dialog) {
                dialog.findChild<QListWidget*>("List1")->setCurrentRow(line);
                dialog.findChild<QAbstractButton*>(line < 0 ? "Command2" : "Command1")->click();
            });
        else if (step.contains(QLatin1Char('=')))
            window.findChild<QLineEdit*>(name)->setText(value);
        else if (auto* button = window.findChild<QAbstractButton*>(name))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            QTest::keySequence(window.findChild<QLineEdit*>("Text2"), QKeySequence(step));
    }
}

// A stored row: URL|EMail|Subject|Active|Search type|String search|offset|length|Table|Row|Column|Repeat|Content|Added
QString entry(const char* url, const char* subject = "Weekly", const char* type = "W", const char* added = "~")
{
    return QStringLiteral("%1|watcher@example.test|%2|-1|%3|~|~|~|~|~|~|~|~|%4")
        .arg(QLatin1String(url), QLatin1String(subject), QLatin1String(type), QLatin1String(added));
}

} // namespace

// In the face the program installs, every caption of every window is whole.
TEST_F(WindowTest, EveryCaptionFitsItsControl)
{
    MainWindow main({});
    UrlWindow url(services());
    PropertiesWindow properties(db.path(), messages);
    SelectionDialog selection(workspace);
    for (QWidget* window : std::initializer_list<QWidget*> {&main, &url, &properties, &selection}) {
        window->show();
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const bool frame = control->inherits("QGroupBox");
            const QString text = control->property(frame ? "title" : "text").toString();
            if (!(frame || control->inherits("QLabel") || control->inherits("QAbstractButton")) || text.isEmpty())
                continue;
            SCOPED_TRACE(qPrintable(window->objectName() + QLatin1Char('.') + control->objectName()));
            EXPECT_EQ(QFontInfo(control->font()).family().replace("Arial", "Liberation Sans"), "Liberation Sans");
            EXPECT_LE(overflow(control, text), 0) << qPrintable(text);
        }
    }
}

// A new entry is stored by "&Save" only, a stored one never with a required box empty or a bad address list; any
// can be found and deleted.
TEST_F(WindowTest, UrlWindowStoresWhatSaveAndLeavingAllow)
{
    const char* now = "2026-12-04 14:30:05";
    const QString a = entry("http://a.test/"), b = entry("http://b.test/"), x = entry("http://a.test/", "X", "W", now);
    const QString added = QStringLiteral("http://n.test/|me@x.test|Hi|-1|W|~|0|1|1|1|1|1|~|") + QLatin1String(now);
    // The longest address the column holds, 255 characters, goes in whole.
    const std::string longest = std::string(248, 'm') + "@x.test";
    const std::string longSteps = "Command1 Text1=http://n.test/ Text2=" + longest + " Text3=Hi Command3";
    const struct {
        const char* urls; // of the entries there at first, as SQL values
        const char* steps;
        QStringList stored;
        size_t messages;
    } cases[] = {
        // clang-format off
        {"", "Command1 Text1=http://n.test/ Command1 Text2=me@x.test Text3=Hi Command3", {added}, 0},
        {"", "Command1 F Text1= Return Text1=http://n.test/ Command3", {added}, 1},
        {"", longSteps.c_str(), {QString(added).replace("me@x.test", QString::fromStdString(longest))}, 0},
        {"", "Command1 F Text2= Command3", {}, 1},
        {"", "Command1 F Text3= Command3", {}, 1},
        {"", "Command1 Text1=_ Text2=me@x.test Text3=_ Command3", {QStringLiteral(" |me@x.test| |-1|W|~|0|1|1|1|1|1|~|") + now}, 0},
        // "EMail" holds a list of bare addresses, or nothing is stored.
        {"", "Command1 F Text2=_a@x.test;b@x.test,_c@x.test_ Command3", {QString(added).replace("me@x.test", " a@x.test;b@x.test, c@x.test ")}, 0},
        {"", "Command1 F Text2=_ Command3", {}, 1},
        {"", "Command1 F Text2=a@x.test,,b@x.test Command3", {}, 1},
        {"", "Command1 F Text2=Jane_<j@x.test> Command3", {}, 1},
        {"('http://a.test/')", "Text2=ja_ne Command3", {a}, 1},
        {"('http://a.test/')", "Text2=a@x.test; Command1 Command5", {a}, 1},
        {"('http://a.test/')", "Command1 F Command5", {a}, 0},
        {"('http://a.test/')", "Text3=Renamed Option1 Command3", {entry("http://a.test/", "Renamed", "S", now)}, 0},
        {"('http://a.test/')", "Text3=Other Esc", {a}, 0},
        {"('http://a.test/')", "Text3=Changed Command1 Command5", {entry("http://a.test/", "Changed")}, 0},
        {"('http://a.test/')", "Command1 List1=0 Command4", {a}, 0},
        {"('http://a.test/')", "Command1 Text1=http://half.test/ List1=-1 Command4 Command1 Command5", {a}, 0},
        {"('http://a.test/'), ('http://b.test/')", "Text1= List1=1 Command4 Command5", {a, b}, 1},
        {"", "Command1 Command4 F Command3", {added}, 1},
        {"('http://a.test/')", "Command1 F Command2 Command3", {entry("http://a.test/", "Weekly", "W", now)}, 0},
        {"('http://a.test/')", "Command1 F Command3 Text3=Again Command3", {a, QString(added).replace("Hi", "Again")}, 0},
        // An edit stored stays with its row: leaving the next one writes nothing into it.
        {"('http://a.test/'), ('http://b.test/')", "Text11=x Command3 List1=1 Command4 Command1 Command5", {QString(x).replace("|X|-1|W|~", "|Weekly|-1|W|x"), b}, 0},
        {"('http://a.test/'), ('http://b.test/')", "Command2 Command2", {b}, 0},
        {"('http://a.test/'), ('http://b.test/')", "List1=1 Command4 Command2 Text3=X Command3", {x}, 0},
        {"('http://a.test/'), (NULL)", "List1=0 Command4 Command2", {a}, 0},
        {"('http://a.test/'), ('')", "List1=0 Command4 Command2", {a}, 0},
        {"('http://a.test/'), (replace(hex(zeroblob(45)), '0', 'l'))", "List1=1 Command4 Command2", {a}, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.urls) + ": " + c.steps);
        // Row ids that are not the rows' positions: an edit must find its own row by its id.
        db.exec(QStringLiteral("DELETE FROM URLs; INSERT INTO URLs (URL) VALUES ('gone')"));
        if (*c.urls)
            db.exec(QStringLiteral("INSERT INTO URLs (URL, EMail, Subject, Active, \"Search type\") SELECT column1, "
                                   "'watcher@example.test', 'Weekly', -1, 'W' FROM (VALUES %1)")
                        .arg(QLatin1String(c.urls)));
        db.exec(QStringLiteral("DELETE FROM URLs WHERE URL = 'gone'"));
        messages.shown.clear();
        UrlWindow window(services());
        window.selection().setPresenter([](SelectionDialog&) { ADD_FAILURE() << "a list shown unasked"; });
        window.show();
        run(window, QString::fromLatin1(c.steps));
        EXPECT_EQ(table(QStringLiteral("URLs")), c.stored);
        EXPECT_EQ(messages.shown.size(), c.messages);
    }
}

// Each button's window is the one shown, modally.
TEST_F(WindowTest, EachMaintenanceWindowIsShownModally)
{
    const MaintenanceWindows windows(services());
    for (const auto& [which, name] :
         {std::pair {MainView::Maintenance::Urls, "URL"}, {MainView::Maintenance::Properties, "fprop"}}) {
        QString shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget())
                shown = modal->objectName(), modal->close();
        });
        poll.start(10);
        windows.showModal(which, nullptr);
        EXPECT_EQ(shown, QLatin1String(name));
    }
}

// A stored entry shows its search type in the option buttons, the boxes that type uses enabled.
TEST_F(WindowTest, UrlWindowShowsTheStoredSearchType)
{
    db.addEntry(QStringLiteral("http://a.test/"));
    for (const auto& [type, option, table, string] :
         {std::tuple {"S", "Option1", false, true}, {"T", "Option2", true, true}, {"W", "Option3", false, false}}) {
        db.exec(QStringLiteral("UPDATE URLs SET \"Search type\" = '%1'").arg(QLatin1String(type)));
        UrlWindow window(services());
        EXPECT_TRUE(window.findChild<QRadioButton*>(QLatin1String(option))->isChecked()) << type;
        EXPECT_EQ(window.findChild<QWidget*>("Frame2")->isEnabled(), table) << type;
        EXPECT_EQ(window.findChild<QWidget*>("Frame4")->isEnabled(), string) << type;
    }
}

// "&Save" stores the boxes changed, and only those: a setting changed meanwhile by another connection stays.
// Every other way out drops them; Enter presses nothing here.
TEST_F(WindowTest, PropertiesAreStoredBySaveOnly)
{
    for (const char* way : {"Alt+S", "Alt+C", "Esc", "close box", "Return"}) { // keys in the address box
        SCOPED_TRACE(way);
        db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 5, \"Mail server\" = 'localhost', \"SMTP Port\" = 25"));
        PropertiesWindow window(db.path(), messages);
        window.show();
        db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 9"));
        window.findChild<QLineEdit*>("Text2")->setText(QStringLiteral("smtp.example.test"));
        window.findChild<QLineEdit*>("Text3")->clear(); // an emptied number box stores Null
        const bool goes = way != std::string("Return"), saved = way == std::string("Alt+S");
        EXPECT_EQ(answer(&window, window.findChild<QLineEdit*>("Text2"), way, goes ? 20000 : 300), goes);
        EXPECT_EQ(window.unloaded(), goes);
        EXPECT_EQ(table(QStringLiteral("System")).join(""), saved ? "9|smtp.example.test|~" : "9|localhost|25");
    }
    EXPECT_TRUE(messages.shown.empty());
}

// Columns of declared sizes 10 and 5: a short name, a Null one, a long one.
// The dialog's answer is the line chosen cut to 10, "**NONE**" for none.
TEST_F(WindowTest, SelectionAnswersTheLineChosen)
{
    db.exec(QStringLiteral("CREATE TABLE Pick (Name VARCHAR(10), Code VARCHAR(5));"
                           "INSERT INTO Pick VALUES ('abc', 'XY'), (NULL, 'Q'), ('abcdefghijk', 'Z');"));
    const QString none = QStringLiteral("**NONE**"), sql = QStringLiteral("Select Name, Code from Pick");
    // The keys or the mouse, the item answered; a line is chosen unless none.
    // clang-format off
    const std::pair<QString, QString> cases[] = {{"Return", "abc       "}, {"Down, Alt+S", " Q      "},
        {"double-click", "abcdefghij"}, {"Alt+C", none}, {"Esc", none}, {"close box", none}};
    // clang-format on
    SelectionQuery query(workspace, messages, pointer);
    for (const auto& [keys, item] : cases) {
        SCOPED_TRACE(qPrintable(keys));
        query.setPresenter([&](SelectionDialog& dialog) {
            dialog.show();
            auto* list = dialog.findChild<QListWidget*>("List1");
            const bool mouse = keys == QLatin1String("double-click"); // on the third line, through the window
            if (mouse)
                QTest::mouseDClick(dialog.windowHandle(), Qt::LeftButton, {},
                                   list->viewport()->mapTo(&dialog, list->visualItemRect(list->item(2)).center()));
            EXPECT_TRUE(answer(&dialog, list, mouse ? QString() : keys));
        });
        EXPECT_EQ(query.select(QStringLiteral("Pick one"), sql), item != none);
        EXPECT_EQ(workspace.selectedItem, item);
    }

    // No rows: the message and no dialog.
    db.exec(QStringLiteral("DELETE FROM Pick"));
    query.setPresenter([](SelectionDialog&) { ADD_FAILURE() << "a dialog was shown"; });
    EXPECT_FALSE(query.select(QStringLiteral("Pick one"), sql));
    EXPECT_EQ(workspace.selectedItem, none);
    EXPECT_EQ(messages.shown,
              decltype(messages.shown)(
                  {{"Selection", "The SQL statement 'Select Name, Code from Pick' returned no records"}}));
}
