#pragma once

#include "control/ControlServer.h"

#include <QString>

#include <chrono>

namespace orvane {

// The whole program put together: the real seams, the fetcher and the mail
// client, the watcher over the database in programDir with its main window,
// the control channel, and the event loop. Returns the exit status. Tests
// shorten the tick and the control channel's limits.
class Program {
public:
    static int run(const QString& programDir, std::chrono::milliseconds tickInterval,
                   ControlServer::Limits controlLimits = {});
};

} // namespace orvane
