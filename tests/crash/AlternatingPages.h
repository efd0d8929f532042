#pragma once

#include "LocalHttpServer.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <mutex>
#include <string>

namespace orvane::test {

// Pages on 127.0.0.1 that change at every request: each path has two
// versions, served in turn, the second one first. So every fetch brings a
// page that differs from the one fetched before it.
class AlternatingPages {
public:
    AlternatingPages();

    void set(const QString& path, QByteArray first, QByteArray second);
    QString url(const QString& path) const { return http_.url(path); }
    int requests() const;

private:
    struct Versions {
        QByteArray first;
        QByteArray second;
        long served = 0;
    };

    LocalHttpServer http_;
    mutable std::mutex mutex_;
    std::map<std::string, Versions> pages_;
    int requests_ = 0;
};

} // namespace orvane::test
