// Orvane started with a short tick over a database of its own and a real
// page server, asked and changed through orvane-db as a user would.
#include "LocalHttpServer.h"
#include "Wait.h"

#include "control/ControlProtocol.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

using orvane::test::waitFor;

struct Outcome {
    int code;
    QString said; // standard output and error
};

class RunningOrvane : public ::testing::Test {
protected:
    LocalHttpServer pages;
    std::mutex mutex;
    std::condition_variable releasedChanged;
    bool released = false;
    QTemporaryDir dir;
    QProcess program;

    void SetUp() override
    {
        auto page = [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("page " + request.path, "text/html");
        };
        pages.server().Get("/ok", page);
        pages.server().Get("/ok2", page);
        pages.server().Get("/down",
                           [](const httplib::Request&, httplib::Response& response) { response.status = 503; });
        // Answers only when the test releases it: a cycle that stays at this entry.
        pages.server().Get("/slow", [this, page](const httplib::Request& request, httplib::Response& response) {
            std::unique_lock lock(mutex);
            releasedChanged.wait(lock, [this] { return released; });
            page(request, response);
        });
        ASSERT_TRUE(pages.start());
        ASSERT_EQ(tool({"init"}).code, 0);
        // About 30 s asleep between two cycles with the short tick.
        ASSERT_EQ(tool({"set", "wake-up", "99"}).code, 0);
    }
    void TearDown() override
    {
        release();
        program.kill();
        program.waitForFinished();
    }
    void release()
    {
        const std::lock_guard lock(mutex);
        released = true;
        releasedChanged.notify_all();
    }
    void start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(ORVANE_SHORT_TICK, {dir.path(), "300"});
        ASSERT_TRUE(program.waitForStarted());
    }
    void toolAsync(QProcess& p, const QStringList& args)
    {
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(ORVANE_DB, args.mid(0, 1) + QStringList {"--dir", dir.path()} + args.mid(1));
    }
    static Outcome outcome(QProcess& p)
    {
        const bool ended = (p.state() == QProcess::NotRunning || p.waitForFinished(60000))
            && p.exitStatus() == QProcess::NormalExit;
        return {ended ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
    }
    Outcome tool(const QStringList& args)
    {
        QProcess p;
        toolAsync(p, args);
        return outcome(p);
    }
    QJsonObject status() { return QJsonDocument::fromJson(tool({"status", "--json"}).said.toUtf8()).object(); }
    QString state() { return status().value("state").toString(); }
    int ticksToGo() { return status().value("ticksToGo").toInt(-1); }
    // Asleep after the first cycle: the ticks to go, else -1.
    int asleepAfterACycle()
    {
        const QJsonObject s = status();
        return s.value("state") == "asleep" && s.contains("lastCycle") ? s.value("ticksToGo").toInt() : -1;
    }
    // The entries orvane-db lists: a line each below the header.
    int entries() { return static_cast<int>(tool({"list"}).said.count(QLatin1Char('\n'))) - 1; }
};

enum class State { Asleep, Cycle, Halted, Window };

