#pragma once

#include "net/HostResolver.h"
#include "net/NetrcLogin.h"

#include <QString>

#include <optional>

namespace orvane {

// Who an alert comes from, as mail servers want to see it: a sender that
// belongs to the login, and a greeting with a fully qualified name.
struct MailSender {
    QString address;        // the envelope sender and the From address
    QString greetingName;   // said in EHLO, and the right side of the Message-Id
    bool qualified = false; // greetingName is a fully qualified domain name

    // The login when it is an address (a provider wants the sender to be the
    // login), else the user at the host, as cron and mail(1) do.
    static MailSender choose(const std::optional<NetrcLogin::Login>& login, const QString& userName,
                             const QString& hostName);

    // This machine's fully qualified name when it has one (its host name, or
    // the canonical name the resolver gives for it, as hostname -f does),
    // else its best name: the host name, or "localhost".
    static QString machineHostName(const HostResolver& resolver);
    // The name of the user the program runs as.
    static QString machineUserName();
};

} // namespace orvane
