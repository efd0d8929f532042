#pragma once

#include <string>
#include <string_view>

namespace orvane::test {

// Bodies as a server sends them under Content-Encoding gzip, deflate (the
// zlib format) and br, each built only where its encoder is installed.
// Empty when the library failed.
#ifdef ORVANE_TEST_GZIP
std::string gzipped(std::string_view plain);
std::string deflated(std::string_view plain);
#endif
#ifdef ORVANE_TEST_BROTLI
std::string brotlied(std::string_view plain);
#endif

} // namespace orvane::test
