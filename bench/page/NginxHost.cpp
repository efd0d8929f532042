#include "NginxHost.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

#include <curl/curl.h>

namespace orvane::bench {

namespace {

// nginx starts in well under this on a loaded machine.
constexpr int kStartMs = 10'000;
// Ample for nginx to log the last answer a client has received.
constexpr int kLogLagMs = 300;

const char* const kConfig = R"(daemon off;
master_process off;
worker_processes 1;
pid %1/nginx.pid;
error_log %1/error.log;
events { worker_connections 1024; }
http {
  log_format bytes '$status $request_length $bytes_sent';
  access_log %1/access.log bytes;
  client_body_temp_path %1/body;
  proxy_temp_path %1/proxy;
  fastcgi_temp_path %1/fastcgi;
  uwsgi_temp_path %1/uwsgi;
  scgi_temp_path %1/scgi;
  types { text/html html; }
  keepalive_requests 100000;
  gzip on;
  etag on;
  server {
    listen 127.0.0.1:%2;
    root %3;
  }
}
)";

size_t discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

bool answers(const QString& url)
{
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &discard);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 1000L);
    const bool ok = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_cleanup(curl);
    return ok;
}

} // namespace

NginxHost::~NginxHost()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(kStartMs))
            process_.kill();
    }
}

bool NginxHost::installed()
{
    return !QStandardPaths::findExecutable(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin")}).isEmpty();
}

bool NginxHost::start(const QString& root)
{
    {
        QTcpServer probe; // a free port, given back for nginx to take
        if (!probe.listen(QHostAddress::LocalHost))
            return false;
        port_ = probe.serverPort();
    }
    QFile config(dir_.filePath(QStringLiteral("nginx.conf")));
    if (!config.open(QIODevice::WriteOnly)
        || config.write(QString::fromLatin1(kConfig).arg(dir_.path()).arg(port_).arg(root).toUtf8()) < 0)
        return false;
    config.close();
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(QStringLiteral("/usr/sbin/nginx"),
                   {QStringLiteral("-p"), dir_.path(), QStringLiteral("-e"), dir_.filePath(QStringLiteral("error.log")),
                    QStringLiteral("-c"), config.fileName()});
    if (!process_.waitForStarted(kStartMs))
        return false;
    for (int waited = 0; waited < kStartMs; waited += 50) {
        if (answers(url(QStringLiteral("/"))) || process_.state() == QProcess::NotRunning)
            break;
        QThread::msleep(50);
    }
    (void)take();
    return process_.state() == QProcess::Running;
}

QString NginxHost::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

NginxHost::Traffic NginxHost::take()
{
    Traffic traffic;
    // nginx logs an answer just after sending it.
    QThread::msleep(kLogLagMs);
    QFile log(dir_.filePath(QStringLiteral("access.log")));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(logRead_))
        return traffic;
    const QByteArray lines = log.readAll();
    // A line nginx is still writing waits for the next take().
    const qsizetype whole = lines.lastIndexOf('\n') + 1;
    for (const QByteArray& line : lines.left(whole).split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.size() != 3)
            continue;
        ++traffic.answers;
        traffic.notModified += fields[0] == "304" ? 1 : 0;
        traffic.requestBytes += fields[1].toLongLong();
        traffic.answerBytes += fields[2].toLongLong();
    }
    logRead_ += whole;
    return traffic;
}

} // namespace orvane::bench
