#include "widgets/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace orvane {

void QtMessageBoxes::warn(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace orvane
