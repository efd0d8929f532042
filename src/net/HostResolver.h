#pragma once

#include <QString>

namespace orvane {

// This machine's names as the system knows them: a seam, so that the name
// the mail carries can be tested without the machine's resolver.
class HostResolver {
public:
    virtual ~HostResolver() = default;
    // The host name the machine gives itself; empty when it has none.
    virtual QString hostName() const = 0;
    // The canonical name the resolver gives for `host`; empty when it cannot
    // resolve it.
    virtual QString canonicalName(const QString& host) const = 0;
};

} // namespace orvane
