#include "windows/UrlWindow.h"

#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "engine/MainView.h"
#include "engine/Workspace.h"
#include "store/Columns.h"
#include "store/Database.h"
#include "store/NamedQueries.h"
#include "store/WatchEntry.h"
#include "windows/Placement.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>

namespace orvane {

namespace {

const QString kMessageTitle = QStringLiteral("URL Maintenance");

QLabel* label(QWidget* parent, const char* text)
{
    return new QLabel(QString::fromLatin1(text), parent);
}

QLineEdit* box(QWidget* parent, int maxLength = WatchEntry::kNoLimit)
{
    auto* edit = new QLineEdit(parent);
    if (maxLength != WatchEntry::kNoLimit)
        edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

UrlWindow::UrlWindow(MaintenanceServices services, QWidget* parent)
    : ModalForm(parent), services_(services), selection_(services.workspace, services.messages, services.pointer)
{
    setObjectName(QStringLiteral("URL"));
    setWindowTitle(MainView::caption(MainView::Maintenance::Urls));
    setClientTwips(6690, 5985);

    placed(label(this, "URL"), "Se", 120, 120, 1575, 255);
    urlEdit_ = placed(box(this, Columns::kUrlLimit), "Text1", 120, 360, 6495, 285);
    placed(label(this, "EMail address"), "Label2", 120, 720, 1575, 255);
    emailEdit_ = placed(box(this, Columns::kEMailLimit), "Text2", 120, 960, 6495, 285);
    placed(label(this, "EMail subject"), "Label1", 120, 1320, 1215, 255);
    subjectEdit_ = placed(box(this), "Text3", 120, 1560, 4935, 285);
    activeCheck_ = placed(new QCheckBox(QStringLiteral("Active"), this), "Check1", 5160, 1560, 1095, 255);

    auto* typeFrame = placed(new QGroupBox(QStringLiteral("Type"), this), "Frame1", 120, 2040, 1815, 2175);
    wholePageOption_ = placed(new QRadioButton(QStringLiteral("Whole page"), typeFrame), "Option3", 120, 240, 1215,
                              255);
    stringOption_ = placed(new QRadioButton(QStringLiteral("Search string"), typeFrame), "Option1", 120, 480, 1575,
                           255);
    tableOption_ = placed(new QRadioButton(QStringLiteral("Search table"), typeFrame), "Option2", 120, 720, 1575, 255);
    wholePageOption_->setChecked(true);

    tableFrame_ = placed(new QGroupBox(QStringLiteral("Table Search"), this), "Frame2", 2160, 2040, 4455, 2175);
    placed(label(tableFrame_, "Table # : "), "Label7", 120, 240, 735, 255);
    tableNumberEdit_ = placed(box(tableFrame_, Columns::kNumberLimit), "Text8", 960, 240, 495, 285);
    placed(label(tableFrame_, "Row # :"), "Label6", 120, 480, 735, 255);
    rowNumberEdit_ = placed(box(tableFrame_, Columns::kNumberLimit), "Text7", 960, 480, 495, 285);
    placed(label(tableFrame_, "Coumn # :"), "Label3", 120, 720, 855, 255);
    columnNumberEdit_ = placed(box(tableFrame_, Columns::kNumberLimit), "Text6", 960, 720, 495, 285);
    placed(label(tableFrame_, "# of repeats :"), "Label5", 120, 1080, 1095, 255);
    // One pixel right of the design's 1080 twips: in Arial's widths the
    // colon of "# of repeats :" ends on the box's left border.
    repeatCountEdit_ = placed(box(tableFrame_, Columns::kNumberLimit), "Text5", 1095, 1080, 495, 285);
    for (QLineEdit* number : {tableNumberEdit_, rowNumberEdit_, columnNumberEdit_, repeatCountEdit_})
        number->setText(QStringLiteral("1"));
    tableFrame_->setEnabled(false);

    stringFrame_ = placed(new QGroupBox(QStringLiteral("String search"), this), "Frame4", 120, 4320, 6495, 975);
    placed(label(stringFrame_, "Search for :"), "Label9", 120, 240, 975, 255);
    searchTextEdit_ = placed(box(stringFrame_, Columns::kStringSearchLimit), "Text11", 1080, 240, 5175, 285);
    placed(label(stringFrame_, "Offset :"), "Label8", 120, 600, 855, 255);
    offsetEdit_ = placed(box(stringFrame_, Columns::kNumberLimit), "Text10", 1080, 600, 495, 285);
    placed(label(stringFrame_, "Length : "), "Label10", 1800, 600, 735, 255);
    lengthEdit_ = placed(box(stringFrame_, Columns::kNumberLimit), "Text12", 2520, 600, 615, 285);
    offsetEdit_->setText(QStringLiteral("0"));
    stringFrame_->setEnabled(false);

    searchTypeEdit_ = placed(box(this), "Text9", 2880, 0, 735, 285);
    searchTypeEdit_->setVisible(false);

    newButton_ = placed(new QPushButton(QStringLiteral("&New"), this), "Command1", 120, 5400, 1215, 495);
    deleteButton_ = placed(new QPushButton(QStringLiteral("&Delete"), this), "Command2", 1440, 5400, 1215, 495);
    saveButton_ = placed(new QPushButton(QStringLiteral("&Save"), this), "Command3", 2760, 5400, 1215, 495);
    viewSelectButton_ = placed(new QPushButton(QStringLiteral("&View / select"), this), "Command4", 4080, 5400, 1215,
                               495);
    closeButton_ = placed(new QPushButton(QStringLiteral("&Close"), this), "Command5", 5400, 5400, 1215, 495);
    setDefaultButton(saveButton_);
    setCancelButton(closeButton_);
    settleButtons();

    QWidget* const tabOrder[] = {urlEdit_,         emailEdit_,        subjectEdit_,     activeCheck_,
                                 wholePageOption_, stringOption_,     tableOption_,     tableNumberEdit_,
                                 rowNumberEdit_,   columnNumberEdit_, repeatCountEdit_, searchTextEdit_,
                                 offsetEdit_,      lengthEdit_,       newButton_,       deleteButton_,
                                 saveButton_,      viewSelectButton_, closeButton_};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // The design sets each frame's title into its top border, so that the
    // controls 240 twips down sit inside; Fusion draws the border under the
    // title, through them. The classic style draws it the design's way.
    if (QStyle* titleInBorder = QStyleFactory::create(QStringLiteral("Windows"))) {
        titleInBorder->setParent(this);
        for (QGroupBox* frame : {typeFrame, tableFrame_, stringFrame_})
            frame->setStyle(titleInBorder);
    }

    binding_ = new RecordBinding(this);
    binding_->bind(urlEdit_, Columns::kUrl);
    binding_->bind(emailEdit_, Columns::kEMail);
    binding_->bind(subjectEdit_, Columns::kSubject);
    binding_->bind(activeCheck_, Columns::kActive);
    binding_->bind(searchTypeEdit_, Columns::kSearchType);
    binding_->bind(searchTextEdit_, Columns::kStringSearch);
    binding_->bind(offsetEdit_, Columns::kStringOffset);
    binding_->bind(lengthEdit_, Columns::kStringLength);
    binding_->bind(tableNumberEdit_, Columns::kTableNumber);
    binding_->bind(rowNumberEdit_, Columns::kRowNumber);
    binding_->bind(columnNumberEdit_, Columns::kColumnNumber);
    binding_->bind(repeatCountEdit_, Columns::kRepeatCount);
    binding_->setValidateHandler([this](RecordBinding::Action& action, bool& save) { validate(action, save); });

    connect(newButton_, &QPushButton::clicked, this, &UrlWindow::addNew);
    connect(deleteButton_, &QPushButton::clicked, this, &UrlWindow::deleteEntry);
    connect(saveButton_, &QPushButton::clicked, this, &UrlWindow::save);
    connect(viewSelectButton_, &QPushButton::clicked, this, &UrlWindow::viewSelect);
    connect(closeButton_, &QPushButton::clicked, this, &ModalForm::unload);
    connect(stringOption_, &QRadioButton::clicked, this, &UrlWindow::chooseStringSearch);
    connect(tableOption_, &QRadioButton::clicked, this, &UrlWindow::chooseTableSearch);
    connect(wholePageOption_, &QRadioButton::clicked, this, &UrlWindow::chooseWholePage);
    connect(searchTypeEdit_, &QLineEdit::textChanged, this, &UrlWindow::searchTypeChanged);

    binding_->setDatabaseName(services_.workspace.databaseFile());
    binding_->setTable(Columns::kUrlsTable);
    report(binding_->refresh());
}

void UrlWindow::report(const Status& status)
{
    if (!status.ok())
        services_.messages.warn(kMessageTitle, status.failure().description);
}

bool UrlWindow::succeeded(const Result<RecordBinding::Outcome>& outcome)
{
    report(outcome.status());
    return outcome.ok() && outcome.value() == RecordBinding::Outcome::Done;
}

bool UrlWindow::boxesAcceptable()
{
    WatchEntry typed;
    for (const auto& [column, text] : binding_->boxTexts())
        typed.set(column, Value(text));
    if (!typed.checkRequired().ok()) {
        services_.messages.warn(kMessageTitle,
                                QStringLiteral("You must supply at least a URL, EMail address and an email subject"));
        urlEdit_->setFocus();
        return false;
    }
    if (const Status addresses = typed.checkAddresses(); !addresses.ok()) {
        services_.messages.warn(kMessageTitle, addresses.failure().description);
        emailEdit_->setFocus();
        return false;
    }
    return true;
}

void UrlWindow::addNew()
{
    if (addingNew_ || !succeeded(binding_->addNew()))
        return;
    addingNew_ = true;
    const WatchEntry fresh = WatchEntry::fresh();
    for (const auto& [column, value] : fresh.values())
        binding_->showValue(column, value);
    // The options follow the type box also when it held that code already.
    searchTypeChanged();
    urlEdit_->setFocus();
}

void UrlWindow::deleteEntry()
{
    if (binding_->adding()) {
        // A row that was never stored is dropped, and the row shown before
        // "&New" comes back.
        binding_->cancelUpdate();
        addingNew_ = false;
        report(binding_->updateControls());
        urlEdit_->setFocus();
        return;
    }
    // Any stored entry can go, also one whose URL is empty.
    if (!binding_->hasCurrentRow() || !succeeded(binding_->deleteCurrent()))
        return;
    report(binding_->movePrevious().status());
    urlEdit_->setFocus();
}

void UrlWindow::save()
{
    if (!boxesAcceptable())
        return;
    if (!addingNew_) {
        if (const Status s = binding_->edit(); !s.ok()) {
            report(s);
            return;
        }
    }
    WatchEntry stamped;
    stamped.stamp(services_.clock.now());
    for (const auto& [column, value] : stamped.values()) {
        if (const Status s = binding_->recordset().setValue(column, value); !s.ok()) {
            report(s);
            return;
        }
    }
    if (succeeded(binding_->update()))
        addingNew_ = false;
}

void UrlWindow::viewSelect()
{
    if (selection_.select(QStringLiteral("Select the required URL"), NamedQueries::urlChoices(), this)) {
        // The picked row's whole address finds it also when it is Null or
        // longer than the column's declared size.
        const std::optional<Value>& url = selection_.pickedFirstColumn();
        const QString key = url ? url->textOrEmpty() : services_.workspace.selectedItem;
        if (succeeded(url && url->isNull() ? binding_->findFirstNull(Columns::kUrl)
                                           : binding_->findFirst(Columns::kUrl, key)))
            report(binding_->updateControls());
    }
    urlEdit_->setFocus();
    addingNew_ = false;
}

void UrlWindow::onUnload()
{
    report(binding_->unload());
}

void UrlWindow::validate(RecordBinding::Action& action, bool& save)
{
    switch (action) {
    case RecordBinding::Action::Unload: save = false; break;
    case RecordBinding::Action::AddNew:
    case RecordBinding::Action::MovePrevious:
    case RecordBinding::Action::Find:
        // A new entry is stored by "&Save" only; a stored one is written on
        // the way out only as "&Save" would store it, else it stays.
        if (binding_->adding())
            save = false;
        else if (save && binding_->hasCurrentRow() && !boxesAcceptable())
            action = RecordBinding::Action::Cancel;
        break;
    default: break;
    }
}

void UrlWindow::chooseStringSearch()
{
    setSearchType(searchTypeCode(SearchType::StringSearch));
    stringFrame_->setEnabled(true);
}

void UrlWindow::chooseTableSearch()
{
    setSearchType(searchTypeCode(SearchType::TableSearch));
    tableFrame_->setEnabled(true);
    stringFrame_->setEnabled(true);
}

void UrlWindow::chooseWholePage()
{
    setSearchType(searchTypeCode(SearchType::WholePage));
}

void UrlWindow::searchTypeChanged()
{
    const auto type = searchTypeFromCode(searchTypeEdit_->text());
    if (type == SearchType::WholePage)
        select(wholePageOption_);
    else if (type == SearchType::StringSearch)
        select(stringOption_);
    else if (type == SearchType::TableSearch)
        select(tableOption_);
}

void UrlWindow::select(QRadioButton* option)
{
    option->setChecked(true);
    if (option == stringOption_)
        chooseStringSearch();
    else if (option == tableOption_)
        chooseTableSearch();
    else
        chooseWholePage();
}

void UrlWindow::setSearchType(const QString& code)
{
    if (searchTypeEdit_->text() != code)
        searchTypeEdit_->setText(code);
}

} // namespace orvane
