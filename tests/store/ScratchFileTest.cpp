// Another program's moves at the worst moments of writing "URL.html": this
// program stands in for the C library's unlink() and write().

#include "platform/ScratchFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <dlfcn.h>
#include <unistd.h>

namespace {

const char* plantLinkTo = nullptr; // planted as "URL.html" right after it is deleted
bool interruptNextWrite = false;   // as by a signal, before a byte is written

} // namespace

extern "C" int unlink(const char* path) noexcept
{
    static const auto real = reinterpret_cast<int (*)(const char*)>(dlsym(RTLD_NEXT, "unlink"));
    const int result = real(path);
    if (plantLinkTo && QByteArray(path) == orvane::ScratchFile::kFileName) {
        EXPECT_EQ(::symlink(std::exchange(plantLinkTo, nullptr), path), 0);
    }
    return result;
}

extern "C" ssize_t write(int fd, const void* bytes, size_t count)
{
    static const auto real = reinterpret_cast<ssize_t (*)(int, const void*, size_t)>(dlsym(RTLD_NEXT, "write"));
    if (std::exchange(interruptNextWrite, false)) {
        errno = EINTR;
        return -1;
    }
    return real(fd, bytes, count);
}

TEST(ScratchFile, FollowsNoLinkPlantedAfterTheDeleteAndFinishesAnInterruptedWrite)
{
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    plantLinkTo = "elsewhere";
    orvane::ScratchFile::rewrite(QStringLiteral("<p>one</p>"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("elsewhere")));

    interruptNextWrite = true;
    orvane::ScratchFile::rewrite(QStringLiteral("<p>two</p>"));
    EXPECT_FALSE(interruptNextWrite);
    EXPECT_FALSE(QFileInfo(QStringLiteral("URL.html")).isSymLink());
    QFile written(QStringLiteral("URL.html"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("<p>two</p>"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("elsewhere")));
    ASSERT_TRUE(QDir::setCurrent(before));
}
