#include "host/ScratchFile.h"

#include "text/Windows1252.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace orvane {

void ScratchFile::rewrite(const QString& path, const QString& text)
{
    const QByteArray file = QFile::encodeName(path);
    ::unlink(file.constData());
    // Only a file made here and now: whatever another process put in the
    // name after the delete (a link to somewhere else) makes the open fail.
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const QByteArray bytes = Windows1252::encode(text);
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue; // a signal came before anything was written
        if (n <= 0)
            break;
        p += n;
        left -= n;
    }
    ::close(fd);
}

} // namespace orvane