TEST_F(RunningOrvane, EachStateAnswersEachCommandAndLeavesTheTimerAsAWindowWould)
{
    const QStringList add {"add", pages.url("/ok2"), "c@x", "added"};
    // clang-format off
    const struct { State state; QStringList command; int code; QString said; int entriesAfter; QString after; } cases[] = {
        {State::Asleep, {"status"}, 0, "asleep; the next wake-up in", 2, "asleep"},
        {State::Asleep, {"resume"}, 0, "", 2, "asleep"},
        {State::Asleep, add, 0, "3\n", 3, "asleep"},
        {State::Cycle, {"status"}, 0, "entry 2 of 2, " + pages.url("/slow"), 2, "asleep"},
        {State::Cycle, {"resume"}, 0, "waiting for the wake-up cycle to end (entry 2 of 2)", 2, "asleep"},
        {State::Cycle, add, 0, "waiting for the wake-up cycle to end (entry 2 of 2)", 3, "asleep"},
        {State::Halted, {"status"}, 3, "on " + pages.url("/down") + ": error 503", 2, "halted"},
        {State::Halted, {"resume"}, 0, "", 2, "asleep"},
        {State::Halted, add, 0, "3\n", 3, "asleep"},
        {State::Window, {"status"}, 0, "the URL Definition window is open", 2, "maintenance"},
        {State::Window, {"resume"}, 1, "the URL Definition window is open", 2, "maintenance"},
        {State::Window, add, 1, "the URL Definition window is open", 2, "maintenance"},
    };
    // clang-format on
    const char* second[] = {"/ok2", "/slow", "/down", "/ok2"};
    for (const auto& c : cases) {
        const std::string label = std::to_string(static_cast<int>(c.state)) + " " + c.command.join(' ').toStdString();
        TearDown();
        {
            const std::lock_guard lock(mutex);
            released = false;
        }
        for (const char* file : {"Sentrel.mdb", "Sentrel.mdb-wal", "Sentrel.mdb-shm"})
            QFile::remove(dir.filePath(file));
        ASSERT_EQ(tool({"init"}).code, 0);
        ASSERT_EQ(tool({"set", "wake-up", "99"}).code, 0);
        ASSERT_EQ(tool({"add", pages.url("/ok"), "a@x", "first"}).code, 0);
        ASSERT_EQ(tool({"add", pages.url(second[static_cast<int>(c.state)]), "b@x", "second"}).code, 0);
        start();
        int before = -1;
        switch (c.state) {
        case State::Asleep:
            // A tick has passed since the cycle, so a TickCount set anew would show.
            ASSERT_TRUE(waitFor([&] { return (before = asleepAfterACycle()) >= 0 && before <= 97; })) << label;
            break;
        case State::Cycle: ASSERT_TRUE(waitFor([&] { return status().value("entry").toInt() == 2; })) << label; break;
        case State::Halted: ASSERT_TRUE(waitFor([&] { return state() == "halted"; })) << label; break;
        case State::Window:
            ASSERT_TRUE(waitFor([&] { return asleepAfterACycle() >= 0; })) << label;
            program.write("urls\n");
            ASSERT_TRUE(waitFor([&] { return state() == "maintenance"; })) << label;
            break;
        }
        QProcess command;
        toolAsync(command, c.command);
        if (c.state == State::Cycle) {
            if (c.command.first() != "status") {
                // Nothing changes while the cycle runs; the command waits for its end.
                ASSERT_TRUE(waitFor([&] { return command.bytesAvailable() > 0; })) << label;
                EXPECT_EQ(command.state(), QProcess::Running) << label;
                EXPECT_EQ(entries(), 2) << label;
            } else {
                ASSERT_TRUE(command.waitForFinished(60000));
            }
            release();
        }
        const Outcome r = outcome(command);
        EXPECT_EQ(r.code, c.code) << label << ": " << r.said.toStdString();
        EXPECT_TRUE(r.said.contains(c.said)) << label << ": " << r.said.toStdString();
        EXPECT_EQ(entries(), c.entriesAfter) << label;
        QString after;
        ASSERT_TRUE(waitFor([&] { return (after = state()) == c.after; })) << label << ": " << after.toStdString();
        if (c.after == "asleep") {
            // The timer runs, and TickCount went on from where it was.
            const int ticks = ticksToGo();
            if (before >= 0) {
                EXPECT_LE(ticks, before) << label;
            }
            ASSERT_TRUE(waitFor([&] { return ticksToGo() < ticks; })) << label;
        }
    }
}

TEST_F(RunningOrvane, ASocketLeftByAKilledProgramStopsNothing)
{
    start();
    ASSERT_TRUE(waitFor([&] { return status().value("running").toBool(); }));
    program.kill();
    ASSERT_TRUE(program.waitForFinished());
    ASSERT_TRUE(QFileInfo::exists(orvane::ControlProtocol::socketPath(dir.path())));

    const Outcome r = tool({"status"});
    EXPECT_EQ(r.code, 4) << r.said.toStdString();
    EXPECT_TRUE(r.said.contains("not running")) << r.said.toStdString();
    EXPECT_EQ(tool({"resume"}).code, 1);
    EXPECT_EQ(tool({"add", pages.url("/ok"), "a@x", "s"}).code, 0); // the lock is free: written directly

    start();
    ASSERT_TRUE(waitFor([&] { return status().value("running").toBool(); }));
    EXPECT_EQ(tool({"resume"}).code, 0);
}

TEST_F(RunningOrvane, AClientThatSendsGarbageTooMuchOrNothingGetsNothingAndOthersAreStillServed)
{
    start();
    ASSERT_TRUE(waitFor([&] { return status().value("running").toBool(); }));
    // The long one is a request after blanks JSON allows, beyond any bound.
    const QByteArray requests[] = {"garbage\n", "[\"status\"]\n", "{\"request\":\"frob\"}\n",
                                   QByteArray(5000, ' ') + "{\"request\":\"status\"}\n", QByteArray()};
    for (const QByteArray& request : requests) {
        QLocalSocket client;
        client.connectToServer(orvane::ControlProtocol::socketPath(dir.path()));
        ASSERT_TRUE(client.waitForConnected(10000));
        client.write(request);
        QByteArray answered;
        ASSERT_TRUE(waitFor([&] {
            answered += client.readAll();
            return client.state() == QLocalSocket::UnconnectedState;
        })) << request.left(20).toStdString();
        EXPECT_TRUE(answered.isEmpty()) << request.left(20).toStdString();
        EXPECT_EQ(tool({"status"}).code, 0) << request.left(20).toStdString();
    }
    // One that takes the maintenance state and dies gives it back: watching goes on.
    QLocalSocket holder;
    holder.connectToServer(orvane::ControlProtocol::socketPath(dir.path()));
    ASSERT_TRUE(holder.waitForConnected(10000));
    holder.write("{\"request\":\"maintenance\"}\n");
    QByteArray entered;
    ASSERT_TRUE(waitFor([&] {
        holder.waitForReadyRead(100);
        entered += holder.readAll();
        return entered.contains("entered");
    }));
    holder.abort();
    ASSERT_TRUE(waitFor([&] { return state() == "asleep"; }));
}

} // namespace
