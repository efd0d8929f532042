#include "net/MailSender.h"

#include <pwd.h>
#include <unistd.h>

namespace orvane {

namespace {

bool isQualified(const QString& name)
{
    return name.contains(QLatin1Char('.')) && !name.startsWith(QLatin1String("localhost"))
        && !name.endsWith(QLatin1Char('.'));
}

bool isAddress(const QString& login)
{
    const qsizetype at = login.lastIndexOf(QLatin1Char('@'));
    return at > 0 && at < login.size() - 1 && !login.contains(QLatin1Char(' '));
}

} // namespace

MailSender MailSender::choose(const std::optional<NetrcLogin::Login>& login, const QString& userName,
                              const QString& hostName)
{
    const QString host = hostName.isEmpty() ? QStringLiteral("localhost") : hostName;
    const QString user = userName.isEmpty() ? QStringLiteral("orvane") : userName;
    const QString address = login && isAddress(login->name) ? login->name : user + QLatin1Char('@') + host;
    return {address, host, isQualified(host)};
}

QString MailSender::machineHostName(const HostResolver& resolver)
{
    QString name = resolver.hostName();
    if (name.isEmpty())
        return QStringLiteral("localhost");
    if (isQualified(name))
        return name;
    const QString canonical = resolver.canonicalName(name);
    return isQualified(canonical) ? canonical : name;
}

QString MailSender::machineUserName()
{
    if (const passwd* user = getpwuid(geteuid()); user && user->pw_name)
        return QString::fromLocal8Bit(user->pw_name);
    return {};
}

} // namespace orvane
