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
const QString kScript = QStringLiteral(ORVANE_SMTP_TEST_SERVER_SCRIPT);
constexpr int kStartMs = 20000;
constexpr int kStopMs = 5000;
constexpr int kAttempts = 3;
const QString kErrorLog = QStringLiteral("server-errors.log");

QString modeName(SmtpTestServer::Mode mode)
{
    switch (mode) {
    case SmtpTestServer::Mode::RefuseRecipient: return QStringLiteral("refuse-recipient");
    case SmtpTestServer::Mode::Silent: return QStringLiteral("silent");
    case SmtpTestServer::Mode::Accept: break;
    }
    return QStringLiteral("accept");
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace

std::vector<std::pair<QString, QString>> ReceivedMail::headers() const
{
    std::vector<std::pair<QString, QString>> out;
    const qsizetype end = data.indexOf("\r\n\r\n");
    const QByteArray block = end < 0 ? data : data.left(end);
    for (const QByteArray& line : block.split('\n')) {
        const QString text = QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line);
        if (text.isEmpty())
            continue;
        const qsizetype colon = text.indexOf(QStringLiteral(": "));
        if (colon < 0)
            out.emplace_back(text, QString());
        else
            out.emplace_back(text.left(colon), text.mid(colon + 2));
    }
    return out;
}

QByteArray ReceivedMail::body() const
{
    const qsizetype end = data.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : data.mid(end + 4);
}

SmtpTestServer::SmtpTestServer(Mode mode) : mode_(mode)
{
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    // Kept in a file, so that a chatty server can never block on a full pipe.
    process_.setStandardErrorFile(dir_.filePath(kErrorLog), QIODevice::Append);
}

SmtpTestServer::~SmtpTestServer()
{
    stop();
}

quint16 SmtpTestServer::freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool SmtpTestServer::start()
{
    if (running())
        return true;
    if (!dir_.isValid()) {
        ADD_FAILURE() << "SMTP test server: no temporary directory";
        return false;
    }
    // Another process may take the chosen port before the server binds it.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (startOn(freePort()))
            return true;
    }
    ADD_FAILURE() << "SMTP test server did not start: " << readAll(dir_.filePath(kErrorLog)).toStdString();
    return false;
}

bool SmtpTestServer::startOn(quint16 port)
{
    if (port == 0)
        return false;
    process_.start(kPython,
                   {kScript, QStringLiteral("--port"), QString::number(port), QStringLiteral("--dir"), dir_.path(),
                    QStringLiteral("--mode"), modeName(mode_)});
    if (!process_.waitForStarted(kStartMs))
        return false;
    QByteArray said;
    while (!said.contains("READY\n")) {
        if (!process_.waitForReadyRead(kStartMs)) {
            stop();
            return false;
        }
        said += process_.readAllStandardOutput();
    }
    port_ = port;
    return true;
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

bool SmtpTestServer::running() const
{
    return process_.state() == QProcess::Running;
}

std::vector<ReceivedMail> SmtpTestServer::messages() const
{
    std::vector<ReceivedMail> out;
    const QDir dir(dir_.path());
    // Names are numbered with leading zeros, so by name is by arrival.
    const QStringList metas = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString& meta : metas) {
        const QJsonObject o = QJsonDocument::fromJson(readAll(dir.filePath(meta))).object();
        ReceivedMail mail;
        mail.mailFrom = o.value(QStringLiteral("mail_from")).toString();
        for (const QJsonValue& to : o.value(QStringLiteral("rcpt_tos")).toArray())
            mail.rcptTos << to.toString();
        mail.helo = o.value(QStringLiteral("helo")).toString();
        QString eml = meta;
        eml.replace(QStringLiteral(".json"), QStringLiteral(".eml"));
        mail.data = readAll(dir.filePath(eml));
        out.push_back(std::move(mail));
    }
    return out;
}

int SmtpTestServer::messageCount() const
{
    return static_cast<int>(QDir(dir_.path()).entryList({QStringLiteral("*.json")}, QDir::Files).size());
}

int SmtpTestServer::greetings() const
{
    return static_cast<int>(readAll(QDir(dir_.path()).filePath(QStringLiteral("greetings.log"))).count('\n'));
}

void SmtpTestServer::clear()
{
    const QDir dir(dir_.path());
    for (const QString& name : dir.entryList(
             {QStringLiteral("*.json"), QStringLiteral("*.eml"), QStringLiteral("greetings.log")}, QDir::Files))
        QFile::remove(dir.filePath(name));
}

} // namespace orvane::test
