// The program exactly as main puts it together, but over the database in a
// folder given on the command line and with a short tick, so that tests see
// cycles in seconds. A line "urls" on standard input opens the URL window.
//   orvane_short_tick DIR TICK_MS MAINTENANCE_LIMIT_MS (0: the program's own)
#include "app/Program.h"

#include <QApplication>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <curl/curl.h>

#include <unistd.h>

int main(int argc, char* argv[])
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QApplication app(argc, argv);
    if (argc != 4)
        return 2;
    orvane::ControlServer::Limits limits;
    limits.placeCheck = std::chrono::milliseconds(200);
    if (const int limitMs = QString::fromLatin1(argv[3]).toInt(); limitMs > 0)
        limits.maintenanceTime = std::chrono::milliseconds(limitMs);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input] {
        char buffer[64] = {};
        input.setEnabled(::read(STDIN_FILENO, buffer, sizeof buffer - 1) > 0); // stops listening at the end of input
        if (QByteArray(buffer).trimmed() != "urls")
            return;
        // Outside this handler: a modal window runs an event loop of its own.
        QTimer::singleShot(0, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == "fSentrel")
                    w->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
        });
    });
    return orvane::Program::run(QString::fromLocal8Bit(argv[1]),
                                std::chrono::milliseconds(QString::fromLatin1(argv[2]).toInt()), limits);
}
