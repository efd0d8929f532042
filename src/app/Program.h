#pragma once

#include <QString>

namespace orvane {

// The whole program put together: the real seams, the fetcher and the mail
// client, the main window over the database in programDir, and the event
// loop. Returns the exit status.
class Program {
public:
    static int run(const QString& programDir, int tickIntervalMs);
};

} // namespace orvane
