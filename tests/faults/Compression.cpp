#include "Compression.h"

#ifdef ORVANE_TEST_BROTLI
#include <brotli/encode.h>
#endif
#ifdef ORVANE_TEST_GZIP
#include <zlib.h>
#endif

namespace orvane::test {

#ifdef ORVANE_TEST_GZIP
namespace {

// windowBits 15, plus 16 for the gzip wrapper.
std::string zlibStream(std::string_view plain, int windowBits)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&stream, static_cast<uLong>(plain.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    stream.avail_in = static_cast<uInt>(plain.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return rc == Z_STREAM_END ? out : std::string();
}

} // namespace

std::string gzipped(std::string_view plain)
{
    return zlibStream(plain, 15 + 16);
}

std::string deflated(std::string_view plain)
{
    return zlibStream(plain, 15);
}

#endif

#ifdef ORVANE_TEST_BROTLI
std::string brotlied(std::string_view plain)
{
    size_t size = BrotliEncoderMaxCompressedSize(plain.size());
    std::string out(size ? size : 64, '\0');
    size = out.size();
    if (!BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT, plain.size(),
                               reinterpret_cast<const uint8_t*>(plain.data()), &size,
                               reinterpret_cast<uint8_t*>(out.data())))
        return {};
    out.resize(size);
    return out;
}
#endif

} // namespace orvane::test
