#include "ChildProcess.h"
#include "ExclusiveLock.h"
#include "Fakes.h"
#include "TempDatabase.h"

#include "engine/SentrelEngine.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// The engine with every seam recorded, started on a directory.
struct Harness {
    RecordingMessages messages;
    RecordingPointer pointer;
    RecordingProgramEnd programEnd;
    FixedClock clock;
    NoFetch fetch;
    NoMail mail;
    RecordingView view;
    mSentrel module;
    SentrelEngine engine{module, view, EngineServices{messages, pointer, programEnd, clock, fetch, mail}};

    bool load(const QString& dir, bool anotherCopy = false) { return engine.formLoad(anotherCopy, dir); }
    const SentrelState& state() const { return engine.state(); }
};

class StartUp : public ::testing::Test {
protected:
    void SetUp() override { saved_ = QDir::currentPath(); }
    void TearDown() override { QDir::setCurrent(saved_); }
    QString saved_;
};

} // namespace

TEST_F(StartUp, ReadsTheThreeSettingsAndWakesAtTheFirstTick)
{
    TempDatabase db;
    Harness h;
    ASSERT_TRUE(h.load(db.dir()));
    EXPECT_TRUE(h.messages.shown.empty());
    EXPECT_FALSE(h.programEnd.code.has_value());
    EXPECT_EQ(h.state().WakeUp, 5);
    EXPECT_EQ(h.state().MailServer, QStringLiteral("localhost"));
    EXPECT_EQ(h.state().SmtpPort, QStringLiteral("25")); // the number 25 as two characters
    EXPECT_EQ(h.state().TickCount, 6);
    EXPECT_EQ(h.pointer.shape, ScreenPointer::Shape::Arrow);
    EXPECT_FALSE(h.module.WatchDatabase.isOpen());
    EXPECT_FALSE(h.state().WatchRecordset.isOpen());
}

TEST_F(StartUp, WakeUpConversions)
{
    struct Case {
        const char* stored;
        qint16 wakeUp;
    } cases[] = {{"2.5", 2}, {"3.5", 4}, {"-3", -3}, {"NULL", 0}, {"40000", 0}, {"-40000", 0}, {"'ten'", 0}, {"32766", 32766}};
    for (const Case& c : cases) {
        TempDatabase db;
        db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = %1").arg(QLatin1String(c.stored)));
        Harness h;
        ASSERT_TRUE(h.load(db.dir())) << c.stored;
        EXPECT_EQ(h.state().WakeUp, c.wakeUp) << c.stored;
        EXPECT_EQ(h.state().TickCount, c.wakeUp + 1) << c.stored;
        EXPECT_TRUE(h.messages.shown.empty()) << c.stored;
    }
}

TEST_F(StartUp, WakeUpAtTheTopOfItsRangeStillWakesAtTheFirstTick)
{
    TempDatabase db;
    db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 32767"));
    Harness h;
    ASSERT_TRUE(h.load(db.dir()));
    EXPECT_EQ(h.state().WakeUp, 32767);
    EXPECT_EQ(h.state().TickCount, 32768);
}

TEST_F(StartUp, EmptySystemTableOrNullsLeaveTheFirstValues)
{
    TempDatabase db;
    db.exec(QStringLiteral("DELETE FROM System"));
    Harness h;
    ASSERT_TRUE(h.load(db.dir()));
    EXPECT_EQ(h.state().WakeUp, 0);
    EXPECT_EQ(h.state().MailServer, QString());
    EXPECT_EQ(h.state().SmtpPort, QString());
    EXPECT_EQ(h.state().TickCount, 1);

    TempDatabase nulls;
    nulls.exec(QStringLiteral("UPDATE System SET \"Mail server\" = NULL, \"SMTP Port\" = NULL"));
    Harness n;
    ASSERT_TRUE(n.load(nulls.dir()));
    EXPECT_EQ(n.state().MailServer, QString());
    EXPECT_EQ(n.state().SmtpPort, QString());
    EXPECT_EQ(n.state().WakeUp, 5);
}

TEST_F(StartUp, MissingDatabaseEndsTheProgramWithItsMessage)
{
    QTemporaryDir dir;
    Harness h;
    EXPECT_FALSE(h.load(dir.path()));
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].first, QStringLiteral("Cannot Open Database"));
    EXPECT_EQ(h.messages.shown[0].second,
              QStringLiteral("Cannot open the Sentrel database : The database file does not exist."));
    ASSERT_TRUE(h.programEnd.code.has_value());
    EXPECT_NE(*h.programEnd.code, 0);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Sentrel.mdb"))));
}

TEST_F(StartUp, NotADatabaseEndsTheProgram)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("Sentrel.mdb")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database at all, just words\n");
    f.close();
    Harness h;
    EXPECT_FALSE(h.load(dir.path()));
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].second, QStringLiteral("Cannot open the Sentrel database : The file is not a database."));
    EXPECT_TRUE(h.programEnd.code.has_value());
}

