#pragma once

#include <QProcess>
#include <QStringList>

namespace orvane::test {

// How a program the test started ended (-1: not on its own within a minute)
// and what it wrote; out holds the standard error too when merged.
struct Ran {
    int code;
    QByteArray out, err;

    static Ran of(QProcess& p)
    {
        const bool ended = (p.state() == QProcess::NotRunning || p.waitForFinished(60000))
            && p.exitStatus() == QProcess::NormalExit;
        return {ended ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
    }
};

// orvane-db COMMAND --dir DIR ARGS..., as a user runs it; the test target
// defines ORVANE_DB as the built tool.
inline void startOrvaneDb(QProcess& p, const QString& dir, const QStringList& args)
{
    p.start(QStringLiteral(ORVANE_DB), args.mid(0, 1) + QStringList {"--dir", dir} + args.mid(1));
}

inline Ran runOrvaneDb(const QString& dir, const QStringList& args,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    startOrvaneDb(p, dir, args);
    return Ran::of(p);
}

} // namespace orvane::test
