// Orvane started with a short tick over a database of its own and a real
// page server, asked and changed through orvane-db as a user would.
#include "LocalHttpServer.h"
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
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

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
    QTemporaryDir runtime; // the user's runtime folder, private to the test
    QTemporaryDir dir;
    QString folder = dir.path(); // the program's
    QProcess program;

    void SetUp() override
    {
        // Inherited by the program and every orvane-db the test starts.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
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
    QString socketPath() const { return orvane::ControlPlace::serverPath(folder, ::getuid()).value(); }
    // A client of the test's own that takes the maintenance state, as orvane-db does.
    static void hold(QLocalSocket& holder, const QString& path)
    {
        holder.connectToServer(path);
        ASSERT_TRUE(holder.waitForConnected(10000));
        holder.write("{\"request\":\"maintenance\"}\n");
        QByteArray entered;
        ASSERT_TRUE(waitFor([&] {
            holder.waitForReadyRead(100);
            entered += holder.readAll();
            return entered.contains("entered");
        }));
    }
    // Until it answers; maintenanceLimitMs: the program's own when 0.
    void start(int maintenanceLimitMs = 0, bool wait = true)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(ORVANE_SHORT_TICK,
                      QStringList {folder, "300"}
                          + (maintenanceLimitMs ? QStringList {QString::number(maintenanceLimitMs)} : QStringList {}));
        ASSERT_TRUE(program.waitForStarted());
        ASSERT_TRUE(!wait || waitFor([&] { return status().value("running").toBool(); }));
    }
    void toolAsync(QProcess& p, const QStringList& args)
    {
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(ORVANE_DB, args.mid(0, 1) + QStringList {"--dir", folder} + args.mid(1));
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
        start(0, false);
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
    ASSERT_NO_FATAL_FAILURE(start());
    program.kill();
    ASSERT_TRUE(program.waitForFinished());
    ASSERT_TRUE(QFileInfo::exists(socketPath()));

    const Outcome r = tool({"status"});
    EXPECT_EQ(r.code, 4) << r.said.toStdString();
    EXPECT_TRUE(r.said.contains("not running")) << r.said.toStdString();
    EXPECT_EQ(tool({"resume"}).code, 1);
    EXPECT_EQ(tool({"add", pages.url("/ok"), "a@x", "s"}).code, 0); // the lock is free: written directly

    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(tool({"resume"}).code, 0);
}

