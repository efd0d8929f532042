#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>

namespace orvane {

// The addresses an entry's "EMail" names. People type lists, so the value
// is one address or several, separated by commas or semicolons, blanks
// around each allowed. Each address is a bare address in its dot-atom
// form: one @ with text on both sides (or none, a user of the mail server
// itself), no empty part between dots, and no
// blank, control character or special ( ) < > [ ] : \ " that would make it a
// display name, a quoted string, a comment or a group. "Jane <j@x.org>" is
// refused: the value also makes the envelope, and a name would have to be
// parsed and encoded apart. Whether a server takes an address is its own
// business.
class AddressList {
public:
    // The addresses in the order typed, the blanks around them cut off.
    static Result<QStringList> parse(const QString& text);
};

} // namespace orvane
