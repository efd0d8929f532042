#pragma once

#include <QString>

namespace orvane {

// What the engine needs of the main window: its status line, the modal
// maintenance windows it opens, and its input held while a cycle runs.
class MainView {
public:
    enum class Maintenance { Urls, Properties };

    // Each window's caption; orvane-db names the open one by it.
    static QString caption(Maintenance window)
    {
        return window == Maintenance::Urls ? QStringLiteral("URL Definition") : QStringLiteral("Property Pages");
    }

    virtual ~MainView() = default;
    virtual void setStatus(const QString& caption) = 0;
    virtual QString status() const = 0;
    // Shows the window modally; returns when the user has closed it.
    virtual void showMaintenance(Maintenance window) = 0;
    // A cycle runs on this thread and lets the window repaint meanwhile; the
    // window takes no input then, so that nothing can start beside it.
    virtual void setTakingInput(bool /*taking*/) { }
};

} // namespace orvane
