#include "text/TerminalText.h"

#include <gtest/gtest.h>

TEST(TerminalText, EveryCharacterATerminalActsOnIsEscapedAndTextKept)
{
    // clang-format off
    const struct { const char16_t* text; const char16_t* shown; } cases[] = {
        {u"\x1b]0;title\x07", u"\\x1B]0;title\\x07"}, {u"a\rb\nc\td", u"a\\rb\\nc\\td"}, {u"\x7f\x01", u"\\x7F\\x01"},
        {u"\u009b31m\u0080\u009f", u"\\x9B31m\\x80\\x9F"}, {u"\u202egnp.exe", u"\\u202Egnp.exe"},
        {u"\u2028\u2066", u"\\u2028\\u2066"}, {u"Gr\u00fc\u00dfe \u65e5\u672c \u00a0~\U0001F600", u"Gr\u00fc\u00dfe \u65e5\u672c \u00a0~\U0001F600"},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(orvane::TerminalText::escaped(QString::fromUtf16(c.text)), QString::fromUtf16(c.shown))
            << QString::fromUtf16(c.shown).toStdString();
    EXPECT_EQ(orvane::TerminalText::escapedJson(QString::fromUtf16(u"{\"u\":\"a\u009b\u202e\u00e9\"}")),
              QString::fromUtf16(u"{\"u\":\"a\\u009B\\u202E\u00e9\"}"));
}
