#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace orvane::bench {

// Debian's nginx on 127.0.0.1 serving a folder as a real site does: gzip,
// ETag and Last-Modified on. It logs each answer's bytes, so that the bytes
// a checker costs the server can be counted. Stopped when this goes.
class NginxHost {
public:
    // What the server saw since the last take(): answers, 304s among them,
    // bytes of the requests and of the answers (headers included).
    struct Traffic {
        int answers = 0;
        int notModified = 0;
        qint64 requestBytes = 0;
        qint64 answerBytes = 0;
    };

    NginxHost() = default;
    ~NginxHost();
    NginxHost(const NginxHost&) = delete;
    NginxHost& operator=(const NginxHost&) = delete;

    static bool installed();
    // False when nginx did not start or does not answer.
    bool start(const QString& root);
    QString url(const QString& path) const;
    Traffic take();

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    qint64 logRead_ = 0;
};

} // namespace orvane::bench
