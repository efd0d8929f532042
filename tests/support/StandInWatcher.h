#pragma once

#include "Fakes.h"
#include "TempDatabase.h"

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

// The stand-ins with a fresh Sentrel.mdb, its shared connection open as the
// program leaves it, pages scripted and mail recorded.
struct StandInSetting : StandIns {
    StandInSetting() { workspace.watchDatabase = db.open(); }
    using StandIns::services;
    EngineServices services() { return services(fetcher, mailer); }
    TempDatabase db;
    ScriptedFetcher fetcher;
    RecordingMailer mailer;
    Workspace workspace {db.dir()};
};

// The watcher over the database in `dir`, its view and seams stand-ins. The
// benchmarks keep a view that holds only what it shows now.
template <class View = RecordingView> struct BasicStandInWatcher : StandIns {
    BasicStandInWatcher(const QString& dir, PageFetcher& fetcher, MailClient& mailer,
                        std::chrono::milliseconds tick = Watcher::kTickInterval)
        : workspace(dir), watcher(workspace, view, services(fetcher, mailer), tick)
    {
    }
    Workspace workspace;
    View view;
    Watcher watcher;
};
using StandInWatcher = BasicStandInWatcher<>;

} // namespace orvane::test
