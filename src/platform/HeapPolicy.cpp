#include "platform/HeapPolicy.h"

#include <malloc.h>

namespace orvane {

void HeapPolicy::apply()
{
    // Setting the threshold also stops the library from moving it.
    ::mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
}

} // namespace orvane
