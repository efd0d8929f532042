// orvane-db: makes and edits Orvane's watch database from a shell.
//   orvane-db COMMAND [options] [arguments]    orvane-db COMMAND --help tells more

#include "CommandLine.h"
#include "Commands.h"
#include "orvane/Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace orvane::db;

namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& arguments);
};

// A new command is a function in a file of its own and one line here.
constexpr Command kCommands[] = {
    {"init", "creates a new Sentrel.mdb, never over an existing one", initCommand},
    {"list", "shows the watch entries as a table", listCommand},
    {"add", "adds a watch entry", addCommand},
    {"remove", "removes a watch entry", removeCommand},
    {"enable", "makes a watch entry active", enableCommand},
    {"disable", "makes a watch entry inactive", disableCommand},
    {"set", "changes a setting: wake-up, mail-server or port", setCommand},
    {"export", "writes every watch entry as CSV", exportCommand},
    {"import", "adds the watch entries of a CSV file, all or none", importCommand},
    {"test-mail", "sends a test mail through the stored mail settings", testMailCommand},
    {"status", "tells whether Orvane runs from the folder and how it stands", statusCommand},
    {"resume", "lifts a halt of the running Orvane, as closing a window does", resumeCommand},
    {"check", "fetches an entry's page now and tells what its search sees", checkCommand},
};

QString commandList()
{
    QString text = QStringLiteral("\nCommands (orvane-db COMMAND --help tells more):\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1%2\n").arg(QString::fromLatin1(c.name), -11).arg(QString::fromLatin1(c.summary));
    return text;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvane-db"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes and edits the watch database of Orvane, Sentrel.mdb."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands below."),
                                 QStringLiteral("COMMAND [options] [arguments]"));
    // Everything after the command's name is the command's to parse.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "orvane-db: %s\n", qPrintable(parser.errorText()));
        return kBadUsage;
    }
    if (parser.isSet(version)) {
        CommandLine::print(QStringLiteral("orvane-db %1\n").arg(QStringLiteral(ORVANE_VERSION)));
        return kSucceeded;
    }
    const QStringList words = parser.positionalArguments();
    if (parser.isSet(help)) {
        CommandLine::print(parser.helpText() + commandList());
        return kSucceeded;
    }
    if (words.isEmpty()) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText() + commandList()));
        return kBadUsage;
    }
    for (const Command& c : kCommands) {
        if (words.first() == QLatin1String(c.name))
            return c.run(words.mid(1));
    }
    std::fprintf(stderr, "orvane-db: unknown command \"%s\" (orvane-db --help lists them)\n",
                 qPrintable(CommandLine::oneLine(words.first())));
    return kBadUsage;
}
