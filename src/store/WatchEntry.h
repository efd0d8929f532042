#pragma once

#include "base/Result.h"
#include "store/FieldInfo.h"
#include "store/Value.h"

#include <QDateTime>
#include <QString>

#include <map>

namespace orvane {

// A watch entry, a row of table URLs, as the URL window makes and stores
// it: the values "&New" puts into a new entry, the most characters each box
// takes, and the checks of "&Save". Anything that adds or changes entries
// outside the window goes through here, so that it stores only what the
// window could have stored.
class WatchEntry {
public:
    static inline const QString kUrl = QStringLiteral("URL");
    static inline const QString kEMail = QStringLiteral("EMail");
    static inline const QString kSubject = QStringLiteral("Subject");
    static inline const QString kActive = QStringLiteral("Active");
    static inline const QString kSearchType = QStringLiteral("Search type");
    static inline const QString kStringSearch = QStringLiteral("String search");
    static inline const QString kStringOffset = QStringLiteral("String offset");
    static inline const QString kStringLength = QStringLiteral("String length");
    static inline const QString kTableNumber = QStringLiteral("Table number");
    static inline const QString kRowNumber = QStringLiteral("Row number");
    static inline const QString kColumnNumber = QStringLiteral("Column number");
    static inline const QString kRepeatCount = QStringLiteral("Repeat count");
    static inline const QString kAdded = QStringLiteral("Added");

    // The most characters a box takes. The number boxes' four keep every
    // value within the 16 bits the searches count in; "Subject" is long text
    // and has no limit.
    static constexpr int kUrlLimit = 80;
    static constexpr int kEMailLimit = 255;
    static constexpr int kStringSearchLimit = 50;
    static constexpr int kNumberLimit = 4;
    static constexpr int kNoLimit = 0;

    // How the yes/no column "Active" stores its two values.
    static constexpr qint64 kYes = -1;
    static constexpr qint64 kNo = 0;

    // The entry "&New" starts: active, whole page, table, row, column and
    // repeat count 1, string offset 0, string length 1; nothing else set.
    static WatchEntry fresh();

    // The most characters the column's box takes; kNoLimit for a column
    // the window has no limited box for.
    static int inputLimit(const QString& column);

    // True for the codes the window's option buttons put in: "W", "S", "T".
    static bool isSearchType(const QString& code);

    // Stores a box's text into the entry as "&Save" does: a text longer
    // than the box takes is refused; a text column keeps the text as it is,
    // any other column takes the value ColumnText turns it into.
    Status setText(const FieldInfo& field, const QString& text);
    void set(const QString& column, Value value);
    // The columns set so far, by name, and their values.
    const std::map<QString, Value>& values() const { return values_; }
    Value value(const QString& column) const;

    // "&Save" stores no entry whose URL, EMail or Subject is empty. Only
    // the empty text (or a Null) counts: blanks fill a box.
    Status checkRequired() const;
    // "&Save" sets "Added" to the moment of saving.
    void stamp(const QDateTime& now);

private:
    std::map<QString, Value> values_;
};

} // namespace orvane
