#pragma once

#include "engine/MainView.h"
#include "engine/Watcher.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;

namespace orvane {

// The main window (object name "fSentrel"): a status line, three buttons and
// the timer, a thin shell over the watcher.
class MainWindow final : public QWidget, public MainView {
    Q_OBJECT
public:
    using MaintenanceOpener = std::function<void(Maintenance, QWidget* parent)>;

    // Not a round minute: the tick the watcher has always counted in.
    static constexpr int kTimerIntervalMs = 65535;

    MainWindow(Workspace& workspace, EngineServices services, MaintenanceOpener opener,
               int timerIntervalMs = kTimerIntervalMs);

    // Runs the load step and starts the timer; false when the program has
    // been ended.
    [[nodiscard]] bool load(bool anotherCopyRunning);

    Watcher& watcher() { return watcher_; }

    // MainView
    void setStatus(const QString& caption) override;
    QString status() const override;
    void setTimerEnabled(bool enabled) override;
    bool timerEnabled() const override;
    void showMaintenance(Maintenance window) override;
    std::chrono::milliseconds tickInterval() const override;
    std::chrono::milliseconds untilNextTick() const override;

private:
    void tick();

    QLabel* statusLine_;
    QPushButton* closeButton_;
    QPushButton* urlsButton_;
    QPushButton* propertiesButton_;
    QTimer* timer_;

    Watcher watcher_;
    MaintenanceOpener opener_;
};

} // namespace orvane
