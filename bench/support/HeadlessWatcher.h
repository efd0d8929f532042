#pragma once

#include "HeadlessView.h"
#include "StandInWatcher.h"

namespace orvane::bench {

// The tests' watcher with its stand-ins, showing only what it shows now; the
// fetcher and the mail client are the program's, made once for the run.
struct HeadlessWatcher : test::BasicStandInWatcher<HeadlessView> {
    // The benchmarks tick by hand; the timer must never add a cycle.
    static constexpr std::chrono::hours kNoTick {24};

    HeadlessWatcher(const QString& programDir, PageFetcher& fetcher, MailClient& mail)
        : BasicStandInWatcher(programDir, fetcher, mail, kNoTick)
    {
    }
};

} // namespace orvane::bench
