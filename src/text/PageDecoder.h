#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace orvane {

// Turns the bytes of a fetched page into text. Depends on nothing but its
// arguments, so any byte sequence can be thrown at it.
//
// The character set is taken, in this order, from a byte-order mark, the
// charset parameter of the Content-Type header, a <meta> declaration in the
// first 4 KB of the page; without a usable declaration the bytes are UTF-8
// when they form valid UTF-8 and Windows-1252 otherwise.
class PageDecoder {
public:
    static constexpr qsizetype kPrescanBytes = 4096;

    // contentType is the raw value of the Content-Type header, empty when
    // the server sent none. `charset`, when given, receives the name of the
    // character set the bytes were read in ("utf-8", "windows-1252", ...).
    static QString decode(QByteArrayView body, QByteArrayView contentType, QByteArray* charset = nullptr);

    // The same text for a body the caller hands over, decoded slice by slice
    // with the memory of each slice given back once it is text, so that a
    // large page is never held whole both as bytes and as text. Bodies in
    // encodings other than UTF-8 and Windows-1252 are decoded whole.
    static constexpr qsizetype kSliceBytes = qsizetype {1024} * 1024;
    static QString decodeReleasing(QByteArray body, QByteArrayView contentType, qsizetype sliceBytes = kSliceBytes,
                                   QByteArray* charset = nullptr);

    // The charset named by a header value such as "text/html; charset=utf-8"
    // or a meta content attribute; empty when none is named.
    static QByteArray charsetFromContentType(QByteArrayView contentType);

    // The charset declared by a <meta charset> or <meta http-equiv> tag that
    // lies within the first kPrescanBytes of the page; empty when none.
    static QByteArray charsetFromMeta(QByteArrayView body);
};

} // namespace orvane
