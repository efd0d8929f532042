#include "net/SmtpConversation.h"

#include "net/CurlOptions.h"
#include "net/TransferFailure.h"

#include <QDir>
#include <QRegularExpression>

namespace orvane {

namespace {

// The verbs worth naming; anything else sent on a line of its own is an
// answer to a login prompt.
const QByteArray kVerbs[] = {"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL", "RCPT", "DATA", "RSET", "NOOP"};

} // namespace

CURLcode SmtpConversation::follow(CURL* handle)
{
    command_.clear();
    recipient_.clear();
    reply_.clear();
    quitting_ = false;
    return CurlOptions(handle)
        .set(CURLOPT_DEBUGFUNCTION, &SmtpConversation::record)
        .set(CURLOPT_DEBUGDATA, this)
        .set(CURLOPT_VERBOSE, 1L) // the hook is called only then; nothing is printed
        .code();
}

int SmtpConversation::record(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    auto* conversation = static_cast<SmtpConversation*>(self);
    const QByteArray text = QByteArray(data, static_cast<qsizetype>(size)).trimmed();
    if (type == CURLINFO_HEADER_IN && !text.isEmpty() && !conversation->quitting_) {
        conversation->reply_ = text.mid(text.lastIndexOf('\n') + 1);
        if (conversation->command_ == "EHLO" && text.mid(4).trimmed().toUpper() == "SMTPUTF8")
            conversation->smtpUtf8_ = true;
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
        if (verb == "RCPT") {
            const QByteArray address = text.mid(text.indexOf('<') + 1);
            conversation->recipient_ = address.left(address.indexOf('>'));
        }
        if (verb == "EHLO" || verb == "HELO")
            conversation->smtpUtf8_ = false; // a new greeting, after STARTTLS say, offers anew
    }
    return 0;
}

bool SmtpConversation::replyIsAboutSender(const MailSender& sender) const
{
    // Enhanced codes x.1.7 and x.1.8 are the sender's; a server that judges
    // the sender at RCPT TO names the sender's address or says so.
    static const QRegularExpression senderCode(QStringLiteral("^\\d{3}[ -][245]\\.1\\.[78]\\b"));
    const QString reply = lastReply();
    return senderCode.match(reply).hasMatch()
        || reply.contains(QLatin1Char('<') + sender.address + QLatin1Char('>'), Qt::CaseInsensitive)
        || (reply.contains(QLatin1String("sender"), Qt::CaseInsensitive)
            && !reply.contains(QLatin1String("recipient"), Qt::CaseInsensitive));
}

Failure SmtpConversation::failure(CURLcode code, const Context& context) const
{
    Failure failure = transferFailure(code);
    const QString host = context.host;
    const QString netrc = QDir::toNativeSeparators(context.netrcFile);
    const QString sender = context.sender.address;
    QString reason;
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        reason =
            QStringLiteral("The mail server's name %1 cannot be found: check it in the Properties window.").arg(host);
        break;
    case CURLE_COULDNT_CONNECT:
        reason = QStringLiteral("The mail server %1 refused the connection or cannot be reached: check the server "
                                "and the port in the Properties window.")
                     .arg(host);
        break;
    case CURLE_OPERATION_TIMEDOUT:
        reason = QStringLiteral("The mail server %1 did not answer in time.").arg(host);
        break;
    case CURLE_SSL_CONNECT_ERROR:
        reason = QStringLiteral("The TLS handshake with the mail server %1 failed.").arg(host);
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        reason = QStringLiteral("The certificate of the mail server %1 is not trusted (self-signed, expired or made "
                                "out to another name).")
                     .arg(host);
        break;
    case CURLE_USE_SSL_FAILED:
        reason = QStringLiteral("The mail server %1 offers no TLS (STARTTLS), which port 587 and a login require: a "
                                "password is never sent in plain text. Try port 465.")
                     .arg(host);
        break;
    case CURLE_LOGIN_DENIED:
        reason = QStringLiteral("The mail server %1 refused the login: check its line in %2.").arg(host, netrc);
        break;
    case CURLE_REMOTE_ACCESS_DENIED:
        if (command_ == "EHLO" || command_ == "HELO") {
            reason = QStringLiteral("The mail server %1 refused the greeting EHLO %2%3.")
                         .arg(host, context.sender.greetingName,
                              context.sender.qualified
                                  ? QString()
                                  : QStringLiteral(": it may want a fully qualified name, which this machine lacks"));
        }
        break;
    case CURLE_SEND_ERROR:
    case CURLE_WEIRD_SERVER_REPLY:
        if (command_ == "MAIL" && reply_.startsWith("530")) {
            reason =
                QStringLiteral("The mail server %1 wants a login at MAIL FROM: add one for it to %2.").arg(host, netrc);
        } else if (command_ == "MAIL" || (command_ == "RCPT" && replyIsAboutSender(context.sender))) {
            reason = QStringLiteral("The mail server %1 refused the sender %2 (MAIL FROM): it must be an address the "
                                    "server's login may send from; the login on its line in %3 should be that "
                                    "address.")
                         .arg(host, sender, netrc);
        } else if (command_ == "RCPT") {
            reason = QStringLiteral("The mail server %1 refused the recipient %2 (RCPT TO).")
                         .arg(host, QString::fromUtf8(recipient_));
        } else if (command_ == "DATA") {
            reason = QStringLiteral("The mail server %1 refused the message after DATA.").arg(host);
        }
        break;
    default: break;
    }
    if (!reason.isEmpty())
        failure.description = reason;
    return failure;
}

} // namespace orvane
