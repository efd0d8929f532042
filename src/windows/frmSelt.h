#pragma once

#include "windows/ModalForm.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace orvane {

class mSentrel;

// The selection dialog: one fixed-width line per row of a query; its
// buttons put the answer into the module's SelectedItem.
class frmSelt final : public ModalForm {
    Q_OBJECT
public:
    explicit frmSelt(mSentrel& module, QWidget* parent = nullptr);

    // The list's font: a fixed pitch, so that padded columns line up.
    static QFont listFont();

    QListWidget* List1;
    QPushButton* Command1;
    QPushButton* Command2;
    QLabel* Label1;

private:
    void Command1_Click();
    void Command2_Click();

    mSentrel& module_;
};

} // namespace orvane
