#pragma once

#include "engine/MainView.h"

#include <QString>

namespace orvane::test {

// The main window of a program without a screen: it keeps the status line
// and the timer's state, and a maintenance window closes as soon as it opens.
class HeadlessView final : public MainView {
public:
    void setStatus(const QString& caption) override { status_ = caption; }
    QString status() const override { return status_; }
    void setTimerEnabled(bool enabled) override { timerOn_ = enabled; }
    bool timerEnabled() const override { return timerOn_; }
    void showMaintenance(Maintenance) override {}

private:
    QString status_;
    bool timerOn_ = true;
};

} // namespace orvane::test
