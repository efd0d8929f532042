#pragma once

#include "platform/CurlHandle.h"
#include "platform/MailClient.h"
#include "platform/SmtpConversation.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <utility>

namespace orvane {

struct CurlMailOptions {
    // A server that cannot be reached, or stops answering, costs the cycle
    // this much at most per mail (twice when a reused connection fails).
    std::chrono::milliseconds connectTimeout {10'000};
    std::chrono::milliseconds transferTimeout {30'000};
    QString netrcFile {};     // where the login comes from; empty: ~/.netrc
    QString caFile {};        // certificates to trust; empty: the system's store
    QStringList connectTo {}; // libcurl's CONNECT_TO, "HOST:PORT:ADDRESS:PORT": reach a server elsewhere
};

// The SMTP component over libcurl. The message is the header list as
// "Name: value" lines in the order added, a blank line and the body, all
// with CR LF line ends and in ASCII (see MailEncoding). The envelope goes from
// orvane@<this host> to the "To" header's address. The login, if any, comes
// from the netrc file's entry for the server, and TLS follows SmtpTlsPolicy.
// The mails of one session share one connection, closed by endSession().
class CurlMailClient final : public MailClient {
public:
    explicit CurlMailClient(CurlMailOptions options = {});

    void setServer(const QString& server) override;
    void setPort(qint32 port) override;
    void clearHeaders() override;
    void addHeader(const QString& name, const QString& value) override;
    void send(const QString& body) override;
    int status() const override { return failure_.number; }
    QString statusText() const override { return failure_.description; }
    QString serverReply() const override { return reply_; }
    void endSession() override;

    // The bytes handed to the server for this body with the current headers.
    QByteArray message(const QString& body) const;
    // The envelope sender: orvane@ and the machine's host name.
    static QString envelopeSender();

private:
    Failure deliver(const QByteArray& recipient, const QByteArray& message);
    CURLcode attempt(const QByteArray& url, bool login, const QByteArray& recipient, const QByteArray& message,
                     bool freshConnection, bool& connectionMade);

    CurlMailOptions options_;
    QString server_;
    qint32 port_ = 25;
    QList<std::pair<QString, QString>> headers_; // kept as given; encoded when sent
    Failure failure_;
    QString reply_;
    SmtpConversation conversation_;
    // Kept for the session: its connection carries the next mail.
    std::optional<CurlHandle> handle_;
    bool connected_ = false; // the handle holds a connection made by an earlier mail
};

} // namespace orvane
