#include "windows/SelectionQuery.h"

#include "base/MessageBoxes.h"
#include "base/ScreenPointer.h"
#include "engine/Workspace.h"
#include "store/Recordset.h"
#include "windows/SelectionDialog.h"

#include <limits>
#include <vector>

namespace orvane {

namespace {

const QString kTitle = QStringLiteral("Selection");

} // namespace

SelectionQuery::SelectionQuery(Workspace& workspace, MessageBoxes& messages, ScreenPointer& pointer)
    : workspace_(workspace), messages_(messages), pointer_(pointer),
      present_([](SelectionDialog& dialog) { dialog.exec(); })
{
}

Result<QString> SelectionQuery::listLine(const Recordset& rows)
{
    QString line;
    for (int i = 0; i < rows.fieldCount(); ++i) {
        auto value = rows.value(i);
        if (!value.ok())
            return value.failure();
        if (!value.value().isNull()) {
            const QString text = value.value().textOrEmpty();
            line += text;
            // The pad is a 16-bit count: one it cannot hold adds nothing.
            const qsizetype pad = rows.field(i).size - text.size();
            if (pad >= 0 && pad <= std::numeric_limits<qint16>::max())
                line += QString(pad + 1, QLatin1Char(' '));
        }
        line += QLatin1Char(' ');
    }
    return line;
}

bool SelectionQuery::select(const QString& prompt, const QString& statement, QWidget* parent)
{
    picked_.reset();
    auto opened = workspace_.watchDatabase.runQuery(statement);
    if (!opened.ok()) {
        workspace_.selectedItem = Workspace::kNone;
        messages_.warn(kTitle,
                       QStringLiteral("The SQL statement '") + statement + QStringLiteral("' failed : ")
                           + opened.failure().description);
        return false;
    }
    Recordset& rows = opened.value();
    if (rows.recordCount() == 0) {
        workspace_.selectedItem = Workspace::kNone;
        messages_.warn(kTitle,
                       QStringLiteral("The SQL statement '") + statement + QStringLiteral("' returned no records"));
        return false;
    }

    pointer_.set(ScreenPointer::Shape::Busy);
    SelectionDialog dialog(workspace_, parent);
    dialog.setPrompt(prompt);
    QStringList lines;
    std::vector<Value> firstColumns;
    for (Status s = rows.moveFirst(); s.ok() && !rows.eof(); s = rows.moveNext()) {
        // A row that went away since the query ran is left out.
        if (auto line = listLine(rows); line.ok()) {
            lines << line.value();
            auto first = rows.value(0);
            firstColumns.push_back(first.ok() ? std::move(first).value() : Value());
        }
    }
    dialog.setLines(lines);
    pointer_.set(ScreenPointer::Shape::Arrow);

    workspace_.selectedItem = Workspace::kNone;
    present_(dialog);
    if (workspace_.selectedItem == Workspace::kNone)
        return false;
    if (dialog.chosenLine() >= 0)
        picked_ = firstColumns[static_cast<size_t>(dialog.chosenLine())];
    const int size = rows.fieldCount() > 0 ? rows.field(0).size : 0;
    workspace_.selectedItem = workspace_.selectedItem.left(size);
    return true;
}

} // namespace orvane
