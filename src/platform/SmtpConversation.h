#pragma once

#include "platform/Failure.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QString>

namespace orvane {

// Follows one mail's SMTP conversation through libcurl's debug hook and
// keeps what explains a failure: the verb of the last command sent (never
// the rest of a line, which may carry a login) and the server's answer to it.
class SmtpConversation {
public:
    // Hooks the handle's next transfer to this object and forgets the last one.
    void follow(CURL* handle);

    QString lastCommand() const { return QString::fromLatin1(command_); }
    QString lastReply() const { return QString::fromUtf8(reply_); }
    bool lastReplyRefusesForGood() const { return reply_.startsWith('5'); }

    // The failure of a transfer that ended in `code`: the transfer error's
    // number, and a reason the user can act on.
    Failure failure(CURLcode code, const QString& host, const QString& netrcFile) const;

private:
    static int record(CURL* handle, curl_infotype type, char* data, size_t size, void* self);

    QByteArray command_;
    QByteArray reply_;
    // libcurl says QUIT when it drops a connection after a failure; the
    // "221" to it must not hide the answer that failed.
    bool quitting_ = false;
};

} // namespace orvane
