#include "platform/SmtpConversation.h"

#include "platform/ErrorCatalogue.h"

#include <QDir>

namespace orvane {

namespace {

// The verbs worth naming; anything else sent on a line of its own is an
// answer to a login prompt.
const QByteArray kVerbs[] = {"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL", "RCPT", "DATA", "RSET", "NOOP"};

} // namespace

void SmtpConversation::follow(CURL* handle)
{
    command_.clear();
    reply_.clear();
    quitting_ = false;
    curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &SmtpConversation::record);
    curl_easy_setopt(handle, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L); // the hook is called only then; nothing is printed
}

int SmtpConversation::record(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    auto* conversation = static_cast<SmtpConversation*>(self);
    const QByteArray text = QByteArray(data, static_cast<qsizetype>(size)).trimmed();
    if (type == CURLINFO_HEADER_IN && !text.isEmpty() && !conversation->quitting_) {
        conversation->reply_ = text.mid(text.lastIndexOf('\n') + 1);
    } else if (type == CURLINFO_HEADER_OUT) {
        const qsizetype blank = text.indexOf(' '); // none after DATA or QUIT
        const QByteArray verb = (blank < 0 ? text : text.left(blank)).toUpper();
        if (verb == "QUIT") {
            conversation->quitting_ = true;
            return 0;
        }
        for (const QByteArray& known : kVerbs) {
            if (verb == known)
                conversation->command_ = verb;
        }
    }
    return 0;
}

Failure SmtpConversation::failure(CURLcode code, const QString& host, const QString& netrcFile) const
{
    Failure failure = ErrorCatalogue::transferFailure(static_cast<int>(code));
    const QString netrc = QDir::toNativeSeparators(netrcFile);
    QString reason;
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        reason = QStringLiteral("The mail server's name %1 cannot be found: check it in the Properties window.");
        break;
    case CURLE_COULDNT_CONNECT:
        reason = QStringLiteral("The mail server %1 refused the connection or cannot be reached: check the server "
                                "and the port in the Properties window.");
        break;
    case CURLE_OPERATION_TIMEDOUT: reason = QStringLiteral("The mail server %1 did not answer in time."); break;
    case CURLE_SSL_CONNECT_ERROR: reason = QStringLiteral("The TLS handshake with the mail server %1 failed."); break;
    case CURLE_PEER_FAILED_VERIFICATION:
        reason = QStringLiteral("The certificate of the mail server %1 is not trusted (self-signed, expired or made "
                                "out to another name).");
        break;
    case CURLE_USE_SSL_FAILED:
        reason = QStringLiteral("The mail server %1 offers no TLS (STARTTLS), which port 587 and a login require: a "
                                "password is never sent in plain text. Try port 465.");
        break;
    case CURLE_LOGIN_DENIED:
        reason = QStringLiteral("The mail server %1 refused the login: check its line in %2.");
        break;
    case CURLE_SEND_ERROR:
        if (command_ == "RCPT")
            reason = QStringLiteral("The mail server %1 refused the recipient.");
        else if (command_ == "MAIL" && reply_.startsWith("530"))
            reason = QStringLiteral("The mail server %1 wants a login: add one for it to %2.");
        else if (command_ == "MAIL")
            reason = QStringLiteral("The mail server %1 refused the sender.");
        break;
    default: break;
    }
    if (!reason.isEmpty())
        failure.description = reason.contains(QLatin1String("%2")) ? reason.arg(host, netrc) : reason.arg(host);
    return failure;
}

} // namespace orvane
