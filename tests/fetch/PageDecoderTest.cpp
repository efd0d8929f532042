#include "platform/PageDecoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using orvane::PageDecoder;

namespace {

QByteArray bytes(const char* text, qsizetype size)
{
    return QByteArray(text, size);
}

QString decode(const QByteArray& body, const char* contentType = "")
{
    return PageDecoder::decode(body, QByteArrayView(contentType));
}

// U+00E9 and U+00FC written out so the test does not rely on its own encoding
const QString kCafeUeber = QStringLiteral("caf") + QChar(0xE9) + QStringLiteral(" ") + QChar(0xFC) + QStringLiteral("ber");

} // namespace

TEST(PageDecoderCharsetParameter, FindsTheCharsetInHeaderValues)
{
    EXPECT_EQ(PageDecoder::charsetFromContentType("text/html; charset=ISO-8859-1"), "ISO-8859-1");
    EXPECT_EQ(PageDecoder::charsetFromContentType("text/html;charset=utf-8"), "utf-8");
    EXPECT_EQ(PageDecoder::charsetFromContentType("text/html; CharSet = \"koi8-r\" ; q=1"), "koi8-r");
    EXPECT_EQ(PageDecoder::charsetFromContentType("text/html; charset='shift_jis'"), "shift_jis");
    EXPECT_EQ(PageDecoder::charsetFromContentType("text/html; charset=big5;level=1"), "big5");
    // a parameter that merely ends in "charset" is another parameter
    EXPECT_EQ(PageDecoder::charsetFromContentType("text/html; xcharset=big5"), "");
    EXPECT_EQ(PageDecoder::charsetFromContentType("text/html"), "");
    EXPECT_EQ(PageDecoder::charsetFromContentType(""), "");
    EXPECT_EQ(PageDecoder::charsetFromContentType("text/html; charset="), "");
}

TEST(PageDecoderMeta, ReadsCharsetAndHttpEquivDeclarations)
{
    EXPECT_EQ(PageDecoder::charsetFromMeta("<html><head><meta charset=iso-8859-1></head>"), "iso-8859-1");
    EXPECT_EQ(PageDecoder::charsetFromMeta("<HTML><META CHARSET=\"ISO-8859-1\">"), "ISO-8859-1");
    EXPECT_EQ(PageDecoder::charsetFromMeta("<meta charset='koi8-r'/>"), "koi8-r");
    EXPECT_EQ(PageDecoder::charsetFromMeta(
                  "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"),
        "windows-1251");
    // attribute order and case do not matter, quotes are optional
    EXPECT_EQ(PageDecoder::charsetFromMeta("<META CONTENT='text/html;CHARSET=EUC-JP' HTTP-EQUIV=content-type>"),
        "EUC-JP");
    // the first meta naming a charset wins; one that names none is passed over
    EXPECT_EQ(PageDecoder::charsetFromMeta("<meta name=viewport content=\"width=device-width\">"
                                           "<meta charset=utf-8><meta charset=latin1>"),
        "utf-8");
}

TEST(PageDecoderMeta, IgnoresWhatIsNotADeclaration)
{
    // content with a charset but no Content-Type pragma
    EXPECT_EQ(PageDecoder::charsetFromMeta("<meta name=x content=\"text/html; charset=koi8-r\">"), "");
    // a different tag whose name starts with "meta"
    EXPECT_EQ(PageDecoder::charsetFromMeta("<metadata charset=koi8-r>"), "");
    // a commented-out declaration
    EXPECT_EQ(PageDecoder::charsetFromMeta("<!-- <meta charset=koi8-r> --><p>"), "");
    EXPECT_EQ(PageDecoder::charsetFromMeta("<!-- x --><meta charset=koi8-r>"), "koi8-r");
    // a declaration that starts after the first 4 KB
    QByteArray late(PageDecoder::kPrescanBytes, ' ');
    late += "<meta charset=koi8-r>";
    EXPECT_EQ(PageDecoder::charsetFromMeta(late), "");
    // cut off tags and attributes must not read past the end
    EXPECT_EQ(PageDecoder::charsetFromMeta("<meta"), "");
    EXPECT_EQ(PageDecoder::charsetFromMeta("<meta charset="), "");
    EXPECT_EQ(PageDecoder::charsetFromMeta("<meta charset=\"koi8"), "koi8");
}

