#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace orvane::fuzz {

// A broken property aborts, which the fuzzer reports as a finding together
// with the input.
[[noreturn]] inline void fail(const char* what, const std::string& detail = std::string())
{
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// For properties whose failure needs no details: the details of the others
// are built only once they fail, the hot path stays cheap.
inline void check(bool holds, const char* what)
{
    if (!holds)
        fail(what);
}

} // namespace orvane::fuzz
