#include "SlowHosts.h"

#include <QProcess>

namespace orvane::bench {

namespace {

// Python starts in well under this on a loaded machine.
constexpr int kStartMs = 20'000;

} // namespace

SlowHosts::SlowHosts() = default;

SlowHosts::~SlowHosts()
{
    for (auto& server : servers_) {
        server->closeWriteChannel(); // the server serves until its input ends
        if (!server->waitForFinished(kStartMs))
            server->kill();
    }
}

bool SlowHosts::start(int hosts, int delayMs, const QString& pageFile, bool gzip)
{
    for (int k = 1; k <= hosts; ++k) {
        auto server = std::make_unique<QProcess>();
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments {QStringLiteral(ORVANE_SLOW_PAGE_SERVER_SCRIPT), QStringLiteral("127.0.0.%1").arg(k),
                               QString::number(delayMs), pageFile};
        if (gzip)
            arguments << QStringLiteral("gzip");
        server->start(QStringLiteral("python3"), arguments);
        if (!server->waitForStarted(kStartMs))
            return false;
        while (!server->canReadLine())
            if (!server->waitForReadyRead(kStartMs))
                return false;
        bool ok = false;
        ports_.push_back(server->readLine().trimmed().toInt(&ok));
        servers_.push_back(std::move(server));
        if (!ok)
            return false;
    }
    return true;
}

QString SlowHosts::url(int i) const
{
    const int host = i % static_cast<int>(ports_.size());
    return QStringLiteral("http://127.0.0.%1:%2/page/%3").arg(host + 1).arg(ports_[host]).arg(i);
}

} // namespace orvane::bench
