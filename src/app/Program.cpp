#include "app/Program.h"

#include "base/Clock.h"
#include "base/ErrorCatalogue.h"
#include "control/ControlPlace.h"
#include "control/ControlServer.h"
#include "engine/Watcher.h"
#include "engine/Workspace.h"
#include "host/ConsoleMessages.h"
#include "host/ImmediateProgramEnd.h"
#include "host/SingleInstance.h"
#include "mainwindow/MainWindow.h"
#include "net/CurlMailClient.h"
#include "net/CurlPageFetcher.h"
#include "store/PageCacheFile.h"
#include "widgets/QtMessageBoxes.h"
#include "widgets/QtScreenPointer.h"
#include "windows/MaintenanceWindows.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <unistd.h>

namespace orvane {

namespace {

// Start-up words that need no answer, where a service's journal keeps them
// (a box would keep an unattended start waiting for an OK).
void tell(const QString& text)
{
    std::fprintf(stderr, "orvane: %s\n", qPrintable(text));
    std::fflush(stderr);
}

} // namespace

int Program::run(const QString& programDir, std::chrono::milliseconds tickInterval, ControlServer::Limits controlLimits)
{
    Workspace workspace(programDir);
    const SingleInstance instance(programDir);

    QtMessageBoxes boxes;
    ConsoleMessages console;
    // Offscreen nobody can answer a box: the message goes to the journal.
    const bool onScreen = QGuiApplication::platformName() != QLatin1String("offscreen");
    MessageBoxes& messages = onScreen ? static_cast<MessageBoxes&>(boxes) : console;
    // Before the lock: a stranger's lock file there is one of the reasons.
    if (const QString open = SingleInstance::folderOpenToOthers(programDir); !open.isEmpty())
        tell(QStringLiteral("warning: %1").arg(open));
    // A lock that cannot be had tells nothing of another copy: running
    // anyway could mean two copies mailing every change twice.
    if (!instance.held() && !instance.anotherCopyRunning()) {
        messages.warn(QStringLiteral("Sentrel Error"),
                      QStringLiteral("Cannot take the lock %1 that keeps a second copy from running : %2")
                          .arg(QDir::toNativeSeparators(workspace.lockFile()), instance.error()));
        return 1;
    }
    QtScreenPointer pointer;
    ImmediateProgramEnd programEnd;
    SystemClock clock;
    // The window keeps painting while a page is fetched; its input is
    // dropped meanwhile (see MainView::setTakingInput).
    CurlPageFetcher::Options fetchOptions;
    fetchOptions.clock = &clock;
    fetchOptions.keepPainting = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
    // Unchanged pages come as a 304 instead of whole; the file can go at
    // any time, and the pages then come whole once.
    PageCacheFile cache(workspace.cacheFile());
    fetchOptions.cache = &cache;
    CurlPageFetcher fetcher(fetchOptions);
    CurlMailClient mailer;

    const MaintenanceWindows maintenance(MaintenanceServices {workspace, messages, pointer, clock});
    auto opener = [&maintenance](MainView::Maintenance window, QWidget* parent) {
        maintenance.showModal(window, parent);
    };
    MainWindow window(opener);
    Watcher watcher(workspace, window, EngineServices {messages, pointer, programEnd, clock, fetcher, mailer},
                    tickInterval);
    window.forwardButtonsTo(watcher);
    if (!watcher.load(instance.anotherCopyRunning()))
        return 1;
    // orvane-db asks here how watching stands and holds the timer for its
    // changes; without the channel Orvane still watches.
    ControlServer control(watcher, controlLimits);
    if (instance.held()) {
        auto cannotListen = [](const Failure& failure) {
            tell(QStringLiteral("error %1: %2 (%3)")
                     .arg(failure.number)
                     .arg(ErrorCatalogue::standardText(failure), failure.description));
        };
        if (const Status listening = control.listen(
                [programDir] { return ControlPlace::serverPath(programDir, ::getuid()); }, cannotListen);
            !listening.ok())
            cannotListen(listening.failure());
    }
    window.show();
    return QApplication::exec();
}

} // namespace orvane
