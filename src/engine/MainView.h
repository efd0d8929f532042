#pragma once

#include <QString>

namespace orvane {

// What the engine needs of the main window: its status line, its timer and
// the modal maintenance windows it opens.
class MainView {
public:
    enum class Maintenance { Urls, Properties };

    virtual ~MainView() = default;
    virtual void setStatus(const QString& caption) = 0;
    virtual QString status() const = 0;
    virtual void setTimerEnabled(bool enabled) = 0;
    virtual bool timerEnabled() const = 0;
    // Shows the window modally; returns when the user has closed it.
    virtual void showMaintenance(Maintenance window) = 0;
};

} // namespace orvane
