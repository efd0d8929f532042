#pragma once

#include <QString>
#include <QStringList>

namespace orvane::test {

// What /proc tells about another process's sockets.
class ProcessSockets {
public:
    // The TCP sockets in the LISTEN state and the unconnected bound UDP
    // sockets that the process holds open, as "tcp 0100007F:1F90" (table
    // and local address as the kernel prints them). Sockets of other
    // processes in the same network namespace are left out.
    static QStringList listening(qint64 pid);

    // CPU time the process has used so far, in clock ticks; -1 when it is gone.
    static qint64 cpuTicks(qint64 pid);
};

} // namespace orvane::test
