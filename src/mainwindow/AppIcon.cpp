#include "mainwindow/AppIcon.h"

namespace orvane {

QIcon AppIcon::make()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/orvane-16.png"));
    icon.addFile(QStringLiteral(":/icons/orvane-32.png"));
    return icon;
}

} // namespace orvane
