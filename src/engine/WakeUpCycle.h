#pragma once

#include "engine/EngineServices.h"
#include "platform/Result.h"

#include <QtGlobal>

namespace orvane {

class MainView;
class SentrelEngine;
class mSentrel;
struct SentrelState;

// One wake-up cycle: every active watch entry fetched, compared by its
// search type, stored and alerted on a change; a page fault halts watching.
class WakeUpCycle {
public:
    WakeUpCycle(SentrelEngine& engine, mSentrel& module, MainView& view, EngineServices services);

    void run();

private:
    enum class Visit { Next, Halted, Broken };

    bool start();
    Visit visitEntry(qint16& matchPos);
    void storeAndAlert(qint16 kind);
    void finish();
    void uncaught(const Failure& failure);

    SentrelEngine& engine_;
    SentrelState& state_;
    mSentrel& module_;
    MainView& view_;
    EngineServices services_;
};

} // namespace orvane
