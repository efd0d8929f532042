#pragma once

#include <QByteArray>
#include <QString>

namespace orvane {

// Puts the texts of a mail on the wire in US-ASCII, as its Content-Type
// says, so that it arrives readable and no server refuses raw 8-bit bytes.
// ASCII stays exactly as it is.
class MailEncoding {
public:
    // One header line: CR and LF become blanks (a line break would start a
    // header, or the body, of the sender's choosing); a value that is not
    // ASCII becomes RFC 2047 encoded words (UTF-8, base64), folded.
    static QByteArray headerValue(const QString& value);
    // The address with its domain in ASCII (punycode).
    static QString address(const QString& address);
    // A web address in ASCII: punycode host, percent-encoded path and query.
    static QString asciiUrl(const QString& url);
};

} // namespace orvane
