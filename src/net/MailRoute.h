#pragma once

#include <QString>
#include <QtGlobal>

namespace orvane {

// How a mail to a server travels, in words for the user: the TLS the policy
// chooses and where the login comes from.
struct MailRoute {
    static QString describe(const QString& server, qint32 port, const QString& netrcFile);
};

} // namespace orvane
