#include "platform/MailEncoding.h"

#include <QUrl>

#include <algorithm>

namespace orvane {

namespace {

// An encoded word may be 75 characters long: 12 of framing and the base64
// of 45 bytes (60 characters).
constexpr qsizetype kEncodedWordBytes = 45;

bool isAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool continuesCharacter(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

QByteArray MailEncoding::headerValue(const QString& value)
{
    QString line = value;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (isAscii(line))
        return line.toLatin1();
    const QByteArray utf8 = line.toUtf8();
    QByteArray out;
    for (qsizetype start = 0; start < utf8.size();) {
        qsizetype end = std::min(start + kEncodedWordBytes, utf8.size());
        while (end < utf8.size() && continuesCharacter(utf8[end]))
            --end; // a character is never split between two words
        out += (out.isEmpty() ? "" : "\r\n ") + QByteArray("=?UTF-8?B?") + utf8.mid(start, end - start).toBase64()
            + "?=";
        start = end;
    }
    return out;
}

QString MailEncoding::address(const QString& address)
{
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    qsizetype end = address.size(); // blanks after the domain are kept as they are
    while (end > at + 1 && address[end - 1].isSpace())
        --end;
    const QString domain = address.mid(at + 1, end - at - 1);
    if (at < 0 || isAscii(domain))
        return address;
    const QByteArray ace = QUrl::toAce(domain);
    return ace.isEmpty() ? address : address.left(at + 1) + QString::fromLatin1(ace) + address.mid(end);
}

QString MailEncoding::asciiUrl(const QString& url)
{
    if (isAscii(url))
        return url;
    const QUrl parsed(url);
    if (parsed.isValid() && !parsed.host().isEmpty())
        return QString::fromLatin1(parsed.toEncoded());
    // Not an address QUrl understands: its ASCII kept, the rest as UTF-8 escapes.
    QByteArray printable;
    for (char c = ' '; c < 0x7F; ++c)
        printable += c;
    return QString::fromLatin1(QUrl::toPercentEncoding(url, printable));
}

} // namespace orvane
