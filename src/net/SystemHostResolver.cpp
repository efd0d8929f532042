#include "net/SystemHostResolver.h"

#include <QByteArray>
#include <QSysInfo>

#include <netdb.h>

#include <memory>

namespace orvane {

namespace {

struct AddressInfoFree {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

} // namespace

QString SystemHostResolver::hostName() const
{
    return QSysInfo::machineHostName();
}

QString SystemHostResolver::canonicalName(const QString& host) const
{
    addrinfo hints {};
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.toLocal8Bit().constData(), nullptr, &hints, &found) != 0)
        return {};
    const std::unique_ptr<addrinfo, AddressInfoFree> owner(found);
    return found && found->ai_canonname ? QString::fromLocal8Bit(found->ai_canonname) : QString();
}

} // namespace orvane
