#pragma once

#include "Fakes.h"
#include "HeadlessView.h"

#include "engine/SentrelEngine.h"
#include "engine/mSentrel.h"
#include "platform/Clock.h"
#include "platform/CurlMailClient.h"
#include "platform/CurlPageFetcher.h"

namespace orvane::bench {

// The program's engine and services minus the widgets. The fetcher and the
// mail client are the program's, made once for the whole run.
class Watcher {
public:
    Watcher(CurlPageFetcher& fetcher, CurlMailClient& mail)
        : engine(module, view, EngineServices{messages, pointer, programEnd, clock, fetcher, mail})
    {
    }

    test::RecordingMessages messages;
    test::RecordingPointer pointer;
    test::RecordingProgramEnd programEnd;
    SystemClock clock;
    HeadlessView view;
    mSentrel module;
    SentrelEngine engine;
};

} // namespace orvane::bench
