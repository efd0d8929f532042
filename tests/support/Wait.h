#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <chrono>

namespace orvane::test {

// Runs the event loop until `done()` holds or `timeout` has passed; true
// when it held. Follow it with ASSERT_TRUE: a wait that gives up must fail
// the test.
template <typename Condition>
[[nodiscard]] bool waitFor(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
    const QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace orvane::test
