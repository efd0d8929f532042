#pragma once

#include "engine/MainView.h"
#include "engine/SentrelEngine.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace orvane {

// The main window: a status line, three buttons and the timer, a thin shell
// over SentrelEngine.
class fSentrel final : public QWidget, public MainView {
    Q_OBJECT
public:
    using MaintenanceOpener = std::function<void(Maintenance, QWidget* parent)>;

    static constexpr int kTimerIntervalMs = 65535;

    fSentrel(mSentrel& module, EngineServices services, MaintenanceOpener opener,
             int timerIntervalMs = kTimerIntervalMs);

    // Runs the load step; false when the program has been ended.
    bool Form_Load(bool anotherCopyRunning, const QString& programDir);

    SentrelEngine& engine() { return engine_; }

    // MainView
    void setStatus(const QString& caption) override;
    QString status() const override;
    void setTimerEnabled(bool enabled) override;
    bool timerEnabled() const override;
    void showMaintenance(Maintenance window) override;

    QLabel* Label1;
    QLabel* Label2;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QTimer* Timer1;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Timer1_Timer();

    SentrelEngine engine_;
    MaintenanceOpener opener_;
};

} // namespace orvane
