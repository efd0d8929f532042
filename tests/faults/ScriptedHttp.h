#pragma once

#include "RawTcpServer.h"

#include <QString>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace orvane::test {

// An HTTP server that answers each path with exactly the bytes, or the
// behaviour, a test scripted for it, one connection per request.
class ScriptedHttp {
public:
    using Reply = std::function<void(RawTcpServer::Connection&)>;

    ScriptedHttp();

    void on(const std::string& path, Reply reply);
    // Sends these bytes, then closes the connection.
    void on(const std::string& path, std::string response);

    QString url(const QString& path) const { return server_.url(path); }
    int port() const { return server_.port(); }
    int requests(const std::string& path) const;

    // A whole response with a status line, the given header lines (each
    // without its CR LF), "Connection: close" and the body. No length is
    // added: a header list that names none makes a body the close ends.
    static std::string response(std::string_view statusLine, std::initializer_list<std::string_view> headers,
                                std::string_view body);
    // 200 with a Content-Length that matches the body.
    static std::string ok(std::string_view body, std::string_view contentType = "text/html");

private:
    void serve(RawTcpServer::Connection& c);

    mutable std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::map<std::string, int> requests_;
    RawTcpServer server_; // last: its thread stops before the maps go
};

} // namespace orvane::test
