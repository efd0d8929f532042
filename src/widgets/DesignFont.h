#pragma once

#include <QFont>

namespace orvane {

// The face every window design is measured in: 8.25-point Arial, or
// Liberation Sans, which has Arial's widths and is installed with the
// program. Helvetica and the desktop's sans-serif are last resorts; a wider
// face would cut captions.
QFont designFont(const QFont& base);

} // namespace orvane
