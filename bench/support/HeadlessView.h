#pragma once

#include "engine/MainView.h"

namespace orvane::bench {

// The main window as the engine sees it, holding only what it shows now.
class HeadlessView final : public MainView {
public:
    void setStatus(const QString& caption) override { status_ = caption; }
    QString status() const override { return status_; }
    void showMaintenance(Maintenance) override { }

private:
    QString status_;
};

} // namespace orvane::bench
