#pragma once

#include <QString>

#include <sys/types.h>

namespace orvane::test {

// Makes a file that this process cannot write while the object lives. The
// mode bits do that for an ordinary user but do not stop root, so as root
// the file is made immutable instead, which stops everyone.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(QString path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Empty when the file has been proved unwritable; else why it is not.
    const QString& problem() const { return problem_; }

private:
    bool setImmutable(bool on) const;

    QString path_;
    QString problem_;
    bool immutable_ = false;
    bool chmodded_ = false;
    mode_t mode_ = 0;
};

} // namespace orvane::test
