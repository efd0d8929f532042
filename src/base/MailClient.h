#pragma once

#include "base/Mail.h"
#include "base/Result.h"

#include <QString>

namespace orvane {

// The SMTP component, with the operations the mail alert uses. A send that
// fails gives the client's own error number and, in words the user can act
// on, why.
class MailClient {
public:
    virtual ~MailClient() = default;
    [[nodiscard]] virtual Status send(const Mail& mail) = 0;
    // The mail server's last answer during the last send, when there was one.
    virtual QString serverReply() const { return {}; }
    // The cycle's mails are sent: whatever was kept open for the next one
    // may go, since the next cycle is minutes away.
    virtual void endSession() { }
};

} // namespace orvane
