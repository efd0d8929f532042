#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orvane {

QString SingleInstance::lockPath(const QString& programDir)
{
    // The per-user runtime directory when the session has one, else /tmp.
    QString runtime = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
        ? QDir::tempPath()
        : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    const QByteArray id = QCryptographicHash::hash(QDir(programDir).canonicalPath().toUtf8(),
                                                   QCryptographicHash::Sha1)
                              .toHex()
                              .left(16);
    return runtime + QStringLiteral("/orvane-") + QString::fromLatin1(id) + QStringLiteral(".lock");
}

SingleInstance::SingleInstance(const QString& programDir)
{
    const QByteArray path = lockPath(programDir).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return; // no place for a lock: nothing tells of another copy
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        refused_ = true;
        return;
    }
    fd_ = fd;
}

SingleInstance::~SingleInstance()
{
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace orvane
