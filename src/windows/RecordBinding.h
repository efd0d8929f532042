#pragma once

#include "base/Result.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QLineEdit;

namespace orvane {

// The invisible record binding of a maintenance window (object name "Data1"):
// opens a record source of a database file on its own connection, keeps one
// current row, shows its columns in bound controls and writes the controls
// that changed back into the row, raising its validation notice first.
class RecordBinding final : public QObject {
    Q_OBJECT
public:
    // The operation the validation notice is raised for, by its code; the
    // handler cancels it by turning it into another code, Cancel for one.
    enum class Action : qint16 {
        Cancel = 0,
        MovePrevious = 2,
        AddNew = 5,
        Update = 6,
        Delete = 7,
        Find = 8,
        Unload = 11
    };
    // What came of an operation that raises the notice.
    enum class Outcome { Done, Cancelled };

    // The validation notice: the handler may change the action and the save
    // flag. A false flag keeps the changed controls out of the row.
    using ValidateHandler = std::function<void(Action& action, bool& save)>;

    explicit RecordBinding(QObject* parent = nullptr);
    ~RecordBinding() override;

    void setDatabaseName(const QString& name) { databaseName_ = name; }
    void setTable(const QString& table) { table_ = table; }
    void setValidateHandler(ValidateHandler handler) { validate_ = std::move(handler); }

    // A text box shows the column as text; a check box shows a yes/no
    // column ticked for any non-zero value and stores -1 or 0.
    void bind(QLineEdit* box, const QString& column);
    void bind(QCheckBox* box, const QString& column);

    // Opens the database and the record source, makes the first row current
    // and fills the bound controls.
    Status refresh();

    bool isOpen() const { return recordset_.isOpen(); }
    bool hasCurrentRow() const { return recordset_.hasCurrent(); }
    bool adding() const { return recordset_.editMode() == Recordset::EditMode::Adding; }
    // The save flag the notice starts with: a bound control was changed
    // since the binding last filled it.
    bool hasChanges() const;
    // The binding's record set, for reading fields and assigning columns
    // that no control shows.
    Recordset& recordset() { return recordset_; }

    // Puts the current row into edit mode; a new row still being filled
    // stays the row being filled.
    Status edit();
    // Stores the row being edited or added (a regular update, not forced)
    // after the notice with action 6, then shows the stored row.
    Result<Outcome> update();
    // Each operation below leaves the current row: after its notice, the
    // row's changed controls are written into it unless the save flag came
    // back false, and a new row not stored is dropped.
    // Starts a new row after the notice with action 5.
    Result<Outcome> addNew();
    // Moves to the row before the current one after the notice with action 2.
    Result<Outcome> movePrevious();
    // Moves to the first row whose column holds key after the notice with
    // action 8.
    Result<Outcome> findFirst(const QString& column, const QString& key);
    // The same for the first row whose column is Null.
    Result<Outcome> findFirstNull(const QString& column);
    // Deletes the current row after the notice with action 7; the controls
    // keep showing it until the binding moves.
    Result<Outcome> deleteCurrent();
    // Refills every bound control from the current row, dropping edits.
    Status updateControls();
    // Shows value in the control bound to column as if it had been typed
    // there, so that it counts as changed; a column no control shows is
    // left out.
    void showValue(const QString& column, const Value& value);
    // The text of each bound text box, by its column.
    std::vector<std::pair<QString, QString>> boxTexts() const;
    // Drops a pending edit or new row; the controls are left as they are.
    void cancelUpdate() { recordset_.cancelUpdate(); }
    // The window is going: the notice with action 11, then the record set
    // and the connection are closed.
    Status unload();

private:
    struct Bound {
        QPointer<QLineEdit> text;
        QPointer<QCheckBox> check;
        QString column;
        bool changed = false;
    };

    bool raise(Action action, bool& save);
    Result<Outcome> leave(Action action, const std::function<Status()>& move);
    Status copyChanges();
    Status storeBeforeLeaving(bool save);
    Status moveToFirstNull(const QString& column);
    Status fill();
    static void show(const Bound& bound, const Value& value);
    Failure closedFailure() const;

    QString databaseName_;
    QString table_;
    ValidateHandler validate_;
    std::vector<Bound> bound_;
    bool filling_ = false;
    Database database_;
    Recordset recordset_;
};

} // namespace orvane