TEST(PageDecoder, HeaderDeclaredLatin1)
{
    // c a f é ' ' ü b e r in ISO-8859-1
    const QByteArray body = bytes("caf\xE9 \xFC" "ber", 9);
    EXPECT_EQ(decode(body, "text/html; charset=ISO-8859-1"), kCafeUeber);
    EXPECT_EQ(decode(body, "text/html; charset=latin1"), kCafeUeber);
}

TEST(PageDecoder, Latin1AndAsciiLabelsDecodeAsWindows1252)
{
    // 0x80 is the euro sign, 0x93/0x94 curly quotes in Windows-1252
    const QByteArray body = bytes("\x80 \x93x\x94", 5);
    const QString expected = QString(QChar(0x20AC)) + QChar(' ') + QChar(0x201C) + QChar('x') + QChar(0x201D);
    EXPECT_EQ(decode(body, "text/html; charset=iso-8859-1"), expected);
    EXPECT_EQ(decode(body, "text/html; charset=US-ASCII"), expected);
    EXPECT_EQ(decode(body, "text/html; charset=windows-1252"), expected);
}

TEST(PageDecoder, NamedCharsetsGoThroughTheConverter)
{
    // 日本 in Shift_JIS: 93 FA, 96 7B
    EXPECT_EQ(decode(bytes("\x93\xFA\x96\x7B", 4), "text/html; charset=Shift_JIS"), QString::fromUtf16(u"日本"));
    // Привет in KOI8-R: F0 D2 C9 D7 C5 D4
    EXPECT_EQ(decode(bytes("\xF0\xD2\xC9\xD7\xC5\xD4", 6), "text/plain; charset=koi8-r"),
        QString::fromUtf16(u"Привет"));
}

TEST(PageDecoder, MetaDeclarations)
{
    const QByteArray viaCharset = bytes("<meta charset=\"iso-8859-1\">caf\xE9", 31);
    EXPECT_EQ(decode(viaCharset, "text/html"), QStringLiteral("<meta charset=\"iso-8859-1\">caf") + QChar(0xE9));

    const QByteArray viaPragma = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">"
        + bytes("\xFC", 1);
    EXPECT_TRUE(decode(viaPragma).endsWith(QChar(0xFC)));
}

TEST(PageDecoder, HeaderOutranksMetaAndUnknownNamesFallThrough)
{
    // C3 A9 is é in UTF-8 but Ã© in Windows-1252
    const QByteArray body = bytes("<meta charset=iso-8859-1>\xC3\xA9", 27);
    EXPECT_TRUE(decode(body, "text/html; charset=utf-8").endsWith(QChar(0xE9)));
    const QString asLatin1 = QString(QChar(0xC3)) + QChar(0xA9);
    EXPECT_TRUE(decode(body, "text/html; charset=no-such-charset").endsWith(asLatin1));
    // neither name is known: the bytes are valid UTF-8
    const QByteArray unknownBoth = bytes("<meta charset=bogus>\xC3\xA9", 22);
    EXPECT_TRUE(decode(unknownBoth, "text/html; charset=also-bogus").endsWith(QChar(0xE9)));
}

TEST(PageDecoder, MetaClaimingUtf16IsReadAsUtf8)
{
    const QByteArray body = bytes("<meta charset=utf-16>\xC3\xA9", 23);
    EXPECT_EQ(decode(body), QStringLiteral("<meta charset=utf-16>") + QChar(0xE9));
}

