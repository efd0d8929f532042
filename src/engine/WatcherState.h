#pragma once

#include "store/ActiveEntries.h"
#include "store/Settings.h"

#include <QString>
#include <QtGlobal>

namespace orvane {

// The state the wake-up cycle and the mail alert share, held by the main
// window for the program's life. What one entry's visit alone uses lives in
// the visit. Texts start empty, numbers at 0.
struct WatcherState {
    Settings settings;
    qint32 tickCount = 0;
    // The active entries during a cycle; the current one is the entry
    // being treated.
    ActiveEntries entries;
    // The last page taken, in this cycle or an earlier one: every alert
    // writes it to the scratch file again, a page fault's too.
    QString newContent;
};

} // namespace orvane
