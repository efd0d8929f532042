#pragma once

#include "engine/MainView.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace orvane {

class InputBlocker;
class Watcher;

// The main window (object name "fSentrel"): a status line and three buttons.
// It shows what the watcher tells it and forwards its buttons to it.
class MainWindow final : public QWidget, public MainView {
    Q_OBJECT
public:
    using MaintenanceOpener = std::function<void(Maintenance, QWidget* parent)>;

    explicit MainWindow(MaintenanceOpener opener);
    ~MainWindow() override;

    // "URL's" and "Properties" open their windows through the watcher.
    void forwardButtonsTo(Watcher& watcher);

    // MainView
    void setStatus(const QString& caption) override;
    QString status() const override;
    void showMaintenance(Maintenance window) override;
    void setTakingInput(bool taking) override;

private:
    QLabel* statusLine_;
    QPushButton* closeButton_;
    QPushButton* urlsButton_;
    QPushButton* propertiesButton_;

    MaintenanceOpener opener_;
    std::unique_ptr<InputBlocker> blocker_;
};

} // namespace orvane
