#include "control/ControlPlace.h"

#include "base/ErrorCatalogue.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace orvane {

namespace {

constexpr const char* kSuffix = ".control";

Failure untrusted(const QString& why)
{
    return ErrorCatalogue::failure(ErrorCode::ControlUntrusted, why);
}

QString shownMode(mode_t mode)
{
    return QStringLiteral("0%1").arg(mode & 07777, 3, 8, QLatin1Char('0'));
}

// A runtime folder the user owns and nobody else may write to.
bool ownBase(const QString& base, uid_t uid)
{
    struct stat st { };
    return !base.isEmpty() && QDir::isAbsolutePath(base) && ::stat(QFile::encodeName(base).constData(), &st) == 0
        && S_ISDIR(st.st_mode) && st.st_uid == uid && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

QString ControlPlace::socketName(const QString& programDir)
{
    QString canonical = QFileInfo(programDir).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QFileInfo(programDir).absoluteFilePath();
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(canonical), QCryptographicHash::Sha256);
    return QString::fromLatin1(hash.toHex().left(kHashDigits)) + QLatin1String(kSuffix);
}

QStringList ControlPlace::folders(uid_t uid)
{
    const qsizetype nameBytes = kHashDigits + qsizetype(std::strlen(kSuffix)) + 1; // with its '/'
    QStringList out;
    auto add = [&](const QString& folder) {
        if (!out.contains(folder) && QFile::encodeName(folder).size() + nameBytes <= kMaxPathBytes)
            out << folder;
    };
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (ownBase(xdg, uid))
        add(QDir::cleanPath(xdg) + QStringLiteral("/orvane"));
    if (const QString run = QStringLiteral("/run/user/%1").arg(uid); ownBase(run, uid))
        add(run + QStringLiteral("/orvane"));
    // Never $TMPDIR: every process of the user must come to the same name.
    add(QStringLiteral("/tmp/orvane-%1").arg(uid));
    return out;
}

Result<QString> ControlPlace::serverPath(const QString& programDir, uid_t uid)
{
    const QStringList candidates = folders(uid);
    const QString& folder = candidates.first();
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        return ErrorCatalogue::failure(ErrorCode::ControlListen,
                                       QStringLiteral("cannot make the folder \"%1\": %2")
                                           .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    if (const Status own = checkFolder(folder, uid); !own.ok())
        return own.failure();
    return folder + QLatin1Char('/') + socketName(programDir);
}

QStringList ControlPlace::clientPaths(const QString& programDir, uid_t uid, QString* refused)
{
    QStringList out;
    for (const QString& folder : folders(uid)) {
        const QString path = folder + QLatin1Char('/') + socketName(programDir);
        struct stat st { };
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        Status ok = checkFolder(folder, uid);
        if (ok.ok())
            ok = checkSocketFile(path, uid);
        if (ok.ok())
            out << path;
        else if (refused && refused->isEmpty())
            *refused = ok.failure().description;
    }
    return out;
}

Status ControlPlace::checkFolder(const QString& folder, uid_t uid)
{
    struct stat st { };
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return untrusted(QStringLiteral("no folder \"%1\"").arg(folder));
    if (!S_ISDIR(st.st_mode))
        return untrusted(QStringLiteral("\"%1\" is not a folder of its own (a link or a file)").arg(folder));
    if (st.st_uid != uid)
        return untrusted(
            QStringLiteral("the folder \"%1\" belongs to another user (uid %2)").arg(folder).arg(st.st_uid));
    if ((st.st_mode & 077) != 0)
        return untrusted(QStringLiteral("the folder \"%1\" is open to other users (mode %2, not 0700)")
                             .arg(folder, shownMode(st.st_mode)));
    return {};
}

Status ControlPlace::checkSocketFile(const QString& path, uid_t uid)
{
    struct stat st { };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return untrusted(QStringLiteral("no socket \"%1\"").arg(path));
    if (!S_ISSOCK(st.st_mode))
        return untrusted(QStringLiteral("\"%1\" is not a socket").arg(path));
    if (st.st_uid != uid)
        return untrusted(QStringLiteral("the socket \"%1\" belongs to another user (uid %2)").arg(path).arg(st.st_uid));
    return {};
}

} // namespace orvane
