#include "windows/MaintenancePlaceholder.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvane {

void MaintenancePlaceholder::showModal(const QString& caption, QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(caption);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("This window is not built yet."), &dialog));
    auto* close = new QPushButton(QStringLiteral("&Close"), &dialog);
    layout->addWidget(close);
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
    dialog.exec();
}

} // namespace orvane
