#pragma once

#include "platform/Result.h"

#include <QString>

#include <functional>

class QWidget;

namespace orvane {

class MessageBoxes;
class Recordset;
class ScreenPointer;
class frmSelt;
class mSentrel;

// The general pick-list: the rows of a statement on the module's shared
// connection, one fixed-width line each, in the selection dialog.
class SelectionQuery {
public:
    // Shows the filled dialog and returns once it has been unloaded.
    using Presenter = std::function<void(frmSelt& dialog)>;

    SelectionQuery(mSentrel& module, MessageBoxes& messages, ScreenPointer& pointer);

    // Replaces the modal display, so that tests can answer the dialog.
    void setPresenter(Presenter present) { present_ = std::move(present); }

    // True when a line was picked; the module's SelectedItem then holds it,
    // cut to the first column's declared size. False, with SelectedItem
    // "**NONE**", when nothing was picked or the statement returned no rows.
    bool SelectFromQuery(const QString& prompt, const QString& statement, QWidget* parent = nullptr);

    // The list line of the current row: each column's text padded with
    // blanks to its declared size plus one, then one blank; a Null column
    // is the one blank alone, a text longer than its size gets no padding.
    static Result<QString> listLine(const Recordset& rows);

private:
    mSentrel& module_;
    MessageBoxes& messages_;
    ScreenPointer& pointer_;
    Presenter present_;
};

} // namespace orvane
