// Saves rows through the URL definition window, on the Sentrel.mdb of the
// directory it is given, until it is killed or has saved the number of
// times asked for.
//
// Each turn either picks the next stored row with "&View / select", flips
// its "Subject" and "String search" between the two versions of
// SaveValues.h and presses "&Save", or (every fourth turn) presses "&New",
// fills the row and presses "&Save". It writes "ready" once the window is
// up and "saved N" after every save, each line flushed at once.
// Exit codes: 0 all saves done, 1 start-up failed, 2 a message box was
// shown, 3 a row could not be picked, 64 bad arguments.

#include "HeadlessMessages.h"
#include "HeadlessPointer.h"
#include "SaveValues.h"

#include "engine/mSentrel.h"
#include "platform/Clock.h"
#include "store/Database.h"
#include "windows/URL.h"
#include "windows/frmSelt.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>

using namespace orvane;
using namespace orvane::test;

namespace {

void say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QStringList storedUrls(const Database& db)
{
    QStringList urls;
    auto rs = db.openRecordset(QStringLiteral("SELECT URL FROM URLs ORDER BY rowid"));
    if (!rs.ok())
        return urls;
    for (Status s = rs.value().moveFirst(); s.ok() && !rs.value().eof(); s = rs.value().moveNext())
        urls << rs.value().value(0).value().textOrEmpty();
    return urls;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s DIRECTORY [SAVES]\n", argv[0]);
        return 64;
    }
    const long saves = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0; // 0: until killed
    if (saves < 0) {
        std::fprintf(stderr, "SAVES must not be negative\n");
        return 64;
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // no screen needed
    QApplication app(argc, argv);
    // The window opens the file by its bare name.
    if (!QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot enter %s\n", argv[1]);
        return 1;
    }

    HeadlessMessages messages;
    HeadlessPointer pointer;
    SystemClock clock;
    mSentrel module;
    auto shared = Database::open(QString::fromLatin1(Database::kFileName));
    if (!shared.ok()) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(shared.failure().description));
        return 1;
    }
    module.WatchDatabase = std::move(shared).value();

    URL window(MaintenanceServices{module, messages, pointer, clock});
    window.show();
    if (messages.shown != 0)
        return 1;
    QStringList urls = storedUrls(module.WatchDatabase);
    if (urls.isEmpty()) {
        std::fprintf(stderr, "no rows to edit\n");
        return 1;
    }

    QString wanted;
    bool picked = false;
    window.selection().setPresenter([&wanted, &picked](frmSelt& dialog) {
        // A line holds the URL padded with blanks, then the subject.
        for (int i = 0; i < dialog.List1->count(); ++i) {
            if (dialog.List1->item(i)->text().startsWith(wanted + QLatin1Char(' '))) {
                dialog.List1->setCurrentRow(i);
                dialog.Command1->click();
                picked = true;
                return;
            }
        }
        dialog.Command2->click();
    });

    const qint64 pid = QApplication::applicationPid();
    say("ready");

    qsizetype next = pid % urls.size(); // runs start on different rows
    for (long n = 1; saves == 0 || n <= saves; ++n) {
        if (n % 4 == 0) {
            window.Command1->click(); // "&New"
            const QString url = addedUrl(pid, static_cast<int>(n));
            window.Text1->setText(url);
            window.Text2->setText(kAddedEMail);
            window.Text3->setText(savedSubject('A'));
            window.Text11->setText(savedSearch('A'));
            window.Command3->click(); // "&Save"
            urls << url;
        } else {
            wanted = urls[next];
            next = (next + 1) % urls.size();
            picked = false;
            window.Command4->click(); // "&View / select"
            if (!picked || window.Text1->text() != wanted) {
                std::fprintf(stderr, "could not pick %s\n", qPrintable(wanted));
                return 3;
            }
            const char version = window.Text3->text() == savedSubject('A') ? 'B' : 'A';
            window.Text3->setText(savedSubject(version));
            window.Text11->setText(savedSearch(version));
            window.Command3->click(); // "&Save"
        }
        if (messages.shown != 0)
            return 2;
        std::printf("saved %ld\n", n);
        std::fflush(stdout);
    }
    return 0;
}
