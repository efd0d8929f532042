#pragma once

#include "store/Database.h"

#include <QString>

namespace orvane {

// The program's common module: the one shared database connection and the
// selection dialog's answer. One object for the whole run, passed to
// whoever needs it.
class mSentrel {
public:
    static inline const QString kNone = QStringLiteral("**NONE**");

    Database WatchDatabase;
    QString SelectedItem;
};

} // namespace orvane
