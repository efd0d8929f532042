#include "CycleHarness.h"
#include "ExclusiveLock.h"
#include "QtPrinters.h"
#include "ReadOnlyFile.h"
#include "SmallDisk.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include <sys/resource.h>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

const QByteArray kPage = "<p>fresh</p>";
const QString kOld = QStringLiteral("old page"); // 8 characters

// A page far larger than the room left on a nearly full disk.
QByteArray bigPage()
{
    return "<p>" + QByteArray(512 * 1024, 'n') + "</p>";
}

// The cycle ran to its end as usual: no box, the timer on again.
void expectCycleEndedAsUsual(const CycleHarness& h)
{
    EXPECT_TRUE(h.messages.shown.empty());
    EXPECT_FALSE(h.programEnd.code.has_value());
    EXPECT_EQ(h.view.statusText, QStringLiteral("Sleeping..."));
    EXPECT_TRUE(h.view.timerOn);
    EXPECT_EQ(h.pointer.shape, ScreenPointer::Shape::Arrow);
    EXPECT_FALSE(h.module.WatchDatabase.isOpen());
}

QString integrity(const CycleHarness& h)
{
    auto rs = h.db.open().openRecordset(QStringLiteral("PRAGMA integrity_check"));
    if (!rs.ok() || rs.value().eof())
        return QStringLiteral("<no answer>");
    return rs.value().value(0).value().textOrEmpty();
}

// The store of a change fails for want of room: skipped, the alert still
// goes out (reading the row as it stands), the old content stays.
void expectStoreSkippedOldContentKept(const CycleHarness& h)
{
    const auto mails = h.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(header(mails[0], QStringLiteral("Subject")), QStringLiteral("Whole page changed : Weekly"));
    EXPECT_EQ(header(mails[0], QStringLiteral("Content-Length")), QStringLiteral(" 10"));
    expectCycleEndedAsUsual(h);
}

} // namespace

TEST(DatabaseFault, ReadOnlyFileSkipsTheStoreAndStillMails)
{
    CycleHarness h;
    h.pages.set(QStringLiteral("/p"), kPage);
    const qint64 key = h.entry(h.pages.url(QStringLiteral("/p")), QStringLiteral("W"));
    const ReadOnlyFile readOnly(h.db.path());
    if (!readOnly.problem().isEmpty())
        GTEST_SKIP() << "cannot make Sentrel.mdb read-only here: " << readOnly.problem().toStdString();

    ASSERT_TRUE(h.load());
    h.tick();
    const auto mails = h.mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(header(mails[0], QStringLiteral("Subject")), QStringLiteral("Whole page changed : Weekly"));
    // the alert reads the row as it is: nothing was stored, "Content" is Null
    EXPECT_EQ(header(mails[0], QStringLiteral("Content-Length")), QStringLiteral(" "));
    EXPECT_EQ(h.scratchFile(), kPage);
    expectCycleEndedAsUsual(h);
    EXPECT_TRUE(h.column(key, QStringLiteral("Content")).isNull());

    // Still nothing stored, so the same page is a change again.
    h.tick();
    EXPECT_EQ(h.mails().size(), 2u);
    expectCycleEndedAsUsual(h);
}

TEST(DatabaseFault, HeldExclusivelyAtTheCycleStartEndsTheProgram)
{
    CycleHarness h;
    h.pages.set(QStringLiteral("/p"), kPage);
    const qint64 key = h.entry(h.pages.url(QStringLiteral("/p")), QStringLiteral("W"));
    ASSERT_TRUE(h.load());
    auto holder = holdExclusively(h.db.path());
    ASSERT_TRUE(holder->ready());

    const auto started = std::chrono::steady_clock::now();
    h.tick();
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].first, QStringLiteral("Cannot Open Database"));
    EXPECT_EQ(h.messages.shown[0].second,
              QStringLiteral("Cannot open the Sentrel database : The database is locked by another program."));
    EXPECT_TRUE(h.programEnd.code.has_value());
    EXPECT_EQ(h.pages.requests(QStringLiteral("/p")), 0);
    EXPECT_TRUE(h.mails().empty());
    // the wait for the lock is bounded (2 s by default)
    EXPECT_LT(took, 5s);

    holder->release();
    EXPECT_TRUE(h.column(key, QStringLiteral("Content")).isNull());
    EXPECT_EQ(integrity(h), QStringLiteral("ok"));
}

TEST(DatabaseFault, DiskFullWhileStoringKeepsTheOldContent)
{
    CycleHarness h;
    const QByteArray page = bigPage();
    h.pages.set(QStringLiteral("/big"), page);
    const qint64 key = h.entry(h.pages.url(QStringLiteral("/big")), QStringLiteral("W"),
                               QStringLiteral("Content = '%1'").arg(kOld));
    SmallDisk disk(h.db.dir(), 2 * 1024 * 1024);
    if (!disk.problem().isEmpty())
        GTEST_SKIP() << "no small disk here: " << disk.problem().toStdString();
    ASSERT_TRUE(h.load());
    // room to open the database, not to store half a megabyte
    ASSERT_TRUE(disk.fill(96 * 1024));

    h.tick();
    expectStoreSkippedOldContentKept(h);

    disk.empty();
    EXPECT_EQ(h.column(key, QStringLiteral("Content")), Value(kOld));
    EXPECT_EQ(integrity(h), QStringLiteral("ok"));
    // with room again the next cycle stores the page
    h.tick();
    EXPECT_EQ(h.mails().size(), 2u);
    EXPECT_EQ(h.column(key, QStringLiteral("Content")), Value(QString::fromLatin1(page)));
}

TEST(DatabaseFault, FileSizeLimitWhileStoringKeepsTheOldContent)
{
    // The same for a process that may not write files past a size: no
    // mount needed, so it runs for any user.
    CycleHarness h;
    const QByteArray page = bigPage();
    h.pages.set(QStringLiteral("/big"), page);
    const qint64 key = h.entry(h.pages.url(QStringLiteral("/big")), QStringLiteral("W"),
                               QStringLiteral("Content = '%1'").arg(kOld));
    ASSERT_TRUE(h.load());

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    // past the limit a write fails instead of killing the process
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    // above the database and its shared-memory index, below the page
    const rlimit small{128 * 1024, saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    h.tick();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);

    expectStoreSkippedOldContentKept(h);
    EXPECT_EQ(h.column(key, QStringLiteral("Content")), Value(kOld));
    EXPECT_EQ(integrity(h), QStringLiteral("ok"));
    h.tick();
    EXPECT_EQ(h.mails().size(), 2u);
    EXPECT_EQ(h.column(key, QStringLiteral("Content")), Value(QString::fromLatin1(page)));
}
