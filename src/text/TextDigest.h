#pragma once

#include <QByteArray>
#include <QStringView>

namespace orvane {

// A 128-bit digest of a text's characters, the same in every run and on
// every machine, so that it can be kept in a file. Fast (a 100 KB page in a
// few microseconds) and not cryptographic: it tells a text from another one
// made without intent, which is all that keeping pages asks of it.
class TextDigest {
public:
    static constexpr qsizetype kBytes = 16;
    static QByteArray of(QStringView text);
};

} // namespace orvane
