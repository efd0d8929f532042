#pragma once

#include "windows/MaintenanceServices.h"
#include "windows/ModalForm.h"
#include "windows/RecordBinding.h"
#include "windows/SelectionQuery.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orvane {

class Status;

// The URL definition window: one watch entry of table URLs at a time, with
// "&New", "&Delete", "&Save", "&View / select" and "&Close".
class URL final : public ModalForm {
    Q_OBJECT
public:
    static inline const QString kMessageTitle = QStringLiteral("URL Maintenance");

    // Builds the window and loads it: the binding opens "Sentrel.mdb" in
    // the current directory and shows the first row of URLs.
    explicit URL(MaintenanceServices services, QWidget* parent = nullptr);

    // The selection dialog used by "&View / select".
    SelectionQuery& selection() { return selection_; }

    void Data1_Validate(qint16& action, bool& save);

    // True from "&New" until the next successful "&Save" or "&View / select".
    bool AddingNew = false;

    QLabel* Se;
    QLineEdit* Text1;
    QLabel* Label2;
    QLineEdit* Text2;
    QLabel* Label1;
    QLineEdit* Text3;
    QCheckBox* Check1;
    QGroupBox* Frame1;
    QRadioButton* Option3;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QGroupBox* Frame2;
    QLabel* Label7;
    QLineEdit* Text8;
    QLabel* Label6;
    QLineEdit* Text7;
    QLabel* Label3;
    QLineEdit* Text6;
    QLabel* Label5;
    QLineEdit* Text5;
    QGroupBox* Frame4;
    QLabel* Label9;
    QLineEdit* Text11;
    QLabel* Label8;
    QLineEdit* Text10;
    QLabel* Label10;
    QLineEdit* Text12;
    QLineEdit* Text9;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    RecordBinding* Data1;

protected:
    void Form_Unload() override;

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Text9_Change();

    // Selecting an option from code runs its click behaviour, also when it
    // was selected already.
    void select(QRadioButton* option);
    // Writing the text Text9 already holds is no change.
    void setSearchType(const QString& code);
    void report(const Status& status);

    MaintenanceServices services_;
    SelectionQuery selection_;
};

} // namespace orvane
