#pragma once

#include <functional>

namespace orvane::test {

// Runs a function in a forked child process that stays alive until release();
// the parent continues once the child has said it is ready. Only plain C
// calls belong in the child (no Qt event loop, no gtest assertions).
class ChildProcess {
public:
    // body runs in the child; it returns true when ready to hold.
    explicit ChildProcess(const std::function<bool()>& body);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool ready() const { return ready_; }
    void release();

    // Runs body in a child and returns its exit status (body's result: 0/1).
    static int runOnce(const std::function<int()>& body);

private:
    int pid_ = -1;
    int releaseFd_ = -1;
    bool ready_ = false;
};

} // namespace orvane::test
