#include "platform/CurlMailClient.h"

#include "platform/CurlStringList.h"
#include "platform/ErrorCatalogue.h"
#include "platform/MailEncoding.h"
#include "platform/NetrcLogin.h"
#include "platform/SmtpTlsPolicy.h"

#include <QSysInfo>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <memory>

namespace orvane {

namespace {

constexpr qint32 kLowestPort = 1;
constexpr qint32 kHighestPort = 65535;

struct UrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlCleanup>;

struct CurlText {
    void operator()(char* text) const { curl_free(text); }
};

// The message being uploaded and how far the library has read it.
struct Upload {
    const QByteArray* data;
    qsizetype offset;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* user)
{
    auto* upload = static_cast<Upload*>(user);
    const size_t left = static_cast<size_t>(upload->data->size() - upload->offset);
    const size_t n = std::min(size * count, left);
    std::memcpy(buffer, upload->data->constData() + upload->offset, n);
    upload->offset += static_cast<qsizetype>(n);
    return n;
}

// CR LF, a lone CR and a lone LF all become CR LF.
QByteArray withCrLf(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 32 + 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

QString hostName()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

// The answer to QUIT is not covered by the transfer time-out, and the
// default wait is two minutes. Whole seconds, rounded up.
long answerSeconds(std::chrono::milliseconds transferTimeout)
{
    return static_cast<long>(std::max<std::chrono::milliseconds::rep>(1, (transferTimeout.count() + 999) / 1000));
}

// Back to a new handle's options, its connection kept, so that nothing
// points at a finished mail's data while the connection waits.
void resetKeepingConnection(CURL* handle, std::chrono::milliseconds transferTimeout)
{
    curl_easy_reset(handle);
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, answerSeconds(transferTimeout));
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
}

} // namespace

CurlMailClient::CurlMailClient(CurlMailOptions options) : options_(std::move(options))
{
    if (options_.netrcFile.isEmpty())
        options_.netrcFile = NetrcLogin::defaultFile();
}

void CurlMailClient::setServer(const QString& server)
{
    server_ = server;
}

void CurlMailClient::setPort(qint32 port)
{
    port_ = port;
}

void CurlMailClient::clearHeaders()
{
    headers_.clear();
}

void CurlMailClient::addHeader(const QString& name, const QString& value)
{
    headers_.append({name, value});
}

void CurlMailClient::endSession()
{
    handle_.reset(); // says QUIT and closes the connection
    connected_ = false;
}

QString CurlMailClient::envelopeSender()
{
    return QStringLiteral("orvane@") + hostName();
}

QByteArray CurlMailClient::message(const QString& body) const
{
    QByteArray out;
    for (const auto& [name, value] : headers_) {
        const bool to = name.compare(QLatin1String("To"), Qt::CaseInsensitive) == 0;
        out += MailEncoding::headerValue(name) + ": "
            + MailEncoding::headerValue(to ? MailEncoding::address(value) : value) + "\r\n";
    }
    out += "\r\n";
    out += withCrLf(body.toUtf8());
    return out;
}

void CurlMailClient::send(const QString& body)
{
    reply_.clear();
    QString recipient;
    for (const auto& [name, value] : headers_) {
        if (name.compare(QLatin1String("To"), Qt::CaseInsensitive) == 0) {
            recipient = value;
            break;
        }
    }
    // The raw value decides: a line break here could add a recipient or a
    // command to the conversation with the server.
    if (recipient.contains(QLatin1Char('\r')) || recipient.contains(QLatin1Char('\n'))
        || recipient.trimmed().isEmpty()) {
        failure_ = ErrorCatalogue::failure(ErrorCode::MailBadAddress);
        return;
    }
    if (port_ < kLowestPort || port_ > kHighestPort) {
        failure_ = ErrorCatalogue::failure(ErrorCode::MailBadPort);
        return;
    }
    failure_ = deliver(MailEncoding::address(recipient.trimmed()).toUtf8(), message(body));
}

Failure CurlMailClient::deliver(const QByteArray& recipient, const QByteArray& message)
{
    const QString host = server_.trimmed();
    const Result<bool> login = NetrcLogin::has(options_.netrcFile, host);
    if (!login.ok())
        return login.failure();
    const SmtpTlsPolicy policy = SmtpTlsPolicy::choose(port_, login.value());

    QByteArray urlHost = host.toUtf8();
    if (urlHost.contains(':') && !urlHost.startsWith('['))
        urlHost = '[' + urlHost + ']';
    // The path names this host in the greeting.
    const QByteArray path = '/' + QUrl::toPercentEncoding(hostName());
    const UrlHandle url(curl_url());
    char* text = nullptr;
    if (!url || curl_url_set(url.get(), CURLUPART_SCHEME, policy.scheme(), 0) != CURLUE_OK
        || curl_url_set(url.get(), CURLUPART_HOST, urlHost.constData(), 0) != CURLUE_OK
        || curl_url_set(url.get(), CURLUPART_PORT, QByteArray::number(port_).constData(), 0) != CURLUE_OK
        || curl_url_set(url.get(), CURLUPART_PATH, path.constData(), 0) != CURLUE_OK
        || curl_url_get(url.get(), CURLUPART_URL, &text, 0) != CURLUE_OK)
        return ErrorCatalogue::transferFailure(CURLE_URL_MALFORMAT);
    const std::unique_ptr<char, CurlText> address(text);

    if (!handle_)
        handle_.emplace();
    if (!*handle_)
        return ErrorCatalogue::transferFailure(CURLE_FAILED_INIT);
    bool connectionMade = false;
    CURLcode code = attempt(address.get(), login.value(), recipient, message, false, connectionMade);
    // A kept connection may have died while it waited (a server's idle
    // time-out, a 421): the mail gets one fresh one before it fails. A
    // refusal for good would only be said again.
    if (code != CURLE_OK && connected_ && !connectionMade && !conversation_.lastReplyRefusesForGood())
        code = attempt(address.get(), login.value(), recipient, message, true, connectionMade);
    connected_ = connected_ || connectionMade;
    reply_ = conversation_.lastReply();
    return code == CURLE_OK ? Failure {} : conversation_.failure(code, host, options_.netrcFile);
}

CURLcode CurlMailClient::attempt(const QByteArray& url, bool login, const QByteArray& recipient,
                                 const QByteArray& message, bool freshConnection, bool& connectionMade)
{
    CURL* const c = handle_->get();
    resetKeepingConnection(c, options_.transferTimeout);
    const SmtpTlsPolicy policy = SmtpTlsPolicy::choose(port_, login);
    const QByteArray sender = '<' + envelopeSender().toUtf8() + '>';
    CurlStringList recipients;
    CurlStringList connectTo;
    if (!recipients.append(recipient.constData()))
        return CURLE_OUT_OF_MEMORY;
    for (const QString& route : options_.connectTo) {
        if (!connectTo.append(route.toUtf8().constData()))
            return CURLE_OUT_OF_MEMORY;
    }
    Upload upload {&message, 0};
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_CONNECT_TO, connectTo.get());
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, sender.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &readUpload);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    curl_easy_setopt(c, CURLOPT_USE_SSL, policy.useSsl());
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, policy.verify() ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, policy.verify() ? 2L : 0L);
    if (!options_.caFile.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, options_.caFile.toUtf8().constData());
    // Without a login in the file libcurl is not even told of it, so no
    // password can go out on a connection the policy leaves in plain text.
    curl_easy_setopt(c, CURLOPT_NETRC, static_cast<long>(login ? CURL_NETRC_REQUIRED : CURL_NETRC_IGNORED));
    if (login)
        curl_easy_setopt(c, CURLOPT_NETRC_FILE, options_.netrcFile.toUtf8().constData());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeout.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(options_.transferTimeout.count()));
    // Straight to the mail server, whatever proxy the environment names.
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, freshConnection ? 1L : 0L);
    conversation_.follow(c);
    const CURLcode code = curl_easy_perform(c);
    long made = 0;
    curl_easy_getinfo(c, CURLINFO_NUM_CONNECTS, &made);
    connectionMade = made > 0;
    // Nothing of this mail's data may be read once it returns.
    resetKeepingConnection(c, options_.transferTimeout);
    return code;
}

} // namespace orvane
