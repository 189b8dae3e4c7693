#ifndef WYX_BENCH_HEAPPEAK_H
#define WYX_BENCH_HEAPPEAK_H

// The bytes the C heap holds for the program (every malloc, so operator new too), counted by
// the usable size of each block, and the most it held since the peak was last reset. Linking
// this file replaces the C library's allocation functions for the program (glibc only: on
// other systems the answers are 0).

#include <cstdint>

std::uint64_t HeapBytesNow();
std::uint64_t HeapPeakBytes();
// The peak starts again from the bytes held now.
void ResetHeapPeak();

#endif