TEST(PageDecoder, UndeclaredValidUtf8)
{
    // é = C3 A9, € = E2 82 AC, 😀 = F0 9F 98 80 (a surrogate pair in UTF-16)
    const QByteArray body = bytes("\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", 11);
    const QString expected = QString(QChar(0xE9)) + QChar(' ') + QChar(0x20AC) + QChar(' ') + QChar(0xD83D) + QChar(0xDE00);
    EXPECT_EQ(decode(body), expected);
    EXPECT_EQ(decode(body, "text/html"), expected);
}

TEST(PageDecoder, UndeclaredInvalidUtf8IsWindows1252)
{
    EXPECT_EQ(decode(bytes("\x80", 1)), QString(QChar(0x20AC)));
    // a UTF-8 sequence cut off at the very end is not valid UTF-8
    EXPECT_EQ(decode(bytes("ab\xC3", 3)), QStringLiteral("ab") + QChar(0xC3));
    // an overlong encoding of '/' is not valid either
    EXPECT_EQ(decode(bytes("\xC0\xAF", 2)), QString(QChar(0xC0)) + QChar(0xAF));
    // 0x81 has no character in Windows-1252 and stays the C1 control
    EXPECT_EQ(decode(bytes("\x81\xFF", 2)), QString(QChar(0x81)) + QChar(0xFF));
}

TEST(PageDecoder, NulBytesAreKept)
{
    const QString utf8 = decode(bytes("a\0b", 3));
    ASSERT_EQ(utf8.size(), 3);
    EXPECT_EQ(utf8[1], QChar(0));
    EXPECT_EQ(utf8[2], QChar('b'));

    // invalid UTF-8 around the NULs: every byte becomes one character
    const QString binary = decode(bytes("\x89PNG\0\0\xFF\x80", 8), "image/png");
    ASSERT_EQ(binary.size(), 8);
    EXPECT_EQ(binary[0], QChar(0x2030)); // 0x89 is the per-mille sign
    EXPECT_EQ(binary[4], QChar(0));
    EXPECT_EQ(binary[5], QChar(0));
    EXPECT_EQ(binary[6], QChar(0xFF));
    EXPECT_EQ(binary[7], QChar(0x20AC));
}

TEST(PageDecoder, ByteOrderMarks)
{
    // the UTF-8 mark is dropped and outranks a header that says otherwise
    EXPECT_EQ(decode(bytes("\xEF\xBB\xBF\xC3\xA9", 5)), QString(QChar(0xE9)));
    EXPECT_EQ(decode(bytes("\xEF\xBB\xBF\xC3\xA9", 5), "text/html; charset=iso-8859-1"), QString(QChar(0xE9)));
    EXPECT_EQ(decode(bytes("\xEF\xBB\xBF", 3)), QString());
    // "Aé" in UTF-16 little and big endian
    EXPECT_EQ(decode(bytes("\xFF\xFE" "A\0\xE9\0", 6)), QStringLiteral("A") + QChar(0xE9));
    EXPECT_EQ(decode(bytes("\xFE\xFF\0A\0\xE9", 6)), QStringLiteral("A") + QChar(0xE9));
}

TEST(PageDecoder, EmptyBodyIsEmptyText)
{
    EXPECT_TRUE(decode(QByteArray()).isEmpty());
    EXPECT_TRUE(decode(QByteArray(), "text/html; charset=shift_jis").isEmpty());
}

TEST(PageDecoder, HalfASurrogatePairBecomesOneReplacementCharacter)
{
    const QString aFffdB = QStringLiteral("a") + QChar(0xFFFD) + QStringLiteral("b");
    // a high half with no low half, and a low half alone
    EXPECT_EQ(decode(bytes("\xFF\xFE" "a\0\x00\xD8" "b\0", 8)), aFffdB);
    EXPECT_EQ(decode(bytes("\xFE\xFF\0a\xDC\x00\0b", 8)), aFffdB);
    EXPECT_EQ(decode(bytes("a\0\x00\xD8" "b\0", 6), "text/html; charset=utf-16le"), aFffdB);
    // a whole pair stays: U+1F600
    EXPECT_EQ(decode(bytes("\xFF\xFE\x3D\xD8\x00\xDE", 6)), QString::fromUcs4(U"\U0001F600"));
}

