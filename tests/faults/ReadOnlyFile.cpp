#include "ReadOnlyFile.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::test {

ReadOnlyFile::ReadOnlyFile(QString path) : path_(std::move(path))
{
    const QByteArray file = path_.toLocal8Bit();
    struct stat st {};
    if (::stat(file.constData(), &st) != 0) {
        problem_ = QStringLiteral("no such file");
        return;
    }
    if (::geteuid() != 0) {
        mode_ = st.st_mode & 07777;
        chmodded_ = ::chmod(file.constData(), 0444) == 0;
    } else {
        immutable_ = setImmutable(true);
        if (!immutable_)
            problem_ = QStringLiteral("running as root, and this file system or this process cannot set the "
                                      "immutable attribute (chattr +i), so nothing makes the file read-only");
    }
    if (!problem_.isEmpty())
        return;
    // Proof, not faith: the file must really refuse to be opened for writing.
    const int fd = ::open(file.constData(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        problem_ = QStringLiteral("the file can still be opened for writing");
    }
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (immutable_)
        setImmutable(false);
    if (chmodded_)
        ::chmod(path_.toLocal8Bit().constData(), mode_);
}

bool ReadOnlyFile::setImmutable(bool on) const
{
    const int fd = ::open(path_.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace orvane::test
