#include "app/Program.h"
#include "mainwindow/MainWindow.h"
#include "orvane/Version.h"
#include "platform/HeapPolicy.h"

#include <QApplication>

#include <curl/curl.h>

int main(int argc, char* argv[])
{
    orvane::HeapPolicy::apply();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    return orvane::Program::run(QCoreApplication::applicationDirPath(), orvane::MainWindow::kTimerIntervalMs);
}
