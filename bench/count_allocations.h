// Counts the heap allocations a benchmark program makes: include it in exactly one source file
// of the program; it replaces malloc, calloc and realloc with counting versions.
#pragma once

#include <atomic>
#include <cstddef>

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);

namespace mgbench {
inline std::atomic<long> g_allocations{0};
}

extern "C" void* malloc(size_t n) {
  mgbench::g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t m) {
  mgbench::g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(n, m);
}
extern "C" void* realloc(void* p, size_t n) {
  mgbench::g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, n);
}
