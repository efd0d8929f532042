#include "SmtpTestServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::test {

namespace {

// Debian's interpreter, where aiosmtpd is installed.
const QString kPython = QStringLiteral("/usr/bin/python3");
constexpr int kStartMs = 20000; // a loaded machine and a new certificate
constexpr int kStopMs = 5000;
const char* const kModes[] = {"accept",         "refuse-recipient", "silent",
                              "greeting-421",   "drop-after-data",  "drop-after-message",
                              "silent-at-quit", "fake-starttls",    "busy-once"};
const char* const kTls[] = {"none", "starttls", "implicit"};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

std::vector<std::pair<QString, QString>> ReceivedMail::headers() const
{
    std::vector<std::pair<QString, QString>> out;
    for (const QByteArray& line : data.left(data.indexOf("\r\n\r\n")).split('\n')) {
        const QString text = QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line);
        const qsizetype colon = text.indexOf(QStringLiteral(": "));
        out.emplace_back(text.left(colon), colon < 0 ? QString() : text.mid(colon + 2));
    }
    return out;
}

quint16 SmtpTestServer::freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* a = reinterpret_cast<sockaddr*>(&address);
    const bool bound = fd >= 0 && ::bind(fd, a, length) == 0 && ::getsockname(fd, a, &length) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

bool SmtpTestServer::start()
{
    const QString errors = dir_.filePath(QStringLiteral("server-errors.log"));
    process_.setStandardErrorFile(errors); // a chatty server never blocks on a full pipe
    process_.start(kPython,
                   {QStringLiteral(ORVANE_SMTP_TEST_SERVER_SCRIPT), QStringLiteral("--dir"), dir_.path(),
                    QStringLiteral("--mode"), QLatin1String(kModes[static_cast<int>(options_.mode)]),
                    QStringLiteral("--tls"), QLatin1String(kTls[static_cast<int>(options_.tls)]),
                    QStringLiteral("--login"), options_.login, QStringLiteral("--delay-ms"),
                    QString::number(options_.delayMs)});
    QByteArray said;
    while (!said.contains('\n') && process_.waitForReadyRead(kStartMs))
        said += process_.readAllStandardOutput();
    if (said.startsWith("READY "))
        port_ = static_cast<quint16>(said.mid(6).trimmed().toUInt());
    if (port_ == 0)
        ADD_FAILURE() << "SMTP test server did not start: " << readAll(errors).toStdString();
    return port_ != 0;
}

void SmtpTestServer::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(kStopMs)) {
        process_.kill();
        process_.waitForFinished(kStopMs);
    }
}

std::vector<ReceivedMail> SmtpTestServer::messages() const
{
    std::vector<ReceivedMail> out;
    const QDir dir(dir_.path());
    // Numbered with leading zeros, so by name is by arrival.
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        const QJsonObject o = QJsonDocument::fromJson(readAll(dir.filePath(name))).object();
        ReceivedMail mail {o[QStringLiteral("mail_from")].toString(),
                           {},
                           o[QStringLiteral("helo")].toString(),
                           QByteArray::fromBase64(o[QStringLiteral("data")].toString().toLatin1())};
        for (const QJsonValue& to : o[QStringLiteral("rcpt_tos")].toArray())
            mail.rcptTos << to.toString();
        out.push_back(std::move(mail));
    }
    return out;
}

QStringList SmtpTestServer::lines(const QString& file) const
{
    return QString::fromUtf8(readAll(dir_.filePath(file))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void SmtpTestServer::clear()
{
    const QDir dir(dir_.path());
    for (const QString& name : dir.entryList(
             {QStringLiteral("*.json"), QStringLiteral("greetings.log"), QStringLiteral("logins.log")}, QDir::Files))
        QFile::remove(dir.filePath(name));
}

} // namespace orvane::test
