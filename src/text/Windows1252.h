#pragma once

#include <QByteArray>
#include <QString>

namespace orvane {

// The 8-bit code page the program writes its scratch file in, and the last
// resort when a page's bytes are neither declared nor valid UTF-8.
class Windows1252 {
public:
    static QString decode(QByteArrayView bytes);
    // Writes one character per byte from `out` on; returns the end.
    static QChar* decodeInto(QByteArrayView bytes, QChar* out);
    // Characters the code page lacks become '?'.
    static QByteArray encode(QStringView text);
};

} // namespace orvane
