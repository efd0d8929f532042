#pragma once

#include <QString>

namespace orvane {

// The scratch file "URL.html" beside the program: afterwards it holds the
// page text in the 8-bit code page, one byte per character, and nothing
// else. Every failure is ignored; the caller goes on.
class ScratchFile {
public:
    static constexpr const char* kFileName = "URL.html";
    static void rewrite(const QString& path, const QString& text);
};

} // namespace orvane
