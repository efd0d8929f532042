#include "host/SingleInstance.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Why the lock file at `path` could not be opened, in words that point at
// the fix: a link planted in its place, or a file left by another user (as
// after a "sudo orvane-db ...").
QString openError(const QByteArray& path, int code)
{
    struct stat st { };
    if (code == ELOOP && ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode))
        return QStringLiteral("it is a symbolic link, not a file of its own");
    if (code == EACCES && ::lstat(path.constData(), &st) == 0 && st.st_uid != ::geteuid())
        return QStringLiteral("%1; the file belongs to another user (uid %2)").arg(systemError(code)).arg(st.st_uid);
    return systemError(code);
}

} // namespace

QString SingleInstance::lockPath(const QString& programDir)
{
    return QDir(programDir).filePath(QString::fromLatin1(kFileName));
}

QString SingleInstance::folderOpenToOthers(const QString& programDir)
{
    struct stat st { };
    if (::stat(QFile::encodeName(programDir).constData(), &st) != 0 || (st.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        return {};
    return QStringLiteral("the folder %1 can be written by other users (mode 0%2): they could replace the program "
                          "or its database there; \"chmod go-w\" it")
        .arg(QDir::toNativeSeparators(QDir(programDir).absolutePath()))
        .arg(st.st_mode & 07777, 3, 8, QLatin1Char('0'));
}

SingleInstance::SingleInstance(const QString& programDir)
{
    const QByteArray path = QFile::encodeName(lockPath(programDir));
    // Never through a symlink, never blocking on a FIFO planted in its
    // place; reading is all flock needs.
    const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) {
        error_ = openError(path, errno); // no place for a lock: nothing tells of another copy
        return;
    }
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error_ = QStringLiteral("it is not a regular file");
        return;
    }
    // Another user's file, locked by that user, would keep the program from
    // starting and let a stranger pose as it.
    if (st.st_uid != ::geteuid()) {
        ::close(fd);
        error_ = QStringLiteral("the file belongs to another user (uid %1), not to you; remove it").arg(st.st_uid);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        ::close(fd);
        if (why == EWOULDBLOCK)
            refused_ = true;
        else
            error_ = systemError(why);
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
