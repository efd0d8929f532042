#include "net/CurlMailClient.h"

#include "base/AddressList.h"
#include "base/ErrorCatalogue.h"
#include "net/CurlOptions.h"
#include "net/CurlStringList.h"
#include "net/CurlUrl.h"
#include "net/NetrcLogin.h"
#include "net/SmtpTlsPolicy.h"
#include "net/SystemHostResolver.h"
#include "net/TransferFailure.h"
#include "text/MailEncoding.h"

#include <QLocale>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <memory>

namespace orvane {

namespace {

constexpr qint32 kLowestPort = 1;
constexpr qint32 kHighestPort = 65535;

// The message being uploaded and how far the library has read it.
struct Upload {
    const QByteArray* data;
    qsizetype offset;
    // An international address goes only to a server that said it takes one.
    bool needsSmtpUtf8;
    const SmtpConversation* conversation;
};

// Called once the greeting is answered (or the connection reused), before
// MAIL FROM: a server without SMTPUTF8 gets no envelope it cannot take.
int checkGreeting(void* user, char*, char*, int, int)
{
    const auto* upload = static_cast<const Upload*>(user);
    return upload->needsSmtpUtf8 && !upload->conversation->offersSmtpUtf8() ? CURL_PREREQFUNC_ABORT
                                                                            : CURL_PREREQFUNC_OK;
}

size_t readUpload(char* buffer, size_t size, size_t count, void* user)
{
    auto* upload = static_cast<Upload*>(user);
    const size_t left = static_cast<size_t>(upload->data->size() - upload->offset);
    const size_t n = std::min(size * count, left);
    std::memcpy(buffer, upload->data->constData() + upload->offset, n);
    upload->offset += static_cast<qsizetype>(n);
    return n;
}

bool named(const QString& name, const char* wanted)
{
    return name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

// A display name as a phrase: as it is when it is made of atoms, else quoted.
QString phrase(const QString& name)
{
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    const bool plain = std::none_of(name.begin(), name.end(), [](QChar c) { return specials.contains(c); });
    if (plain)
        return name;
    QString quoted = name;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// One address as typed, blanks and all; a list as its addresses after one
// another, comma separated, which a list typed with semicolons would not be.
QString toHeader(const QString& value)
{
    const Result<QStringList> addresses = AddressList::parse(value);
    if (!addresses.ok() || addresses.value().size() == 1)
        return value;
    QStringList ascii;
    for (const QString& address : addresses.value())
        ascii << MailEncoding::address(address);
    return ascii.join(QLatin1String(", "));
}

// "Fri, 04 Dec 2026 14:30:05 +0100", in English whatever the locale.
QString mailDate(const QDateTime& time)
{
    const int offset = time.offsetFromUtc() / 60;
    const int minutes = offset < 0 ? -offset : offset;
    return QLocale::c().toString(time, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss "))
        + QLatin1Char(offset < 0 ? '-' : '+')
        + QStringLiteral("%1").arg(minutes / 60 * 100 + minutes % 60, 4, 10, QLatin1Char('0'));
}

// The answer to QUIT is not covered by the transfer time-out, and the
// default wait is two minutes. Whole seconds, rounded up.
long answerSeconds(std::chrono::milliseconds transferTimeout)
{
    return static_cast<long>(std::max<std::chrono::milliseconds::rep>(1, (transferTimeout.count() + 999) / 1000));
}

// Back to a new handle's options, its connection kept, so that nothing
// points at a finished mail's data while the connection waits. A handle
// whose QUIT could wait two minutes, or raise a signal, carries no mail.
CURLcode resetKeepingConnection(CURL* handle, std::chrono::milliseconds transferTimeout)
{
    curl_easy_reset(handle);
    return CurlOptions(handle)
        .set(CURLOPT_SERVER_RESPONSE_TIMEOUT, answerSeconds(transferTimeout))
        .set(CURLOPT_NOSIGNAL, 1L)
        .code();
}

} // namespace

CurlMailClient::CurlMailClient(CurlMailOptions options) : options_(std::move(options))
{
    if (options_.netrcFile.isEmpty())
        options_.netrcFile = NetrcLogin::defaultFile();
}

void CurlMailClient::endSession()
{
    handle_.reset(); // says QUIT and closes the connection
    connected_ = false;
}

Result<MailSender> CurlMailClient::senderFor(const QString& server) const
{
    const auto login = NetrcLogin::find(options_.netrcFile, server.trimmed());
    if (!login.ok())
        return login.failure();
    return senderFrom(login.value());
}

MailSender CurlMailClient::senderFrom(const std::optional<NetrcLogin::Login>& login) const
{
    if (options_.hostName.isEmpty() && machineHost_.isEmpty()) {
        const SystemHostResolver system;
        machineHost_ = MailSender::machineHostName(options_.resolver ? *options_.resolver : system);
    }
    const QString& host = options_.hostName.isEmpty() ? machineHost_ : options_.hostName;
    const QString user = options_.userName.isEmpty() ? MailSender::machineUserName() : options_.userName;
    return MailSender::choose(login, user, host);
}

QByteArray CurlMailClient::message(const Mail& mail, const MailSender& sender, const QString& idSuffix) const
{
    QByteArray out;
    bool dated = false;
    bool mime = false;
    for (const auto& [name, value] : mail.headers) {
        if (named(name, "To")) {
            out += MailEncoding::addressLine(name, toHeader(value));
        } else if (named(name, "From") && !value.contains(QLatin1Char('@'))) {
            out += MailEncoding::addressLine(name,
                                             phrase(value) + QStringLiteral(" <") + sender.address + QLatin1Char('>'));
        } else if (named(name, "Message-Id") && !value.contains(QLatin1Char('<'))) {
            out += MailEncoding::headerLine(
                name, QLatin1Char('<') + value + idSuffix + QLatin1Char('@') + sender.greetingName + QLatin1Char('>'));
        } else {
            out += MailEncoding::headerLine(name, value);
        }
        out += "\r\n";
        dated = dated || named(name, "Date");
        mime = mime || named(name, "MIME-Version");
    }
    if (!dated) {
        const QDateTime now = options_.clock ? options_.clock->now() : QDateTime::currentDateTime();
        out += MailEncoding::headerLine(QStringLiteral("Date"), mailDate(now)) + "\r\n";
    }
    if (!mime)
        out += "MIME-Version: 1.0\r\n";
    out += "\r\n";
    out += MailEncoding::body(mail.body);
    return out;
}

Status CurlMailClient::send(const Mail& mail)
{
    reply_.clear();
    const QString recipient = mail.header(QStringLiteral("To"));
    // The raw value decides: a line break here could add a recipient or a
    // command to the conversation with the server.
    if (recipient.contains(QLatin1Char('\r')) || recipient.contains(QLatin1Char('\n')) || recipient.trimmed().isEmpty())
        return ErrorCatalogue::failure(ErrorCode::MailBadAddress);
    const Result<QStringList> recipients = AddressList::parse(recipient);
    if (!recipients.ok())
        return ErrorCatalogue::failure(
            ErrorCode::MailBadAddress,
            QStringLiteral("The recipient is no list of addresses: %1.").arg(recipients.failure().description));
    if (mail.port < kLowestPort || mail.port > kHighestPort)
        return ErrorCatalogue::failure(ErrorCode::MailBadPort);
    return deliver(mail, recipients.value());
}

Status CurlMailClient::deliver(const Mail& mail, const QStringList& recipients)
{
    const QString host = mail.server.trimmed();
    const Result<std::optional<NetrcLogin::Login>> login = NetrcLogin::find(options_.netrcFile, host);
    if (!login.ok())
        return login.failure();
    const MailSender sender = senderFrom(login.value());
    const SmtpTlsPolicy policy = SmtpTlsPolicy::choose(mail.port, login.value().has_value());

    QByteArray urlHost = host.toUtf8();
    if (urlHost.contains(':') && !urlHost.startsWith('['))
        urlHost = '[' + urlHost + ']';
    // The path names this host in the greeting.
    const QByteArray path = '/' + QUrl::toPercentEncoding(sender.greetingName);
    CurlUrl url;
    std::optional<QByteArray> address;
    if (url.set(CURLUPART_SCHEME, policy.scheme()) && url.set(CURLUPART_HOST, urlHost.constData())
        && url.set(CURLUPART_PORT, QByteArray::number(mail.port).constData())
        && url.set(CURLUPART_PATH, path.constData()))
        address = url.get(CURLUPART_URL);
    if (!address)
        return transferFailure(CURLE_URL_MALFORMAT);

    Envelope envelope {*address, mail.port, login.value().has_value(), '<' + sender.address.toUtf8() + '>', {}, {}};
    for (const QString& recipient : recipients) {
        const QString to = MailEncoding::address(recipient);
        envelope.recipients << to.toUtf8();
        if (envelope.needsSmtpUtf8.isEmpty() && MailEncoding::needsSmtpUtf8(to))
            envelope.needsSmtpUtf8 = to;
    }
    // Made once: a mail sent again on a fresh connection keeps its id.
    const QByteArray bytes = message(mail, sender, messageIds_.next());

    if (!handle_)
        handle_.emplace();
    if (!*handle_)
        return transferFailure(CURLE_FAILED_INIT);
    bool connectionMade = false;
    CURLcode code = attempt(envelope, bytes, false, connectionMade);
    // A kept connection may have died while it waited (a server's idle
    // time-out, a 421): the mail gets one fresh one before it fails. A
    // refusal for good would only be said again.
    if (code != CURLE_OK && code != CURLE_ABORTED_BY_CALLBACK && connected_ && !connectionMade
        && !conversation_.lastReplyRefusesForGood())
        code = attempt(envelope, bytes, true, connectionMade);
    connected_ = connected_ || connectionMade;
    reply_ = conversation_.lastReply();
    if (code == CURLE_OK)
        return {};
    if (!envelope.needsSmtpUtf8.isEmpty() && !conversation_.offersSmtpUtf8()) {
        return ErrorCatalogue::failure(
            ErrorCode::MailNeedsSmtpUtf8,
            QStringLiteral("The address %1 is not ASCII before its @, and the mail server %2 does not take "
                           "international addresses (it offers no SMTPUTF8): use another address or server.")
                .arg(envelope.needsSmtpUtf8, host));
    }
    return conversation_.failure(code, {host, options_.netrcFile, sender});
}

CURLcode CurlMailClient::attempt(const Envelope& envelope, const QByteArray& message, bool freshConnection,
                                 bool& connectionMade)
{
    CURL* const c = handle_->get();
    if (const CURLcode reset = resetKeepingConnection(c, options_.transferTimeout); reset != CURLE_OK)
        return reset;
    const SmtpTlsPolicy policy = SmtpTlsPolicy::choose(envelope.port, envelope.login);
    CurlStringList recipients;
    CurlStringList connectTo;
    // One RCPT TO each: libcurl fails the mail when the server refuses any.
    for (const QByteArray& recipient : envelope.recipients) {
        if (!recipients.append(recipient.constData()))
            return CURLE_OUT_OF_MEMORY;
    }
    for (const QString& route : options_.connectTo) {
        if (!connectTo.append(route.toUtf8().constData()))
            return CURLE_OUT_OF_MEMORY;
    }
    Upload upload {&message, 0, !envelope.needsSmtpUtf8.isEmpty(), &conversation_};
    CurlOptions set(c);
    set.set(CURLOPT_URL, envelope.url.constData())
        .set(CURLOPT_CONNECT_TO, connectTo.get())
        .set(CURLOPT_MAIL_FROM, envelope.sender.constData())
        .set(CURLOPT_MAIL_RCPT, recipients.get())
        .set(CURLOPT_UPLOAD, 1L)
        .set(CURLOPT_READFUNCTION, &readUpload)
        .set(CURLOPT_READDATA, &upload)
        .set(CURLOPT_PREREQFUNCTION, &checkGreeting)
        .set(CURLOPT_PREREQDATA, &upload)
        .set(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()))
        .set(CURLOPT_USE_SSL, policy.useSsl())
        .set(CURLOPT_SSL_VERIFYPEER, policy.verify() ? 1L : 0L)
        .set(CURLOPT_SSL_VERIFYHOST, policy.verify() ? 2L : 0L);
    if (!options_.caFile.isEmpty())
        set.set(CURLOPT_CAINFO, options_.caFile.toUtf8().constData());
    // Without a login in the file libcurl is not even told of it, so no
    // password can go out on a connection the policy leaves in plain text.
    set.set(CURLOPT_NETRC, static_cast<long>(envelope.login ? CURL_NETRC_REQUIRED : CURL_NETRC_IGNORED));
    if (envelope.login)
        set.set(CURLOPT_NETRC_FILE, options_.netrcFile.toUtf8().constData());
    set.set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeout.count()))
        .set(CURLOPT_TIMEOUT_MS, static_cast<long>(options_.transferTimeout.count()))
        // Straight to the mail server, whatever proxy the environment names.
        .set(CURLOPT_PROXY, "")
        .set(CURLOPT_FRESH_CONNECT, freshConnection ? 1L : 0L);
    if (set.code() != CURLE_OK)
        return set.code();
    if (const CURLcode hooked = conversation_.follow(c); hooked != CURLE_OK)
        return hooked;
    const CURLcode code = curl_easy_perform(c);
    long made = 0;
    if (curl_easy_getinfo(c, CURLINFO_NUM_CONNECTS, &made) != CURLE_OK)
        made = 1; // unknown: count it as new, so that no retry goes on a dead line
    connectionMade = made > 0;
    // Nothing of this mail's data may be read once it returns. The mail's
    // outcome stands either way; a handle that could not be set back keeps
    // no connection for the next mail.
    if (resetKeepingConnection(c, options_.transferTimeout) != CURLE_OK) {
        handle_.reset();
        connected_ = false;
        connectionMade = false;
    }
    return code;
}

} // namespace orvane
