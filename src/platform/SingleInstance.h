#pragma once

#include <QString>

namespace orvane {

// Tells whether another copy of the program, started from the same
// directory, is running. Holds an advisory lock for the life of the object;
// the system drops it when the process ends, however it ends.
class SingleInstance {
public:
    explicit SingleInstance(const QString& programDir);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process could not take the lock: another copy holds it.
    bool anotherCopyRunning() const { return refused_; }
    static QString lockPath(const QString& programDir);

private:
    int fd_ = -1;
    bool refused_ = false;
};

} // namespace orvane
