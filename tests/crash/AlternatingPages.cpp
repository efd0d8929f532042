#include "AlternatingPages.h"

#include <gtest/gtest.h>

namespace orvane::test {

AlternatingPages::AlternatingPages()
{
    http_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(mutex_);
        ++requests_;
        auto page = pages_.find(req.path);
        if (page == pages_.end()) {
            res.status = 404;
            return;
        }
        Versions& v = page->second;
        const QByteArray& body = v.served++ % 2 == 0 ? v.second : v.first;
        // A type the server leaves uncompressed: its brotli at top quality
        // would spend seconds on every big page.
        res.set_content(body.constData(), static_cast<size_t>(body.size()), "application/xhtml+xml; charset=utf-8");
    });
    EXPECT_TRUE(http_.start());
}

void AlternatingPages::set(const QString& path, QByteArray first, QByteArray second)
{
    std::lock_guard lock(mutex_);
    pages_[path.toStdString()] = Versions{std::move(first), std::move(second), 0};
}

int AlternatingPages::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

} // namespace orvane::test
