#pragma once

#include "engine/SentrelState.h"
#include "platform/Clock.h"
#include "platform/MailClient.h"
#include "platform/MessageBoxes.h"
#include "platform/Result.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace orvane {

// MailIt: tells the recipient of the watch entry under treatment (the
// current row of WatchRecordset) what happened to its page, through the
// SMTP component. A failed send is reported in a message box and counts as
// done; a port that is no number or a row that cannot be read fails the
// alert before anything is sent.
class MailAlert {
public:
    MailAlert(SentrelState& state, MailClient& smtp1, MessageBoxes& messages, const Clock& clock);

    Status mailIt(qint16 CType);

    // The kind's subject: the long form followed by the entry's subject, or
    // the short form when the entry has none (Null).
    static QString subject(qint16 CType, const Value& entrySubject);
    // Year, month, day, whole seconds since midnight, "_Sentrel".
    static QString messageId(const QDateTime& now);

private:
    Result<QString> body(qint16 CType) const;

    SentrelState& state_;
    MailClient& smtp1_;
    MessageBoxes& messages_;
    const Clock& clock_;
};

} // namespace orvane
