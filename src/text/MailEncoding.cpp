#include "text/MailEncoding.h"

#include <QUrl>

#include <algorithm>

namespace orvane {

namespace {

// An encoded word may be 75 characters long: 12 of framing and the base64
// of 45 bytes (60 characters).
constexpr qsizetype kEncodedWordBytes = 45;
constexpr qsizetype kEncodedWordFraming = 12;

bool isAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool continuesCharacter(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

QString oneLine(const QString& value)
{
    QString line = value;
    return line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// Folds before a blank that starts a word, once the line would pass the fold
// column; empty when a word alone would pass the limit.
QByteArray foldAtBlanks(const QByteArray& name, const QByteArray& value)
{
    QByteArray out = name + ':';
    qsizetype column = out.size();
    const QByteArray text = ' ' + value;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = start;
        while (end < text.size() && text[end] == ' ')
            ++end;
        const bool word = end < text.size(); // a run of blanks at the end is no word to fold before
        while (end < text.size() && text[end] != ' ')
            ++end;
        const qsizetype length = end - start;
        if (word && column > name.size() + 1 && column + length > MailEncoding::kFoldColumn) {
            out += "\r\n";
            column = 0;
        }
        if (column + length > MailEncoding::kLineLimit)
            return {};
        out += text.mid(start, length);
        column += length;
        start = end;
    }
    return out;
}

QByteArray encodedWords(const QByteArray& name, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    QByteArray out = name + ':';
    qsizetype column = out.size();
    for (qsizetype start = 0; start < utf8.size();) {
        // What fits on this line after a blank: base64 takes 4 characters for 3 bytes.
        qsizetype fits = std::min(kEncodedWordBytes,
                                  (MailEncoding::kEncodedLineLimit - column - 1 - kEncodedWordFraming) / 4 * 3);
        if (fits < 4 && column > 0) { // not even one character: the next line
            out += "\r\n";
            column = 0;
            continue;
        }
        qsizetype end = std::min(start + fits, utf8.size());
        while (end > start + 1 && end < utf8.size() && continuesCharacter(utf8[end]))
            --end; // a character is never split between two words
        const QByteArray word = " =?UTF-8?B?" + utf8.mid(start, end - start).toBase64() + "?=";
        out += word;
        column += word.size();
        start = end;
    }
    return out;
}

} // namespace

QByteArray MailEncoding::headerLine(const QString& name, const QString& value)
{
    const QString line = oneLine(value);
    const QByteArray key = oneLine(name).toLatin1();
    if (isAscii(line)) {
        QByteArray folded = foldAtBlanks(key, line.toLatin1());
        if (!folded.isEmpty())
            return folded;
    }
    return encodedWords(key, line);
}

QByteArray MailEncoding::addressLine(const QString& name, const QString& address)
{
    const QString line = oneLine(MailEncoding::address(address));
    if (isAscii(line))
        return headerLine(name, line);
    const QByteArray folded = foldAtBlanks(oneLine(name).toLatin1(), line.toUtf8());
    return folded.isEmpty() ? headerLine(name, line) : folded;
}

QByteArray MailEncoding::body(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 32 + 2);
    qsizetype column = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        // CR LF, a lone CR and a lone LF all become CR LF.
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            out += "\r\n";
            column = 0;
            continue;
        }
        if (column == kLineLimit) {
            out += "\r\n";
            column = 0;
        }
        out += c;
        ++column;
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

bool MailEncoding::needsSmtpUtf8(const QString& address)
{
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    return !isAscii(at < 0 ? address : address.left(at));
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
