#include "ProcessSockets.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

#include <set>

namespace orvane::test {

namespace {

constexpr const char* kTcpListen = "0A";
constexpr const char* kUdpUnconnected = "07";

// The inode numbers of the sockets among the process's open files.
std::set<QByteArray> socketInodes(qint64 pid)
{
    std::set<QByteArray> inodes;
    const QString fdDir = QStringLiteral("/proc/%1/fd").arg(pid);
    const QStringList fds = QDir(fdDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& fd : fds) {
        char target[128];
        const QByteArray link = (fdDir + QLatin1Char('/') + fd).toLocal8Bit();
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        const QByteArray text(target, n);
        // "socket:[12345]"
        if (text.startsWith("socket:[") && text.endsWith(']'))
            inodes.insert(text.mid(8, text.size() - 9));
    }
    return inodes;
}

} // namespace

QStringList ProcessSockets::listening(qint64 pid)
{
    const std::set<QByteArray> owned = socketInodes(pid);
    QStringList found;
    for (const char* table : {"tcp", "tcp6", "udp", "udp6"}) {
        QFile f(QStringLiteral("/proc/%1/net/%2").arg(pid).arg(QLatin1String(table)));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const bool tcp = QByteArray(table).startsWith("tcp");
        f.readLine(); // column titles
        while (!f.atEnd()) {
            // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...
            const QList<QByteArray> fields = f.readLine().simplified().split(' ');
            if (fields.size() < 10)
                continue;
            const bool listens = fields[3] == (tcp ? kTcpListen : kUdpUnconnected);
            if (listens && owned.count(fields[9]))
                found << QLatin1String(table) + QLatin1Char(' ') + QString::fromLatin1(fields[1]);
        }
    }
    return found;
}

qint64 ProcessSockets::cpuTicks(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    // after "pid (name) ": state is field 3, utime 14 and stime 15
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return fields[11].toLongLong() + fields[12].toLongLong();
}

} // namespace orvane::test
