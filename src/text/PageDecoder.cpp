#include "text/PageDecoder.h"

#include "text/Windows1252.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace orvane {

namespace {

// Longer names are not charsets; no need to ask the converter about them.
constexpr qsizetype kMaxCharsetName = 64;

// Browsers decode every one of these as Windows-1252, and pages labelled so
// routinely contain its 0x80-0x9F characters (euro sign, curly quotes), so
// we do the same rather than turn those bytes into C1 controls.
constexpr std::array<std::string_view, 17> kWindows1252Labels = {
    "ansi_x3.4-1968", "ascii",        "cp1252",   "cp819",      "csisolatin1",     "ibm819", "iso-8859-1",
    "iso-ir-100",     "iso8859-1",    "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1",     "latin1",
    "us-ascii",       "windows-1252", "x-cp1252",
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

template <size_t N> bool isOneOf(const QByteArray& name, const std::array<std::string_view, N>& labels)
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
    while (pos < text.size() && !isSpace(text[pos]) && text[pos] != '>' && !(text[pos] == '=' && pos > nameStart)
           && !(text[pos] == '/' && pos > nameStart))
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

// How a page's bytes are read as text.
struct Reading {
    enum class Kind { Utf8, Windows1252, Utf16LE, Utf16BE, Named, Utf8ElseWindows1252 };
    Kind kind;
    QByteArray name;    // Named only
    qsizetype skip = 0; // the byte-order mark
};

std::optional<Reading> readingFor(QByteArrayView label, bool declaredInPage)
{
    QByteArray name = lowered(label.trimmed());
    if (name.isEmpty() || name.size() > kMaxCharsetName)
        return std::nullopt;
    // A page whose own markup could be read as ASCII cannot really be
    // UTF-16, whatever it claims; browsers take it as UTF-8.
    if (declaredInPage && name.startsWith("utf-16"))
        name = "utf-8";
    if (isOneOf(name, kUtf8Labels))
        return Reading {Reading::Kind::Utf8, {}};
    if (isOneOf(name, kWindows1252Labels))
        return Reading {Reading::Kind::Windows1252, {}};
    if (!QStringDecoder(name.constData()).isValid())
        return std::nullopt;
    return Reading {Reading::Kind::Named, name};
}

Reading readingOf(QByteArrayView body, QByteArrayView contentType)
{
    // A byte-order mark outranks every declaration, as in browsers.
    if (body.startsWith("\xEF\xBB\xBF"))
        return {Reading::Kind::Utf8, {}, 3};
    if (body.startsWith("\xFF\xFE"))
        return {Reading::Kind::Utf16LE, {}, 2};
    if (body.startsWith("\xFE\xFF"))
        return {Reading::Kind::Utf16BE, {}, 2};
    if (auto declared = readingFor(PageDecoder::charsetFromContentType(contentType), false))
        return *std::move(declared);
    if (auto declared = readingFor(PageDecoder::charsetFromMeta(body), true))
        return *std::move(declared);
    return {Reading::Kind::Utf8ElseWindows1252, {}};
}

QByteArray nameOf(const Reading& reading)
{
    switch (reading.kind) {
    case Reading::Kind::Utf8: return "utf-8";
    case Reading::Kind::Windows1252: return "windows-1252";
    case Reading::Kind::Utf16LE: return "utf-16le";
    case Reading::Kind::Utf16BE: return "utf-16be";
    case Reading::Kind::Named: return reading.name;
    case Reading::Kind::Utf8ElseWindows1252: break;
    }
    return {};
}

void tell(QByteArray* charset, const Reading& reading)
{
    if (charset)
        *charset = nameOf(reading);
}

QString readWhole(Reading reading, QByteArrayView body, QByteArray* charset)
{
    tell(charset, reading);
    const QByteArrayView bytes = body.sliced(reading.skip);
    switch (reading.kind) {
    case Reading::Kind::Utf8: return QString::fromUtf8(bytes);
    case Reading::Kind::Windows1252: return Windows1252::decode(bytes);
    case Reading::Kind::Utf16LE:
        return withoutLoneSurrogates(QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless)(bytes));
    case Reading::Kind::Utf16BE:
        return withoutLoneSurrogates(QStringDecoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless)(bytes));
    case Reading::Kind::Named:
        return withoutLoneSurrogates(QStringDecoder(reading.name.constData(), QStringDecoder::Flag::Stateless)(bytes));
    case Reading::Kind::Utf8ElseWindows1252: break;
    }
    // One pass both decodes and tells whether the bytes were valid UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    reading.kind = utf8.hasError() ? Reading::Kind::Windows1252 : Reading::Kind::Utf8;
    tell(charset, reading);
    if (!utf8.hasError())
        return text;
    return Windows1252::decode(bytes);
}

