#include "CrashLoop.h"

#include <QProcess>

#include <thread>
#include <vector>

namespace orvane::test {

namespace {

constexpr int kStartMs = 30000;

class Driver {
public:
    Driver(const QString& program, const QStringList& arguments)
    {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(program, arguments);
    }

    ~Driver()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kStartMs);
        }
    }

    bool awaitReady(int timeoutMs)
    {
        return awaitLines([this] { return ready_; }, timeoutMs);
    }

    bool awaitUnits(int wanted, int timeoutMs)
    {
        return awaitLines([this, wanted] { return units_ >= wanted; }, timeoutMs);
    }

    bool running() const { return process_.state() == QProcess::Running; }

    void killHard()
    {
        process_.kill(); // SIGKILL
        process_.waitForFinished(kStartMs);
        while (process_.canReadLine())
            take(process_.readLine());
    }

    int units() const { return units_; }

    std::string why()
    {
        return "driver exit code " + std::to_string(process_.exitCode()) + ", stderr: "
            + process_.readAllStandardError().toStdString() + process_.errorString().toStdString();
    }

    bool crashed() const { return process_.exitStatus() == QProcess::CrashExit; }

private:
    // Reads lines until `done` holds; false when the driver ends or stays
    // silent for `timeoutMs` first.
    template <typename Done>
    bool awaitLines(Done done, int timeoutMs)
    {
        while (!done()) {
            if (process_.canReadLine()) {
                take(process_.readLine());
                continue;
            }
            if (process_.state() == QProcess::NotRunning || !process_.waitForReadyRead(timeoutMs))
                return false;
        }
        return true;
    }

    // Every line after "ready" is a unit of work done.
    void take(const QByteArray& line)
    {
        if (ready_)
            ++units_;
        else if (line.trimmed() == "ready")
            ready_ = true;
    }

    QProcess process_;
    bool ready_ = false;
    int units_ = 0;
};

} // namespace

CrashLoop::CrashLoop(QString program, QStringList arguments, unsigned seed)
    : program_(std::move(program)), arguments_(std::move(arguments)), random_(seed)
{
}

unsigned CrashLoop::seedFromEnvironment()
{
    bool ok = false;
    const unsigned seed = qEnvironmentVariable("ORVANE_CRASH_SEED").toUInt(&ok);
    return ok ? seed : std::random_device{}();
}

std::chrono::milliseconds CrashLoop::timeUnits(int units)
{
    Driver driver(program_, arguments_);
    if (!driver.awaitReady(kStartMs)) {
        ADD_FAILURE() << "the driver did not start: " << driver.why();
        return {};
    }
    const auto from = std::chrono::steady_clock::now();
    if (!driver.awaitUnits(units, kStartMs)) {
        ADD_FAILURE() << "the driver did not finish " << units << " units: " << driver.why();
        return {};
    }
    const auto spent = std::chrono::steady_clock::now() - from;
    driver.killHard();
    return std::chrono::duration_cast<std::chrono::milliseconds>(spent / units);
}

std::vector<CrashLoop::Round> CrashLoop::run(int rounds, std::chrono::milliseconds maxDelay, const Check& check)
{
    std::vector<Round> done;
    std::uniform_int_distribution<long> delays(0, static_cast<long>(maxDelay.count()));
    for (int i = 0; i < rounds; ++i) {
        Round round;
        round.index = i;
        round.delay = std::chrono::milliseconds(delays(random_));

        Driver driver(program_, arguments_);
        if (!driver.awaitReady(kStartMs)) {
            ADD_FAILURE() << "round " << i << ": the driver did not start: " << driver.why();
            return done;
        }
        std::this_thread::sleep_for(round.delay);
        if (!driver.running()) {
            ADD_FAILURE() << "round " << i << ": the driver ended before its kill: " << driver.why();
            return done;
        }
        driver.killHard();
        if (!driver.crashed()) {
            ADD_FAILURE() << "round " << i << ": the driver was not killed: " << driver.why();
            return done;
        }
        round.unitsDone = driver.units();
        done.push_back(round);
        const testing::AssertionResult verdict = check(round);
        if (!verdict) {
            ADD_FAILURE() << "round " << i << ", killed " << round.delay.count() << " ms after start-up, after "
                          << round.unitsDone << " units of work: " << verdict.message();
            return done;
        }
    }
    return done;
}

} // namespace orvane::test
