#pragma once

#include "Fakes.h"
#include "HeadlessView.h"

#include "base/Clock.h"
#include "base/MailClient.h"
#include "base/PageFetcher.h"
#include "engine/Watcher.h"
#include "engine/Workspace.h"

namespace orvane::bench {

// The program's watcher and services minus the widgets. The fetcher and the
// mail client are the program's, made once for the whole run.
class HeadlessWatcher {
public:
    // The benchmarks tick by hand; the timer must never add a cycle.
    static constexpr std::chrono::hours kNoTick {24};

    HeadlessWatcher(const QString& programDir, PageFetcher& fetcher, MailClient& mail)
        : workspace(programDir),
          watcher(workspace, view, EngineServices {messages, pointer, programEnd, clock, fetcher, mail}, kNoTick)
    {
    }

    test::RecordingMessages messages;
    test::RecordingPointer pointer;
    test::RecordingProgramEnd programEnd;
    SystemClock clock;
    HeadlessView view;
    Workspace workspace;
    Watcher watcher;
};

} // namespace orvane::bench
