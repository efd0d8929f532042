// Orvane started with a short tick over a database of its own and a real
// page server, asked and changed through orvane-db as a user would.
#include "LocalHttpServer.h"
#include "OrvaneDbRun.h"
#include "Wait.h"

#include "base/ErrorCode.h"
#include "control/ControlClient.h"
#include "control/ControlPlace.h"
#include "control/ControlServer.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using orvane::test::Ran;
using orvane::test::waitFor;

class RunningOrvane : public ::testing::Test {
protected:
    LocalHttpServer pages;
    std::atomic<bool> released = false;
    QTemporaryDir runtime; // the user's runtime folder, private to the test
    QTemporaryDir dir;
    QString folder = dir.path(); // the program's
    QProcess program;

    void SetUp() override
    {
        // Inherited by the program and every orvane-db the test starts.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto page = [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("page " + request.path, "text/html");
        };
        pages.server().Get("/ok2?", page);
        pages.server().Get("/down", [](const httplib::Request&, httplib::Response& r) { r.status = 503; });
        // Answers only when the test releases it: a cycle that stays at this entry.
        pages.server().Get("/slow", [this, page](const httplib::Request& request, httplib::Response& response) {
            while (!released)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            page(request, response);
        });
        ASSERT_TRUE(pages.start());
        ASSERT_NO_FATAL_FAILURE(init());
    }
    void TearDown() override
    {
        released = true;
        program.kill();
        program.waitForFinished();
    }
    // About 30 s asleep between two cycles with the short tick.
    void init() { ASSERT_TRUE(tool({"init"}).code == 0 && tool({"set", "wake-up", "99"}).code == 0); }
    QString socketPath() const { return orvane::ControlPlace::serverPath(folder, ::getuid()).value(); }
    bool connected(QLocalSocket& client)
    {
        client.connectToServer(socketPath());
        return client.waitForConnected(10000);
    }
    // A client of the test's own that takes the maintenance state, as orvane-db does.
    void hold(QLocalSocket& holder)
    {
        ASSERT_TRUE(connected(holder));
        holder.write("{\"request\":\"maintenance\"}\n");
        ASSERT_TRUE(holder.waitForReadyRead(10000) && holder.readAll().contains("entered"));
    }
    // Until it answers; maintenanceLimitMs: the program's own when 0.
    void start(int maintenanceLimitMs = 0, bool wait = true)
    {
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(ORVANE_SHORT_TICK, {folder, "300", QString::number(maintenanceLimitMs)});
        ASSERT_TRUE(program.waitForStarted());
        ASSERT_TRUE(!wait || waitFor([&] { return status().value("running").toBool(); }));
    }
    // Its standard error merged into out.
    void toolAsync(QProcess& p, const QStringList& args)
    {
        p.setProcessChannelMode(QProcess::MergedChannels);
        orvane::test::startOrvaneDb(p, folder, args);
    }
    Ran tool(const QStringList& args) { return orvane::test::runOrvaneDb(folder, args); }
    QJsonObject status() { return QJsonDocument::fromJson(tool({"status", "--json"}).out).object(); }
    QString state() { return status().value("state").toString(); }
    int ticksToGo() { return status().value("ticksToGo").toInt(-1); }
    // Asleep after the first cycle: the ticks to go, else -1.
    int asleepAfterACycle()
    {
        const QJsonObject s = status();
        return s.value("state") == "asleep" && s.contains("lastCycle") ? s.value("ticksToGo").toInt() : -1;
    }
    // The entries orvane-db lists: a line each below the header.
    int entries() { return static_cast<int>(tool({"list"}).out.count('\n')) - 1; }
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
        SCOPED_TRACE(std::to_string(static_cast<int>(c.state)) + " " + c.command.join(' ').toStdString());
        TearDown();
        released = false;
        for (const char* file : {"Sentrel.mdb", "Sentrel.mdb-wal", "Sentrel.mdb-shm"})
            QFile::remove(dir.filePath(file));
        ASSERT_NO_FATAL_FAILURE(init());
        ASSERT_EQ(tool({"add", pages.url("/ok"), "a@x", "first"}).code, 0);
        ASSERT_EQ(tool({"add", pages.url(second[static_cast<int>(c.state)]), "b@x", "second"}).code, 0);
        start(0, false);
        int before = -1;
        // Asleep a tick after the cycle, so that a TickCount set anew would show; at entry 2; halted; in the window.
        const std::function<bool()> reached[] = {
            [&] { return (before = asleepAfterACycle()) >= 0 && before <= 97; },
            [&] { return status().value("entry").toInt() == 2; },
            [&] { return state() == "halted"; },
            [&] { return asleepAfterACycle() >= 0 && program.write("urls\n") > 0; },
        };
        ASSERT_TRUE(waitFor(reached[static_cast<int>(c.state)]));
        ASSERT_TRUE(c.state != State::Window || waitFor([&] { return state() == "maintenance"; }));
        QProcess command;
        toolAsync(command, c.command);
        if (c.state == State::Cycle) {
            // Status answers at once, the rest wait for the cycle's end; nothing changes meanwhile.
            const bool waits = c.command.first() != "status";
            ASSERT_TRUE(waitFor(
                [&] { return waits ? command.bytesAvailable() > 0 : command.state() == QProcess::NotRunning; }));
            EXPECT_EQ(command.state() == QProcess::Running, waits);
            EXPECT_EQ(entries(), 2);
            released = true;
        }
        const Ran r = Ran::of(command);
        EXPECT_TRUE(r.code == c.code && QString::fromUtf8(r.out).contains(c.said))
            << r.code << " " << r.out.toStdString();
        EXPECT_EQ(entries(), c.entriesAfter);
        QString after;
        ASSERT_TRUE(waitFor([&] { return (after = state()) == c.after; })) << after.toStdString();
        if (c.after == "asleep") {
            // The timer runs, and TickCount went on from where it was.
            const int ticks = ticksToGo();
            EXPECT_TRUE(before < 0 || ticks <= before) << ticks << " > " << before;
            ASSERT_TRUE(waitFor([&] { return ticksToGo() < ticks; }));
        }
    }
}

