#pragma once

#include "platform/Clock.h"
#include "platform/MailClient.h"
#include "platform/Result.h"

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
    // How a mail to these settings travels: TLS and where the login comes from.
    static QString route(const MailSettings& settings, const QString& netrcFile);

    // Sends and ends the session; the client's status tells how it went.
    void send(const MailSettings& settings, const QString& address);

private:
    MailClient& mailer_;
    const Clock& clock_;
};

} // namespace orvane
