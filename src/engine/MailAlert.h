#pragma once

#include "base/Clock.h"
#include "base/MailClient.h"
#include "base/MessageBoxes.h"
#include "base/Result.h"
#include "engine/AlertKind.h"
#include "store/Settings.h"
#include "store/WatchEntry.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace orvane {

// Tells the recipient of a watch entry what happened to its page, through
// the mail client, with the mail settings. A
// failed send is reported in a message box and counts as done; a port that is
// no number or a row that cannot be read fails the alert before anything is
// sent.
class MailAlert {
public:
    // A mail refused by the client still counts as done, once reported.
    enum class Delivery { Sent, Refused };

    MailAlert(const Settings& settings, MailClient& mailer, MessageBoxes& messages, const Clock& clock);

    // `fault` is why the page could not be fetched; only a page fault tells it.
    Result<Delivery> send(const WatchEntry& entry, AlertKind kind, const Failure& fault = {});

    // The kind's subject: the long form followed by the entry's subject, or
    // the short form when the entry has none (Null).
    static QString subject(AlertKind kind, const Value& entrySubject);
    // Year, month, day, whole seconds since midnight, "_Sentrel".
    static QString messageId(const QDateTime& now);

private:
    Result<Mail> mail(const WatchEntry& entry, AlertKind kind, const Failure& fault) const;
    static Result<QString> body(const WatchEntry& entry, AlertKind kind, const Failure& fault);

    const Settings& settings_;
    MailClient& mailer_;
    MessageBoxes& messages_;
    const Clock& clock_;
};

} // namespace orvane
