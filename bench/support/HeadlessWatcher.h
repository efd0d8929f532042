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
    HeadlessWatcher(const QString& programDir, PageFetcher& fetcher, MailClient& mail)
        : workspace(programDir),
          watcher(workspace, view, EngineServices {messages, pointer, programEnd, clock, fetcher, mail})
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
