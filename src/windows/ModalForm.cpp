#include "windows/ModalForm.h"

#include "widgets/DesignFont.h"
#include "widgets/Twips.h"

#include <QKeyEvent>
#include <QPushButton>

namespace orvane {

ModalForm::ModalForm(QWidget* parent) : QDialog(parent)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(designFont(font()));
}

void ModalForm::setClientTwips(int width, int height)
{
    setFixedSize(twips(width), twips(height));
}

void ModalForm::setDefaultButton(QPushButton* button)
{
    default_ = button;
    button->setDefault(true);
}

void ModalForm::setCancelButton(QPushButton* button)
{
    cancel_ = button;
}

void ModalForm::settleButtons()
{
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(button == default_);
    }
}

void ModalForm::unload()
{
    done(QDialog::Rejected);
}

void ModalForm::done(int result)
{
    if (!unloaded_) {
        unloaded_ = true;
        onUnload();
    }
    QDialog::done(result);
}

void ModalForm::keyPressEvent(QKeyEvent* event)
{
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && event->key() == Qt::Key_Escape) {
        if (cancel_)
            cancel_->click();
        return;
    }
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // A focused button takes Enter itself, as the default would.
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled())
            focused->click();
        else if (default_ && default_->isEnabled())
            default_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace orvane
