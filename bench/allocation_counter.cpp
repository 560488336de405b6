#include "bench/allocation_counter.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace velvane::bench {
namespace {

std::atomic<std::uint64_t> cxxAllocations{0};
std::atomic<std::uint64_t> curlAllocations{0};

void* allocate(std::size_t size) {
    cxxAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    cxxAllocations.fetch_add(1, std::memory_order_relaxed);
    const auto align = static_cast<std::size_t>(alignment);
    const std::size_t rounded = (size + align - 1) / align * align;
    if (void* memory = std::aligned_alloc(align, rounded == 0 ? align : rounded)) {
        return memory;
    }
    throw std::bad_alloc();
}

void* curlMalloc(std::size_t size) {
    curlAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size);
}
void* curlCalloc(std::size_t count, std::size_t size) {
    curlAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::calloc(count, size);
}
void* curlRealloc(void* memory, std::size_t size) {
    curlAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::realloc(memory, size);
}
char* curlStrdup(const char* text) {
    curlAllocations.fetch_add(1, std::memory_order_relaxed);
    const std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) {
        std::memcpy(copy, text, size);
    }
    return copy;
}
void curlFree(void* memory) {
    std::free(memory);
}

}  // namespace

AllocationCount allocationsSoFar() {
    return {cxxAllocations.load(std::memory_order_relaxed),
            curlAllocations.load(std::memory_order_relaxed)};
}

// libcurl keeps the first initialisation's functions: the internet client's own
// curl_global_init, which comes later, only counts up.
void countCurlAllocations() {
    curl_global_init_mem(CURL_GLOBAL_DEFAULT, curlMalloc, curlFree, curlRealloc, curlStrdup,
                         curlCalloc);
}

}  // namespace velvane::bench

void* operator new(std::size_t size) {
    return velvane::bench::allocate(size);
}
void* operator new[](std::size_t size) {
    return velvane::bench::allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return velvane::bench::allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return velvane::bench::allocateAligned(size, alignment);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
    std::free(memory);
}
