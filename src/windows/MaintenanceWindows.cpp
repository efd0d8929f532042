#include "windows/MaintenanceWindows.h"

#include "engine/Workspace.h"
#include "windows/PropertiesWindow.h"
#include "windows/UrlWindow.h"

namespace orvane {

void MaintenanceWindows::showModal(MainView::Maintenance window, QWidget* parent) const
{
    if (window == MainView::Maintenance::Urls) {
        UrlWindow form(services_, parent);
        form.exec();
    } else {
        PropertiesWindow form(services_.workspace.databaseFile(), services_.messages, parent);
        form.exec();
    }
}

} // namespace orvane
