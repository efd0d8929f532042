#pragma once

#include <QString>

class QWidget;

namespace orvane {

// PLACEHOLDER: stands in for a maintenance window that is not built yet; a
// modal window with the right caption and a "&Close" button.
class MaintenancePlaceholder {
public:
    static void showModal(const QString& caption, QWidget* parent);
};

} // namespace orvane
