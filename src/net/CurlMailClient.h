#pragma once

#include "base/Clock.h"
#include "base/MailClient.h"
#include "net/CurlHandle.h"
#include "net/HostResolver.h"
#include "net/MailSender.h"
#include "net/SmtpConversation.h"
#include "net/UniqueMessageIds.h"

#include <QByteArray>
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
    QString netrcFile {};            // where the login comes from; empty: ~/.netrc
    QString caFile {};               // certificates to trust; empty: the system's store
    QStringList connectTo {};        // libcurl's CONNECT_TO, "HOST:PORT:ADDRESS:PORT": reach a server elsewhere
    QString hostName {};             // this machine's name in the mail; empty: its fully qualified name
    const HostResolver* resolver {}; // where that name comes from; none: the system's resolver
    QString userName {};             // the sender's user; empty: the user the program runs as
    const Clock* clock {};           // the mail's date; none: the system's
};

// The SMTP component over libcurl. The message is the mail's headers in
// their order, written as RFC 5322 wants it (see message()), then "Date" and
// "MIME-Version", a blank line and the body, all with CR LF line ends (see
// MailEncoding), each mail with a Message-Id of its own (see
// UniqueMessageIds). The envelope goes from the sender (see MailSender) to
// each address of the "To" header (see AddressList). The login, if any, comes
// from the netrc file's entry for the server, and TLS follows SmtpTlsPolicy.
// The mails of one session share one connection, closed by endSession().
class CurlMailClient final : public MailClient {
public:
    explicit CurlMailClient(CurlMailOptions options = {});

    Status send(const Mail& mail) override;
    QString serverReply() const override { return reply_; }
    void endSession() override;

    // Who the mails to this server come from, and the name the client greets
    // it with. Fails as a send would when the netrc file is refused.
    Result<MailSender> senderFor(const QString& server) const;

private:
    // The bytes handed to the server for this mail: a "From" without an
    // address gets the sender's as its display name's, a "Message-Id"
    // without brackets becomes <value + idSuffix@greeting name>, a "To" of
    // several addresses lists them comma separated.
    QByteArray message(const Mail& mail, const MailSender& sender, const QString& idSuffix) const;

    struct Envelope {
        QByteArray url;
        qint32 port = 0; // as in the url: it chooses the TLS policy
        bool login = false;
        QByteArray sender;
        QList<QByteArray> recipients;
        QString needsSmtpUtf8; // the first address that goes only with SMTPUTF8
    };

    MailSender senderFrom(const std::optional<NetrcLogin::Login>& login) const;
    Status deliver(const Mail& mail, const QStringList& recipients);
    CURLcode attempt(const Envelope& envelope, const QByteArray& message, bool freshConnection, bool& connectionMade);

    CurlMailOptions options_;
    QString reply_;
    SmtpConversation conversation_;
    // Kept for the session: its connection carries the next mail.
    std::optional<CurlHandle> handle_;
    bool connected_ = false;      // the handle holds a connection made by an earlier mail
    mutable QString machineHost_; // looked up at the first mail, not at start-up
    UniqueMessageIds messageIds_;
};

} // namespace orvane
