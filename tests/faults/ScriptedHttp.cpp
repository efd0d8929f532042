#include "ScriptedHttp.h"

#include <gtest/gtest.h>

namespace orvane::test {

ScriptedHttp::ScriptedHttp() : server_([this](RawTcpServer::Connection& c) { serve(c); })
{
    EXPECT_TRUE(server_.start());
}

void ScriptedHttp::on(const std::string& path, Reply reply)
{
    std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

void ScriptedHttp::on(const std::string& path, std::string response)
{
    on(path, [bytes = std::move(response)](RawTcpServer::Connection& c) { c.send(bytes); });
}

int ScriptedHttp::requests(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto r = requests_.find(path);
    return r == requests_.end() ? 0 : r->second;
}

std::string ScriptedHttp::response(std::string_view statusLine, std::initializer_list<std::string_view> headers,
                                   std::string_view body)
{
    std::string out(statusLine);
    out += "\r\n";
    for (std::string_view h : headers) {
        out += h;
        out += "\r\n";
    }
    out += "Connection: close\r\n\r\n";
    out += body;
    return out;
}

std::string ScriptedHttp::ok(std::string_view body, std::string_view contentType)
{
    const std::string type = "Content-Type: " + std::string(contentType);
    const std::string length = "Content-Length: " + std::to_string(body.size());
    return response("HTTP/1.1 200 OK", {type, length}, body);
}

void ScriptedHttp::serve(RawTcpServer::Connection& c)
{
    if (!c.readUntil("\r\n\r\n"))
        return;
    // "GET /path HTTP/1.1"
    const std::string& request = c.received();
    const size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    Reply reply;
    {
        std::lock_guard lock(mutex_);
        ++requests_[path];
        if (const auto r = replies_.find(path); r != replies_.end())
            reply = r->second;
    }
    if (reply)
        reply(c);
    else
        c.send(response("HTTP/1.1 404 Not Found", {"Content-Length: 0"}, ""));
}

} // namespace orvane::test
