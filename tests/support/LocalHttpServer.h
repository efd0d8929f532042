#pragma once

#include <httplib.h>

#include <QString>

#include <thread>

// An HTTP server on 127.0.0.1 and a free port, serving from its own thread
// while the test runs. Register routes on server() before start().
class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    httplib::Server& server() { return server_; }
    // False when no port could be bound.
    bool start();
    int port() const { return port_; }
    QString url(const QString& path) const;

private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
};
