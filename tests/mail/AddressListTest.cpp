#include "QtPrinters.h"

#include "base/AddressList.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace Qt::StringLiterals;

// What an "EMail" may hold: addresses separated by commas or semicolons,
// blanks around them; each a bare address with one @.
TEST(AddressList, ReadsListsAndRefusesTheRest)
{
    const struct {
        QString text;
        QStringList addresses; // empty: refused
    } cases[] = {
        {u"a@example.org"_s, {u"a@example.org"_s}},
        {u"a@example.org, b@example.org"_s, {u"a@example.org"_s, u"b@example.org"_s}},
        {u"a@example.org; b@example.org"_s, {u"a@example.org"_s, u"b@example.org"_s}},
        {u" a@example.org ;b@example.org\t,c@example.org "_s,
         {u"a@example.org"_s, u"b@example.org"_s, u"c@example.org"_s}},
        {u"first.last+tag@mail.example.org"_s, {u"first.last+tag@mail.example.org"_s}},
        {u"j\u00f6hn@ex\u00e4mple.test,a@b"_s, {u"j\u00f6hn@ex\u00e4mple.test"_s, u"a@b"_s}},
        {u""_s, {}},
        {u" "_s, {}},
        {u"a@example.org,"_s, {}},
        {u";a@example.org"_s, {}},
        {u"a@example.org,,b@example.org"_s, {}},
        {u"a@example.org; ;b@example.org"_s, {}},
        {u"jane"_s, {}},
        {u"@example.org"_s, {}},
        {u"a@"_s, {}},
        {u"a@b@example.org"_s, {}},
        {u"a@example.org b@example.org"_s, {}},
        {u"Jane <j@example.org>"_s, {}},
        {u"<j@example.org>"_s, {}},
        {u"\"j d\"@example.org"_s, {}},
        {u"\"j\"@example.org"_s, {}},
        {u"j@example.org(Jane)"_s, {}},
        {u"team:j@example.org"_s, {}},
        {u"j@[192.0.2.1]"_s, {}},
        {u"j\\d@example.org"_s, {}},
        {u"j\u0001@example.org"_s, {}},
        {u"a..b@example.org"_s, {}},
        {u".a@example.org"_s, {}},
        {u"a@example.org."_s, {}},
        {u"a@.example.org"_s, {}},
    };
    for (const auto& c : cases) {
        const Result<QStringList> read = AddressList::parse(c.text);
        EXPECT_EQ(read.ok() ? read.value() : QStringList(), c.addresses) << c.text.toStdString();
    }
}
