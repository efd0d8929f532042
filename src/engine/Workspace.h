#pragma once

#include "host/ScratchFile.h"
#include "host/SingleInstance.h"
#include "store/Database.h"
#include "store/PageCacheFile.h"

#include <QDir>
#include <QString>

namespace orvane {

// What the main window and the maintenance windows share: the program's
// folder and the paths of its files (orvane-db finds them the same way), the one database connection opened for each
// use, and the selection dialog's last answer. One object for the whole run, passed to whoever needs it. Files are
// named by their full paths, so that nothing depends on the current directory.
class Workspace {
public:
    // The answer when nothing was chosen.
    static inline const QString kNone = QStringLiteral("**NONE**");

    explicit Workspace(QString programDir) : programDir_(std::move(programDir)) { }

    const QString& programDir() const { return programDir_; }
    // The watch database, Sentrel.mdb beside the program.
    QString databaseFile() const { return QDir(programDir_).filePath(QString::fromLatin1(Database::kFileName)); }
    // The copy of the last page taken, URL.html beside the program.
    QString scratchFile() const { return QDir(programDir_).filePath(QString::fromLatin1(ScratchFile::kFileName)); }
    // The pages kept for asking "only if changed", Sentrel.cache.
    QString cacheFile() const { return QDir(programDir_).filePath(QString::fromLatin1(PageCacheFile::kFileName)); }
    // The lock that keeps a second copy out, Sentrel.lock.
    QString lockFile() const { return SingleInstance::lockPath(programDir_); }

    Database watchDatabase;
    QString selectedItem;

private:
    QString programDir_;
};

} // namespace orvane
