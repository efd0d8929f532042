// The page decoder over fuzzed bytes and a fuzzed Content-Type header.
//
// The input's first line is the header value, the rest the page's bytes.

#include "FuzzCheck.h"

#include "text/PageDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace orvane;
using namespace orvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = input.indexOf('\n');
    const QByteArrayView contentType = newline < 0 ? input : input.first(newline);
    const QByteArrayView body = newline < 0 ? QByteArrayView() : input.sliced(newline + 1);

    const QString text = PageDecoder::decode(body, contentType);
    // Every decoder is used without state: the same bytes, the same text.
    check(PageDecoder::decode(body, contentType) == text, "decoding the same page twice gave two texts");

    const QByteArray declared = PageDecoder::charsetFromMeta(body);
    check(PageDecoder::charsetFromMeta(body.first(std::min(body.size(), PageDecoder::kPrescanBytes))) == declared,
          "a declaration past the prescan window counted");

    // The header's charset must be read out of the header, not out of the page.
    const QByteArray named = PageDecoder::charsetFromContentType(contentType);
    check(named.isEmpty() || contentType.toByteArray().contains(named.trimmed()), "a charset the header does not name");
    return 0;
}
