#include "host/HeapPolicy.h"

#include <malloc.h>

namespace orvane {

void HeapPolicy::apply()
{
    // Setting the thresholds also stops the library from moving them.
    ::mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
    ::mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
}

} // namespace orvane
