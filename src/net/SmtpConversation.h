#pragma once

#include "base/Failure.h"
#include "net/MailSender.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QString>

namespace orvane {

// Follows one mail's SMTP conversation through libcurl's debug hook and
// keeps what explains a failure: the verb of the last command sent (never
// the rest of a line, which may carry a login; only a RCPT TO's address),
// the server's answer to it, and whether its greeting offered SMTPUTF8.
class SmtpConversation {
public:
    // What a reason names besides the server's answer.
    struct Context {
        QString host;
        QString netrcFile;
        MailSender sender;
    };

    // Hooks the handle's next transfer to this object and forgets the last
    // one's command and answer; what the connection's greeting offered stays
    // until the next greeting.
    [[nodiscard]] CURLcode follow(CURL* handle);

    QString lastReply() const { return QString::fromUtf8(reply_); }
    bool lastReplyRefusesForGood() const { return reply_.startsWith('5'); }
    bool offersSmtpUtf8() const { return smtpUtf8_; }

    // The failure of a transfer that ended in `code`: the transfer error's
    // number, and a reason that names the step the server refused.
    Failure failure(CURLcode code, const Context& context) const;

private:
    static int record(CURL* handle, curl_infotype type, char* data, size_t size, void* self);
    bool replyIsAboutSender(const MailSender& sender) const;

    QByteArray command_;
    QByteArray recipient_; // of the last RCPT TO: which of a list was refused
    QByteArray reply_;
    bool smtpUtf8_ = false;
    // libcurl says QUIT when it drops a connection after a failure; the
    // "221" to it must not hide the answer that failed.
    bool quitting_ = false;
};

} // namespace orvane
