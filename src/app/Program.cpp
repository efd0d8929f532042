#include "app/Program.h"

#include "engine/fSentrel.h"
#include "engine/mSentrel.h"
#include "platform/Clock.h"
#include "platform/CurlMailClient.h"
#include "platform/CurlPageFetcher.h"
#include "platform/ProgramEnd.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtScreenPointer.h"
#include "platform/SingleInstance.h"
#include "windows/MaintenanceWindows.h"

#include <QApplication>

namespace orvane {

int Program::run(const QString& programDir, int tickIntervalMs)
{
    const SingleInstance instance(programDir);

    QtMessageBoxes messages;
    QtScreenPointer pointer;
    ImmediateProgramEnd programEnd;
    SystemClock clock;
    // The window keeps painting while a page is fetched; its input is
    // dropped meanwhile (see fSentrel).
    CurlPageFetcher::Options fetchOptions;
    fetchOptions.keepPainting = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
    CurlPageFetcher inet1(fetchOptions);
    CurlMailClient smtp1;
    mSentrel module;

    const MaintenanceWindows maintenance(MaintenanceServices{module, messages, pointer, clock});
    auto opener = [&maintenance](MainView::Maintenance window, QWidget* parent) {
        maintenance.showModal(window, parent);
    };
    fSentrel window(module, EngineServices{messages, pointer, programEnd, clock, inet1, smtp1}, opener,
                    tickIntervalMs);
    if (!window.Form_Load(instance.anotherCopyRunning(), programDir))
        return 1;
    window.show();
    return QApplication::exec();
}

} // namespace orvane
