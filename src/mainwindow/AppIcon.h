#pragma once

#include <QIcon>

namespace orvane {

// The program's icon at 16 and 32 pixels, an eye over a page: the same
// pictures the menu entry installs (data/icons).
class AppIcon {
public:
    static QIcon make();
};

} // namespace orvane
