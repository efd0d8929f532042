#include "text/Windows1252.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// ASCII and 0xA0-0xFF stand for themselves; a C1 control has no byte.
char encodeOne(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    return c > 0xFF ? fromHigh(c) : '?';
}

#if defined(__SSE2__)
constexpr qsizetype kSimdBlock = 16;

// Eight characters narrowed to 16 bits each: themselves where they stand
// for themselves, else '?'; beyond gets a bit set for any above 0xFF.
// SSE2 compares only signed, so "c <= n" is tested as "c - n saturates to 0".
__m128i narrow8(__m128i chars, int& beyond)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i ascii = _mm_cmpeq_epi16(_mm_subs_epu16(chars, _mm_set1_epi16(0x7F)), zero);
    const __m128i upperLatin1 = _mm_cmpeq_epi16(
        _mm_subs_epu16(_mm_sub_epi16(chars, _mm_set1_epi16(0xA0)), _mm_set1_epi16(0xFF - 0xA0)), zero);
    const __m128i latin1 = _mm_cmpeq_epi16(_mm_subs_epu16(chars, _mm_set1_epi16(0xFF)), zero);
    beyond |= _mm_movemask_epi8(latin1) ^ 0xFFFF;
    const __m128i itself = _mm_or_si128(ascii, upperLatin1);
    return _mm_or_si128(_mm_and_si128(itself, chars), _mm_andnot_si128(itself, _mm_set1_epi16('?')));
}

bool isAscii16(__m128i low, __m128i high)
{
    const __m128i above = _mm_subs_epu16(_mm_or_si128(low, high), _mm_set1_epi16(0x7F));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(above, _mm_setzero_si128())) == 0xFFFF;
}
#endif

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
    qsizetype i = 0;
#if defined(__SSE2__)
    // 16 characters a step; a page is mostly ASCII and Latin-1 letters, and
    // the compiler does not vectorise the loop below (5 times slower).
    for (; i + kSimdBlock <= size; i += kSimdBlock) {
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 8));
        int beyond = 0;
        // All ASCII, the common case, stands for itself: no test per character.
        if (!isAscii16(low, high)) {
            low = narrow8(low, beyond);
            high = narrow8(high, beyond);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
        if (beyond != 0)
            for (qsizetype k = i; k < i + kSimdBlock; ++k)
                if (in[k] > 0xFF)
                    out[k] = fromHigh(in[k]);
    }
#endif
    for (; i < size; ++i)
        out[i] = encodeOne(in[i]);
    return bytes;
}

} // namespace orvane
