#pragma once

#include <QString>

namespace orvane::test {

// A small file system of its own (tmpfs) mounted over a directory, with the
// files that were there copied onto it, so that a test can fill it up. The
// mount is made in a mount namespace private to the calling thread, so it
// never shows outside this process and goes with it. Needs the right to
// mount, which root has.
class SmallDisk {
public:
    SmallDisk(QString dir, qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // Empty when the disk is in place; else why it is not.
    const QString& problem() const { return problem_; }

    // Takes up all the room but `spare` bytes with a filler file.
    bool fill(qint64 spare);
    // Gives the filler's room back.
    void empty();

private:
    QString dir_;
    QString problem_;
    bool mounted_ = false;
};

} // namespace orvane::test
