#pragma once

#include "net/HostResolver.h"

namespace orvane {

// The machine's own host name and the system's resolver (getaddrinfo, so
// /etc/hosts and DNS as nsswitch.conf orders them).
class SystemHostResolver final : public HostResolver {
public:
    QString hostName() const override;
    QString canonicalName(const QString& host) const override;
};

} // namespace orvane
