#include "PageServerProcess.h"

#include "LocalHttpServer.h"
#include "PageMaker.h"

#include <map>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvane::bench {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";

// Serves until `control` reaches its end; never returns.
[[noreturn]] void serve(int control, int report)
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    std::mutex mutex;
    std::map<int, std::string> same; // /u pages
    struct Moving {
        std::string page; // version 0
        size_t priceEnd;  // just past the price's digits
        quint64 version = 0;
    };
    std::map<int, Moving> moving; // /c pages
    std::map<int, std::string> big;

    LocalHttpServer http;
    http.server().set_keep_alive_max_count(1'000'000);
    http.server().set_keep_alive_timeout(30);
    // Pages go out as they are, whatever the client accepts: the benchmark
    // measures the watcher, not a compressor.
    http.server().set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http.server().Get(R"(/u/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
        const int i = std::stoi(req.matches[1]);
        std::lock_guard lock(mutex);
        auto p = same.find(i);
        if (p == same.end())
            p = same.emplace(i, PageMaker::page(i, 0, false)).first;
        res.set_content(p->second, kHtml);
    });
    http.server().Get(R"(/c/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
        const int i = std::stoi(req.matches[1]);
        std::lock_guard lock(mutex);
        auto p = moving.find(i);
        if (p == moving.end()) {
            std::string page = PageMaker::page(i, 0, true);
            const size_t priceEnd = page.find("Price: ") + 7 + 12;
            p = moving.emplace(i, Moving {std::move(page), priceEnd}).first;
        }
        std::string body = p->second.page;
        const std::string digits = std::to_string(++p->second.version);
        body.replace(p->second.priceEnd - digits.size(), digits.size(), digits);
        res.body = std::move(body);
        res.set_header("Content-Type", kHtml);
    });
    http.server().Get(R"(/big/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
        const int mib = std::stoi(req.matches[1]);
        std::lock_guard lock(mutex);
        auto p = big.find(mib);
        if (p == big.end())
            p = big.emplace(mib, PageMaker::page(0, 0, false, qsizetype(mib) * 1024 * 1024)).first;
        res.set_content(p->second, kHtml);
    });

    int port = http.start() ? http.port() : -1;
    (void)!::write(report, &port, sizeof port);
    ::close(report);
    char c;
    while (::read(control, &c, 1) > 0) { }
    http.server().stop();
    ::_exit(0);
}

} // namespace

PageServerProcess::~PageServerProcess()
{
    if (control_ >= 0)
        ::close(control_);
    if (child_ > 0)
        ::waitpid(child_, nullptr, 0);
}

bool PageServerProcess::start()
{
    int control[2];
    int report[2];
    if (::pipe2(control, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    child_ = ::fork();
    if (child_ < 0)
        return false;
    if (child_ == 0) {
        ::close(control[1]);
        ::close(report[0]);
        serve(control[0], report[1]);
    }
    ::close(control[0]);
    ::close(report[1]);
    control_ = control[1];
    const bool told = ::read(report[0], &port_, sizeof port_) == static_cast<ssize_t>(sizeof port_);
    ::close(report[0]);
    return told && port_ > 0;
}

QString PageServerProcess::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

} // namespace orvane::bench
