// The scratch file's code page: every class of character at every place in
// a run of four, since the encoder skips ASCII four characters at a time.

#include "platform/Windows1252.h"

#include <gtest/gtest.h>

using orvane::Windows1252;

namespace {

struct Mapping {
    char16_t in;
    char out;
    const char* what;
};

// Worked out from the code page's table.
const Mapping kMappings[] = {
    {u'A', 'A', "ASCII"},
    {u'\x7F', '\x7F', "last ASCII"},
    {u'\x20AC', '\x80', "euro sign"},
    {u'\x201A', '\x82', "low single quote"},
    {u'\x2122', '\x99', "trade mark"},
    {u'\x0178', '\x9F', "Y with diaeresis"},
    {u'\x0081', '?', "C1 control the code page leaves undefined"},
    {u'\x0080', '?', "C1 control whose byte is the euro sign's"},
    {u'\x00A0', '\xA0', "no-break space"},
    {u'\x00E9', '\xE9', "e acute"},
    {u'\x00FF', '\xFF', "y diaeresis"},
    {u'\x0100', '?', "A macron, past Latin-1"},
    {u'\x4E2D', '?', "CJK"},
    {u'\xD83D', '?', "lone high surrogate"},
};

} // namespace

TEST(Windows1252Encode, EveryKindOfCharacterAtEveryPlaceOfARun)
{
    for (const Mapping& m : kMappings) {
        for (int length = 1; length <= 9; ++length) {
            for (int at = 0; at < length; ++at) {
                SCOPED_TRACE(std::string(m.what) + ", length " + std::to_string(length) + ", at "
                             + std::to_string(at));
                QString text(length, QLatin1Char('x'));
                text[at] = QChar(m.in);
                QByteArray expected(length, 'x');
                expected[at] = m.out;
                EXPECT_EQ(Windows1252::encode(text), expected);
            }
        }
    }
}

TEST(Windows1252Encode, MixedTextAndTheEmptyText)
{
    EXPECT_EQ(Windows1252::encode(QString()), QByteArray());
    // "Café 2,50 € – ok" : the en dash is 0x96, the euro 0x80.
    EXPECT_EQ(Windows1252::encode(QStringLiteral("Caf\u00e9 2,50 \u20ac \u2013 ok")),
              QByteArray("Caf\xE9 2,50 \x80 \x96 ok"));
    // A surrogate pair is two characters the code page lacks.
    EXPECT_EQ(Windows1252::encode(QStringLiteral("a\U0001F600b")), QByteArray("a??b"));
}

TEST(Windows1252Encode, DecodingThenEncodingGivesTheBytesBackWhereTheCodePageDefinesThem)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    QByteArray expected = all;
    // Bytes the code page leaves undefined decode to C1 controls, which it
    // cannot encode.
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        expected[b] = '?';
    EXPECT_EQ(Windows1252::encode(Windows1252::decode(all)), expected);
}
