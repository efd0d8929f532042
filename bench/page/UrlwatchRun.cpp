#include "UrlwatchRun.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <chrono>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvane::bench {

bool UrlwatchRun::installed()
{
    return !QStandardPaths::findExecutable(QStringLiteral("urlwatch")).isEmpty();
}

UrlwatchRun::UrlwatchRun(const QString& dir, const QStringList& urls) : dir_(dir)
{
    QFile jobs(QDir(dir_).filePath(QStringLiteral("urls.yaml")));
    if (jobs.open(QIODevice::WriteOnly))
        for (const QString& url : urls)
            jobs.write("url: " + url.toUtf8() + "\n---\n");
}

UrlwatchRun::Outcome UrlwatchRun::run() const
{
    const QDir dir(dir_);
    std::vector<QByteArray> args {"urlwatch",
                                  "--urls",
                                  dir.filePath(QStringLiteral("urls.yaml")).toLocal8Bit(),
                                  "--config",
                                  dir.filePath(QStringLiteral("urlwatch.yaml")).toLocal8Bit(),
                                  "--hooks",
                                  dir.filePath(QStringLiteral("hooks.py")).toLocal8Bit(),
                                  "--cache",
                                  dir.filePath(QStringLiteral("cache.db")).toLocal8Bit()};
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // Its report goes to a file: every job is new at the first run, and a
    // job that failed is listed there as an error.
    const QByteArray report = dir.filePath(QStringLiteral("report.txt")).toLocal8Bit();
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, report.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Outcome outcome;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "urlwatch", &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0)
        return outcome;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return outcome;
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.peakKb = usage.ru_maxrss; // kB on Linux
    QFile reported(QString::fromLocal8Bit(report));
    const bool errors = !reported.open(QIODevice::ReadOnly) || reported.readAll().contains("ERROR");
    outcome.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !errors;
    return outcome;
}

} // namespace orvane::bench
