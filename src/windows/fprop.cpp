#include "windows/fprop.h"

#include "platform/MessageBoxes.h"
#include "store/Database.h"
#include "windows/Placement.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvane {

fprop::fprop(MessageBoxes& messages, QWidget* parent) : ModalForm(parent), messages_(messages)
{
    setObjectName(QStringLiteral("fprop"));
    setWindowTitle(kCaption);
    setClientTwips(4680, 2025);

    Label1 = placed(new QLabel(QStringLiteral("Wake up minutes :"), this), "Label1", 120, 120, 1455, 255);
    Text1 = placed(new QLineEdit(this), "Text1", 1680, 120, 495, 285);
    Text1->setMaxLength(2);
    Label2 = placed(new QLabel(QStringLiteral("Mail server :"), this), "Label2", 120, 480, 975, 255);
    Text2 = placed(new QLineEdit(this), "Text2", 1680, 480, 2895, 285);
    Text2->setMaxLength(50);
    Label3 = placed(new QLabel(QStringLiteral("SMTP port :"), this), "Label3", 120, 840, 975, 255);
    Text3 = placed(new QLineEdit(this), "Text3", 1680, 840, 615, 285);
    Text3->setMaxLength(3);
    Command1 = placed(new QPushButton(QStringLiteral("&Close"), this), "Command1", 120, 1440, 1095, 495);
    Command2 = placed(new QPushButton(QStringLiteral("&Save"), this), "Command2", 3480, 1440, 1095, 495);

    setCancelButton(Command1);
    settleButtons();
    QWidget::setTabOrder(Text1, Text2);
    QWidget::setTabOrder(Text2, Text3);
    QWidget::setTabOrder(Text3, Command1);
    QWidget::setTabOrder(Command1, Command2);

    Data1 = new RecordBinding(this);
    Data1->bind(Text1, QStringLiteral("Wake-up"));
    Data1->bind(Text2, QStringLiteral("Mail server"));
    Data1->bind(Text3, QStringLiteral("SMTP Port"));
    Data1->setValidateHandler([this](qint16& action, bool& save) { Data1_Validate(action, save); });

    connect(Command1, &QPushButton::clicked, this, &fprop::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &fprop::Command2_Click);

    Form_Load();
}

void fprop::report(const Status& status)
{
    if (!status.ok())
        messages_.warn(kCaption, status.failure().description);
}

void fprop::Form_Load()
{
    Data1->setDatabaseName(QString::fromLatin1(Database::kFileName));
    Data1->setRecordSource(QStringLiteral("System"));
    report(Data1->Refresh());
}

void fprop::Command1_Click()
{
    unload();
}

void fprop::Command2_Click()
{
    // With no settings row yet, the boxes' values become the first row.
    const Status started = Data1->hasCurrentRow() || !Data1->isOpen() ? Data1->Edit() : Data1->recordset().addNew();
    if (!started.ok()) {
        report(started);
        return;
    }
    if (const Status stored = Data1->Update(); !stored.ok()) {
        report(stored);
        return; // the window stays open so that the box can be put right
    }
    unload();
}

void fprop::Data1_Validate(qint16& action, bool& save)
{
    if (action == RecordBinding::kUnload)
        save = false;
}

void fprop::Form_Unload()
{
    report(Data1->Unload());
}

} // namespace orvane
