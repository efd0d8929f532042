#pragma once

#include "base/ErrorCatalogue.h"
#include "base/Result.h"

#include <QString>
#include <QtGlobal>

namespace orvane {

// The settings of the first row of table System, as the program reads them
// at start-up. A value that cannot be read keeps its first value.
struct Settings {
    qint16 wakeUp = 0;
    QString mailServer;
    // A port that is no number fails every alert before anything is sent.
    Result<qint32> port = ErrorCatalogue::failure(ErrorCode::NullValue);
};

} // namespace orvane
