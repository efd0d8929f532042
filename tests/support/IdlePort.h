#pragma once

// A port on 127.0.0.1 that never serves: either nothing listens on it, so a
// connection is refused, or a socket listens but never accepts, so a
// connection opens and no answer ever comes.
class IdlePort {
public:
    enum class Mode { Refusing, Silent };

    explicit IdlePort(Mode mode);
    ~IdlePort();

    IdlePort(const IdlePort&) = delete;
    IdlePort& operator=(const IdlePort&) = delete;

    // 0 when no socket could be set up.
    int port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};
