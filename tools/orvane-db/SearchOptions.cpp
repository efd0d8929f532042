#include "SearchOptions.h"

#include "base/ErrorCatalogue.h"
#include "store/Columns.h"

namespace orvane::db {

namespace {

QCommandLineOption option(const char* name, const QString& description, const char* valueName)
{
    return QCommandLineOption(QString::fromLatin1(name), description, QString::fromLatin1(valueName));
}

} // namespace

SearchOptions::SearchOptions()
    : type_(option("type", QStringLiteral("How the page is compared: W whole page, S string search, T table search."),
                   "W|S|T")),
      // Each option is a box of the URL window, with the box's limit.
      boxes_ {
          {option("search", QStringLiteral("The search text (at most %1 characters).").arg(Columns::kStringSearchLimit),
                  "TEXT"),
           Columns::kStringSearch},
          {option("offset", QStringLiteral("String offset."), "N"), Columns::kStringOffset},
          {option("length", QStringLiteral("String length."), "N"), Columns::kStringLength},
          {option("table", QStringLiteral("Table number."), "N"), Columns::kTableNumber},
          {option("row", QStringLiteral("Row number."), "N"), Columns::kRowNumber},
          {option("column", QStringLiteral("Column number."), "N"), Columns::kColumnNumber},
          {option("repeat", QStringLiteral("Repeat count."), "N"), Columns::kRepeatCount},
      }
{
}

void SearchOptions::addTo(CommandLine& line) const
{
    line.addOption(type_);
    for (const auto& box : boxes_)
        line.addOption(box.first);
}

Status SearchOptions::read(const CommandLine& line, WatchEntry& entry, Texts& texts) const
{
    if (line.isSet(type_)) {
        if (!WatchEntry::isSearchType(line.value(type_)))
            return ErrorCatalogue::failure(
                ErrorCode::InvalidArgument,
                QStringLiteral("--type \"%1\" is none of W, S and T").arg(line.value(type_)));
        entry.set(Columns::kSearchType, Value(line.value(type_)));
    }
    for (const auto& box : boxes_) {
        if (line.isSet(box.first))
            texts.emplace_back(box.second, line.value(box.first));
    }
    return {};
}

Status SearchOptions::store(const WatchStore& store, const Texts& texts, WatchEntry& entry)
{
    const auto columns = store.entryColumns();
    if (!columns.ok())
        return columns.failure();
    for (const auto& [column, text] : texts) {
        const auto field = columns.value().field(column);
        if (!field.ok())
            return field.failure();
        if (Status s = entry.setText(field.value(), text); !s.ok())
            return s;
    }
    return {};
}

} // namespace orvane::db
