#include "QtPrinters.h"

#include "base/AddressList.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace Qt::StringLiterals;

// What an "EMail" may hold: addresses separated by commas or semicolons,
// blanks around them; each a bare address with one @.
TEST(AddressList, ReadsListsAndRefusesTheRest)
{
    const QString a = u"a@example.org"_s, b = u"b@example.org"_s;
    const std::pair<QString, QStringList> read[] = {
        {a, {a}},
        {u"a@example.org, b@example.org"_s, {a, b}},
        {u"a@example.org; b@example.org"_s, {a, b}},
        {u" a@example.org ;b@example.org\t,a@example.org "_s, {a, b, a}},
        {u"first.last+tag@mail.example.org"_s, {u"first.last+tag@mail.example.org"_s}},
        {u"j\u00f6hn@ex\u00e4mple.test,a@b"_s, {u"j\u00f6hn@ex\u00e4mple.test"_s, u"a@b"_s}},
        {u"jane; a@example.org"_s, {u"jane"_s, a}},
    };
    for (const auto& [text, addresses] : read) {
        const Result<QStringList> got = AddressList::parse(text);
        EXPECT_EQ(got.ok() ? got.value() : QStringList(), addresses) << text.toStdString();
    }
    // clang-format off
    const QString refused[] = {
        u""_s, u" "_s, u"a@example.org,"_s, u";a@example.org"_s, u"a@example.org,,b@example.org"_s,
        u"a@example.org; ;b@example.org"_s, u"ja ne"_s, u"jane."_s, u"@example.org"_s, u"a@"_s, u"a@b@example.org"_s,
        u"a@example.org b@example.org"_s, u"Jane <j@example.org>"_s, u"<j@example.org>"_s, u"\"j d\"@example.org"_s,
        u"\"j\"@example.org"_s, u"j@example.org(Jane)"_s, u"team:j@example.org"_s, u"j@[192.0.2.1]"_s,
        u"j\\d@example.org"_s, u"j\u0001@example.org"_s, u"a..b@example.org"_s, u".a@example.org"_s,
        u"a@example.org."_s, u"a@.example.org"_s,
    };
    // clang-format on
    for (const QString& text : refused)
        EXPECT_FALSE(AddressList::parse(text).ok()) << text.toStdString();
}
