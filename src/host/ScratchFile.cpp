#include "host/ScratchFile.h"

#include "text/Windows1252.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

// Writes all of bytes at the offset of a file just opened, its first byte;
// returns how many went in.
qsizetype writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, p + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue; // a signal came before anything was written
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

// The file this program made before, still only ours: a regular file of our
// own with no other name. Anything else (a link put there, a file of another
// user) is deleted and made anew. O_NONBLOCK: a FIFO put there must not
// hold the cycle until someone reads it; it does nothing to a regular file.
int openOwnFile(const QByteArray& file)
{
    const int fd = ::open(file.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid())
        return fd;
    ::close(fd);
    return -1;
}

} // namespace

void ScratchFile::rewrite(const QString& path, const QString& text)
{
    const QByteArray file = QFile::encodeName(path);
    const QByteArray bytes = Windows1252::encode(text);
    // Overwritten in place, then cut to the bytes written: the same content
    // as deleting and creating it, at a fraction of the cost (no inode and
    // no blocks freed and taken again). Cutting to a size above 0 does not
    // make ext4 flush the file on close, as a cut to 0 would.
    int fd = openOwnFile(file);
    if (fd < 0) {
        ::unlink(file.constData());
        // Only a file made here and now: whatever another process put in the
        // name after the delete (a link to somewhere else) makes the open fail.
        fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0)
            return;
    }
    // A write cut short leaves what went in, as in a new file.
    (void)::ftruncate(fd, writeAll(fd, bytes));
    ::close(fd);
}

} // namespace orvane
