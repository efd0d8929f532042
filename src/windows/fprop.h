#pragma once

#include "windows/ModalForm.h"
#include "windows/RecordBinding.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvane {

class MessageBoxes;
class Status;

// The Properties window: the three settings of table System, edited in
// place; "&Save" stores them and closes, every other way out drops them.
class fprop final : public ModalForm {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Property Pages");

    // Builds the window and loads it: the binding opens "Sentrel.mdb" in
    // the current directory and shows the first row of System.
    explicit fprop(MessageBoxes& messages, QWidget* parent = nullptr);

    void Data1_Validate(qint16& action, bool& save);

    QLabel* Label1;
    QLineEdit* Text1;
    QLabel* Label2;
    QLineEdit* Text2;
    QLabel* Label3;
    QLineEdit* Text3;
    QPushButton* Command1;
    QPushButton* Command2;
    RecordBinding* Data1;

protected:
    void Form_Unload() override;

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void report(const Status& status);

    MessageBoxes& messages_;
};

} // namespace orvane
