#pragma once

#include "base/Result.h"
#include "store/FieldInfo.h"
#include "store/RowReader.h"
#include "store/SearchType.h"
#include "store/Value.h"

#include <QDateTime>
#include <QString>

#include <map>
#include <optional>

namespace orvane {

// A watch entry, a row of table URLs, as the URL window makes and stores
// it: the values "&New" puts into a new entry, the most characters each box
// takes (the limits of Columns.h), and the checks of "&Save". Anything that
// adds or changes entries outside the window goes through here, so that it
// stores only what the window could have stored. Read as a row, a column
// it does not hold fails, as one missing from the file would.
class WatchEntry : public RowReader {
public:
    // What inputLimit gives for a column with no limited box.
    static constexpr int kNoLimit = 0;

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
    // "Search type" as one of the three types; none when it holds another
    // value; fails when it cannot be read.
    Result<std::optional<SearchType>> searchType() const;

    // A column not set reads as Null.
    Value valueOrNull(const QString& column) const;
    Result<Value> value(const QString& column) const override;

    // The row id, as list shows it; 0 for an entry not stored yet.
    qint64 id() const { return id_; }
    void setId(qint64 id) { id_ = id; }

    // "&Save" stores no entry whose URL, EMail or Subject is empty. Only
    // the empty text (or a Null) counts: blanks fill a box.
    Status checkRequired() const;
    // Nor one whose "EMail" is no list of addresses (AddressList).
    Status checkAddresses() const;
    // "&Save" sets "Added" to the moment of saving.
    void stamp(const QDateTime& now);

private:
    std::map<QString, Value> values_;
    qint64 id_ = 0;
};

} // namespace orvane
