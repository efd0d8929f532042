#pragma once

#include <QString>

namespace orvane {

// The SMTP component, with exactly the operations the mail alert uses.
// The status after a send is 0 when the mail was handed over.
class MailClient {
public:
    virtual ~MailClient() = default;
    virtual void setServer(const QString& server) = 0;
    virtual void setPort(qint32 port) = 0;
    virtual void clearHeaders() = 0;
    virtual void addHeader(const QString& name, const QString& value) = 0;
    virtual void send(const QString& body) = 0;
    virtual int status() const = 0;
    // The cycle's mails are sent: whatever was kept open for the next one
    // may go, since the next cycle is minutes away.
    virtual void endSession() {}
};

} // namespace orvane
