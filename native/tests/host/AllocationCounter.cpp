#include "AllocationCounter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <new>

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void* __libc_memalign(size_t, size_t);
extern "C" void __libc_free(void*);

namespace {
thread_local bool tCounting = false;  // each thread's own switch
std::atomic<long> gAllocations{0};
void count() {
  if (tCounting) gAllocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

extern "C" void* malloc(size_t n) {
  count();
  return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t size) {
  count();
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t n) {
  count();
  return __libc_realloc(p, n);
}
extern "C" void* aligned_alloc(size_t alignment, size_t n) {
  count();
  return __libc_memalign(alignment, n);
}
extern "C" int posix_memalign(void** out, size_t alignment, size_t n) {
  count();
  *out = __libc_memalign(alignment, n);
  return *out ? 0 : ENOMEM;
}
void* operator new(size_t n) {
  count();
  if (void* p = __libc_malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }

namespace strobe95::test {

void countAllocations(bool on) { tCounting = on; }
long allocationCount() { return gAllocations.load(); }

}  // namespace strobe95::test
