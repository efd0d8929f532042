#include "SmtpTestServer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <QTcpServer>

#include <gtest/gtest.h>

namespace orvane::test {

using namespace Qt::StringLiterals;

namespace {

constexpr int kStartMs = 20000; // a loaded machine and a new certificate
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

quint16 SmtpTestServer::freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

bool SmtpTestServer::start()
{
    const QString errors = dir_.filePath(u"server-errors.log"_s);
    process_.setStandardErrorFile(errors); // a chatty server never blocks on a full pipe
    process_.start(u"/usr/bin/python3"_s,  // Debian's, where aiosmtpd is installed
                   {QStringLiteral(ORVANE_SMTP_TEST_SERVER_SCRIPT), u"--dir"_s, dir_.path(), u"--mode"_s,
                    QLatin1String(kModes[static_cast<int>(options_.mode)]), u"--tls"_s,
                    QLatin1String(kTls[static_cast<int>(options_.tls)]), u"--login"_s, options_.login, u"--delay-ms"_s,
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

std::vector<ReceivedMail> SmtpTestServer::messages() const
{
    std::vector<ReceivedMail> out;
    const QDir dir(dir_.path());
    // Numbered with leading zeros, so by name is by arrival.
    for (const QString& name : dir.entryList({u"*.json"_s}, QDir::Files, QDir::Name)) {
        const QJsonObject o = QJsonDocument::fromJson(readAll(dir.filePath(name))).object();
        out.push_back({o[u"mail_from"_s].toString(), o[u"rcpt_tos"_s].toVariant().toStringList(),
                       o[u"helo"_s].toString(), QByteArray::fromBase64(o[u"data"_s].toString().toLatin1())});
    }
    return out;
}

int SmtpTestServer::greetings() const
{
    return static_cast<int>(readAll(dir_.filePath(u"greetings.log"_s)).count('\n'));
}

void SmtpTestServer::clear()
{
    const QDir dir(dir_.path());
    for (const QString& name : dir.entryList({"*.json", "greetings.log"}, QDir::Files))
        QFile::remove(dir.filePath(name));
}

} // namespace orvane::test
