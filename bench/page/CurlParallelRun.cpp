#include "CurlParallelRun.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <chrono>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace orvane::bench {

bool CurlParallelRun::installed()
{
    return !QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty();
}

CurlParallelRun::CurlParallelRun(const QString& dir, const QStringList& urls, bool compressed)
    : config_(QDir(dir).filePath(compressed ? QStringLiteral("curl-gzip.conf") : QStringLiteral("curl.conf")))
{
    QFile config(config_);
    if (!config.open(QIODevice::WriteOnly))
        return;
    if (compressed)
        config.write("compressed\n");
    for (const QString& url : urls)
        config.write("url = \"" + url.toUtf8() + "\"\noutput = \"/dev/null\"\n");
}

CurlParallelRun::Outcome CurlParallelRun::run() const
{
    // --fail: an error status fails the run, as a page fault would.
    std::vector<QByteArray> args {"curl",
                                  "--silent",
                                  "--show-error",
                                  "--fail",
                                  "--parallel",
                                  "--parallel-max",
                                  QByteArray::number(kParallelMax),
                                  "--config",
                                  config_.toLocal8Bit()};
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0)
        return outcome;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return outcome;
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return outcome;
}

} // namespace orvane::bench
