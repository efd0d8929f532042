#pragma once

#include <QtGlobal>

namespace orvane {

// What an alert mail tells its recipient. The numbers are the alert codes
// the mails have always been sent with.
enum class AlertKind : qint16 {
    PageFault = 0,
    WholePage = 1,
    StringSearch = 2,
    TableAlert = 3,
    NoTable = 4,
};

} // namespace orvane
