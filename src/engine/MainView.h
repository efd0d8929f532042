#pragma once

#include <QString>

#include <chrono>

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
    // The timer's interval and the time left until its next tick, for
    // telling when the next wake-up comes; negative when unknown.
    virtual std::chrono::milliseconds tickInterval() const { return std::chrono::milliseconds(-1); }
    virtual std::chrono::milliseconds untilNextTick() const { return std::chrono::milliseconds(-1); }
};

} // namespace orvane
