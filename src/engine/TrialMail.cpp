#include "engine/TrialMail.h"

#include "engine/FixedHeaders.h"
#include "engine/MailAlert.h"
#include "store/WatchStore.h"

namespace orvane {

Result<Settings> TrialMail::readSettings(const QString& databaseFile)
{
    auto store = WatchStore::open(databaseFile);
    if (!store.ok())
        return store.failure();
    auto settings = store.value().settings();
    if (!settings.ok())
        return settings.failure();
    if (!settings.value().port.ok())
        return settings.value().port.failure();
    return settings;
}

Status TrialMail::send(const Settings& settings, const QString& address)
{
    const Mail mail {settings.mailServer,
                     settings.port.value(),
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
