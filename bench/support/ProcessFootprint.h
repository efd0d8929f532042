#pragma once

#include <QStringList>

namespace orvane::bench {

// This process's memory, threads and open files, from /proc/self.
class ProcessFootprint {
public:
    // Starts a new peak from the memory resident now.
    static void startPeak();
    static long peakKb(); // resident high-water mark since startPeak
    static long residentKb();
    static int threads();
    static int openFiles();
    // What each open file descriptor refers to.
    static QStringList openFileNames();
};

} // namespace orvane::bench
