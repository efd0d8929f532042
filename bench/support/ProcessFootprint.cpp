#include "ProcessFootprint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orvane::bench {

namespace {

long statusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray name = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

int entries(const QString& dir)
{
    return static_cast<int>(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

} // namespace

void ProcessFootprint::startPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5"); // resets VmHWM to the current resident size
}

long ProcessFootprint::peakKb()
{
    return statusKb("VmHWM");
}

long ProcessFootprint::residentKb()
{
    return statusKb("VmRSS");
}

int ProcessFootprint::threads()
{
    return entries(QStringLiteral("/proc/self/task"));
}

int ProcessFootprint::openFiles()
{
    // The listing itself holds one descriptor while it reads the directory.
    return entries(QStringLiteral("/proc/self/fd")) - 1;
}

QStringList ProcessFootprint::openFileNames()
{
    QStringList names;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
        names << fd.fileName() + QStringLiteral(" -> ") + fd.symLinkTarget();
    return names;
}

} // namespace orvane::bench
