#include "mainwindow/InputBlocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace orvane {

InputBlocker::InputBlocker(QWidget* window) : window_(window)
{
    QCoreApplication::instance()->installEventFilter(this);
}

InputBlocker::~InputBlocker()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::Close: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == window_) {
            event->ignore();
            return true;
        }
        return false;
    }
    default: return false;
    }
}

} // namespace orvane
