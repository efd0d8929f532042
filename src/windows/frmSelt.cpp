#include "windows/frmSelt.h"

#include "engine/mSentrel.h"
#include "windows/Placement.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace orvane {

frmSelt::frmSelt(mSentrel& module, QWidget* parent) : ModalForm(parent), module_(module)
{
    setObjectName(QStringLiteral("frmSelt"));
    setWindowTitle(QStringLiteral("Selection"));
    setClientTwips(8265, 5880);

    List1 = placed(new QListWidget(this), "List1", 120, 360, 8055, 4680);
    List1->setFont(listFont());
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);
    List1->setUniformItemSizes(true);
    Command1 = placed(new QPushButton(QStringLiteral("&Select"), this), "Command1", 120, 5280, 1335, 495);
    Command2 = placed(new QPushButton(QStringLiteral("&Close"), this), "Command2", 1680, 5280, 1335, 495);
    Label1 = placed(new QLabel(QStringLiteral("Please select an item from the following list."), this), "Label1", 120,
                    120, 6495, 255);

    setDefaultButton(Command1);
    setCancelButton(Command2);
    settleButtons();
    QWidget::setTabOrder(List1, Command1);
    QWidget::setTabOrder(Command1, Command2);

    connect(Command1, &QPushButton::clicked, this, &frmSelt::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmSelt::Command2_Click);
}

QFont frmSelt::listFont()
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

void frmSelt::Command1_Click()
{
    const QList<QListWidgetItem*> chosen = List1->selectedItems();
    module_.SelectedItem = chosen.isEmpty() ? QString() : chosen.first()->text();
    unload();
}

void frmSelt::Command2_Click()
{
    module_.SelectedItem = mSentrel::kNone;
    unload();
}

} // namespace orvane
