#pragma once

#include <QString>

#include <sys/types.h>

namespace orvane::bench {

// The pages of the cycle benchmark, served on 127.0.0.1 by a child process,
// so that the pages the server holds do not count in the benchmark's own
// memory figures. Start it before any thread of the benchmark exists.
//
//   /u/<i>       page i, always the same (no table alert)
//   /c/<i>       page i, a new version at every request (table alert fires)
//   /big/<MiB>   one page of that many MiB, always the same
//
// Pages are sent as they are: the server compresses nothing.
class PageServerProcess {
public:
    PageServerProcess() = default;
    ~PageServerProcess();
    PageServerProcess(const PageServerProcess&) = delete;
    PageServerProcess& operator=(const PageServerProcess&) = delete;

    // False when the child could not be started.
    bool start();
    QString url(const QString& path) const;

private:
    pid_t child_ = -1;
    int control_ = -1; // the child serves until this closes
    int port_ = -1;
};

} // namespace orvane::bench
