#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

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
    // Everything after the blank line. The last line keeps the CR LF that
    // ended it on the wire.
    QByteArray body() const;
};

// An SMTP server on 127.0.0.1 and a free port, run as a Python process for
// the life of the object (or from start() to stop()). It keeps every
// message it takes; nothing is ever relayed.
class SmtpTestServer {
public:
    enum class Mode {
        Accept,          // take every message
        RefuseRecipient, // answer every RCPT with 550
        Silent,          // accept connections, never answer
    };

    explicit SmtpTestServer(Mode mode = Mode::Accept);
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    // False (and a test failure recorded) when it cannot be started.
    bool start();
    void stop();
    bool running() const;
    quint16 port() const { return port_; }

    // Messages taken so far, oldest first.
    std::vector<ReceivedMail> messages() const;
    // How many messages were taken so far, without reading them.
    int messageCount() const;
    // How many EHLO or HELO commands the server has seen: 0 means no client
    // ever got as far as talking to it.
    int greetings() const;
    // Forgets the messages and greetings so far.
    void clear();

    // A port on 127.0.0.1 that was free a moment ago; nothing listens there.
    static quint16 freePort();

private:
    bool startOn(quint16 port);

    Mode mode_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

} // namespace orvane::test