// Decoding slice by slice must give exactly what decoding the whole gives,
// wherever the slices fall: bodies mixing valid sequences of every length
// with the kinds of broken ones, cut into slices from 1 byte up.
TEST(PageDecoderReleasing, SameTextAsWholeDecodingWhereverTheSlicesFall)
{
    const std::vector<QByteArray> valid = {
        "<p>plain ASCII text</p>\n", "caf\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
        "\xEF\xBB\xBF", // a byte-order mark inside the text is a character
        QByteArray("\0", 1),
    };
    const std::vector<QByteArray> broken = {
        "\x80", "\xBF\xBF", "\xC3", "\xE2\x82", "\xF0\x9F\x98", // stray and cut-short sequences
        "\xC0\xAF", "\xED\xA0\x80", "\xF5\x80\x80\x80", "\xFF", // overlong, surrogate, out of range
        "\x93quoted\x94",
    };
    const char* const types[] = {"", "text/html; charset=utf-8", "text/html; charset=windows-1252",
                                 "text/html; charset=iso-8859-2"};
    std::mt19937 random(7);
    for (int round = 0; round < 24; ++round) {
        const bool onlyValid = round % 2 == 0; // undeclared and valid: read as UTF-8
        QByteArray body;
        while (body.size() < 2000) {
            const auto& from = onlyValid || random() % 3 ? valid : broken;
            body += from[random() % from.size()];
        }
        for (const char* type : types) {
            const QString whole = PageDecoder::decode(body, type);
            for (qsizetype slice : {1, 2, 3, 5, 16, 100, 4096}) {
                SCOPED_TRACE(std::string("round ") + std::to_string(round) + ", type '" + type + "', slice "
                             + std::to_string(slice));
                EXPECT_EQ(PageDecoder::decodeReleasing(body, type, slice), whole);
            }
        }
    }
}

TEST(PageDecoderReleasing, MarksAndDeclarationsAsInWholeDecoding)
{
    const QByteArray text = "caf\xC3\xA9 \xE2\x82\xAC";
    const QString cafeEuro = QStringLiteral("caf") + QChar(0xE9) + QStringLiteral(" ") + QChar(0x20AC);
    // a UTF-8 byte-order mark is dropped, the text after it read as UTF-8
    EXPECT_EQ(PageDecoder::decodeReleasing("\xEF\xBB\xBF" + text, "text/html; charset=windows-1252", 2), cafeEuro);
    // UTF-16 is decoded whole
    EXPECT_EQ(PageDecoder::decodeReleasing(bytes("\xFF\xFE" "a\0\xE9\0", 6), "", 1),
              QStringLiteral("a") + QChar(0xE9));
    // a declaration in the page
    EXPECT_EQ(PageDecoder::decodeReleasing("<meta charset=\"windows-1252\">\x80", "", 3),
              QStringLiteral("<meta charset=\"windows-1252\">") + QChar(0x20AC));
    EXPECT_EQ(PageDecoder::decodeReleasing(QByteArray(), "text/html"), QString());
}

TEST(PageDecoderReleasing, LeavesTheCallersCopyAlone)
{
    const QByteArray body = QByteArray("caf\xC3\xA9 ").repeated(200'000); // 1.2 MB, more than one slice
    const QByteArray kept = body;
    const QString text = PageDecoder::decodeReleasing(body, "text/html; charset=utf-8");
    EXPECT_EQ(text, (QStringLiteral("caf") + QChar(0xE9) + QStringLiteral(" ")).repeated(200'000));
    EXPECT_EQ(body, kept);
}
