#pragma once

#include "store/Recordset.h"

#include <QString>
#include <QtGlobal>

namespace orvane {

// The main window's fields: the state the wake-up cycle, the table search
// and the mail alert share. Texts start empty, numbers at 0.
struct SentrelState {
    qint16 WakeUp = 0;
    QString MailServer;
    QString SmtpPort;
    qint32 TickCount = 0;
    Recordset WatchRecordset;
    QString CurrentUrl;
    QString PageData;
    QString OldContent;
    QString NewContent;
    int FetchError = 0;
};

} // namespace orvane
