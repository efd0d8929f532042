#include "windows/MaintenanceWindows.h"

#include "windows/URL.h"
#include "windows/fprop.h"

namespace orvane {

void MaintenanceWindows::showModal(MainView::Maintenance window, QWidget* parent) const
{
    if (window == MainView::Maintenance::Urls) {
        URL form(services_, parent);
        form.exec();
    } else {
        fprop form(services_.messages, parent);
        form.exec();
    }
}

} // namespace orvane
