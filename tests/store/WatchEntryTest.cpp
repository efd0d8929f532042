#include "QtPrinters.h"

#include "store/WatchEntry.h"

#include <gtest/gtest.h>

using namespace orvane;

// "Search type" is one of the window's three letters exactly; any other
// value is no type, and an entry without the column fails to read it.
TEST(WatchEntry, ReadsTheSearchTypeExactly)
{
    const struct {
        Value stored;
        std::optional<SearchType> type;
    } rows[] = {
        {Value("W"), SearchType::WholePage},
        {Value("S"), SearchType::StringSearch},
        {Value("T"), SearchType::TableSearch},
        {Value("t"), {}},
        {Value(" T"), {}},
        {Value("TS"), {}},
        {Value(""), {}},
        {Value(), {}},
    };
    for (const auto& r : rows) {
        WatchEntry entry;
        entry.set(QStringLiteral("Search type"), r.stored);
        const auto type = entry.searchType();
        ASSERT_TRUE(type.ok());
        EXPECT_EQ(type.value(), r.type) << r.stored.textOrEmpty().toStdString();
        if (r.type) {
            EXPECT_EQ(searchTypeCode(*r.type), r.stored.textOrEmpty());
        }
    }
    EXPECT_FALSE(WatchEntry().searchType().ok());
}
