#include "text/TextDigest.h"

#include <QString>

#include <gtest/gtest.h>

using namespace orvane;

// A kept page stands for an entry's text only when the digests match: texts
// that differ anywhere, even in a character's high byte alone, must not.
TEST(TextDigest, TellsTextsApartAnywhereAndOnlyThem)
{
    const QString page = QString(50000, u'a') + QStringLiteral(u"\u00e9nd");
    const auto changed = [&](qsizetype at, char16_t c) { return QString(page).replace(at, 1, QChar(c)); };
    EXPECT_EQ(TextDigest::of(page), TextDigest::of(changed(0, u'a')));
    EXPECT_EQ(TextDigest::of(page).size(), TextDigest::kBytes);
    for (const QString& other : {changed(0, u'b'), changed(page.size() - 1, u'D'), changed(page.size() - 3, u'\u01e9'),
                                 page.chopped(1), QString()})
        EXPECT_NE(TextDigest::of(other), TextDigest::of(page)) << other.right(4).toStdString();
}
