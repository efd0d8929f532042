#include "engine/TagFinder.h"

#include "LiteralSearch.h"

#include <gtest/gtest.h>

#include <vector>

using orvane::TagFinder;

namespace {

const char* const kTags[] = {"<TABLE", "<TR", "<TD", "</TR"};

// Index of the tag at or after `from` by an upper-cased copy, -1 when absent.
qsizetype expectedNext(const QString& page, qsizetype from, const char* tag)
{
    const qsizetype at = orvane::literal::upperCopy(page.mid(from)).indexOf(QLatin1String(tag));
    return at < 0 ? -1 : from + at;
}

} // namespace

// Matching a unit against both ASCII forms of a tag character must agree
// with upper-casing the unit, for every UTF-16 unit.
TEST(TagFinder, UnitComparisonEqualsUpperCasingForEveryUnit)
{
    for (const char* tag : kTags) {
        for (const char* c = tag; *c; ++c) {
            for (char32_t u = 0; u <= 0xFFFF; ++u) {
                const QChar unit(static_cast<char16_t>(u));
                const bool upperCases = unit.toUpper() == QLatin1Char(*c);
                ASSERT_EQ(TagFinder::unitMatches(unit, *c), upperCases)
                    << "unit U+" << std::hex << static_cast<unsigned>(u) << " against '" << *c << "'";
            }
        }
    }
}

// The shortcut does not hold for every letter: it is why tags with I or S
// could not use it.
TEST(TagFinder, OnlyIAndSHaveForeignUpperCaseSources)
{
    QString lettersWithOthers;
    for (char c = 'A'; c <= 'Z'; ++c) {
        for (char32_t u = 0; u <= 0xFFFF; ++u) {
            const QChar unit(static_cast<char16_t>(u));
            if (unit.toUpper() == QLatin1Char(c) && !TagFinder::unitMatches(unit, c)) {
                lettersWithOthers += QLatin1Char(c);
                break;
            }
        }
    }
    EXPECT_EQ(lettersWithOthers, QStringLiteral("IS"));
}

TEST(TagFinder, FindsEveryLetterCaseAndRemembersWhileMovingForward)
{
    const QString page = QStringLiteral("<t <td<Td x<tD<TD </td><TDX <\u0131d <t\u017F <TD");
    for (const char* tag : kTags) {
        TagFinder forward(QStringView(page), tag);
        for (qsizetype from = 0; from <= page.size(); ++from)
            ASSERT_EQ(forward.next(from), expectedNext(page, from, tag)) << tag << " from " << from;

        // Moving back is not how the search uses it, but must still answer right.
        TagFinder backward(QStringView(page), tag);
        for (qsizetype from = page.size(); from >= 0; --from)
            ASSERT_EQ(backward.next(from), expectedNext(page, from, tag)) << tag << " from " << from;
    }

    TagFinder cell(QStringView(page), "<TD");
    EXPECT_EQ(cell.next(0), 3);  // "<td"
    EXPECT_EQ(cell.next(4), 6);  // "<Td"
    EXPECT_EQ(cell.next(7), 11); // "<tD"
    EXPECT_EQ(cell.next(15), 23); // "<TDX" begins with the tag
    EXPECT_EQ(cell.next(24), 36); // "<\u0131d" upper-cases to "<ID"
    EXPECT_EQ(cell.next(37), -1);
}
