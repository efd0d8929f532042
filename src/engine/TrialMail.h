#pragma once

#include "base/Clock.h"
#include "base/MailClient.h"
#include "base/Result.h"
#include "store/Settings.h"

#include <QString>
#include <QtGlobal>

namespace orvane {

// One short mail through the settings of a watch database, with the client
// and the policy the alerts use: a way to try them without waiting for a
// page to change.
class TrialMail {
public:
    TrialMail(MailClient& mailer, const Clock& clock) : mailer_(mailer), clock_(clock) { }

    // The settings of the database file; fails when its port is no number.
    static Result<Settings> readSettings(const QString& databaseFile);

    // Sends and ends the session.
    [[nodiscard]] Status send(const Settings& settings, const QString& address);

private:
    MailClient& mailer_;
    const Clock& clock_;
};

} // namespace orvane
