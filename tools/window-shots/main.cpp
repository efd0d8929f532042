// window-shots OUTPUT-DIR
// Makes a watch database with a few entries in a temporary directory, opens
// the main window, the URL definition window, the Properties window and the
// selection dialog on it, and saves each as a PNG in OUTPUT-DIR.
#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "base/ScreenPointer.h"
#include "engine/Workspace.h"
#include "mainwindow/MainWindow.h"
#include "store/Columns.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/WatchStore.h"
#include "windows/PropertiesWindow.h"
#include "windows/SelectionDialog.h"
#include "windows/UrlWindow.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

using namespace orvane;

namespace {

class PrintedMessages final : public MessageBoxes {
public:
    void warn(const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
};

class NoPointer final : public ScreenPointer {
public:
    void set(Shape) override { }
};

bool addEntry(const Database& db, const char* url, const char* subject, const char* type, const char* search)
{
    WatchEntry entry = WatchEntry::fresh();
    entry.set(Columns::kUrl, Value(url));
    entry.set(Columns::kEMail, Value("watcher@example.test"));
    entry.set(Columns::kSubject, Value(subject));
    entry.set(Columns::kSearchType, Value(type));
    entry.set(Columns::kStringSearch, Value(search));
    entry.set(Columns::kStringLength, Value(12));
    return WatchStore(db).add(entry).ok();
}

bool save(QWidget& window, const QString& path)
{
    window.show();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    const bool ok = window.grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "saved" : "could not save", qPrintable(path));
    return ok;
}

} // namespace

// NOLINTNEXTLINE(bugprone-exception-escape): a throw ends this tool for the eye, which is what it should do
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window-shots OUTPUT-DIR\n");
        return 2;
    }
    const QDir out(QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1])));
    QTemporaryDir dir;
    Workspace workspace(dir.path());
    if (!dir.isValid() || !Schema::createFile(workspace.databaseFile()).ok())
        return 1;
    auto db = Database::open(workspace.databaseFile());
    if (!db.ok())
        return 1;
    workspace.watchDatabase = std::move(db).value();
    if (!addEntry(workspace.watchDatabase, "http://www.example.test/prices.html", "Price list changed", "S", "Total :")
        || !addEntry(workspace.watchDatabase, "http://news.example.test/", "News page changed", "W", "")
        || !addEntry(workspace.watchDatabase, "http://www.example.test/rates.html", "Rates table alert", "T", "n/a"))
        return 1;

    PrintedMessages messages;
    NoPointer pointer;
    SystemClock clock;
    bool ok = true;
    {
        // Shown asleep, as before its first tick: no watcher behind it.
        MainWindow window([](MainView::Maintenance, QWidget*) {});
        ok = save(window, out.filePath(QStringLiteral("main-window.png"))) && ok;
    }
    {
        PropertiesWindow window(workspace.databaseFile(), messages);
        ok = save(window, out.filePath(QStringLiteral("property-pages.png"))) && ok;
    }
    {
        UrlWindow window(MaintenanceServices {workspace, messages, pointer, clock});
        ok = save(window, out.filePath(QStringLiteral("url-definition.png"))) && ok;
        window.selection().setPresenter([&](SelectionDialog& dialog) {
            ok = save(dialog, out.filePath(QStringLiteral("selection.png"))) && ok;
            dialog.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
        });
        window.findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    }
    return ok ? 0 : 1;
}
