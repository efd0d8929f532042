#include "RawTcpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::test {

namespace {

constexpr int kStopCheckMs = 20;

} // namespace

bool RawTcpServer::Connection::readUntil(std::string_view marker, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[16 * 1024];
    while (received_.find(marker, from_) == std::string::npos) {
        if (stop_.load() || fd_ < 0 || std::chrono::steady_clock::now() >= deadline)
            return false;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, kStopCheckMs) <= 0)
            continue;
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        received_.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

bool RawTcpServer::Connection::send(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (stop_.load() || fd_ < 0)
            return false;
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, kStopCheckMs) <= 0)
            continue;
        // No SIGPIPE when the client has gone.
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void RawTcpServer::Connection::pause(std::chrono::milliseconds time) const
{
    const auto deadline = std::chrono::steady_clock::now() + time;
    while (!stop_.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void RawTcpServer::Connection::reset()
{
    if (fd_ < 0)
        return;
    // Closing with a zero linger time sends RST instead of FIN.
    const linger abort{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(fd_);
    fd_ = -1;
}

bool RawTcpServer::Connection::stopping() const
{
    return stop_.load();
}

RawTcpServer::RawTcpServer(Script script) : script_(std::move(script)) {}

RawTcpServer::~RawTcpServer()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

bool RawTcpServer::start()
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0)
        return false;
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0
        || ::listen(listener_, 16) != 0)
        return false;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
    return true;
}

QString RawTcpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

bool RawTcpServer::waitFinished(int n, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (finished_.load() < n) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string RawTcpServer::lastReceived() const
{
    std::lock_guard lock(mutex_);
    return lastReceived_;
}

void RawTcpServer::serve()
{
    while (!stop_.load()) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, kStopCheckMs) <= 0)
            continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++connections_;
        Connection connection(fd, stop_);
        script_(connection);
        if (connection.fd_ >= 0)
            ::close(connection.fd_);
        {
            std::lock_guard lock(mutex_);
            lastReceived_ = connection.received_;
        }
        ++finished_;
    }
}

} // namespace orvane::test
