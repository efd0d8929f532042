#pragma once

#include "windows/ModalForm.h"
#include "windows/RecordBinding.h"

class QLineEdit;
class QPushButton;

namespace orvane {

class MessageBoxes;
class Status;

// The Properties window (object name "fprop"): the three settings of table
// System, edited in place; "&Save" stores them and closes, every other way
// out drops them.
class PropertiesWindow final : public ModalForm {
    Q_OBJECT
public:
    // Builds the window and loads it: the binding opens the watch database
    // (Sentrel.mdb beside the program) and shows the first row of System.
    PropertiesWindow(const QString& databaseFile, MessageBoxes& messages, QWidget* parent = nullptr);

protected:
    void onUnload() override;

private:
    void save();
    void validate(RecordBinding::Action& action, bool& save);
    void report(const Status& status);

    QLineEdit* wakeUpEdit_;
    QLineEdit* mailServerEdit_;
    QLineEdit* portEdit_;
    QPushButton* closeButton_;
    QPushButton* saveButton_;
    RecordBinding* binding_;

    MessageBoxes& messages_;
};

} // namespace orvane
