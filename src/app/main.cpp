#include "app/Program.h"
#include "engine/Watcher.h"
#include "host/HeapPolicy.h"
#include "orvane/Version.h"

#include <QApplication>
#include <QCommandLineParser>

#include <curl/curl.h>

#include <cstdio>

int main(int argc, char* argv[])
{
    orvane::HeapPolicy::apply();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    {
        // Read before the window system starts, so that --version works
        // without a screen; the toolkit's own options pass untouched.
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser parser;
        parser.setApplicationDescription(
            QStringLiteral("Watches web pages and mails an alert when a watched part changes. Its watch list, "
                           "Sentrel.mdb, lives beside the program (orvane-db edits it from a shell)."));
        const QCommandLineOption help = parser.addHelpOption();
        const QCommandLineOption version = parser.addVersionOption();
        (void)parser.parse(arguments);
        if (parser.isSet(help)) {
            // Without an application object the parser knows no program name.
            std::fputs(
                qPrintable(parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("orvane"))),
                stdout);
            return 0;
        }
        if (parser.isSet(version))
            parser.showVersion();
    }
    QApplication app(argc, argv);
    return orvane::Program::run(QCoreApplication::applicationDirPath(), orvane::Watcher::kTickInterval);
}
