#pragma once

#include "store/Database.h"

#include <QString>

namespace orvane {

// What the main window and the maintenance windows share: the one database
// connection opened for each use, and the selection dialog's last answer.
// One object for the whole run, passed to whoever needs it.
class Workspace {
public:
    // The answer when nothing was chosen.
    static inline const QString kNone = QStringLiteral("**NONE**");

    Database watchDatabase;
    QString selectedItem;
};

} // namespace orvane
