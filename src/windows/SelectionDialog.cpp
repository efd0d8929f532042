#include "windows/SelectionDialog.h"

#include "engine/Workspace.h"
#include "windows/Placement.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace orvane {

SelectionDialog::SelectionDialog(Workspace& workspace, QWidget* parent) : ModalForm(parent), workspace_(workspace)
{
    setObjectName(QStringLiteral("frmSelt"));
    setWindowTitle(QStringLiteral("Selection"));
    setClientTwips(8265, 5880);

    list_ = placed(new QListWidget(this), "List1", 120, 360, 8055, 4680);
    list_->setFont(listFont());
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSortingEnabled(false);
    list_->setUniformItemSizes(true);
    selectButton_ = placed(new QPushButton(QStringLiteral("&Select"), this), "Command1", 120, 5280, 1335, 495);
    closeButton_ = placed(new QPushButton(QStringLiteral("&Close"), this), "Command2", 1680, 5280, 1335, 495);
    prompt_ = placed(new QLabel(QStringLiteral("Please select an item from the following list."), this), "Label1", 120,
                     120, 6495, 255);

    setDefaultButton(selectButton_);
    setCancelButton(closeButton_);
    settleButtons();
    QWidget::setTabOrder(list_, selectButton_);
    QWidget::setTabOrder(selectButton_, closeButton_);

    connect(selectButton_, &QPushButton::clicked, this, &SelectionDialog::select);
    connect(closeButton_, &QPushButton::clicked, this, &SelectionDialog::closeWithoutChoice);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        list_->setCurrentItem(item);
        select();
    });
}

void SelectionDialog::setPrompt(const QString& prompt)
{
    prompt_->setText(prompt);
}

void SelectionDialog::setLines(const QStringList& lines)
{
    list_->clear();
    list_->addItems(lines);
    // Selected, not only current: Enter then picks it and Down moves on
    // to the second line.
    list_->setCurrentRow(0);
}

QFont SelectionDialog::listFont()
{
    // "Courier New" itself, or the fixed-pitch face the font system puts in
    // its place; else the system's fixed font.
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontDatabase::families().contains(font.family()) && !QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

void SelectionDialog::select()
{
    const QList<QListWidgetItem*> chosen = list_->selectedItems();
    chosenLine_ = chosen.isEmpty() ? -1 : list_->row(chosen.first());
    workspace_.selectedItem = chosen.isEmpty() ? QString() : chosen.first()->text();
    unload();
}

void SelectionDialog::closeWithoutChoice()
{
    workspace_.selectedItem = Workspace::kNone;
    unload();
}

} // namespace orvane
