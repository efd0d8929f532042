#pragma once

#include "windows/ModalForm.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace orvane {

class Workspace;

// The selection dialog (object name "frmSelt"): one fixed-width line per row
// of a query; its buttons put the answer into the workspace's selected item.
class SelectionDialog final : public ModalForm {
    Q_OBJECT
public:
    explicit SelectionDialog(Workspace& workspace, QWidget* parent = nullptr);

    void setPrompt(const QString& prompt);
    void setLines(const QStringList& lines);
    // The line "&Select" picked, from 0; -1 when none was highlighted or
    // the dialog was closed.
    int chosenLine() const { return chosenLine_; }

    // The list's font: a fixed pitch, so that padded columns line up.
    static QFont listFont();

private:
    void select();
    void closeWithoutChoice();

    QListWidget* list_;
    QPushButton* selectButton_;
    QPushButton* closeButton_;
    QLabel* prompt_;
    int chosenLine_ = -1;

    Workspace& workspace_;
};

} // namespace orvane
