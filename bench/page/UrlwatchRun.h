#pragma once

#include <QString>
#include <QStringList>

namespace orvane::bench {

// urlwatch (the Debian package) over the same pages, with its own
// defaults, in a directory of its own: one run is one check of every job.
class UrlwatchRun {
public:
    struct Outcome {
        bool ok = false;
        double seconds = 0;
        long peakKb = 0; // of the urlwatch process
    };

    static bool installed();
    // Writes the job list; the first run only fills urlwatch's cache.
    explicit UrlwatchRun(const QString& dir, const QStringList& urls);
    Outcome run() const;

private:
    QString dir_;
};

} // namespace orvane::bench
