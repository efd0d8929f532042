#pragma once

#include "windows/MaintenanceServices.h"
#include "windows/ModalForm.h"
#include "windows/RecordBinding.h"
#include "windows/SelectionQuery.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orvane {

class Status;

// The URL definition window (object name "URL"): one watch entry of table
// URLs at a time, with "&New", "&Delete", "&Save", "&View / select" and
// "&Close".
class UrlWindow final : public ModalForm {
    Q_OBJECT
public:
    // Builds the window and loads it: the binding opens the workspace's
    // watch database and shows the first row of URLs.
    explicit UrlWindow(MaintenanceServices services, QWidget* parent = nullptr);

    // The selection dialog used by "&View / select".
    SelectionQuery& selection() { return selection_; }

protected:
    void onUnload() override;

private:
    void addNew();
    void deleteEntry();
    void save();
    void viewSelect();
    void validate(RecordBinding::Action& action, bool& save);

    void chooseStringSearch();
    void chooseTableSearch();
    void chooseWholePage();
    void searchTypeChanged();
    // Selecting an option from code runs its click behaviour, also when it
    // was selected already.
    void select(QRadioButton* option);
    // Writing the text the hidden type box already holds is no change.
    void setSearchType(const QString& code);
    void report(const Status& status);
    // Reports a failure; true when the operation was done, not cancelled.
    bool succeeded(const Result<RecordBinding::Outcome>& outcome);
    // The checks of "&Save", WatchEntry's, over the boxes' texts: URL,
    // address and subject filled, else the message and the focus to the
    // URL box; the address a list of addresses, else what is wrong with it
    // and the focus to the address box.
    bool boxesAcceptable();

    QLineEdit* urlEdit_;
    QLineEdit* emailEdit_;
    QLineEdit* subjectEdit_;
    QCheckBox* activeCheck_;
    QRadioButton* wholePageOption_;
    QRadioButton* stringOption_;
    QRadioButton* tableOption_;
    QGroupBox* tableFrame_;
    QLineEdit* tableNumberEdit_;
    QLineEdit* rowNumberEdit_;
    QLineEdit* columnNumberEdit_;
    QLineEdit* repeatCountEdit_;
    QGroupBox* stringFrame_;
    QLineEdit* searchTextEdit_;
    QLineEdit* offsetEdit_;
    QLineEdit* lengthEdit_;
    QLineEdit* searchTypeEdit_; // hidden: the bound "Search type"
    QPushButton* newButton_;
    QPushButton* deleteButton_;
    QPushButton* saveButton_;
    QPushButton* viewSelectButton_;
    QPushButton* closeButton_;
    RecordBinding* binding_;

    // True from "&New" until the next successful "&Save" or "&View / select".
    bool addingNew_ = false;

    MaintenanceServices services_;
    SelectionQuery selection_;
};

} // namespace orvane
