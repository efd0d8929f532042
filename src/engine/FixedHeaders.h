#pragma once

#include "base/Mail.h"

namespace orvane {

// The headers every mail of the program carries with the same value: the
// alerts and orvane-db's test mail, which must look alike to a server.
struct FixedHeaders {
    static inline const Mail::Header kContentType {QStringLiteral("Content-Type"),
                                                   QStringLiteral("TEXT/PLAIN; charset=US-ASCII")};
    static inline const Mail::Header kFrom {QStringLiteral("From"), QStringLiteral("Sentrel")};
};

} // namespace orvane
