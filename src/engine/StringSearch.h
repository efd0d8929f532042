#pragma once

#include "store/RowReader.h"

#include <QString>
#include <QtGlobal>

namespace orvane {

// The string search of an "S" entry: finds the entry's "String search" in the
// new page, moves that position by "String offset" and compares the pieces
// of the stored and of the new page at it, "String length" long. Every step
// runs even when an earlier one failed; a failed step counts as a change.
// Positions count UTF-16 units.
class StringSearch {
public:
    struct Outcome {
        bool change = false;
        QString oldPiece;
        QString newPiece;
        qsizetype found = 0; // where the search text stands in the new page, 0 when nowhere
        int lastFailure = 0; // error number of the last failed step, 0 for none
    };

    // `matchPos` carries over from one entry to the next within a tick; a
    // step that fails leaves it as it was. The empty search text is found at
    // position 1 of a non-empty page and not at all (0) in an empty one.
    static Outcome run(const QString& oldContent, const QString& newContent, const RowReader& row, qint16& matchPos);
};

} // namespace orvane
