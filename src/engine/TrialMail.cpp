#include "engine/TrialMail.h"

#include "engine/FixedHeaders.h"
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

Status TrialMail::send(const MailSettings& settings, const QString& address)
{
    const Mail mail {settings.server,
                     settings.port,
                     {{QStringLiteral("To"), address},
                      {QStringLiteral("Subject"), QStringLiteral("Test mail from orvane-db")},
                      {QStringLiteral("Message-Id"), MailAlert::messageId(clock_.now())},
                      FixedHeaders::kContentType,
                      FixedHeaders::kFrom},
                     QStringLiteral("This mail was sent by orvane-db test-mail. Orvane's alerts take the same way: "
                                    "the same server, port, login and TLS.")};
    Status sent = mailer_.send(mail);
    mailer_.endSession();
    return sent;
}

} // namespace orvane