TEST_F(RunningOrvane, AClientThatSendsGarbageTooMuchOrNothingGetsNothingAndOthersAreStillServed)
{
    ASSERT_NO_FATAL_FAILURE(start());
    // The long one is a request after blanks JSON allows, beyond any bound.
    const QByteArray requests[] = {"garbage\n", "[\"status\"]\n", "{\"request\":\"frob\"}\n",
                                   QByteArray(5000, ' ') + "{\"request\":\"status\"}\n", QByteArray()};
    for (const QByteArray& request : requests) {
        QLocalSocket client;
        client.connectToServer(socketPath());
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
    ASSERT_NO_FATAL_FAILURE(hold(holder, socketPath()));
    holder.abort();
    ASSERT_TRUE(waitFor([&] { return state() == "asleep"; }));
}

TEST_F(RunningOrvane, AStoppedHolderKeepsNobodyWaitingAndLetsGoAtItsLimit)
{
    // Long enough for the commands below to run inside it on a loaded machine.
    ASSERT_NO_FATAL_FAILURE(start(15000));
    QLocalSocket holder; // takes the state and then says nothing, as a stopped orvane-db
    ASSERT_NO_FATAL_FAILURE(hold(holder, socketPath()));
    const Outcome asked = tool({"status"});
    EXPECT_EQ(asked.code, 0) << asked.said.toStdString();
    EXPECT_TRUE(asked.said.contains("orvane-db is changing the database")) << asked.said.toStdString();
    // A second writer is told at once, or after its --wait; nothing changes.
    for (const QStringList& wait : {QStringList {}, QStringList {"--wait", "1"}}) {
        const Outcome r = tool(QStringList {"add"} + wait + QStringList {pages.url("/ok"), "a@x", "s"});
        EXPECT_EQ(r.code, 1) << r.said.toStdString();
        EXPECT_TRUE(r.said.contains("another orvane-db")) << r.said.toStdString();
    }
    EXPECT_EQ(entries(), 0);
    // One that waits long enough goes ahead when the limit lets the holder go.
    QProcess waiter;
    toolAsync(waiter, {"add", "--wait", "60", pages.url("/ok"), "a@x", "s"});
    const Outcome r = outcome(waiter);
    EXPECT_EQ(r.code, 0) << r.said.toStdString();
    EXPECT_EQ(entries(), 1);
    EXPECT_TRUE(waitFor([&] { return holder.state() == QLocalSocket::UnconnectedState; }));
    // The timer runs: the ticks to go change, down or anew after a cycle.
    int ticks = -1;
    ASSERT_TRUE(waitFor([&] { return (ticks = ticksToGo()) > 0; }));
    ASSERT_TRUE(waitFor([&] {
        const int now = ticksToGo();
        return now > 0 && now != ticks;
    }));
}

TEST_F(RunningOrvane, ClientsPastTheBoundAreToldWhyAndTheRestServed)
{
    ASSERT_NO_FATAL_FAILURE(start());
    // Each connected and silent, within the request's 5 s.
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    QByteArray refused;
    for (int i = 0; i <= orvane::ControlServer::kMaxClients && refused.isEmpty(); ++i) {
        silent.push_back(std::make_unique<QLocalSocket>());
        silent.back()->connectToServer(socketPath());
        ASSERT_TRUE(silent.back()->waitForConnected(10000));
        silent.back()->waitForReadyRead(i == orvane::ControlServer::kMaxClients ? 10000 : 0);
        refused = silent.back()->readAll();
    }
    EXPECT_EQ(static_cast<int>(silent.size()), orvane::ControlServer::kMaxClients + 1);
    EXPECT_TRUE(refused.contains("\"refused\"")) << refused.toStdString();
    silent.clear();
    EXPECT_TRUE(waitFor([&] { return tool({"status"}).code == 0; }));
}

TEST_F(RunningOrvane, ASocketWhoseFolderWasEmptiedIsMadeAgain)
{
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(QDir(QFileInfo(socketPath()).path()).removeRecursively()); // as at the end of a login
    EXPECT_TRUE(waitFor([&] { return status().value("running").toBool(); }));
}

TEST_F(RunningOrvane, AProgramFolderOf200BytesIsReached)
{
    while (QFile::encodeName(folder).size() < 200)
        folder += "/" + QString(30, QChar(u'\u00e9')); // two bytes each
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(tool({"init"}).code, 0);
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(tool({"add", pages.url("/ok"), "a@x", "s"}).code, 0);
    EXPECT_EQ(entries(), 1);
    EXPECT_EQ(state(), "asleep");
}

TEST_F(RunningOrvane, NoControlCharacterOfAnAnswerReachesTheTerminal)
{
    // A server of the test's own where Orvane would listen, answering as a hostile one might.
    const QString nasty = QString::fromUtf8("\x1b]0;owned\x07\x1b[2J\r\u009b31m\u202e\x7f");
    const QJsonObject state {{"state", "halted"},
                             {"url", "http://x/" + nasty},
                             {"error", 503},
                             {"errorText", nasty},
                             {"since", "2026-01-01T00:00:00"}};
    QLocalServer server;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(socketPath()).path()));
    ASSERT_TRUE(server.listen(socketPath()));
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        QLocalSocket* client = server.nextPendingConnection();
        client->write(QJsonDocument(QJsonObject {{"status", state}}).toJson(QJsonDocument::Compact) + "\n");
        client->flush();
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
    ASSERT_TRUE(QDir().mkdir(own) && QDir().mkdir(open) && QFile::link(own, link));
    ::chmod(QFile::encodeName(own).constData(), 0700);
    ::chmod(QFile::encodeName(open).constData(), 0750);
    const uid_t me = ::getuid(), stranger = me + 4242;
    QLocalServer server;
    const QString socket = own + "/s.control";
    ASSERT_TRUE(server.listen(socket));
    // clang-format off
    const struct { QString folder; uid_t uid; bool trusted; } folders[] = {
        {own, me, true}, {own, stranger, false}, {open, me, false}, {link, me, false},
    };
    // clang-format on
    for (const auto& c : folders)
        EXPECT_EQ(orvane::ControlPlace::checkFolder(c.folder, c.uid).ok(), c.trusted) << c.folder.toStdString();
    EXPECT_TRUE(orvane::ControlPlace::checkSocketFile(socket, me).ok());
    EXPECT_FALSE(orvane::ControlPlace::checkSocketFile(socket, stranger).ok());
    EXPECT_FALSE(orvane::ControlPlace::checkSocketFile(own, me).ok());
    // The peer's user id, which no file can fake.
    for (const uid_t uid : {me, stranger}) {
        orvane::ControlClient client({socket}, uid);
        const orvane::Status connected = client.connectTo(QDeadlineTimer(10000));
        EXPECT_EQ(connected.ok(), uid == me);
        if (!connected.ok()) {
            EXPECT_TRUE(connected.failure().is(orvane::ErrorCode::ControlUntrusted));
        }
    }
}

} // namespace
