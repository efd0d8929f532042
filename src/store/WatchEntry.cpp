#include "store/WatchEntry.h"

#include "base/AddressList.h"
#include "base/ErrorCatalogue.h"
#include "store/ColumnText.h"
#include "store/Columns.h"

namespace orvane {

using namespace Columns;

WatchEntry WatchEntry::fresh()
{
    WatchEntry entry;
    entry.set(kActive, Value(kYes));
    entry.set(kSearchType, Value(searchTypeCode(SearchType::WholePage)));
    entry.set(kTableNumber, Value(1));
    entry.set(kRowNumber, Value(1));
    entry.set(kColumnNumber, Value(1));
    entry.set(kRepeatCount, Value(1));
    entry.set(kStringOffset, Value(0));
    entry.set(kStringLength, Value(1));
    return entry;
}

int WatchEntry::inputLimit(const QString& column)
{
    if (column == kUrl)
        return kUrlLimit;
    if (column == kEMail)
        return kEMailLimit;
    if (column == kStringSearch)
        return kStringSearchLimit;
    for (QLatin1StringView number :
         {kStringOffset, kStringLength, kTableNumber, kRowNumber, kColumnNumber, kRepeatCount}) {
        if (column == number)
            return kNumberLimit;
    }
    return kNoLimit;
}

bool WatchEntry::isSearchType(const QString& code)
{
    return searchTypeFromCode(code).has_value();
}

Result<std::optional<SearchType>> WatchEntry::searchType() const
{
    auto type = value(kSearchType);
    if (!type.ok())
        return type.failure();
    const QString* code = type.value().textPtr();
    return code ? searchTypeFromCode(*code) : std::nullopt;
}

Status WatchEntry::setText(const FieldInfo& field, const QString& text)
{
    const int limit = inputLimit(field.name);
    if (limit != kNoLimit && text.size() > limit)
        return ErrorCatalogue::failure(
            ErrorCode::DbFieldTooSmall,
            QStringLiteral("\"%1\" takes at most %2 characters; \"%3\" has %4")
                .arg(field.name, QString::number(limit), text, QString::number(text.size())));
    if (field.kind == FieldKind::Text || field.kind == FieldKind::Memo) {
        set(field.name, Value(text));
        return {};
    }
    auto value = ColumnText::parse(text, field);
    if (!value.ok())
        return value.failure();
    set(field.name, std::move(value).value());
    return {};
}

void WatchEntry::set(const QString& column, Value value)
{
    values_[column] = std::move(value);
}

Value WatchEntry::valueOrNull(const QString& column) const
{
    const auto it = values_.find(column);
    return it == values_.end() ? Value::null() : it->second;
}

Result<Value> WatchEntry::value(const QString& column) const
{
    const auto it = values_.find(column);
    if (it == values_.end())
        return ErrorCatalogue::failure(ErrorCode::DbFieldNotFound);
    return it->second;
}

Status WatchEntry::checkRequired() const
{
    for (QLatin1StringView column : {kUrl, kEMail, kSubject}) {
        if (valueOrNull(column).textOrEmpty().isEmpty())
            return ErrorCatalogue::failure(ErrorCode::InvalidArgument,
                                           QStringLiteral("\"%1\" must not be empty").arg(column));
    }
    return {};
}

Status WatchEntry::checkAddresses() const
{
    const auto addresses = AddressList::parse(valueOrNull(kEMail).textOrEmpty());
    if (addresses.ok())
        return {};
    return ErrorCatalogue::failure(
        ErrorCode::InvalidArgument,
        QStringLiteral("\"%1\" holds no list of addresses: %2").arg(kEMail, addresses.failure().description));
}

void WatchEntry::stamp(const QDateTime& now)
{
    set(kAdded, Value(now.toString(QLatin1String(ColumnText::kDateTimeFormat))));
}

} // namespace orvane
