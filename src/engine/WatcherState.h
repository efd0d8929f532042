#pragma once

#include "store/Recordset.h"

#include <QString>
#include <QtGlobal>

namespace orvane {

// The state the wake-up cycle, the table search and the mail alert share,
// held by the main window for the program's life. Texts start empty,
// numbers at 0.
struct WatcherState {
    qint16 wakeUp = 0;
    QString mailServer;
    QString smtpPort;
    qint32 tickCount = 0;
    // The active entries during a cycle; its current row is the entry
    // being treated.
    Recordset watchRecordset;
    QString currentUrl;
    QString pageData;
    QString oldContent;
    QString newContent;
    Failure fetchError;
};

} // namespace orvane