TEST_F(RunningOrvane, ClientsThatSendGarbageTooMuchOrNothingComeTooManyDieOrStopKeepNobodyWaiting)
{
    // Long enough for the commands after the stopped holder to run inside it on a loaded machine.
    ASSERT_NO_FATAL_FAILURE(start(15000));
    // The long one is a request after blanks JSON allows, beyond any bound.
    const QByteArray requests[] = {"garbage\n", "[\"status\"]\n", "{\"request\":\"frob\"}\n",
                                   QByteArray(5000, ' ') + "{\"request\":\"status\"}\n", QByteArray()};
    for (const QByteArray& request : requests) {
        QLocalSocket client;
        ASSERT_TRUE(connected(client));
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
    ASSERT_NO_FATAL_FAILURE(hold(holder));
    holder.abort();
    ASSERT_TRUE(waitFor([&] { return state() == "asleep"; }));
    // Past the bound, each connected and silent within the request's 5 s, one is told why.
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    QByteArray refused;
    for (int i = 0; i <= orvane::ControlServer::kMaxClients && refused.isEmpty(); ++i) {
        silent.push_back(std::make_unique<QLocalSocket>());
        ASSERT_TRUE(connected(*silent.back()));
        silent.back()->waitForReadyRead(i == orvane::ControlServer::kMaxClients ? 10000 : 0);
        refused = silent.back()->readAll();
    }
    EXPECT_EQ(static_cast<int>(silent.size()), orvane::ControlServer::kMaxClients + 1);
    EXPECT_TRUE(refused.contains("\"refused\"")) << refused.toStdString();
    silent.clear();
    EXPECT_TRUE(waitFor([&] { return tool({"status"}).code == 0; }));
    // One that takes the state and then says nothing, as a stopped orvane-db.
    QLocalSocket stopped;
    ASSERT_NO_FATAL_FAILURE(hold(stopped));
    const Ran asked = tool({"status"});
    EXPECT_TRUE(asked.code == 0 && asked.out.contains("orvane-db is changing the database")) << asked.out.toStdString();
    // A second writer is told at once, or after its --wait; nothing changes.
    for (const QStringList& wait : {QStringList {}, QStringList {"--wait", "1"}}) {
        const Ran r = tool(QStringList {"add"} + wait + QStringList {pages.url("/ok"), "a@x", "s"});
        EXPECT_TRUE(r.code == 1 && r.err.contains("another orvane-db")) << r.code << " " << r.err.toStdString();
    }
    EXPECT_EQ(entries(), 0);
    // One that waits long enough goes ahead when the limit lets the holder go.
    EXPECT_EQ(tool({"add", "--wait", "60", pages.url("/ok"), "a@x", "s"}).code, 0);
    EXPECT_EQ(entries(), 1);
    EXPECT_TRUE(waitFor([&] { return stopped.state() == QLocalSocket::UnconnectedState; }));
    // The timer runs: the ticks to go change, down or anew after a cycle.
    int ticks = -1;
    ASSERT_TRUE(waitFor([&] { return (ticks = ticksToGo()) > 0; }));
    ASSERT_TRUE(waitFor([&] {
        const int now = ticksToGo();
        return now > 0 && now != ticks;
    }));
}

TEST_F(RunningOrvane, AProgramFolderOf200BytesIsReachedAndASocketEmptiedOrLeftByAKilledProgramStopsNothing)
{
    while (QFile::encodeName(folder).size() < 200)
        folder += "/" + QString(30, QChar(u'\u00e9')); // two bytes each
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(tool({"init"}).code, 0);
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(tool({"add", pages.url("/ok"), "a@x", "s"}).code, 0);
    EXPECT_EQ(entries(), 1);
    EXPECT_EQ(state(), "asleep");
    ASSERT_TRUE(QDir(QFileInfo(socketPath()).path()).removeRecursively()); // as at the end of a login
    EXPECT_TRUE(waitFor([&] { return status().value("running").toBool(); }));
    program.kill();
    ASSERT_TRUE(program.waitForFinished());
    ASSERT_TRUE(QFileInfo::exists(socketPath()));
    const Ran r = tool({"status"});
    EXPECT_TRUE(r.code == 4 && r.out.contains("not running")) << r.code << " " << r.out.toStdString();
    EXPECT_EQ(tool({"resume"}).code, 1);
    EXPECT_EQ(tool({"add", pages.url("/ok"), "a@x", "s"}).code, 0); // the lock is free: written directly
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(tool({"resume"}).code, 0);
}

TEST_F(RunningOrvane, NoControlCharacterOfAnAnswerReachesTheTerminal)
{
    // A server of the test's own where Orvane would listen, answering as a hostile one might.
    const QByteArray nasty = R"(\u001b]0;owned\u0007\u001b[2J\r\u009b31m\u202e\u007f)";
    QByteArray answer = R"({"status":{"state":"halted","url":"http://x/%1","error":503,"errorText":"%1",)"
                        R"("since":"2026-01-01T00:00:00"}})";
    answer.replace("%1", nasty);
    QLocalServer server;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(socketPath()).path()));
    ASSERT_TRUE(server.listen(socketPath()));
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        QLocalSocket* client = server.nextPendingConnection();
        client->write(answer + "\n");
        client->disconnectFromServer();
    });
    for (const QStringList& args : {QStringList {"status"}, QStringList {"status", "--json"}}) {
        QProcess p;
        toolAsync(p, args);
        ASSERT_TRUE(waitFor([&] { return p.state() == QProcess::NotRunning; }));
        const QByteArray said = p.readAll();
        EXPECT_EQ(p.exitCode(), 3) << said.toStdString();
        for (const char* raw : {"\x1b", "\x07", "\r", "\xc2\x9b", "\xe2\x80\xae", "\x7f"})
            EXPECT_FALSE(said.contains(raw)) << args.join(' ').toStdString() << ": " << said.toStdString();
        EXPECT_TRUE(said.contains("owned")) << said.toStdString();
    }
}

