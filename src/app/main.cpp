#include "engine/fSentrel.h"
#include "engine/mSentrel.h"
#include "platform/Clock.h"
#include "platform/CurlMailClient.h"
#include "platform/CurlPageFetcher.h"
#include "platform/HeapPolicy.h"
#include "platform/ProgramEnd.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtScreenPointer.h"
#include "platform/SingleInstance.h"
#include "windows/MaintenancePlaceholder.h"

#include <QApplication>

#include <curl/curl.h>

using namespace orvane;

int main(int argc, char* argv[])
{
    HeapPolicy::apply();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QApplication app(argc, argv);
    const QString programDir = QCoreApplication::applicationDirPath();
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

    auto opener = [](MainView::Maintenance window, QWidget* parent) {
        MaintenancePlaceholder::showModal(window == MainView::Maintenance::Urls ? QStringLiteral("URL Definition")
                                                                                : QStringLiteral("Property Pages"),
                                          parent);
    };
    fSentrel window(module, EngineServices{messages, pointer, programEnd, clock, inet1, smtp1}, opener);
    if (!window.Form_Load(instance.anotherCopyRunning(), programDir))
        return 1;
    window.show();
    return app.exec();
}
