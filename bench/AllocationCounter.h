#ifndef WYX_BENCH_ALLOCATIONCOUNTER_H
#define WYX_BENCH_ALLOCATIONCOUNTER_H

// Counts the program's calls of the global operator new, so that a benchmark can report
// how many heap allocations an operation makes.

#include <cstdint>

std::uint64_t AllocationCount();

#endif
