#pragma once

#include <QString>

#include <optional>

namespace orvane {

// How an entry's page is compared, stored in "Search type" as one letter.
enum class SearchType { WholePage, StringSearch, TableSearch };

// The letter stored for the type: "W", "S" or "T".
inline QString searchTypeCode(SearchType type)
{
    switch (type) {
    case SearchType::StringSearch: return QStringLiteral("S");
    case SearchType::TableSearch: return QStringLiteral("T");
    case SearchType::WholePage: break;
    }
    return QStringLiteral("W");
}

// The type a stored letter stands for; none for any other text.
inline std::optional<SearchType> searchTypeFromCode(const QString& code)
{
    for (SearchType type : {SearchType::WholePage, SearchType::StringSearch, SearchType::TableSearch}) {
        if (code == searchTypeCode(type))
            return type;
    }
    return std::nullopt;
}

} // namespace orvane
