#pragma once

#include <QByteArray>
#include <QFileDevice>
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
    // What a strict RFC 5322 parser finds wrong, and the headers as it reads them.
    QStringList defects;
    std::vector<std::pair<QString, QString>> headers;

    // Everything after the blank line, the CR LF that ended it on the wire kept.
    QByteArray body() const { return data.mid(data.indexOf("\r\n\r\n") + 4); }
};

// An SMTP server on 127.0.0.1 (smtp_test_server.py) for the life of the
// object. It keeps every message it takes; nothing is ever relayed.
class SmtpTestServer {
public:
    enum class Mode {
        Accept,             // take every message, refuse every recipient refused@...
        Silent,             // accept connections, never answer
        Greeting421,        // greet with 421
        DropAfterData,      // close the line when DATA comes
        DropAfterMessage,   // close it after the whole message, before the verdict
        SilentAtQuit,       // take the message, never answer QUIT
        FakeStartTls,       // agree to STARTTLS, then answer in plain text
        BusyOnce,           // the second MAIL it ever sees gets 421
        RefuseGreeting,     // 504 to EHLO and HELO
        RefuseSender,       // 553 to MAIL FROM
        RefuseSenderAtRcpt, // 553 to RCPT TO naming the sender, as a relay's sender rules do
        RefuseMessage,      // 554 once the message is in
    };
    enum class Tls { None, StartTls, Implicit }; // with a throw-away certificate
    struct Options {
        Mode mode = Mode::Accept;
        Tls tls = Tls::None;
        QString login {};         // "LOGIN:PASSWORD": AUTH required (and offered in plain text too without TLS)
        int delayMs = 0;          // before every answer
        bool recordLogin = false; // offer AUTH in plain text, take any login and log it (see logins())
        bool smtpUtf8 = false;    // offer SMTPUTF8
        bool logWire = false;     // keep what the clients send (see sentLines())
    };

    explicit SmtpTestServer(Mode mode = Mode::Accept) : SmtpTestServer(Options {.mode = mode}) { }
    explicit SmtpTestServer(Options options) : options_(std::move(options)) { }
    ~SmtpTestServer() { stop(); }

    bool start(); // false, and a test failure recorded, when it cannot start
    void stop() { process_.kill(), process_.waitForFinished(); }
    quint16 port() const { return port_; }
    QString certificateFile() const { return dir_.filePath(QStringLiteral("cert.pem")); } // for the client to trust
    std::vector<ReceivedMail> messages() const;                                           // oldest first
    int messageCount() const { return static_cast<int>(messages().size()); }
    int greetings() const { return static_cast<int>(logLines("greetings.log").size()); } // EHLOs seen
    QList<QByteArray> logins() const { return logLines("logins.log"); }  // the login of each AUTH, with recordLogin
    QList<QByteArray> sentLines() const { return logLines("wire.log"); } // every line the clients sent, with logWire
    void clear();                                                        // forgets messages and greetings
    static quint16 freePort(); // on 127.0.0.1, free a moment ago: nothing listens there

private:
    QList<QByteArray> logLines(const char* name) const; // of a log in the folder, CR LF cut off

    Options options_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

// A netrc file in `home` with `content`, its owner's alone unless `extra` opens it.
QString netrcFile(const QTemporaryDir& home, const QByteArray& content, QFileDevice::Permissions extra = {});

} // namespace orvane::test