TEST_F(StartUp, ExclusivelyLockedDatabaseEndsTheProgram)
{
    TempDatabase db;
    auto holder = holdExclusively(db.path());
    ASSERT_TRUE(holder->ready());
    Harness h;
    EXPECT_FALSE(h.load(db.dir()));
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].first, QStringLiteral("Cannot Open Database"));
    EXPECT_EQ(h.messages.shown[0].second,
              QStringLiteral("Cannot open the Sentrel database : The database is locked by another program."));
}

TEST_F(StartUp, MissingSystemTableEndsTheProgramWithTheRecordsetMessage)
{
    TempDatabase db;
    db.exec(QStringLiteral("DROP TABLE System"));
    Harness h;
    EXPECT_FALSE(h.load(db.dir()));
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].first, QStringLiteral("Cannot Open RecordSet"));
    EXPECT_TRUE(h.messages.shown[0].second.startsWith(QStringLiteral("Cannot open the Sentrel System data : ")));
    EXPECT_GT(h.messages.shown[0].second.size(), QStringLiteral("Cannot open the Sentrel System data : ").size());
    EXPECT_FALSE(h.module.WatchDatabase.isOpen());
    EXPECT_TRUE(h.programEnd.code.has_value());
}

TEST_F(StartUp, SecondCopyIsRefusedBeforeAnythingElse)
{
    QTemporaryDir dir; // no database: the refusal comes first
    Harness h;
    EXPECT_FALSE(h.load(dir.path(), true));
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].first, QStringLiteral("Sentrel Error"));
    EXPECT_EQ(h.messages.shown[0].second,
              QStringLiteral("You can only run one copy of this application at a time !"));
    EXPECT_TRUE(h.programEnd.code.has_value());
}

TEST_F(StartUp, StartedFromAnotherDirectoryItWorksInItsOwn)
{
    TempDatabase db;
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    Harness h;
    ASSERT_TRUE(h.load(db.dir()));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(db.dir()).canonicalPath());
    EXPECT_EQ(h.state().WakeUp, 5);
}

TEST(SingleInstance, ASecondProcessSeesTheFirst)
{
    QTemporaryDir dir;
    const QString programDir = dir.path();
    {
        SingleInstance first(programDir);
        ASSERT_FALSE(first.anotherCopyRunning());
        // a second real process, started while the first runs
        const int seen = ChildProcess::runOnce([&] { return SingleInstance(programDir).anotherCopyRunning() ? 1 : 0; });
        EXPECT_EQ(seen, 1);
        // another program directory is another program
        QTemporaryDir other;
        const QString otherDir = other.path();
        EXPECT_EQ(ChildProcess::runOnce([&] { return SingleInstance(otherDir).anotherCopyRunning() ? 1 : 0; }), 0);
    }
    // once the first has ended, a new copy may start
    EXPECT_EQ(ChildProcess::runOnce([&] { return SingleInstance(programDir).anotherCopyRunning() ? 1 : 0; }), 0);
}

TEST_F(StartUp, MaintenanceButtonsStopTheTimerOpenTheDatabaseAndRestartIt)
{
    TempDatabase db;
    Harness h;
    ASSERT_TRUE(h.load(db.dir()));
    h.engine.command2Click();
    h.engine.command3Click();
    ASSERT_EQ(h.view.opened.size(), 2u);
    EXPECT_EQ(h.view.opened[0], MainView::Maintenance::Urls);
    EXPECT_EQ(h.view.opened[1], MainView::Maintenance::Properties);
    EXPECT_EQ(h.view.timerWhileOpen, (std::vector<bool>{false, false}));
    EXPECT_TRUE(h.view.timerOn);
    EXPECT_TRUE(h.module.WatchDatabase.isOpen()); // left open for the selection dialog
    EXPECT_EQ(h.state().TickCount, 6);              // kept
}

TEST_F(StartUp, MaintenanceButtonWithTheDatabaseGoneEndsTheProgram)
{
    TempDatabase db;
    Harness h;
    ASSERT_TRUE(h.load(db.dir()));
    auto holder = holdExclusively(db.path());
    ASSERT_TRUE(holder->ready());
    h.engine.command3Click();
    EXPECT_TRUE(h.view.opened.empty());
    EXPECT_FALSE(h.view.timerOn);
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].first, QStringLiteral("Cannot Open Database"));
    EXPECT_TRUE(h.programEnd.code.has_value());
}

TEST_F(StartUp, TickShowsTheCountInSignForm)
{
    TempDatabase db;
    db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 10"));
    Harness h;
    ASSERT_TRUE(h.load(db.dir()));
    h.engine.state().TickCount = 2;
    h.engine.timer1Timer();
    EXPECT_EQ(h.view.statusText, QStringLiteral("Sleeping... 3 of  10"));
    EXPECT_EQ(h.state().TickCount, 3);
}
