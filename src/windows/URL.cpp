#include "windows/URL.h"

#include "engine/mSentrel.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "store/Database.h"
#include "windows/ColumnText.h"
#include "windows/Placement.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace orvane {

namespace {

QLabel* label(QWidget* parent, const char* text)
{
    return new QLabel(QString::fromLatin1(text), parent);
}

QLineEdit* box(QWidget* parent, int maxLength = 0)
{
    auto* edit = new QLineEdit(parent);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

URL::URL(MaintenanceServices services, QWidget* parent)
    : ModalForm(parent), services_(services), selection_(services.module, services.messages, services.pointer)
{
    setObjectName(QStringLiteral("URL"));
    setWindowTitle(QStringLiteral("URL Definition"));
    setClientTwips(6690, 5985);

    Se = placed(label(this, "URL"), "Se", 120, 120, 1575, 255);
    Text1 = placed(box(this, 80), "Text1", 120, 360, 6495, 285);
    Label2 = placed(label(this, "EMail address"), "Label2", 120, 720, 1575, 255);
    Text2 = placed(box(this, 255), "Text2", 120, 960, 6495, 285);
    Label1 = placed(label(this, "EMail subject"), "Label1", 120, 1320, 1215, 255);
    Text3 = placed(box(this), "Text3", 120, 1560, 4935, 285);
    Check1 = placed(new QCheckBox(QStringLiteral("Active"), this), "Check1", 5160, 1560, 1095, 255);

    Frame1 = placed(new QGroupBox(QStringLiteral("Type"), this), "Frame1", 120, 2040, 1815, 2175);
    Option3 = placed(new QRadioButton(QStringLiteral("Whole page"), Frame1), "Option3", 120, 240, 1215, 255);
    Option1 = placed(new QRadioButton(QStringLiteral("Search string"), Frame1), "Option1", 120, 480, 1575, 255);
    Option2 = placed(new QRadioButton(QStringLiteral("Search table"), Frame1), "Option2", 120, 720, 1575, 255);
    Option3->setChecked(true);

    Frame2 = placed(new QGroupBox(QStringLiteral("Table Search"), this), "Frame2", 2160, 2040, 4455, 2175);
    Label7 = placed(label(Frame2, "Table # : "), "Label7", 120, 240, 735, 255);
    Text8 = placed(box(Frame2, 4), "Text8", 960, 240, 495, 285);
    Label6 = placed(label(Frame2, "Row # :"), "Label6", 120, 480, 735, 255);
    Text7 = placed(box(Frame2, 4), "Text7", 960, 480, 495, 285);
    Label3 = placed(label(Frame2, "Coumn # :"), "Label3", 120, 720, 855, 255);
    Text6 = placed(box(Frame2, 4), "Text6", 960, 720, 495, 285);
    Label5 = placed(label(Frame2, "# of repeats :"), "Label5", 120, 1080, 1095, 255);
    Text5 = placed(box(Frame2, 4), "Text5", 1080, 1080, 495, 285);
    Text8->setText(QStringLiteral("1"));
    Text7->setText(QStringLiteral("1"));
    Text6->setText(QStringLiteral("1"));
    Text5->setText(QStringLiteral("1"));
    Frame2->setEnabled(false);

    Frame4 = placed(new QGroupBox(QStringLiteral("String search"), this), "Frame4", 120, 4320, 6495, 975);
    Label9 = placed(label(Frame4, "Search for :"), "Label9", 120, 240, 975, 255);
    Text11 = placed(box(Frame4, 50), "Text11", 1080, 240, 5175, 285);
    Label8 = placed(label(Frame4, "Offset :"), "Label8", 120, 600, 855, 255);
    Text10 = placed(box(Frame4, 4), "Text10", 1080, 600, 495, 285);
    Label10 = placed(label(Frame4, "Length : "), "Label10", 1800, 600, 735, 255);
    Text12 = placed(box(Frame4, 4), "Text12", 2520, 600, 615, 285);
    Text10->setText(QStringLiteral("0"));
    Frame4->setEnabled(false);

    Text9 = placed(box(this), "Text9", 2880, 0, 735, 285);
    Text9->setVisible(false);

    Command1 = placed(new QPushButton(QStringLiteral("&New"), this), "Command1", 120, 5400, 1215, 495);
    Command2 = placed(new QPushButton(QStringLiteral("&Delete"), this), "Command2", 1440, 5400, 1215, 495);
    Command3 = placed(new QPushButton(QStringLiteral("&Save"), this), "Command3", 2760, 5400, 1215, 495);
    Command4 = placed(new QPushButton(QStringLiteral("&View / select"), this), "Command4", 4080, 5400, 1215, 495);
    Command5 = placed(new QPushButton(QStringLiteral("&Close"), this), "Command5", 5400, 5400, 1215, 495);
    setDefaultButton(Command3);
    setCancelButton(Command5);
    settleButtons();

    const QWidget* const tabOrder[] = {Text1, Text2, Text3,  Check1, Option3, Option1,  Option2,  Text8,
                                       Text7, Text6, Text5,  Text11, Text10,  Text12,   Command1, Command2,
                                       Command3, Command4, Command5};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(tabOrder[i - 1]), const_cast<QWidget*>(tabOrder[i]));

    Data1 = new RecordBinding(this);
    Data1->bind(Text1, QStringLiteral("URL"));
    Data1->bind(Text2, QStringLiteral("EMail"));
    Data1->bind(Text3, QStringLiteral("Subject"));
    Data1->bind(Check1, QStringLiteral("Active"));
    Data1->bind(Text9, QStringLiteral("Search type"));
    Data1->bind(Text11, QStringLiteral("String search"));
    Data1->bind(Text10, QStringLiteral("String offset"));
    Data1->bind(Text12, QStringLiteral("String length"));
    Data1->bind(Text8, QStringLiteral("Table number"));
    Data1->bind(Text7, QStringLiteral("Row number"));
    Data1->bind(Text6, QStringLiteral("Column number"));
    Data1->bind(Text5, QStringLiteral("Repeat count"));
    Data1->setValidateHandler([this](qint16& action, bool& save) { Data1_Validate(action, save); });

    connect(Command1, &QPushButton::clicked, this, &URL::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &URL::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &URL::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &URL::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &URL::Command5_Click);
    connect(Option1, &QRadioButton::clicked, this, &URL::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &URL::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &URL::Option3_Click);
    connect(Text9, &QLineEdit::textChanged, this, &URL::Text9_Change);

    Form_Load();
}

void URL::report(const Status& status)
{
    if (!status.ok())
        services_.messages.warn(kMessageTitle, status.failure().description);
}

void URL::Form_Load()
{
    Data1->setDatabaseName(QString::fromLatin1(Database::kFileName));
    Data1->setRecordSource(QStringLiteral("URLs"));
    AddingNew = false;
    report(Data1->Refresh());
}

// "&New"
void URL::Command1_Click()
{
    if (AddingNew)
        return;
    if (const Status s = Data1->AddNew(); !s.ok()) {
        report(s);
        return;
    }
    AddingNew = true;
    Check1->setChecked(true);
    select(Option3);
    Text5->setText(QStringLiteral("1"));
    Text6->setText(QStringLiteral("1"));
    Text7->setText(QStringLiteral("1"));
    Text8->setText(QStringLiteral("1"));
    Text10->setText(QStringLiteral("0"));
    Text12->setText(QStringLiteral("1"));
    Text1->setFocus();
}

// "&Delete"
void URL::Command2_Click()
{
    if (Text1->text().isEmpty())
        return;
    if (Data1->adding()) {
        // A row that was never stored is dropped, and the row shown before
        // "&New" comes back.
        Data1->CancelUpdate();
        AddingNew = false;
        report(Data1->UpdateControls());
        Text1->setFocus();
        return;
    }
    if (!Data1->hasCurrentRow())
        return; // nothing stored to delete
    if (const Status s = Data1->Delete(); !s.ok()) {
        report(s);
        return;
    }
    report(Data1->MovePrevious());
    Text1->setFocus();
}

// "&Save"
void URL::Command3_Click()
{
    if (Text1->text().isEmpty() || Text2->text().isEmpty() || Text3->text().isEmpty()) {
        services_.messages.warn(kMessageTitle,
                                QStringLiteral("You must supply at least a URL, EMail address and an email subject"));
        Text1->setFocus();
        return;
    }
    if (!AddingNew) {
        if (const Status s = Data1->Edit(); !s.ok()) {
            report(s);
            return;
        }
    }
    const Value now(services_.clock.now().toString(QLatin1String(ColumnText::kDateTimeFormat)));
    if (const Status s = Data1->recordset().setValue(QStringLiteral("Added"), now); !s.ok()) {
        report(s);
        return;
    }
    if (const Status s = Data1->Update(); !s.ok()) {
        report(s);
        return;
    }
    AddingNew = false;
}

// "&View / select"
void URL::Command4_Click()
{
    if (selection_.SelectFromQuery(QStringLiteral("Select the required URL"),
                                   QStringLiteral("Select URL, Subject from URLs order by URL"), this)) {
        const Status found = Data1->FindFirst(QStringLiteral("URL = '") + services_.module.SelectedItem
                                              + QStringLiteral("'"));
        report(found.ok() ? Data1->UpdateControls() : found);
    }
    Text1->setFocus();
    AddingNew = false;
}

// "&Close"
void URL::Command5_Click()
{
    unload();
}

void URL::Form_Unload()
{
    report(Data1->Unload());
}

void URL::Data1_Validate(qint16& action, bool& save)
{
    switch (action) {
    case RecordBinding::kUnload:
        save = false;
        break;
    case RecordBinding::kUpdate:
    case RecordBinding::kDelete:
        if (Text1->text().isEmpty()) {
            services_.messages.warn(kMessageTitle, QStringLiteral("Invalid URL"));
            save = false;
            action = RecordBinding::kAddNew;
            Text1->setFocus();
        }
        break;
    default:
        break;
    }
}

void URL::Option1_Click()
{
    setSearchType(QStringLiteral("S"));
    Frame4->setEnabled(true);
}

void URL::Option2_Click()
{
    setSearchType(QStringLiteral("T"));
    Frame2->setEnabled(true);
    Frame4->setEnabled(true);
}

void URL::Option3_Click()
{
    setSearchType(QStringLiteral("W"));
}

void URL::Text9_Change()
{
    const QString code = Text9->text();
    if (code == QLatin1String("W"))
        select(Option3);
    else if (code == QLatin1String("S"))
        select(Option1);
    else if (code == QLatin1String("T"))
        select(Option2);
}

void URL::select(QRadioButton* option)
{
    option->setChecked(true);
    if (option == Option1)
        Option1_Click();
    else if (option == Option2)
        Option2_Click();
    else
        Option3_Click();
}

void URL::setSearchType(const QString& code)
{
    if (Text9->text() != code)
        Text9->setText(code);
}

} // namespace orvane
