#include "text/TextDigest.h"

#include <xxhash.h>

namespace orvane {

QByteArray TextDigest::of(QStringView text)
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical,
                             XXH3_128bits(text.utf16(), static_cast<size_t>(text.size()) * sizeof(char16_t)));
    static_assert(sizeof(canonical.digest) == kBytes);
    return QByteArray(reinterpret_cast<const char*>(canonical.digest), kBytes);
}

} // namespace orvane
