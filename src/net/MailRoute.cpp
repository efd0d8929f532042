#include "net/MailRoute.h"

#include "net/NetrcLogin.h"
#include "net/SmtpTlsPolicy.h"

#include <QDir>

namespace orvane {

QString MailRoute::describe(const QString& server, qint32 port, const QString& netrcFile)
{
    const auto login = NetrcLogin::find(netrcFile, server.trimmed());
    const QString file = QDir::toNativeSeparators(netrcFile);
    if (!login.ok())
        return QStringLiteral("nothing is sent: ") + login.failure().description;
    const SmtpTlsPolicy policy = SmtpTlsPolicy::choose(port, login.value().has_value());
    QString text;
    switch (policy.start) {
    case SmtpTlsPolicy::Start::Implicit: text = QStringLiteral("TLS from the first byte, certificate verified"); break;
    case SmtpTlsPolicy::Start::Required: text = QStringLiteral("STARTTLS required, certificate verified"); break;
    case SmtpTlsPolicy::Start::IfOffered: text = QStringLiteral("STARTTLS if offered, else plain text"); break;
    }
    return text
        + (login.value() ? QStringLiteral("; login from %1").arg(file)
                         : QStringLiteral("; no login (none in %1)").arg(file));
}

} // namespace orvane
