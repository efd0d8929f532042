#pragma once

#include "base/Clock.h"
#include "base/MailClient.h"
#include "base/Result.h"

#include <QString>
#include <QtGlobal>

namespace orvane {

// The mail settings as stored in a watch database.
struct MailSettings {
    QString server;
    qint32 port = 0;
};

// One short mail through the settings of a watch database, with the client
// and the policy the alerts use: a way to try them without waiting for a
// page to change.
class TrialMail {
public:
    TrialMail(MailClient& mailer, const Clock& clock) : mailer_(mailer), clock_(clock) { }

    // "Mail server" and "SMTP Port" of the System row of the database file.
    static Result<MailSettings> readSettings(const QString& databaseFile);

    // Sends and ends the session.
    [[nodiscard]] Status send(const MailSettings& settings, const QString& address);

private:
    MailClient& mailer_;
    const Clock& clock_;
};

} // namespace orvane
