#pragma once

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <vector>

namespace orvane::test {

// Starts a driver program again and again and kills it with SIGKILL at a
// random moment of its work, checking what it left behind after each kill.
//
// A driver writes "ready" on stdout when it has started and then one line
// per unit of work done (a wake-up cycle, a save), each flushed at once. The
// kill comes a random delay after "ready"; the driver must still be running
// then, or the round fails with its exit code and stderr.
class CrashLoop {
public:
    struct Round {
        int index = 0;
        std::chrono::milliseconds delay{0};
        int unitsDone = 0; // work lines written before the kill
    };
    using Check = std::function<testing::AssertionResult(const Round&)>;

    CrashLoop(QString program, QStringList arguments, unsigned seed);

    // Runs the driver until it has written `units` work lines, then kills it;
    // returns the mean time of one unit, or 0 ms when the driver failed (with
    // a test failure recorded).
    std::chrono::milliseconds timeUnits(int units);

    // `rounds` kills, each after a delay drawn evenly from [0, maxDelay];
    // stops at the first round whose check fails. Returns the rounds run.
    std::vector<Round> run(int rounds, std::chrono::milliseconds maxDelay, const Check& check);

    // The seed from ORVANE_CRASH_SEED when set, else a fresh random one.
    static unsigned seedFromEnvironment();

private:
    QString program_;
    QStringList arguments_;
    std::mt19937 random_;
};

} // namespace orvane::test
