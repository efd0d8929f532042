#include "SmallDisk.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace orvane::test {

namespace {

const char* const kFiller = "filler";

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

SmallDisk::SmallDisk(QString dir, qint64 bytes) : dir_(std::move(dir))
{
    std::map<QString, std::pair<QByteArray, QFile::Permissions>> files;
    const QDir d(dir_);
    for (const QString& name : d.entryList(QDir::Files | QDir::Hidden)) {
        QFile f(d.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) {
            problem_ = QStringLiteral("cannot read ") + name;
            return;
        }
        files[name] = {f.readAll(), f.permissions()};
    }

    if (::unshare(CLONE_NEWNS) != 0) {
        problem_ = systemError("no mount namespace of our own");
        return;
    }
    // Nothing mounted from here on may reach the system's namespace.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        problem_ = systemError("cannot make the mounts private");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    if (::mount("tmpfs", dir_.toLocal8Bit().constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) != 0) {
        problem_ = systemError("cannot mount a tmpfs");
        return;
    }
    mounted_ = true;
    for (const auto& [name, content] : files) {
        QFile f(d.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(content.first) != content.first.size()) {
            problem_ = QStringLiteral("cannot copy ") + name + QStringLiteral(" onto the small disk");
            return;
        }
        f.setPermissions(content.second);
    }
}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        ::umount2(dir_.toLocal8Bit().constData(), MNT_DETACH);
}

bool SmallDisk::fill(qint64 spare)
{
    const QByteArray path = QDir(dir_).filePath(QLatin1String(kFiller)).toLocal8Bit();
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray block(64 * 1024, 'f');
    qint64 written = 0;
    for (;;) {
        const ssize_t n = ::write(fd, block.constData(), static_cast<size_t>(block.size()));
        if (n <= 0)
            break;
        written += n;
    }
    const bool full = errno == ENOSPC;
    const bool room = written > spare && ::ftruncate(fd, written - spare) == 0;
    ::close(fd);
    return full && room;
}

void SmallDisk::empty()
{
    QFile::remove(QDir(dir_).filePath(QLatin1String(kFiller)));
}

} // namespace orvane::test
