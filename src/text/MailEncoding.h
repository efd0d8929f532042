#pragma once

#include <QByteArray>
#include <QString>

namespace orvane {

// Puts the texts of a mail on the wire as today's mail servers take them:
// US-ASCII, as its Content-Type says, header lines folded, CR LF line ends.
// ASCII stays exactly as it is; only a local part that is not ASCII goes as
// UTF-8, for a server that accepts international addresses.
class MailEncoding {
public:
    // Lines are folded under this where they can be ...
    static constexpr qsizetype kFoldColumn = 78;
    // ... and never longer than this, which servers refuse.
    static constexpr qsizetype kLineLimit = 998;
    // A line that carries encoded words is at most this long (RFC 2047),
    // header name included: readers may refuse to decode a longer one.
    static constexpr qsizetype kEncodedLineLimit = 76;

    // One header, "Name: value", without the final CR LF. CR and LF become
    // blanks (a line break would start a header, or the body, of the sender's
    // choosing). The value is folded at its blanks; one that is not ASCII, or
    // has a word no fold can bring under the limit, becomes RFC 2047 encoded
    // words (UTF-8, base64), folded under kEncodedLineLimit.
    static QByteArray headerLine(const QString& name, const QString& value);
    // A header whose value is an address: as headerLine, but the local part
    // of an international address stays UTF-8.
    static QByteArray addressLine(const QString& name, const QString& address);
    // The text as a mail body: CR LF line ends, lines no longer than the limit.
    static QByteArray body(const QString& text);

    // The address with its domain in ASCII (punycode).
    static QString address(const QString& address);
    // True when the part before the @ is not ASCII.
    static bool needsSmtpUtf8(const QString& address);
    // A web address in ASCII: punycode host, percent-encoded path and query.
    static QString asciiUrl(const QString& url);
};

} // namespace orvane
