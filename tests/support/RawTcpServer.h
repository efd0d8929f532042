#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace orvane::test {

// A TCP server on 127.0.0.1 and a free port that plays a script on every
// connection it accepts, byte by byte as the test wrote it: the server that
// misbehaves on purpose (drops, resets, trickles, lies), which a real HTTP
// or SMTP library would never do. Connections are served one after the
// other on the server's own thread.
class RawTcpServer {
public:
    class Connection {
    public:
        // Reads until the bytes received since the last consume() contain
        // marker; false when the peer closed, the time ran out or the server
        // is stopping.
        bool readUntil(std::string_view marker, std::chrono::milliseconds timeout = std::chrono::seconds(5));
        // Everything read on this connection so far.
        const std::string& received() const { return received_; }
        // Marks what was read so far as used: the next readUntil looks only
        // at bytes that come after it.
        void consume() { from_ = received_.size(); }
        // False once the peer is gone.
        bool send(std::string_view bytes);
        // Sleeps, but wakes at once when the server stops.
        void pause(std::chrono::milliseconds time) const;
        // Ends the connection with a reset instead of an orderly close.
        void reset();
        bool stopping() const;

    private:
        friend class RawTcpServer;
        Connection(int fd, const std::atomic<bool>& stop) : fd_(fd), stop_(stop) {}
        int fd_;
        const std::atomic<bool>& stop_;
        std::string received_;
        size_t from_ = 0;
    };

    using Script = std::function<void(Connection&)>;

    explicit RawTcpServer(Script script);
    ~RawTcpServer();
    RawTcpServer(const RawTcpServer&) = delete;
    RawTcpServer& operator=(const RawTcpServer&) = delete;

    // False when no port could be bound.
    bool start();
    int port() const { return port_; }
    QString url(const QString& path) const;
    // Connections accepted so far.
    int connections() const { return connections_.load(); }
    // Waits until n connections have played their script to the end.
    bool waitFinished(int n, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // The bytes the last finished connection received.
    std::string lastReceived() const;

private:
    void serve();

    Script script_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> finished_{0};
    mutable std::mutex mutex_;
    std::string lastReceived_;
    std::thread thread_;
};

} // namespace orvane::test
