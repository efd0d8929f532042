#pragma once

namespace orvane {

// How the process's heap treats large blocks. Pages are held as large
// buffers for a moment each; left to itself, the C library raises its
// threshold for mapping blocks of their own to the size of the last one
// freed and from then on keeps them in the heap, so one big page leaves the
// program holding its memory through every sleep after. Call once, first
// thing in main.
class HeapPolicy {
public:
    // Blocks this large or larger are mapped on their own and go back to
    // the system when freed; smaller ones (pages of ordinary size) are
    // reused from the heap.
    static constexpr int kOwnMappingBytes = 1024 * 1024;
    // Free memory at the heap's top kept for the next pages rather than
    // given back and faulted in again for every page.
    static constexpr int kKeptFreeBytes = 8 * 1024 * 1024;

    static void apply();
};

} // namespace orvane