TEST(ControlPlace, AClientTalksOnlyToItsOwnUsersSocketFolderAndServer)
{
    QTemporaryDir dir;
    const QString own = dir.filePath("own"), open = dir.filePath("open"), link = dir.filePath("link");
    ASSERT_TRUE(QDir().mkdir(own) && QDir().mkdir(open) && QFile::link(own, link)
                && ::chmod(QFile::encodeName(own).constData(), 0700) == 0
                && ::chmod(QFile::encodeName(open).constData(), 0750) == 0);
    const uid_t me = ::getuid(), stranger = me + 4242;
    QLocalServer server;
    const QString socket = own + "/s.control";
    ASSERT_TRUE(server.listen(socket));
    const auto folder = &orvane::ControlPlace::checkFolder, file = &orvane::ControlPlace::checkSocketFile;
    // clang-format off
    const struct { decltype(folder) check; QString path; uid_t uid; bool trusted; } cases[] = {
        {folder, own, me, true}, {folder, own, stranger, false}, {folder, open, me, false}, {folder, link, me, false},
        {file, socket, me, true}, {file, socket, stranger, false}, {file, own, me, false},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(c.check(c.path, c.uid).ok(), c.trusted) << c.path.toStdString() << " " << c.uid;
    // The peer's user id, which no file can fake.
    for (const uid_t uid : {me, stranger}) {
        orvane::ControlClient client({socket}, uid);
        const orvane::Status connected = client.connectTo(QDeadlineTimer(10000));
        EXPECT_EQ(connected.ok(), uid == me);
        EXPECT_TRUE(connected.ok() || connected.failure().is(orvane::ErrorCode::ControlUntrusted));
    }
}

} // namespace
