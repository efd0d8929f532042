// orvane-db test-mail [--dir DIR] ADDRESS: sends one short mail through the
// mail settings of DIR/Sentrel.mdb, as an alert would go, and tells what
// happened. Exit 0 only when the server took the mail, 1 when it did not,
// 2 for a bad command line.

#include "Commands.h"

#include "base/Clock.h"
#include "base/SignForm.h"
#include "engine/TrialMail.h"
#include "engine/Workspace.h"
#include "net/CurlMailClient.h"
#include "net/MailRoute.h"
#include "net/NetrcLogin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

using namespace orvane;

namespace {

constexpr int kAccepted = 0;
constexpr int kNotSent = 1;
constexpr int kBadUsage = 2;

void say(FILE* stream, const QString& text)
{
    std::fflush(stdout); // in order when both go to a terminal
    std::fprintf(stream, "%s\n", qPrintable(text));
}

} // namespace

int orvane::db::testMailCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Sends one short mail through the mail settings of Sentrel.mdb, "
                                                    "the way Orvane's alerts go."));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("The folder holding Sentrel.mdb."),
                                       QStringLiteral("DIR"), QCoreApplication::applicationDirPath());
    parser.addOption(dirOption);
    parser.addPositionalArgument(QStringLiteral("ADDRESS"), QStringLiteral("Where the mail goes."));
    if (!parser.parse(QStringList {QStringLiteral("orvane-db test-mail")} + arguments)) {
        say(stderr, QStringLiteral("orvane-db test-mail: ") + parser.errorText());
        return kBadUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        say(stdout, parser.helpText());
        return kAccepted;
    }
    if (parser.positionalArguments().size() != 1) {
        say(stderr, QStringLiteral("usage: orvane-db test-mail [--dir DIR] ADDRESS"));
        return kBadUsage;
    }
    const QString address = parser.positionalArguments().first();
    const QString file = Workspace(parser.value(dirOption)).databaseFile();
    const auto settings = TrialMail::readSettings(file);
    if (!settings.ok()) {
        say(stderr,
            QStringLiteral("orvane-db test-mail: cannot read the mail settings of %1: %2")
                .arg(QDir::toNativeSeparators(file), settings.failure().description));
        return kNotSent;
    }
    const Settings& to = settings.value();
    const qint32 port = to.port.value();
    say(stdout,
        QStringLiteral("Sending a test mail to %1 through %2 port %3 (%4)...")
            .arg(address, to.mailServer)
            .arg(port)
            .arg(MailRoute::describe(to.mailServer, port, NetrcLogin::defaultFile())));

    CurlMailClient client;
    // Who the mail comes from, as the server will judge it.
    if (const auto sender = client.senderFor(to.mailServer); sender.ok()) {
        const MailSender& from = sender.value();
        say(stdout,
            QStringLiteral("Sender (MAIL FROM and From): %1; greeting: EHLO %2").arg(from.address, from.greetingName));
        if (!from.qualified) {
            say(stdout,
                QStringLiteral("This machine has no fully qualified domain name, so the mail names it %1, which "
                               "servers beyond this machine may refuse. Give it one (a line such as "
                               "\"127.0.1.1 %1.example.org %1\" in /etc/hosts), or put a login that is an "
                               "address for the server in ~/.netrc.")
                    .arg(from.greetingName));
        }
    }
    const SystemClock clock;
    const Status sent = TrialMail(client, clock).send(to, address);
    const QString reply = client.serverReply().isEmpty() ? QStringLiteral("none") : client.serverReply();
    if (sent.ok()) {
        say(stdout, QStringLiteral("The server took the mail. Its answer: ") + reply);
        return kAccepted;
    }
    // What the alert's "Cannot Send EMail" box would say.
    say(stderr,
        QStringLiteral("Cannot send EMail message : ") + signForm(sent.failure().number) + QStringLiteral(" : ")
            + sent.failure().description);
    say(stderr, QStringLiteral("The server's last answer: ") + reply);
    return kNotSent;
}
