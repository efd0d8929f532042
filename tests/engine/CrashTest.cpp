// Kills the wake-up cycle inside every thirteenth write of SQLite and checks
// the file after each kill: sound, each page whole in one version, every page
// mailed stored. "crash_tests DIR N" is the driver killed: cycles on DIR.

#include "QtPrinters.h"
#include "StandInWatcher.h"
#include "TempDatabase.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// Two versions of each page, whose lines name the version and differ in
// length: a page pieced together from both, or cut short, equals neither.
const char* const kWatchedUrls[] = {"http://crash.test/big", "http://crash.test/small"};

QString watchedPage(const QString& url, char version)
{
    QString page;
    const QString name(version - 'A' + 7, QLatin1Char(version));
    for (int line = 0; line < (url.endsWith(QLatin1String("big")) ? 40000 : 5000); ++line)
        page += QStringLiteral("<p>%1 line %2 caf\u00e9 \u20ac</p>\n").arg(name).arg(line);
    return page;
}

// SQLite's writes to the database, its log and its index, counted in the
// driver only: at the last it says what was mailed, "stopped", and waits.
int writesLeft = -1;
const RecordingMailer* mailer = nullptr;

int runUntilKilled(const QString& dir)
{
    ScriptedFetcher pages;
    RecordingMailer mails;
    mailer = &mails;
    StandInWatcher w(dir, pages, mails);
    if (!w.watcher.load(false))
        return 1;
    for (int tick = 1; w.messages.shown.empty() && w.watcher.timerRunning(); ++tick) {
        pages.pages.clear();
        for (const char* url : kWatchedUrls) // each visit brings the other version
            pages.pages.emplace(QString::fromLatin1(url), watchedPage(url, tick % 2 ? 'B' : 'A'));
        w.watcher.tick();
    }
    return 2; // a message stopped the cycles
}

// Each row's version by its URL ("neither": none whole), and the file's soundness.
std::map<QString, QString> versionsIn(const TempDatabase& db)
{
    const Database connection = db.open();
    std::map<QString, QString> found {
        {"integrity_check", connection.runQuery("PRAGMA integrity_check").value().value(0).value().textOrEmpty()}};
    for (Recordset r = connection.runQuery("Select URL, Content from URLs").value(); !r.eof(); (void)r.moveNext()) {
        const QString url = r.value(0).value().textOrEmpty(), page = r.value(1).value().textOrEmpty();
        found[url] = page == watchedPage(url, 'A') ? "A" : page == watchedPage(url, 'B') ? "B" : "neither";
    }
    return found;
}

} // namespace

extern "C" ssize_t pwrite64(int fd, const void* data, size_t amount, off64_t offset)
{
    static const auto real = reinterpret_cast<ssize_t (*)(int, const void*, size_t, off64_t)>(
        dlsym(RTLD_NEXT, "pwrite64"));
    if (writesLeft < 0 || --writesLeft > 0)
        return real(fd, data, amount, offset);
    for (const Mail& mail : mailer->sent) { // each version known by its length ("Content-Length")
        const QString url = mail.body.section(QStringLiteral(" : "), -1);
        const bool first = mail.header(QStringLiteral("Content-Length")).toInt() == watchedPage(url, 'A').size() + 2;
        std::printf("mailed %s %s\n", qPrintable(url), first ? "A" : "B");
    }
    std::printf("stopped\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}

TEST(CrashKill, TheWakeUpCycleLeavesEveryPageWholeAndEveryStoreItMailed)
{
    TempDatabase db;
    db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 1"));
    for (const char* url : kWatchedUrls)
        db.addEntry(QString::fromLatin1(url), QStringLiteral("W"), {{"Content", Value(watchedPage(url, 'A'))}});
    auto expected = versionsIn(db);
    // A cycle here makes some 160 writes: the kills spread over two and a half.
    for (int write = 7; write <= 400; write += 13) {
        QProcess driver;
        driver.start(QStringLiteral("/proc/self/exe"), {db.dir(), QString::number(write)});
        QByteArray out;
        while (!out.endsWith("stopped\n")) {
            ASSERT_TRUE(driver.waitForReadyRead(60'000))
                << "exit " << driver.exitCode() << ": " << driver.readAllStandardError().toStdString();
            out += driver.readAllStandardOutput();
        }
        driver.kill();
        driver.waitForFinished();
        for (const QByteArray& line : out.split('\n'))
            if (const QList<QByteArray> words = line.split(' '); words.size() == 3)
                expected[QString::fromUtf8(words[1])] = QString::fromUtf8(words[2]);
        ASSERT_EQ(versionsIn(db), expected) << "killed at write " << write;
    }
}

int main(int argc, char* argv[])
{
    if (argc == 3 && argv[1][0] != '-') {
        writesLeft = std::atoi(argv[2]);
        QCoreApplication app(argc, argv);
        return runUntilKilled(QString::fromLocal8Bit(argv[1]));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
