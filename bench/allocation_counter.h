// Counts allocations made by this program: C++ allocations through a replaced global operator
// new, and libcurl's through the memory callbacks it is initialised with.
#pragma once

#include <cstdint>

namespace velvane::bench {

struct AllocationCount {
    std::uint64_t cxx = 0;   // operator new
    std::uint64_t curl = 0;  // libcurl's malloc, calloc, realloc and strdup
};

AllocationCount allocationsSoFar();

// Hands libcurl counting allocation functions; must come before the first use of libcurl.
void countCurlAllocations();

}  // namespace velvane::bench
