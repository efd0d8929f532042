#pragma once

#include "base/Result.h"
#include "store/Value.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace orvane {

class MessageBoxes;
class Recordset;
class ScreenPointer;
class SelectionDialog;
class Workspace;

// The general pick-list: the rows of a statement on the workspace's shared
// connection, one fixed-width line each, in the selection dialog.
class SelectionQuery {
public:
    // Shows the filled dialog and returns once it has been unloaded.
    using Presenter = std::function<void(SelectionDialog& dialog)>;

    SelectionQuery(Workspace& workspace, MessageBoxes& messages, ScreenPointer& pointer);

    // Replaces the modal display, so that tests can answer the dialog.
    void setPresenter(Presenter present) { present_ = std::move(present); }

    // True when a line was picked; the workspace's selected item then holds
    // it, cut to the first column's declared size. False, with the selected
    // item "**NONE**", when nothing was picked or the statement returned no rows.
    bool select(const QString& prompt, const QString& statement, QWidget* parent = nullptr);
    // The first column of the line the last select picked, whole: also a
    // Null one, or a text longer than its declared size, which the cut
    // answer cannot name. None when no line was picked.
    const std::optional<Value>& pickedFirstColumn() const { return picked_; }

    // The list line of the current row: each column's text padded with
    // blanks to its declared size plus one, then one blank; a Null column
    // is the one blank alone, a text longer than its size gets no padding.
    static Result<QString> listLine(const Recordset& rows);

private:
    Workspace& workspace_;
    MessageBoxes& messages_;
    ScreenPointer& pointer_;
    Presenter present_;
    std::optional<Value> picked_;
};

} // namespace orvane
