#pragma once

#include "LocalHttpServer.h"

#include <QString>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

namespace orvane::test {

// Pages by path, set anew before each cycle (a missing one is a 404), with
// the requests counted from there. The answer for `held` waits until the
// pages are set again.
class PageServer {
public:
    PageServer()
    {
        http_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            std::unique_lock lock(mutex_);
            ++requests_[req.path];
            const int version = version_;
            changed_.wait_for(lock, std::chrono::seconds(20), [&] { return req.path != held_ || version != version_; });
            if (const auto page = pages_.find(req.path); page != pages_.end())
                res.set_content(page->second, "text/html");
            else
                res.status = 404;
        });
        started = http_.start();
    }
    void set(std::map<std::string, std::string> pages, std::string held = {})
    {
        std::scoped_lock lock(mutex_);
        pages_ = std::move(pages);
        requests_.clear();
        held_ = std::move(held);
        ++version_;
        changed_.notify_all();
    }
    int requests(const std::string& path)
    {
        std::scoped_lock lock(mutex_);
        return requests_[path];
    }
    QString url(const char* path) const { return http_.url(QLatin1String(path)); }
    bool started = false;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::string> pages_;
    std::map<std::string, int> requests_;
    std::string held_;
    int version_ = 0;
    LocalHttpServer http_; // last: stopped before what its handler uses goes
};

} // namespace orvane::test
