#include "engine/TrialMail.h"

#include "engine/MailAlert.h"
#include "store/Columns.h"
#include "store/Database.h"

namespace orvane {

Result<MailSettings> TrialMail::readSettings(const QString& databaseFile)
{
    auto db = Database::open(databaseFile);
    if (!db.ok())
        return db.failure();
    auto system = db.value().openRecordset(Columns::kSystemTable);
    if (!system.ok())
        return system.failure();
    auto server = system.value().value(Columns::kMailServer);
    auto port = system.value().value(Columns::kSmtpPort);
    if (!server.ok())
        return server.failure();
    if (!port.ok())
        return port.failure();
    // The port as the alert reads it: its text as a number.
    auto number = port.value().toText();
    auto converted = number.ok() ? Value(number.value()).toInt32() : Result<qint32>(number.failure());
    if (!converted.ok())
        return converted.failure();
    return MailSettings {server.value().textOrEmpty(), converted.value()};
}

void TrialMail::send(const MailSettings& settings, const QString& address)
{
    mailer_.setServer(settings.server);
    mailer_.setPort(settings.port);
    mailer_.clearHeaders();
    mailer_.addHeader(QStringLiteral("To"), address);
    mailer_.addHeader(QStringLiteral("Subject"), QStringLiteral("Test mail from orvane-db"));
    mailer_.addHeader(QStringLiteral("Message-Id"), MailAlert::messageId(clock_.now()));
    mailer_.addHeader(QStringLiteral("Content-Type"), QStringLiteral("TEXT/PLAIN; charset=US-ASCII"));
    mailer_.addHeader(QStringLiteral("From"), QStringLiteral("Sentrel"));
    mailer_.send(QStringLiteral("This mail was sent by orvane-db test-mail. Orvane's alerts take the same way: "
                                "the same server, port, login and TLS."));
    mailer_.endSession();
}

} // namespace orvane
