#pragma once

#include "control/ControlServer.h"

#include <QString>

namespace orvane {

// The whole program put together: the real seams, the fetcher and the mail
// client, the main window over the database in programDir, the control
// channel, and the event loop. Returns the exit status. Tests shorten the
// tick and the control channel's limits.
class Program {
public:
    static int run(const QString& programDir, int tickIntervalMs, ControlServer::Limits controlLimits = {});
};

} // namespace orvane
