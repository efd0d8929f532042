#include "widgets/QtScreenPointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace orvane {

void QtScreenPointer::set(Shape shape)
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (shape == Shape::Busy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

} // namespace orvane
