#include "LocalHttpServer.h"

LocalHttpServer::LocalHttpServer()
{
    // Bounds how long stop() waits for a connection a client left open.
    server_.set_keep_alive_timeout(1);
    // Headers and body go out in separate writes; without this the body
    // waits for the client's delayed acknowledgement, 40 ms a page.
    server_.set_tcp_nodelay(true);
}

LocalHttpServer::~LocalHttpServer()
{
    server_.stop();
    if (thread_.joinable())
        thread_.join();
}

bool LocalHttpServer::start()
{
    // The socket listens once bound, so requests made before the thread
    // reaches its accept loop simply wait in the backlog.
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        return false;
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    return true;
}

QString LocalHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}
