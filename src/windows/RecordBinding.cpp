#include "windows/RecordBinding.h"

#include "base/ErrorCatalogue.h"
#include "store/ColumnText.h"

#include <QCheckBox>
#include <QLineEdit>

#include <limits>

namespace orvane {

RecordBinding::RecordBinding(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Data1"));
}

RecordBinding::~RecordBinding() = default;

void RecordBinding::bind(QLineEdit* box, const QString& column)
{
    const size_t index = bound_.size();
    bound_.push_back(Bound {box, nullptr, column});
    connect(box, &QLineEdit::textChanged, this, [this, index] {
        if (!filling_)
            bound_[index].changed = true;
    });
}

void RecordBinding::bind(QCheckBox* box, const QString& column)
{
    const size_t index = bound_.size();
    bound_.push_back(Bound {nullptr, box, column});
    connect(box, &QCheckBox::toggled, this, [this, index] {
        if (!filling_)
            bound_[index].changed = true;
    });
}

Failure RecordBinding::closedFailure() const
{
    return ErrorCatalogue::failure(ErrorCode::DbClosed);
}

Status RecordBinding::refresh()
{
    recordset_.close();
    database_.close();
    auto db = Database::open(databaseName_);
    // With nothing open the controls are cleared; only the open's failure counts.
    if (!db.ok()) {
        (void)fill();
        return db.failure();
    }
    auto rs = db.value().openTable(table_);
    if (!rs.ok()) {
        (void)fill();
        return rs.failure();
    }
    database_ = std::move(db).value();
    recordset_ = std::move(rs).value();
    return fill();
}

bool RecordBinding::hasChanges() const
{
    for (const Bound& b : bound_)
        if (b.changed)
            return true;
    return false;
}

bool RecordBinding::raise(Action action, bool& save)
{
    Action asked = action;
    save = hasChanges();
    if (validate_)
        validate_(asked, save);
    return asked == action;
}

Status RecordBinding::copyChanges()
{
    for (const Bound& b : bound_) {
        if (!b.changed)
            continue;
        auto field = recordset_.field(b.column);
        if (!field.ok())
            return field.failure();
        Value value;
        if (b.check) {
            value = Value(b.check->isChecked() ? -1 : 0);
        } else if (b.text) {
            auto parsed = ColumnText::parse(b.text->text(), field.value());
            if (!parsed.ok())
                return parsed.failure();
            value = std::move(parsed).value();
        } else {
            continue;
        }
        if (auto s = recordset_.setValue(b.column, std::move(value)); !s.ok())
            return s;
    }
    return {};
}

Status RecordBinding::storeBeforeLeaving(bool save)
{
    if (!save) {
        recordset_.cancelUpdate();
        return {};
    }
    bool startedHere = false;
    if (recordset_.editMode() == Recordset::EditMode::None) {
        if (!recordset_.hasCurrent())
            return {}; // a deleted row or none at all: nothing to write into
        if (auto s = recordset_.edit(); !s.ok())
            return s;
        startedHere = true;
    }
    Status s = copyChanges();
    if (s.ok())
        s = recordset_.update();
    if (!s.ok() && startedHere)
        recordset_.cancelUpdate();
    return s;
}

Status RecordBinding::fill()
{
    filling_ = true;
    Status first;
    const bool showsRow = recordset_.hasCurrent() || adding();
    for (Bound& b : bound_) {
        Value value;
        if (showsRow) {
            auto v = recordset_.value(b.column);
            if (v.ok())
                value = std::move(v).value();
            else if (first.ok())
                first = v.failure();
        }
        show(b, value);
        b.changed = false;
    }
    filling_ = false;
    return first;
}

void RecordBinding::show(const Bound& bound, const Value& value)
{
    if (bound.text) {
        bound.text->setText(ColumnText::show(value));
    } else if (bound.check) {
        auto n = value.toWhole(std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
        bound.check->setChecked(n.ok() && n.value() != 0);
    }
}

void RecordBinding::showValue(const QString& column, const Value& value)
{
    for (const Bound& b : bound_) {
        if (b.column == column)
            show(b, value);
    }
}

std::vector<std::pair<QString, QString>> RecordBinding::boxTexts() const
{
    std::vector<std::pair<QString, QString>> texts;
    for (const Bound& b : bound_) {
        if (b.text)
            texts.emplace_back(b.column, b.text->text());
    }
    return texts;
}

Status RecordBinding::edit()
{
    if (!isOpen())
        return closedFailure();
    if (adding())
        return {};
    return recordset_.edit();
}

Result<RecordBinding::Outcome> RecordBinding::update()
{
    if (!isOpen())
        return closedFailure();
    if (recordset_.editMode() == Recordset::EditMode::None)
        return ErrorCatalogue::failure(ErrorCode::DbNotEditing);
    bool save = false;
    if (!raise(Action::Update, save))
        return Outcome::Cancelled;
    if (save)
        if (auto s = copyChanges(); !s.ok())
            return s.failure();
    if (auto s = recordset_.update(); !s.ok())
        return s.failure();
    // Show the row just stored, a new one included, so that what the
    // controls show is the row the next store writes into.
    if (const auto key = recordset_.lastModified())
        if (auto s = recordset_.setBookmark(*key); !s.ok())
            return s.failure();
    if (auto s = fill(); !s.ok())
        return s.failure();
    return Outcome::Done;
}

Result<RecordBinding::Outcome> RecordBinding::leave(Action action, const std::function<Status()>& move)
{
    if (!isOpen())
        return closedFailure();
    bool save = false;
    if (!raise(action, save))
        return Outcome::Cancelled;
    if (auto s = storeBeforeLeaving(save); !s.ok())
        return s.failure();
    if (auto s = move(); !s.ok())
        return s.failure();
    if (auto s = fill(); !s.ok())
        return s.failure();
    return Outcome::Done;
}

Result<RecordBinding::Outcome> RecordBinding::addNew()
{
    return leave(Action::AddNew, [this] { return recordset_.addNew(); });
}

Result<RecordBinding::Outcome> RecordBinding::movePrevious()
{
    return leave(Action::MovePrevious, [this] { return recordset_.movePrevious(); });
}

Result<RecordBinding::Outcome> RecordBinding::findFirst(const QString& column, const QString& key)
{
    return leave(Action::Find, [this, &column, &key] { return recordset_.findFirst(column, key); });
}

Result<RecordBinding::Outcome> RecordBinding::findFirstNull(const QString& column)
{
    return leave(Action::Find, [this, &column] { return moveToFirstNull(column); });
}

Status RecordBinding::moveToFirstNull(const QString& column)
{
    const std::optional<qint64> start = recordset_.bookmark();
    for (Status s = recordset_.moveFirst(); s.ok() && !recordset_.eof(); s = recordset_.moveNext()) {
        auto value = recordset_.value(column);
        if (!value.ok())
            return value.failure();
        if (value.value().isNull())
            return {};
    }
    // None: the position stays where it was, as with a criterion.
    return start ? recordset_.setBookmark(*start) : Status();
}

Result<RecordBinding::Outcome> RecordBinding::deleteCurrent()
{
    if (!isOpen())
        return closedFailure();
    bool save = false;
    if (!raise(Action::Delete, save))
        return Outcome::Cancelled;
    if (auto s = recordset_.deleteCurrent(); !s.ok())
        return s.failure();
    return Outcome::Done;
}

Status RecordBinding::updateControls()
{
    return fill();
}

Status RecordBinding::unload()
{
    Status s;
    if (isOpen()) {
        bool save = false;
        raise(Action::Unload, save);
        s = storeBeforeLeaving(save);
        recordset_.cancelUpdate();
    }
    recordset_.close();
    database_.close();
    return s;
}

} // namespace orvane
