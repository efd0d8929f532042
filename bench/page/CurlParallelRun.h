#pragma once

#include <QString>
#include <QStringList>

namespace orvane::bench {

// The curl tool fetching the same pages with `--parallel --parallel-max 4`,
// bodies thrown away: the floor a cycle over one host is held against.
class CurlParallelRun {
public:
    // As many transfers at once as the fetcher allows one host.
    static constexpr int kParallelMax = 4;

    struct Outcome {
        bool ok = false;
        double seconds = 0;
    };

    static bool installed();
    // Writes the list of addresses to a config file in dir; compressed asks
    // for gzip as the fetcher does.
    CurlParallelRun(const QString& dir, const QStringList& urls, bool compressed);
    Outcome run() const;

private:
    QString config_;
};

} // namespace orvane::bench
