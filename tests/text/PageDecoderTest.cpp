// The page decoder: which charset wins, and slices decoded as the whole.

#include "QtPrinters.h"

#include "text/PageDecoder.h"

#include <gtest/gtest.h>

#include <random>

using orvane::PageDecoder;

TEST(PageDecoder, CharsetByMarkHeaderMetaOrTheBytes)
{
    const struct {
        const char* what;
        QByteArray body;
        const char* contentType;
        std::u16string text;
        const char* charset; // the one it is read in
    } cases[] = {
        // clang-format off
        {"header charset", "caf\xE9", "text/html; CharSet = \"ISO-8859-1\" ; q=1", u"caf\u00e9", "windows-1252"},
        {"latin1 and ASCII labels are Windows-1252", "\x80\x93", "text/plain; charset=US-ASCII", u"\u20ac\u201c", "windows-1252"},
        {"a named charset through the converter", "\x93\xFA\x96\x7B", "text/html;charset='shift_jis'", u"\u65e5\u672c", "shift_jis"},
        {"a parameter merely ending in charset", "caf\xE9", "text/html; xcharset=utf-8", u"caf\u00e9", "windows-1252"},
        {"meta charset", "<meta charset=koi8-r>\xF0", "text/html", u"<meta charset=koi8-r>\u041f", "koi8-r"},
        {"meta http-equiv in any order", "<META CONTENT='text/html;CHARSET=cp1251' HTTP-EQUIV=content-type>\xC0", "",
         u"<META CONTENT='text/html;CHARSET=cp1251' HTTP-EQUIV=content-type>\u0410", "cp1251"},
        {"meta content without the pragma", "<meta name=x content=\"text/html; charset=koi8-r\">\xF0", "",
         u"<meta name=x content=\"text/html; charset=koi8-r\">\u00f0", "windows-1252"},
        {"meta inside a comment", "<!-- <meta charset=koi8-r> -->\xF0", "", u"<!-- <meta charset=koi8-r> -->\u00f0", "windows-1252"},
        {"a tag that only starts with meta", "<metadata charset=koi8-r>\xF0", "", u"<metadata charset=koi8-r>\u00f0", "windows-1252"},
        {"meta past the first 4 KB", QByteArray(4096, ' ') + "<meta charset=koi8-r>\xF0", "",
         std::u16string(4096, u' ') + u"<meta charset=koi8-r>\u00f0", "windows-1252"},
        {"header outranks meta", "<meta charset=iso-8859-1>\xC3\xA9", "text/html; charset=utf-8",
         u"<meta charset=iso-8859-1>\u00e9", "utf-8"},
        {"unknown names fall through to the bytes", "<meta charset=bogus>\xC3\xA9", "text/html; charset=x-none",
         u"<meta charset=bogus>\u00e9", "utf-8"},
        {"meta claiming UTF-16 is UTF-8", "<meta charset=utf-16>\xC3\xA9", "", u"<meta charset=utf-16>\u00e9", "utf-8"},
        {"undeclared valid UTF-8", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "", u"\u00e9\u20ac\U0001F600", "utf-8"},
        {"undeclared invalid UTF-8", "ab\xC3", "", u"ab\u00c3", "windows-1252"},
        {"overlong UTF-8 is invalid", "\xC0\xAF", "text/html", u"\u00c0\u00af", "windows-1252"},
        {"undefined 1252 bytes stay C1 controls", "\x81\xFF", "", u"\u0081\u00ff", "windows-1252"},
        {"NUL bytes are kept", QByteArray("\x89PNG\0\0\xFF\x80", 8), "image/png", {u"\u2030PNG\0\0\u00ff\u20ac", 8}, "windows-1252"},
        {"UTF-8 mark outranks the header", "\xEF\xBB\xBF\xC3\xA9", "text/html; charset=iso-8859-1", u"\u00e9", "utf-8"},
        {"UTF-16LE mark", QByteArray("\xFF\xFE\x41\0\xE9\0", 6), "", u"A\u00e9", "utf-16le"},
        {"UTF-16BE mark", QByteArray("\xFE\xFF\0A\0\xE9", 6), "", u"A\u00e9", "utf-16be"},
        {"half a surrogate pair", QByteArray("\xFF\xFE\x61\0\x00\xD8\x62\0", 8), "", u"a\ufffdb", "utf-16le"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray charset;
        EXPECT_EQ(PageDecoder::decode(c.body, c.contentType, &charset), QString::fromStdU16String(c.text));
        EXPECT_EQ(charset, c.charset);
    }
}

// Decoding slice by slice gives what decoding the whole gives, wherever the
// slices fall: valid sequences of every length mixed with broken ones.
TEST(PageDecoder, SlicedDecodingGivesTheWholeText)
{
    const std::vector<QByteArray> valid = {"<p>plain</p>\n",   "caf\xC3\xA9",  "\xE2\x82\xAC",
                                           "\xF0\x9F\x98\x80", "\xEF\xBB\xBF", QByteArray("\0", 1)};
    const std::vector<QByteArray> broken = {"\x80",     "\xC3",         "\xE2\x82",         "\xF0\x9F\x98",
                                            "\xC0\xAF", "\xED\xA0\x80", "\xF5\x80\x80\x80", "\xFF"};
    std::mt19937 random(7);
    for (int round = 0; round < 24; ++round) {
        QByteArray body = round == 0 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
        while (body.size() < 2000) {
            const auto& from = round % 2 == 0 || random() % 3 ? valid : broken;
            body += from[random() % from.size()];
        }
        for (const char* type : {"", "text/html; charset=utf-8", "text/html; charset=windows-1252"}) {
            QByteArray charset, slicedCharset;
            const QString whole = PageDecoder::decode(body, type, &charset);
            for (qsizetype slice : {1, 2, 3, 5, 16, 4096}) {
                SCOPED_TRACE(std::to_string(round) + " '" + type + "' " + std::to_string(slice));
                EXPECT_EQ(PageDecoder::decodeReleasing(body, type, slice, &slicedCharset), whole);
                EXPECT_EQ(slicedCharset, charset);
            }
        }
    }
}
