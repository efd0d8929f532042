#pragma once

#include <QIcon>

namespace orvane {

// The window icon, drawn at 16 and 32 pixels: an eye over a page.
class SentrelIcon {
public:
    static QIcon make();
};

} // namespace orvane
