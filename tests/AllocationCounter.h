#pragma once
// Counts heap allocations of the whole test program: include it in exactly
// one source file of a test executable of its own, since it replaces the
// global allocator.
#include <atomic>
#include <cstdlib>
#include <new>

namespace velumbra::testsupport {
inline std::atomic<long> allocations{0};

// A probe the compiler cannot drop: proves the counter sees allocations.
inline long probeAllocations()
{
    const long before = allocations.load();
    int* volatile block = new int(1);
    delete block;
    return allocations.load() - before;
}
} // namespace velumbra::testsupport

void* operator new(std::size_t n)
{
    ++velumbra::testsupport::allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
