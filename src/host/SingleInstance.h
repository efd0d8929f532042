#pragma once

#include <QString>

namespace orvane {

// Tells whether another copy of the program is running from the same
// folder: an advisory lock on "Sentrel.lock" beside "Sentrel.mdb". The
// folder alone names the lock, so copies started from a desktop session,
// from cron or as a service all see each other, and orvane-db takes the same
// lock before it writes. Holds the lock for the life of the object; the
// system drops it when the process ends, however it ends.
class SingleInstance {
public:
    static constexpr const char* kFileName = "Sentrel.lock";

    explicit SingleInstance(const QString& programDir);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process could not take the lock: another copy holds it.
    bool anotherCopyRunning() const { return refused_; }
    // True while this object holds the lock. Neither this nor the above
    // when the lock file cannot be had (a read-only folder, a symlink, a
    // file of another user, even one this user may open); error() then
    // says why. Nothing then keeps a
    // second copy out, so neither the program nor a write may go on.
    bool held() const { return fd_ >= 0; }
    const QString& error() const { return error_; }

    static QString lockPath(const QString& programDir);
    // A warning when other users may write to the folder (its group or
    // other write bit), else the empty text.
    static QString folderOpenToOthers(const QString& programDir);

private:
    int fd_ = -1;
    bool refused_ = false;
    QString error_;
};

} // namespace orvane
