#pragma once

#include "Fakes.h"

#include "engine/Watcher.h"
#include "engine/Workspace.h"

namespace orvane::test {

// Every seam of the engine but the fetcher and the mail client, recorded.
struct StandIns {
    EngineServices services(PageFetcher& fetcher, MailClient& mailer)
    {
        return {messages, pointer, programEnd, clock, fetcher, mailer};
    }
    RecordingMessages messages;
    RecordingPointer pointer;
    RecordingProgramEnd programEnd;
    FixedClock clock;
};

// The watcher over the database in `dir`, its view and seams stand-ins.
struct StandInWatcher : StandIns {
    StandInWatcher(const QString& dir, PageFetcher& fetcher, MailClient& mailer)
        : workspace(dir), watcher(workspace, view, services(fetcher, mailer))
    {
    }
    Workspace workspace;
    RecordingView view;
    Watcher watcher;
};

} // namespace orvane::test
