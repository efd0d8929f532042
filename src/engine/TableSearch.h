#pragma once

#include "base/Result.h"
#include "engine/CellPieceList.h"
#include "engine/TagFinder.h"
#include "store/RowReader.h"

#include <QStringView>
#include <QtGlobal>

#include <functional>

namespace orvane {

// The table search of a "T" entry: walks the page by its tags to the entry's
// table, row and cell, cuts a piece out of that cell and out of the same cell
// of the following rows, and tells whether every piece equals the entry's
// "String search". Positions count UTF-16 units.
//
// Linear in the page: the remaining scan text is an index into the page,
// tags are found without upper-cased copies, and a piece is the only text
// copied out of the page.
class TableSearch {
public:
    // True raises the table alert; Empty follows the no-table alert.
    enum class Verdict { False, True, Empty };

    // Reads the entry's columns from `row` each time it uses them. When the
    // page holds fewer tables than asked for, calls `sendNoTableAlert` once
    // and answers Empty (or passes on the alert's failure). Any other failure
    // ends the search and is passed on. `cellPieces` is recreated at every
    // call and keeps what was cut when a failure ends the search.
    static Result<Verdict> run(QStringView newContent, const RowReader& row, CellPieceList& cellPieces,
                               const std::function<Status()>& sendNoTableAlert);

private:
    TableSearch(QStringView page, const RowReader& row);

    Result<Verdict> search(CellPieceList& cellPieces, const std::function<Status()>& sendNoTableAlert);
    // 1-based position of the tag in the remaining scan text, 0 when absent.
    Result<qint16> find(TagFinder& tag) const;
    // Cuts through the tag `count` times; a missing tag ends the cutting.
    Status cutThroughEach(TagFinder& tag, qint16 count);
    qint16 offsetStart(qint16 s) const;
    QString piece(qint16 s, qint32 length);

    QStringView page_;
    const RowReader& row_;
    qsizetype start_ = 0; // the scan text is the page from here on
    TagFinder table_;
    TagFinder rowTag_;
    TagFinder cell_;
    TagFinder rowEnd_;

    // The last piece cut: rows of a page whose scan point stops moving yield
    // the same piece, which is then shared instead of copied again.
    qsizetype lastPieceFrom_ = -1;
    qsizetype lastPieceLength_ = -1;
    QString lastPiece_;
};

} // namespace orvane
