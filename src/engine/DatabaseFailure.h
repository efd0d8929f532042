#pragma once

#include "base/Failure.h"
#include "base/MessageBoxes.h"
#include "base/ProgramEnd.h"

namespace orvane {

// Sentrel.mdb could not be opened, at start-up, for a window or for a
// cycle: the same box each time, and the program ends.
inline void cannotOpenDatabase(MessageBoxes& messages, ProgramEnd& programEnd, const Failure& failure)
{
    messages.warn(QStringLiteral("Cannot Open Database"),
                  QStringLiteral("Cannot open the Sentrel database : ") + failure.description);
    programEnd.endNow(1);
}

} // namespace orvane
