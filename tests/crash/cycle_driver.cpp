// Runs wake-up cycles back to back on the Sentrel.mdb of the directory it is
// given, with the program's own engine, fetcher and mail client and no
// window, until it is killed or has run the number of cycles asked for.
//
// It writes "ready" once start-up is done and "cycle N" after every cycle,
// each line flushed at once, so that a test can time kills against them.
// Exit codes: 0 all cycles run, 1 start-up failed, 2 a message box was
// shown, 3 watching halted on a page fault, 64 bad arguments.

#include "HeadlessMessages.h"
#include "HeadlessPointer.h"
#include "HeadlessView.h"

#include "engine/SentrelEngine.h"
#include "engine/mSentrel.h"
#include "platform/Clock.h"
#include "platform/CurlMailClient.h"
#include "platform/CurlPageFetcher.h"
#include "platform/ProgramEnd.h"

#include <QCoreApplication>

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>

using namespace orvane;
using namespace orvane::test;

namespace {

// Ticks until one wake-up cycle has run, whatever the wake-up setting: a
// cycle is the only thing that sets the tick count back to 0.
void runOneCycle(SentrelEngine& engine)
{
    do
        engine.timer1Timer();
    while (engine.state().TickCount != 0);
}

void say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s DIRECTORY [CYCLES]\n", argv[0]);
        return 64;
    }
    const long cycles = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0; // 0: until killed
    if (cycles < 0) {
        std::fprintf(stderr, "CYCLES must not be negative\n");
        return 64;
    }

    curl_global_init(CURL_GLOBAL_DEFAULT);
    QCoreApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);

    HeadlessMessages messages;
    HeadlessPointer pointer;
    ImmediateProgramEnd programEnd;
    SystemClock clock;
    CurlPageFetcher inet1;
    CurlMailClient smtp1;
    HeadlessView view;
    mSentrel module;
    SentrelEngine engine(module, view, EngineServices{messages, pointer, programEnd, clock, inet1, smtp1});

    if (!engine.formLoad(false, dir))
        return 1;
    say("ready");

    for (long n = 1; cycles == 0 || n <= cycles; ++n) {
        runOneCycle(engine);
        if (messages.shown != 0)
            return 2;
        if (!view.timerEnabled()) {
            std::fprintf(stderr, "watching halted on a page fault at %s\n", qPrintable(view.status()));
            return 3;
        }
        std::printf("cycle %ld\n", n);
        std::fflush(stdout);
    }
    curl_global_cleanup();
    return 0;
}
