#include "QtPrinters.h"

#include "text/MailEncoding.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace Qt::StringLiterals;

// Lines end in CR LF and are cut before they pass the 998 that servers take.
TEST(MailEncoding, BodyLinesEndInCrLfAndStayUnderTheLimit)
{
    const QByteArray x998(998, 'x');
    EXPECT_EQ(MailEncoding::body(QString(1200, u'x') + u"\nend\r"_s),
              x998 + "\r\n" + QByteArray(202, 'x') + "\r\nend\r\n");
    EXPECT_EQ(MailEncoding::body(QString(998, u'x') + u"\r\n"_s), x998 + "\r\n");
}

// A line that carries encoded words is at most 76 characters, the header name
// counted on the first; "4oKs" is the base64 of one euro sign (3 bytes).
TEST(MailEncoding, EncodedWordLinesStayWithin76)
{
    const QString euros = QString(40, QChar(0x20AC));
    const auto word = [](int euroSigns) { return "=?UTF-8?B?" + QByteArray("4oKs").repeated(euroSigns) + "?="; };
    const struct {
        const char* name;
        int euroSigns;
        QByteArrayList lines;
    } rows[] = {
        // clang-format off
        {"Subject", 13, {"Subject: " + word(13)}},                      // 73: four more would make 77
        {"Subject", 14, {"Subject: " + word(13), " " + word(1)}},       // not 77 in one line
        {"X-Comments", 13, {"X-Comments: " + word(13)}},                // exactly 76
        {"X-Comments", 14, {"X-Comments: " + word(13), " " + word(1)}}, // 80 in one line
        {"Comments", 14, {"Comments: " + word(13), " " + word(1)}},     // not 78 in one line
        {"Subject", 40, {"Subject: " + word(13), " " + word(15), " " + word(12)}}, // 15: a word holds no more (72 of 75)
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.name) + " " + std::to_string(r.euroSigns));
        EXPECT_EQ(MailEncoding::headerLine(QLatin1String(r.name), euros.left(r.euroSigns)), r.lines.join("\r\n"));
    }
}
