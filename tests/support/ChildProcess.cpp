#include "ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

namespace orvane::test {

ChildProcess::ChildProcess(const std::function<bool()>& body)
{
    int readyPipe[2];
    int releasePipe[2];
    if (::pipe(readyPipe) != 0 || ::pipe(releasePipe) != 0)
        return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(readyPipe[0]);
        ::close(releasePipe[1]);
        const char answer = body() ? 'y' : 'n';
        (void)::write(readyPipe[1], &answer, 1);
        char c;
        (void)::read(releasePipe[0], &c, 1); // returns when the parent lets go
        ::_exit(0);
    }
    ::close(readyPipe[1]);
    ::close(releasePipe[0]);
    releaseFd_ = releasePipe[1];
    char answer = 'n';
    if (::read(readyPipe[0], &answer, 1) == 1)
        ready_ = answer == 'y';
    ::close(readyPipe[0]);
}

ChildProcess::~ChildProcess()
{
    release();
}

void ChildProcess::release()
{
    if (releaseFd_ >= 0) {
        ::close(releaseFd_);
        releaseFd_ = -1;
    }
    if (pid_ > 0) {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
}

int ChildProcess::runOnce(const std::function<int()>& body)
{
    const int pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace orvane::test
