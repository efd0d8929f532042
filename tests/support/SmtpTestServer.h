#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <utility>
#include <vector>

namespace orvane::test {

// One message as the test server took it.
struct ReceivedMail {
    QString mailFrom;    // envelope sender, without angle brackets
    QStringList rcptTos; // envelope recipients
    QString helo;        // the name the client greeted with
    QByteArray data;     // the DATA bytes, dots unstuffed, CR LF kept

    // The header lines before the first blank line, split at the first ": ".
    std::vector<std::pair<QString, QString>> headers() const;
    // Everything after the blank line, the CR LF that ended it on the wire kept.
    QByteArray body() const { return data.mid(data.indexOf("\r\n\r\n") + 4); }
};

// An SMTP server on 127.0.0.1 (smtp_test_server.py) for the life of the
// object. It keeps every message it takes; nothing is ever relayed.
class SmtpTestServer {
public:
    enum class Mode {
        Accept,           // take every message
        RefuseRecipient,  // answer every RCPT with 550
        Silent,           // accept connections, never answer
        Greeting421,      // greet with 421 and close
        DropAfterData,    // close the line when DATA comes
        DropAfterMessage, // close the line after the whole message, before the verdict
        SilentAtQuit,     // take the message, never answer QUIT
        FakeStartTls,     // agree to STARTTLS, then answer in plain text
        BusyOnce,         // the second MAIL it ever sees gets 421
    };
    enum class Tls { None, StartTls, Implicit }; // with a throw-away certificate
    struct Options {
        Mode mode = Mode::Accept;
        Tls tls = Tls::None;
        QString login {}; // "LOGIN:PASSWORD": AUTH required (offered in plain text too without TLS)
        int delayMs = 0;  // wait before every answer
    };

    explicit SmtpTestServer(Mode mode = Mode::Accept) : SmtpTestServer(Options {.mode = mode}) { }
    explicit SmtpTestServer(Options options) : options_(std::move(options)) { }
    ~SmtpTestServer() { stop(); }
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    // False (and a test failure recorded) when it cannot be started.
    bool start();
    void stop();
    bool running() const { return process_.state() == QProcess::Running; }
    quint16 port() const { return port_; }
    // The certificate it presents with TLS, for the client to trust.
    QString certificateFile() const { return dir_.filePath(QStringLiteral("cert.pem")); }

    std::vector<ReceivedMail> messages() const; // oldest first
    int messageCount() const { return static_cast<int>(messages().size()); }
    int greetings() const { return lines(QStringLiteral("greetings.log")).size(); } // EHLOs seen
    QStringList logins() const { return lines(QStringLiteral("logins.log")); }      // AUTH attempts
    void clear(); // forgets messages, greetings and logins

    // A port on 127.0.0.1 that was free a moment ago; nothing listens there.
    static quint16 freePort();

private:
    QStringList lines(const QString& file) const;

    Options options_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

} // namespace orvane::test
