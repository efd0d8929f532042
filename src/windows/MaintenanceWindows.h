#pragma once

#include "engine/MainView.h"
#include "windows/MaintenanceServices.h"

class QWidget;

namespace orvane {

// Opens the URL definition window or the Properties window modally for the
// main window; returns when the window has been unloaded.
class MaintenanceWindows {
public:
    explicit MaintenanceWindows(MaintenanceServices services) : services_(services) { }

    void showModal(MainView::Maintenance window, QWidget* parent) const;

private:
    MaintenanceServices services_;
};

} // namespace orvane
