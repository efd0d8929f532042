// mail_bench: N changed pages mailed through an SMTP server that waits
// before every answer, once with one connection for the whole cycle and
// once with one connection per mail, each way in a process of its own so
// that its peak RSS is its own; the two ways alternate, median of the runs.
// Two servers: a relay (plain text, no login) and a provider (STARTTLS,
// certificate verified, login from a netrc file).

#include "SmtpTestServer.h"

#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "engine/MailAlert.h"
#include "host/ScratchFile.h"
#include "net/CurlMailClient.h"
#include "store/ActiveEntries.h"
#include "store/Columns.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/WatchStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

using namespace orvane;

namespace {

constexpr int kPageBytes = 100 * 1024; // the changed page each alert writes to URL.html

struct CountingBoxes final : MessageBoxes {
    void warn(const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        ++shown;
    }
    int shown = 0;
};

// One way, in this process: mails per second and peak RSS on stdout.
int runChild(const QCommandLineParser& args)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QString::fromLatin1(Database::kFileName));
    const int mails = args.value(QStringLiteral("mails")).toInt();
    const QString scratch = dir.filePath(QString::fromLatin1(ScratchFile::kFileName));
    if (!Schema::createFile(file).ok())
        return 1;
    auto db = Database::open(file);
    for (int i = 0; db.ok() && i < mails; ++i) {
        WatchEntry entry;
        entry.set(Columns::kUrl, Value(QStringLiteral("http://page%1.test/").arg(i)));
        entry.set(Columns::kEMail, Value("watcher@example.test"));
        entry.set(Columns::kSubject, Value("Bench"));
        entry.set(Columns::kActive, Value(Columns::kYes));
        entry.set(Columns::kSearchType, Value(searchTypeCode(SearchType::WholePage)));
        (void)WatchStore(db.value()).add(entry);
    }
    Settings settings;
    settings.mailServer = QStringLiteral("127.0.0.1");
    settings.port = Value(args.value(QStringLiteral("port"))).toInt32();
    const QString page(kPageBytes, QLatin1Char('x'));
    auto entries = db.ok() ? ActiveEntries::open(db.value()) : Result<ActiveEntries>(db.failure());
    if (!entries.ok())
        return 1;
    CurlMailClient client(
        {.netrcFile = args.value(QStringLiteral("netrc")), .caFile = args.value(QStringLiteral("ca"))});
    CountingBoxes boxes;
    const SystemClock clock;
    const bool perMail = args.value(QStringLiteral("child")) == QLatin1String("per-mail");

    QElapsedTimer timer;
    timer.start();
    for (ActiveEntries& rows = entries.value(); !rows.atEnd(); (void)rows.moveNext()) {
        // As the cycle does before each alert.
        ScratchFile::rewrite(scratch, page);
        const auto entry = rows.current();
        if (!entry.ok() || !MailAlert(settings, client, boxes, clock).send(entry.value(), AlertKind::WholePage).ok())
            return 1;
        if (perMail)
            client.endSession();
    }
    client.endSession();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%f %ld\n", mails / seconds, usage.ru_maxrss);
    return boxes.shown == 0 ? 0 : 1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addHelpOption();
    args.addOptions(
        {{QStringLiteral("mails"), QStringLiteral("Changed pages per cycle."), QStringLiteral("N"),
          QStringLiteral("100")},
         {QStringLiteral("reps"), QStringLiteral("Runs of each way."), QStringLiteral("R"), QStringLiteral("3")},
         {QStringLiteral("delay-ms"), QStringLiteral("The server's wait before every answer."), QStringLiteral("MS"),
          QStringLiteral("20")},
         {QStringLiteral("child"), QStringLiteral("Internal: run one way."), QStringLiteral("WAY")},
         {QStringLiteral("port"), QStringLiteral("Internal."), QStringLiteral("PORT")},
         {QStringLiteral("ca"), QStringLiteral("Internal."), QStringLiteral("FILE")},
         {QStringLiteral("netrc"), QStringLiteral("Internal."), QStringLiteral("FILE")}});
    args.process(app);
    if (args.isSet(QStringLiteral("child")))
        return runChild(args);

    const int mails = args.value(QStringLiteral("mails")).toInt();
    const int reps = args.value(QStringLiteral("reps")).toInt();
    const int delay = args.value(QStringLiteral("delay-ms")).toInt();
    std::printf("%d changed pages, server waits %d ms before every answer, median of %d runs\n", mails, delay, reps);
    std::printf("%-9s %-22s %10s %14s\n", "server", "connections", "mails/s", "peak RSS MB");
    QTemporaryDir home;
    QFile netrc(home.filePath(QStringLiteral("netrc")));
    if (!netrc.open(QIODevice::WriteOnly) || netrc.write("machine 127.0.0.1 login bench password b3nch\n") < 0)
        return 1;
    netrc.close();
    netrc.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    using Tls = test::SmtpTestServer::Tls;
    for (const bool provider : {false, true}) {
        test::SmtpTestServer server({.tls = provider ? Tls::StartTls : Tls::None,
                                     .login = provider ? QStringLiteral("bench:b3nch") : QString(),
                                     .delayMs = delay});
        if (!server.start()) {
            std::fprintf(stderr, "the SMTP test server did not start\n");
            return 1;
        }
        std::vector<double> rate[2], rss[2];
        for (int rep = 0; rep < reps; ++rep) {
            for (int way = 0; way < 2; ++way) {
                QProcess child;
                child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                child.start(QCoreApplication::applicationFilePath(),
                            {QStringLiteral("--child"), way ? QStringLiteral("per-mail") : QStringLiteral("reuse"),
                             QStringLiteral("--mails"), QString::number(mails), QStringLiteral("--port"),
                             QString::number(server.port()), QStringLiteral("--netrc"),
                             provider ? netrc.fileName() : home.filePath(QStringLiteral("none")),
                             QStringLiteral("--ca"), provider ? server.certificateFile() : QString()});
                if (!child.waitForFinished(-1) || child.exitCode() != 0) {
                    std::fprintf(stderr, "a run failed\n");
                    return 1;
                }
                const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
                rate[way].push_back(figures.value(0).toDouble());
                rss[way].push_back(figures.value(1).toDouble() / 1024);
            }
        }
        if (server.messageCount() != 2 * reps * mails) {
            std::fprintf(stderr, "the server took %d mails, not %d\n", server.messageCount(), 2 * reps * mails);
            return 1;
        }
        const char* name = provider ? "provider" : "relay";
        std::printf("%-9s %-22s %10.1f %14.1f\n", name, "one per cycle", median(rate[0]), median(rss[0]));
        std::printf("%-9s %-22s %10.1f %14.1f\n", name, "one per mail", median(rate[1]), median(rss[1]));
        std::printf("%-9s %-22s %10.2f x\n", name, "ratio", median(rate[0]) / median(rate[1]));
    }
    return 0;
}
