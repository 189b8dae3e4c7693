#ifndef WYX_BENCH_ALLOCATIONCOUNTER_H
#define WYX_BENCH_ALLOCATIONCOUNTER_H

// Counts the program's calls of the global operator new, so that a benchmark can report
// how many heap allocations an operation makes, and reads how many bytes the C heap holds
// in blocks in use (whoever asked for them, operator new, malloc or a pool's hooks), so that
// it can report what an operation leaves behind.

#include <cstdint>

std::uint64_t AllocationCount();
// The bytes of the C heap in blocks in use, their bookkeeping included; 0 where the C library
// does not tell.
std::uint64_t HeapBytesInUse();

#endif
