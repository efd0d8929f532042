#include "text/Windows1252.h"

#include <algorithm>
#include <array>

namespace orvane {

namespace {

// 0x80..0x9F; 0 where the code page defines no character (kept as the C1 control).
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The code page's byte for a character past Latin-1, '?' when it has none.
char fromHigh(char16_t c)
{
    for (int k = 0; k < 32; ++k)
        if (kHigh[k] == c)
            return static_cast<char>(0x80 + k);
    return '?';
}

} // namespace

QString Windows1252::decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeInto(bytes, text.data());
    return text;
}

QChar* Windows1252::decodeInto(QByteArrayView bytes, QChar* out)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c = b;
        if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0)
            c = kHigh[b - 0x80];
        out[i] = QChar(c);
    }
    return out + bytes.size();
}

QByteArray Windows1252::encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const char16_t* in = text.utf16();
    const qsizetype size = text.size();
    // Block by block, each in a loop plain enough for the compiler to
    // vectorise: ASCII and 0xA0-0xFF stand for themselves, the rest is '?'
    // until the few characters with a byte of their own in 0x80-0x9F are
    // mended, in the blocks that hold any.
    constexpr qsizetype kBlock = 16;
    for (qsizetype start = 0; start < size; start += kBlock) {
        const qsizetype end = std::min(size, start + kBlock);
        char16_t beyondLatin1 = 0;
        for (qsizetype i = start; i < end; ++i) {
            const char16_t c = in[i];
            const bool itself = c < 0x80 || (c >= 0xA0 && c <= 0xFF);
            out[i] = itself ? static_cast<char>(c) : '?';
            beyondLatin1 |= c & 0xFF00;
        }
        if (beyondLatin1 != 0) {
            for (qsizetype i = start; i < end; ++i)
                if (in[i] > 0xFF)
                    out[i] = fromHigh(in[i]);
        }
    }
    return bytes;
}

} // namespace orvane
