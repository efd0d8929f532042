#pragma once

#include "platform/MailClient.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <utility>

namespace orvane {

// The SMTP component over the transfer library. The message is the header
// list as "Name: value" lines in the order added, a blank line and the body,
// all with CR LF line ends, in UTF-8. The envelope goes from
// orvane@<this host> to the value of the "To" header. STARTTLS is used when
// the server offers it, implicit TLS on port 465. Status: 0 when the server
// took the mail, else the error number of the failure.
class CurlMailClient final : public MailClient {
public:
    static constexpr std::chrono::milliseconds kConnectTimeout {10'000};
    static constexpr std::chrono::milliseconds kTransferTimeout {30'000};
    static constexpr qint32 kImplicitTlsPort = 465;

    explicit CurlMailClient(std::chrono::milliseconds connectTimeout = kConnectTimeout,
                            std::chrono::milliseconds transferTimeout = kTransferTimeout);

    void setServer(const QString& server) override;
    void setPort(qint32 port) override;
    void clearHeaders() override;
    void addHeader(const QString& name, const QString& value) override;
    void send(const QString& body) override;
    int status() const override;

    // The bytes handed to the server for this body with the current headers.
    QByteArray message(const QString& body) const;
    // The envelope sender: orvane@ and the machine's host name.
    static QString envelopeSender();

private:
    int deliver(const QByteArray& recipient, const QByteArray& message);

    std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds transferTimeout_;
    QString server_;
    qint32 port_ = 25;
    QList<std::pair<QString, QString>> headers_; // kept as given; cleaned when sent
    int status_ = 0;
};

} // namespace orvane
