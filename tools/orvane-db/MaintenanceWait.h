#pragma once

#include <chrono>

namespace orvane::db {

// How long a command that writes waits before it gives up, nothing changed.
struct MaintenanceWait {
    // For Orvane's wake-up cycle to end.
    std::chrono::seconds forCycle;
    // For another orvane-db, changing the database, to let go.
    std::chrono::seconds forHolder;
};

} // namespace orvane::db
