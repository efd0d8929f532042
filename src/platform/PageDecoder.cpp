#include "platform/PageDecoder.h"

#include "platform/Windows1252.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace orvane {

namespace {

// Longer names are not charsets; no need to ask the converter about them.
constexpr qsizetype kMaxCharsetName = 64;

// Browsers decode every one of these as Windows-1252, and pages labelled so
// routinely contain its 0x80-0x9F characters (euro sign, curly quotes), so
// we do the same rather than turn those bytes into C1 controls.
constexpr std::array<std::string_view, 17> kWindows1252Labels = {
    "ansi_x3.4-1968", "ascii", "cp1252", "cp819", "csisolatin1", "ibm819", "iso-8859-1", "iso-ir-100", "iso8859-1",
    "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1", "latin1", "us-ascii", "windows-1252", "x-cp1252",
};

constexpr std::array<std::string_view, 6> kUtf8Labels = {
    "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "utf-8", "utf8", "x-unicode20utf8",
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char toLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

QByteArray lowered(QByteArrayView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    std::transform(text.begin(), text.end(), out.begin(), toLower);
    return out;
}

bool matchesNoCase(QByteArrayView text, qsizetype at, std::string_view word)
{
    if (at < 0 || text.size() - at < static_cast<qsizetype>(word.size()))
        return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (toLower(text[at + static_cast<qsizetype>(k)]) != word[k])
            return false;
    return true;
}

qsizetype skipSpace(QByteArrayView text, qsizetype pos)
{
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    return pos;
}

template <size_t N>
bool isOneOf(const QByteArray& name, const std::array<std::string_view, N>& labels)
{
    const std::string_view wanted(name.constData(), static_cast<size_t>(name.size()));
    return std::find(labels.begin(), labels.end(), wanted) != labels.end();
}

// One attribute of a tag, read from pos; false at the end of the tag.
bool nextAttribute(QByteArrayView text, qsizetype& pos, QByteArray& name, QByteArray& value)
{
    while (pos < text.size() && (isSpace(text[pos]) || text[pos] == '/'))
        ++pos;
    if (pos >= text.size() || text[pos] == '>')
        return false;

    const qsizetype nameStart = pos;
    while (pos < text.size() && !isSpace(text[pos]) && text[pos] != '>'
           && !(text[pos] == '=' && pos > nameStart) && !(text[pos] == '/' && pos > nameStart))
        ++pos;
    name = lowered(text.sliced(nameStart, pos - nameStart));
    value.clear();

    pos = skipSpace(text, pos);
    if (pos >= text.size() || text[pos] != '=')
        return true;
    pos = skipSpace(text, pos + 1);
    if (pos >= text.size())
        return true;
    const char quote = text[pos];
    if (quote == '"' || quote == '\'') {
        const qsizetype valueStart = pos + 1;
        qsizetype end = text.indexOf(quote, valueStart);
        if (end < 0)
            end = text.size();
        value = text.sliced(valueStart, end - valueStart).toByteArray();
        pos = std::min(end + 1, text.size());
        return true;
    }
    const qsizetype valueStart = pos;
    while (pos < text.size() && !isSpace(text[pos]) && text[pos] != '>')
        ++pos;
    value = text.sliced(valueStart, pos - valueStart).toByteArray();
    return true;
}

// The charset a <meta> tag declares; pos starts after "<meta" and ends past
// the tag.
QByteArray metaTagCharset(QByteArrayView text, qsizetype& pos)
{
    QByteArray name;
    QByteArray value;
    std::optional<QByteArray> charset;
    std::optional<QByteArray> content;
    bool contentTypePragma = false;
    while (nextAttribute(text, pos, name, value)) {
        if (name == "charset" && !charset)
            charset = value.trimmed();
        else if (name == "content" && !content)
            content = value;
        else if (name == "http-equiv")
            contentTypePragma = lowered(value.trimmed()) == "content-type";
    }
    ++pos; // past '>'
    if (charset)
        return *charset;
    if (contentTypePragma && content)
        return PageDecoder::charsetFromContentType(*content);
    return {};
}

// Half a surrogate pair cannot be written as UTF-8: the store would keep a
// '?' in its place, and the page would differ from what was stored at every
// visit. Converters pass such halves through, so they become U+FFFD here.
QString withoutLoneSurrogates(QString text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (!QChar::isSurrogate(c))
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        else
            text[i] = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

std::optional<QString> decodeAs(QByteArrayView label, QByteArrayView body, bool declaredInPage)
{
    QByteArray name = lowered(label.trimmed());
    if (name.isEmpty() || name.size() > kMaxCharsetName)
        return std::nullopt;
    // A page whose own markup could be read as ASCII cannot really be
    // UTF-16, whatever it claims; browsers take it as UTF-8.
    if (declaredInPage && name.startsWith("utf-16"))
        name = "utf-8";
    if (isOneOf(name, kUtf8Labels))
        return QString::fromUtf8(body);
    if (isOneOf(name, kWindows1252Labels))
        return Windows1252::decode(body);
    QStringDecoder decoder(name.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    return withoutLoneSurrogates(decoder.decode(body));
}

QString decodeUtf16(QByteArrayView body, QStringDecoder::Encoding encoding)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    return withoutLoneSurrogates(decoder.decode(body));
}

} // namespace

QByteArray PageDecoder::charsetFromContentType(QByteArrayView contentType)
{
    qsizetype pos = 0;
    while (pos < contentType.size()) {
        qsizetype at = pos;
        while (at < contentType.size() && !matchesNoCase(contentType, at, "charset"))
            ++at;
        if (at >= contentType.size())
            return {};
        pos = at + 7;
        // "charset" must be a parameter name of its own, not the end of one
        if (at > 0 && !isSpace(contentType[at - 1]) && contentType[at - 1] != ';')
            continue;
        qsizetype i = skipSpace(contentType, pos);
        if (i >= contentType.size() || contentType[i] != '=')
            continue;
        i = skipSpace(contentType, i + 1);
        if (i >= contentType.size())
            return {};
        const char quote = contentType[i];
        if (quote == '"' || quote == '\'') {
            const qsizetype end = contentType.indexOf(quote, i + 1);
            const qsizetype stop = end < 0 ? contentType.size() : end;
            return contentType.sliced(i + 1, stop - i - 1).toByteArray().trimmed();
        }
        const qsizetype start = i;
        while (i < contentType.size() && !isSpace(contentType[i]) && contentType[i] != ';' && contentType[i] != '"'
               && contentType[i] != '\'')
            ++i;
        return contentType.sliced(start, i - start).toByteArray();
    }
    return {};
}

QByteArray PageDecoder::charsetFromMeta(QByteArrayView body)
{
    const QByteArrayView head = body.first(std::min(body.size(), kPrescanBytes));
    qsizetype pos = 0;
    while (pos < head.size()) {
        const qsizetype lt = head.indexOf('<', pos);
        if (lt < 0)
            return {};
        if (head.sliced(lt).startsWith("<!--")) {
            const qsizetype end = head.indexOf("-->", lt + 2);
            if (end < 0)
                return {};
            pos = end + 3;
            continue;
        }
        if (matchesNoCase(head, lt, "<meta") && lt + 5 < head.size()
            && (isSpace(head[lt + 5]) || head[lt + 5] == '/')) {
            pos = lt + 5;
            QByteArray charset = metaTagCharset(head, pos);
            if (!charset.trimmed().isEmpty())
                return charset;
            continue;
        }
        pos = lt + 1;
    }
    return {};
}

QString PageDecoder::decode(QByteArrayView body, QByteArrayView contentType)
{
    // A byte-order mark outranks every declaration, as in browsers.
    if (body.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(body.sliced(3));
    if (body.startsWith("\xFF\xFE"))
        return decodeUtf16(body.sliced(2), QStringDecoder::Utf16LE);
    if (body.startsWith("\xFE\xFF"))
        return decodeUtf16(body.sliced(2), QStringDecoder::Utf16BE);

    if (auto text = decodeAs(charsetFromContentType(contentType), body, false))
        return *std::move(text);
    if (auto text = decodeAs(charsetFromMeta(body), body, true))
        return *std::move(text);

    // One pass both decodes and tells whether the bytes were valid UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return Windows1252::decode(body);
}

} // namespace orvane
