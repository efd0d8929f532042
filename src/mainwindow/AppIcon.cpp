#include "mainwindow/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace orvane {

namespace {

QPixmap draw(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(QColor(40, 40, 40), s / 16.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.15, s * 0.05, s * 0.7, s * 0.9));
    p.setBrush(QColor(30, 110, 200));
    p.drawEllipse(QRectF(s * 0.25, s * 0.35, s * 0.5, s * 0.3));
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.08, s * 0.08);
    return pixmap;
}

} // namespace

QIcon AppIcon::make()
{
    QIcon icon;
    icon.addPixmap(draw(16));
    icon.addPixmap(draw(32));
    return icon;
}

} // namespace orvane
