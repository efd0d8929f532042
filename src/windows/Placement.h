#pragma once

#include "widgets/Twips.h"

#include <QLatin1String>

namespace orvane {

// Names a control and puts it where the window design has it, in twips
// relative to its parent (a frame's controls relative to the frame).
template <typename W> W* placed(W* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
    return widget;
}

} // namespace orvane
