#pragma once

#include <QString>

namespace orvane {

// The SMTP component, with the operations the mail alert uses. The status
// after a send is 0 when the mail was handed over, else the client's own
// error number, which statusText() explains.
class MailClient {
public:
    virtual ~MailClient() = default;
    virtual void setServer(const QString& server) = 0;
    virtual void setPort(qint32 port) = 0;
    virtual void clearHeaders() = 0;
    virtual void addHeader(const QString& name, const QString& value) = 0;
    virtual void send(const QString& body) = 0;
    virtual int status() const = 0;
    // Why the last send failed, in words the user can act on; empty after a success.
    virtual QString statusText() const = 0;
    // The mail server's last answer during the last send, when there was one.
    virtual QString serverReply() const { return {}; }
    // The cycle's mails are sent: whatever was kept open for the next one
    // may go, since the next cycle is minutes away.
    virtual void endSession() { }
};

} // namespace orvane
