#pragma once

#include <QIcon>

namespace orvane {

// The program's icon, drawn at 16 and 32 pixels: an eye over a page.
class AppIcon {
public:
    static QIcon make();
};

} // namespace orvane
