#include "ProcessSockets.h"
#include "QtPrinters.h"
#include "ScriptedHttp.h"
#include "SmtpTestServer.h"
#include "TempDatabase.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <unistd.h>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

// A program run in its own process, offscreen, ended by the test.
class ProgramRun {
public:
    ProgramRun(const QString& program, const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.start(program, arguments);
        started_ = process_.waitForStarted(10000);
    }
    ~ProgramRun()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool started() const { return started_; }
    bool running() const { return process_.state() == QProcess::Running; }
    qint64 pid() const { return process_.processId(); }

    // Watches the process's sockets until done() or the time runs out;
    // every listening socket ever seen is kept.
    template <typename Done>
    bool watch(std::chrono::milliseconds limit, Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            for (const QString& s : ProcessSockets::listening(pid()))
                if (!seen.contains(s))
                    seen << s;
            if (done())
                return true;
            if (!running())
                return false;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    QStringList seen;

private:
    QProcess process_;
    bool started_ = false;
};

} // namespace

TEST(Network, TheCheckSeesAListeningSocket)
{
    // This test process serves HTTP: the check must find that socket, or
    // finding none elsewhere proves nothing.
    ScriptedHttp http;
    const QString port = QStringLiteral("%1").arg(http.port(), 4, 16, QLatin1Char('0')).toUpper();
    EXPECT_TRUE(ProcessSockets::listening(::getpid())
                    .contains(QStringLiteral("tcp 0100007F:") + port))
        << ProcessSockets::listening(::getpid()).join(u',').toStdString();
}

TEST(Network, TheProgramListensOnNoPortAfterStartUp)
{
    // The program finds Sentrel.mdb beside itself, so it runs from a copy.
    TempDatabase db;
    const QString program = db.dir() + QStringLiteral("/orvane");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANE_PROGRAM), program));
    ProgramRun run(program, {});
    ASSERT_TRUE(run.started());
    // Start-up is over once the process has sat in its event loop, using
    // no processor time, for a while.
    qint64 lastTicks = -1;
    int quiet = 0;
    const bool idle = run.watch(15s, [&] {
        const qint64 ticks = ProcessSockets::cpuTicks(run.pid());
        quiet = ticks == lastTicks ? quiet + 1 : 0;
        lastTicks = ticks;
        return quiet >= 25; // half a second
    });
    EXPECT_TRUE(idle);
    // a failed start-up would have ended the program
    EXPECT_TRUE(run.running());
    EXPECT_TRUE(run.seen.isEmpty()) << run.seen.join(u',').toStdString();
}

TEST(Network, TheEngineListensOnNoPortThroughCycles)
{
    SmtpTestServer smtp;
    ASSERT_TRUE(smtp.start());
    // a page that changes at every request, so that every cycle mails
    ScriptedHttp http;
    std::atomic<int> served{0};
    http.on("/changing", [&served](RawTcpServer::Connection& c) {
        c.send(ScriptedHttp::ok("<p>" + std::to_string(++served) + "</p>"));
    });
    TempDatabase db;
    db.addEntry(http.url(QStringLiteral("/changing")));
    db.exec(QStringLiteral("UPDATE System SET \"Wake-up\" = 1, \"Mail server\" = '127.0.0.1', \"SMTP Port\" = %1")
                .arg(smtp.port()));

    ProgramRun run(QStringLiteral(ORVANE_NETWORK_PROBE), {db.dir(), QStringLiteral("200")});
    ASSERT_TRUE(run.started());
    const bool cycled = run.watch(30s, [&] { return smtp.messages().size() >= 3; });
    EXPECT_TRUE(cycled) << "mails: " << smtp.messages().size();
    EXPECT_TRUE(run.running());
    EXPECT_TRUE(run.seen.isEmpty()) << run.seen.join(u',').toStdString();
}
