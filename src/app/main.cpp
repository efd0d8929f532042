#include "engine/fSentrel.h"
#include "engine/mSentrel.h"
#include "platform/Clock.h"
#include "platform/ErrorCatalogue.h"
#include "platform/MailClient.h"
#include "platform/PageFetcher.h"
#include "platform/ProgramEnd.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtScreenPointer.h"
#include "platform/SingleInstance.h"
#include "windows/MaintenanceWindows.h"

#include <QApplication>

using namespace orvane;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString programDir = QCoreApplication::applicationDirPath();
    const SingleInstance instance(programDir);

    QtMessageBoxes messages;
    QtScreenPointer pointer;
    ImmediateProgramEnd programEnd;
    SystemClock clock;
    PageFetcher* inet1 = nullptr;
    MailClient* smtp1 = nullptr;
    mSentrel module;

    const MaintenanceWindows maintenance(MaintenanceServices{module, messages, pointer, clock});
    auto opener = [&maintenance](MainView::Maintenance window, QWidget* parent) {
        maintenance.showModal(window, parent);
    };
    fSentrel window(module, EngineServices{messages, pointer, programEnd, clock, *inet1, *smtp1}, opener);
    if (!window.Form_Load(instance.anotherCopyRunning(), programDir))
        return 1;
    window.show();
    return app.exec();
}
