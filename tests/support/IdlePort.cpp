#include "IdlePort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

IdlePort::IdlePort(Mode mode)
{
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket_ < 0)
        return;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    // Bound but not listening keeps the port ours while refusing connections.
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0
        || (mode == Mode::Silent && ::listen(socket_, 8) != 0))
        return;
    port_ = ntohs(address.sin_port);
}

IdlePort::~IdlePort()
{
    if (socket_ >= 0)
        ::close(socket_);
}
