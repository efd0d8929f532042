#pragma once

#include <QString>

#include <memory>
#include <vector>

class QProcess;

namespace orvane::bench {

// Slow web hosts on 127.0.0.1, 127.0.0.2, ...: one server process per
// address (slow_page_server.py), each answering every path after a delay
// with the same page. Stopped when this goes.
class SlowHosts {
public:
    SlowHosts();
    ~SlowHosts();
    SlowHosts(const SlowHosts&) = delete;
    SlowHosts& operator=(const SlowHosts&) = delete;

    // False when a server did not start. With `gzip` the page goes
    // compressed, with Content-Encoding: gzip.
    bool start(int hosts, int delayMs, const QString& pageFile, bool gzip = false);
    // Entry i's address, on host i modulo the number of hosts.
    QString url(int i) const;

private:
    std::vector<std::unique_ptr<QProcess>> servers_;
    std::vector<int> ports_;
};

} // namespace orvane::bench
