#include "host/ScratchFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvane;

static QByteArray scratchPath;            // the scratch file the test writes
static const char* plantLinkTo = nullptr; // planted there right after it is deleted
static bool interruptNextWrite = false;   // as a signal would, before a byte is written

// Stand-ins for the C library's, for another process's moves at the worst
// moments of writing "URL.html".
extern "C" int unlink(const char* path) noexcept
{
    const int result = reinterpret_cast<int (*)(const char*)>(dlsym(RTLD_NEXT, "unlink"))(path);
    if (plantLinkTo && scratchPath == path)
        (void)::symlink(std::exchange(plantLinkTo, nullptr), path);
    return result;
}

extern "C" ssize_t write(int fd, const void* bytes, size_t count)
{
    if (!std::exchange(interruptNextWrite, false))
        return reinterpret_cast<ssize_t (*)(int, const void*, size_t)>(dlsym(RTLD_NEXT, "write"))(fd, bytes, count);
    errno = EINTR;
    return -1;
}

static QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

TEST(ScratchFile, FollowsNoLinkPlantedAfterTheDeleteAndFinishesAnInterruptedWrite)
{
    const QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("URL.html"));
    scratchPath = QFile::encodeName(file);
    plantLinkTo = "elsewhere";
    ScratchFile::rewrite(file, QStringLiteral("<p>one</p>"));
    interruptNextWrite = true;
    ScratchFile::rewrite(file, QStringLiteral("<p>two\u00a0\u20ac</p>")); // in Windows-1252
    EXPECT_EQ(contents(file), QByteArray("<p>two\xA0\x80</p>"));
    EXPECT_FALSE(QFile::exists(tmp.filePath(QStringLiteral("elsewhere"))));
}

TEST(ScratchFile, HoldsOnlyTheLastPageAndWritesThroughNoOtherName)
{
    const QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("URL.html")), other = tmp.filePath(QStringLiteral("kept.html"));
    const auto rewrite = [&](const QString& page) { return ScratchFile::rewrite(file, page), contents(file); };
    EXPECT_EQ(rewrite(QStringLiteral("<p>a longer page</p>")), QByteArray("<p>a longer page</p>"));
    EXPECT_EQ(rewrite(QStringLiteral("<p>\u20ac 1</p>")), QByteArray("<p>\x80 1</p>")); // shorter: no old tail
    // Past 16 characters, each kind: Latin-1, a code-page letter, a C1 control and a character the code page lacks.
    EXPECT_EQ(rewrite(QStringLiteral("<p>caf\u00e9 \u20ac \u0085 \u4e00 \u2019 and more words</p>")),
              QByteArray("<p>caf\xE9 \x80 ? ? \x92 and more words</p>"));
    EXPECT_EQ(rewrite(QString()), QByteArray());
    // A second name for the file (a hard link) keeps what it held.
    ScratchFile::rewrite(file, QStringLiteral("old"));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()), 0);
    EXPECT_EQ(rewrite(QStringLiteral("new")), QByteArray("new"));
    EXPECT_EQ(contents(other), QByteArray("old"));
    // Nor through a FIFO put in its place, which would hold the writer.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    EXPECT_EQ(rewrite(QStringLiteral("after")), QByteArray("after"));
}
