#include "windows/PropertiesWindow.h"

#include "base/MessageBoxes.h"
#include "engine/MainView.h"
#include "store/Columns.h"
#include "store/Database.h"
#include "windows/Placement.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvane {

namespace {

const QString kCaption = MainView::caption(MainView::Maintenance::Properties);

} // namespace

PropertiesWindow::PropertiesWindow(const QString& databaseFile, MessageBoxes& messages, QWidget* parent)
    : ModalForm(parent), messages_(messages)
{
    setObjectName(QStringLiteral("fprop"));
    setWindowTitle(kCaption);
    setClientTwips(4680, 2025);

    placed(new QLabel(QStringLiteral("Wake up minutes :"), this), "Label1", 120, 120, 1455, 255);
    wakeUpEdit_ = placed(new QLineEdit(this), "Text1", 1680, 120, 495, 285);
    wakeUpEdit_->setMaxLength(Columns::kWakeUpLimit);
    placed(new QLabel(QStringLiteral("Mail server :"), this), "Label2", 120, 480, 975, 255);
    mailServerEdit_ = placed(new QLineEdit(this), "Text2", 1680, 480, 2895, 285);
    mailServerEdit_->setMaxLength(Columns::kMailServerLimit);
    placed(new QLabel(QStringLiteral("SMTP port :"), this), "Label3", 120, 840, 975, 255);
    portEdit_ = placed(new QLineEdit(this), "Text3", 1680, 840, 615, 285);
    portEdit_->setMaxLength(Columns::kSmtpPortLimit);
    closeButton_ = placed(new QPushButton(QStringLiteral("&Close"), this), "Command1", 120, 1440, 1095, 495);
    saveButton_ = placed(new QPushButton(QStringLiteral("&Save"), this), "Command2", 3480, 1440, 1095, 495);

    setCancelButton(closeButton_);
    settleButtons();
    QWidget::setTabOrder(wakeUpEdit_, mailServerEdit_);
    QWidget::setTabOrder(mailServerEdit_, portEdit_);
    QWidget::setTabOrder(portEdit_, closeButton_);
    QWidget::setTabOrder(closeButton_, saveButton_);

    binding_ = new RecordBinding(this);
    binding_->bind(wakeUpEdit_, Columns::kWakeUp);
    binding_->bind(mailServerEdit_, Columns::kMailServer);
    binding_->bind(portEdit_, Columns::kSmtpPort);
    binding_->setValidateHandler([this](RecordBinding::Action& action, bool& save) { validate(action, save); });

    connect(closeButton_, &QPushButton::clicked, this, &ModalForm::unload);
    connect(saveButton_, &QPushButton::clicked, this, &PropertiesWindow::save);

    binding_->setDatabaseName(databaseFile);
    binding_->setTable(Columns::kSystemTable);
    report(binding_->refresh());
}

void PropertiesWindow::report(const Status& status)
{
    if (!status.ok())
        messages_.warn(kCaption, status.failure().description);
}

void PropertiesWindow::save()
{
    // With no settings row yet, the boxes' values become the first row.
    const Status started = binding_->hasCurrentRow() || !binding_->isOpen() ? binding_->edit()
                                                                            : binding_->recordset().addNew();
    if (!started.ok()) {
        report(started);
        return;
    }
    if (const Status stored = binding_->update().status(); !stored.ok()) {
        report(stored);
        return; // the window stays open so that the box can be put right
    }
    unload();
}

void PropertiesWindow::validate(RecordBinding::Action& action, bool& save)
{
    // Edits not stored by "&Save" are dropped without a question.
    if (action == RecordBinding::Action::Unload)
        save = false;
}

void PropertiesWindow::onUnload()
{
    report(binding_->unload());
}

} // namespace orvane
