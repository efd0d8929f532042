#include "SmtpTestServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QTcpServer>

#include <gtest/gtest.h>

namespace orvane::test {

using namespace Qt::StringLiterals;

namespace {

constexpr int kStartMs = 20000; // a loaded machine and a new certificate
const char* const kModes[] = {
    "accept",        "silent",    "greeting-421",    "drop-after-data", "drop-after-message",    "silent-at-quit",
    "fake-starttls", "busy-once", "refuse-greeting", "refuse-sender",   "refuse-sender-at-rcpt", "refuse-message"};
const char* const kTls[] = {"none", "starttls", "implicit"};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

quint16 SmtpTestServer::freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

bool SmtpTestServer::start()
{
    const QString errors = dir_.filePath(u"server-errors.log"_s);
    process_.setStandardErrorFile(errors); // a chatty server never blocks on a full pipe
    QStringList arguments {QStringLiteral(ORVANE_SMTP_TEST_SERVER_SCRIPT), u"--dir"_s, dir_.path()};
    arguments << u"--mode"_s << QLatin1String(kModes[static_cast<int>(options_.mode)]) << u"--tls"_s
              << QLatin1String(kTls[static_cast<int>(options_.tls)]) << u"--login"_s << options_.login
              << u"--delay-ms"_s << QString::number(options_.delayMs);
    for (const auto& [on, flag] :
         {std::pair(options_.recordLogin, "--record-login"), std::pair(options_.smtpUtf8, "--smtputf8"),
          std::pair(options_.logWire, "--log-wire")})
        if (on)
            arguments << QLatin1String(flag);
    process_.start(u"/usr/bin/python3"_s, arguments); // Debian's, where aiosmtpd is installed
    QByteArray said;
    while (!said.contains('\n') && process_.waitForReadyRead(kStartMs))
        said += process_.readAllStandardOutput();
    if (said.startsWith("READY "))
        port_ = static_cast<quint16>(said.mid(6).trimmed().toUInt());
    if (port_ == 0)
        ADD_FAILURE() << "SMTP test server did not start: " << readAll(errors).toStdString();
    return port_ != 0;
}

std::vector<ReceivedMail> SmtpTestServer::messages() const
{
    std::vector<ReceivedMail> out;
    const QDir dir(dir_.path());
    // Numbered with leading zeros, so by name is by arrival.
    for (const QString& name : dir.entryList({u"*.json"_s}, QDir::Files, QDir::Name)) {
        const QJsonObject o = QJsonDocument::fromJson(readAll(dir.filePath(name))).object();
        const QJsonObject p = o[u"parsed"_s].toObject();
        ReceivedMail mail {o[u"mail_from"_s].toString(),
                           o[u"rcpt_tos"_s].toVariant().toStringList(),
                           o[u"helo"_s].toString(),
                           QByteArray::fromBase64(o[u"data"_s].toString().toLatin1()),
                           p[u"defects"_s].toVariant().toStringList(),
                           {}};
        for (const QJsonValue& header : p[u"headers"_s].toArray())
            mail.headers.emplace_back(header[0].toString(), header[1].toString());
        out.push_back(std::move(mail));
    }
    return out;
}

QList<QByteArray> SmtpTestServer::logLines(const char* name) const
{
    QList<QByteArray> lines = readAll(dir_.filePath(QLatin1String(name))).split('\n');
    lines.removeLast(); // after the last line's end
    for (QByteArray& line : lines)
        line.chop(line.endsWith('\r') ? 1 : 0);
    return lines;
}

void SmtpTestServer::clear()
{
    const QDir dir(dir_.path());
    for (const QString& name : dir.entryList({"*.json", "greetings.log"}, QDir::Files))
        QFile::remove(dir.filePath(name));
}

QString netrcFile(const QTemporaryDir& home, const QByteArray& content, QFileDevice::Permissions extra)
{
    QFile netrc(home.filePath(u"netrc"_s));
    const bool written = netrc.open(QIODevice::WriteOnly) && netrc.write(content) == content.size();
    netrc.close();
    EXPECT_TRUE(written && netrc.setPermissions(QFile::ReadOwner | QFile::WriteOwner | extra));
    return netrc.fileName();
}

} // namespace orvane::test