// Where a slice of UTF-8 beginning at `from` may end near `wanted`: before an
// ASCII byte, which no sequence, valid or not, runs across; so the slice
// decodes as it would within the whole.
qsizetype utf8Cut(QByteArrayView body, qsizetype from, qsizetype wanted)
{
    if (wanted >= body.size())
        return body.size();
    for (qsizetype at = wanted; at > from; --at)
        if (static_cast<unsigned char>(body[at]) < 0x80)
            return at;
    for (qsizetype at = wanted + 1; at < body.size(); ++at)
        if (static_cast<unsigned char>(body[at]) < 0x80)
            return at;
    return body.size();
}

QStringDecoder sliceDecoder()
{
    // Like QString::fromUtf8: a byte-order mark at a slice's start is text.
    return QStringDecoder(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
}

bool isUtf8(QByteArrayView body, qsizetype sliceBytes)
{
    QStringDecoder utf8 = sliceDecoder();
    std::vector<QChar> scratch;
    for (qsizetype from = 0; from < body.size() && !utf8.hasError();) {
        const qsizetype to = utf8Cut(body, from, from + sliceBytes);
        scratch.resize(static_cast<size_t>(to - from));
        utf8.appendToBuffer(scratch.data(), body.sliced(from, to - from));
        from = to;
    }
    return !utf8.hasError();
}

// Gives the whole memory pages between begin and end back to the system;
// reading them afterwards gives zeros.
void giveBack(char* begin, char* end)
{
    const auto page = static_cast<quintptr>(::sysconf(_SC_PAGESIZE));
    const quintptr first = (reinterpret_cast<quintptr>(begin) + page - 1) & ~(page - 1);
    const quintptr last = reinterpret_cast<quintptr>(end) & ~(page - 1);
    if (last > first)
        ::madvise(begin + (first - reinterpret_cast<quintptr>(begin)), last - first, MADV_DONTNEED);
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

QString PageDecoder::decode(QByteArrayView body, QByteArrayView contentType, QByteArray* charset)
{
    return readWhole(readingOf(body, contentType), body, charset);
}

QString PageDecoder::decodeReleasing(QByteArray body, QByteArrayView contentType, qsizetype sliceBytes,
                                     QByteArray* charset)
{
    Reading reading = readingOf(body, contentType);
    if (reading.kind == Reading::Kind::Utf8ElseWindows1252)
        reading.kind = isUtf8(body, sliceBytes) ? Reading::Kind::Utf8 : Reading::Kind::Windows1252;
    // Other encodings (shift states, byte pairs) are not cut; rare for pages.
    const bool utf8 = reading.kind == Reading::Kind::Utf8;
    if (!utf8 && reading.kind != Reading::Kind::Windows1252)
        return readWhole(reading, body, charset);
    tell(charset, reading);

    char* bytes = body.data(); // our own copy if anyone else shared it
    // Never more characters than bytes in either encoding.
    QString text(body.size() - reading.skip, Qt::Uninitialized);
    QChar* out = text.data();
    QStringDecoder decoder = sliceDecoder();
    for (qsizetype from = reading.skip; from < body.size();) {
        const qsizetype to = utf8 ? utf8Cut(body, from, from + sliceBytes) : std::min(body.size(), from + sliceBytes);
        const QByteArrayView slice(bytes + from, to - from);
        out = utf8 ? decoder.appendToBuffer(out, slice) : Windows1252::decodeInto(slice, out);
        giveBack(bytes + from, bytes + to);
        from = to;
    }
    text.truncate(out - text.constData());
    return text;
}

} // namespace orvane
