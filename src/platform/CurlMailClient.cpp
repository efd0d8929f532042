#include "platform/CurlMailClient.h"

#include "platform/CurlHandle.h"
#include "platform/CurlStringList.h"
#include "platform/ErrorCatalogue.h"
#include "platform/ErrorCode.h"

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

// A header name or value on one line: a line break in it would start a
// header, or the body, of the sender's choosing.
QByteArray oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.toUtf8();
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

int transferNumber(CURLcode code)
{
    return ErrorCatalogue::transferFailure(static_cast<int>(code)).number;
}

} // namespace

CurlMailClient::CurlMailClient(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds transferTimeout)
    : connectTimeout_(connectTimeout), transferTimeout_(transferTimeout)
{
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

int CurlMailClient::status() const
{
    return status_;
}

QString CurlMailClient::envelopeSender()
{
    return QStringLiteral("orvane@") + hostName();
}

QByteArray CurlMailClient::message(const QString& body) const
{
    QByteArray out;
    for (const auto& [name, value] : headers_)
        out += oneLine(name) + ": " + oneLine(value) + "\r\n";
    out += "\r\n";
    out += withCrLf(body.toUtf8());
    return out;
}

void CurlMailClient::send(const QString& body)
{
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
        status_ = ErrorCatalogue::failure(ErrorCode::MailBadAddress).number;
        return;
    }
    if (port_ < kLowestPort || port_ > kHighestPort) {
        status_ = ErrorCatalogue::failure(ErrorCode::MailBadPort).number;
        return;
    }
    status_ = deliver(recipient.trimmed().toUtf8(), message(body));
}

int CurlMailClient::deliver(const QByteArray& recipient, const QByteArray& message)
{
    QByteArray host = server_.trimmed().toUtf8();
    if (host.contains(':') && !host.startsWith('['))
        host = '[' + host + ']';
    const QByteArray scheme = port_ == kImplicitTlsPort ? "smtps" : "smtp";
    const QByteArray port = QByteArray::number(port_);
    // The path names this host in the greeting.
    const QByteArray path = '/' + QUrl::toPercentEncoding(hostName());
    const UrlHandle url(curl_url());
    if (!url)
        return transferNumber(CURLE_OUT_OF_MEMORY);
    if (curl_url_set(url.get(), CURLUPART_SCHEME, scheme.constData(), 0) != CURLUE_OK
        || curl_url_set(url.get(), CURLUPART_HOST, host.constData(), 0) != CURLUE_OK
        || curl_url_set(url.get(), CURLUPART_PORT, port.constData(), 0) != CURLUE_OK
        || curl_url_set(url.get(), CURLUPART_PATH, path.constData(), 0) != CURLUE_OK)
        return transferNumber(CURLE_URL_MALFORMAT);

    const QByteArray sender = '<' + envelopeSender().toUtf8() + '>';
    CurlStringList recipients;
    if (!recipients.append(recipient.constData()))
        return transferNumber(CURLE_OUT_OF_MEMORY);
    Upload upload {&message, 0};

    // A handle of its own for every mail, made last so that it goes first:
    // it points at the locals above, and a used handle keeps libcurl's own
    // wake-up sockets open, which have no business staying open between
    // alerts minutes apart.
    const CurlHandle handle;
    if (!handle)
        return transferNumber(CURLE_FAILED_INIT);
    CURL* const c = handle.get();
    curl_easy_setopt(c, CURLOPT_CURLU, url.get());
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, sender.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &readUpload);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeout_.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(transferTimeout_.count()));
    // The transfer time-out does not cover the wait for the answer to QUIT
    // once the mail is handed over; without this a server that never says
    // goodbye holds the cycle for two minutes. Whole seconds, rounded up.
    const auto answerSeconds = std::max<std::chrono::milliseconds::rep>(1, (transferTimeout_.count() + 999) / 1000);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(answerSeconds));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // Straight to the mail server, whatever proxy the environment names, and
    // no connection left open between alerts minutes apart.
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);

    const CURLcode result = curl_easy_perform(c);
    return result == CURLE_OK ? 0 : transferNumber(result);
}

} // namespace orvane
