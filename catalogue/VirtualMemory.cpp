// Reserved address space over VirtualAlloc; the host build (sanitizer checks) uses mmap instead.
#include "VirtualMemory.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace {
constexpr size_t PageSize = 4096;

size_t RoundToPage(size_t n) {
  return (n + PageSize - 1) / PageSize * PageSize;
}

uint8_t* Reserve(size_t capacity) {
#ifdef _WIN32
  return static_cast<uint8_t*>(VirtualAlloc(nullptr, capacity, MEM_RESERVE, PAGE_NOACCESS));
#else
  void* p = mmap(nullptr, capacity, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
#endif
}

bool Commit(uint8_t* p, size_t n) {
#ifdef _WIN32
  // cppcheck-suppress leakReturnValNotUsed ; commits pages of the block reserved, released with it
  return VirtualAlloc(p, n, MEM_COMMIT, PAGE_READWRITE) != nullptr;
#else
  return mprotect(p, n, PROT_READ | PROT_WRITE) == 0;
#endif
}

void Decommit(uint8_t* p, size_t n) {
#ifdef _WIN32
  VirtualFree(p, n, MEM_DECOMMIT);
#else
  madvise(p, n, MADV_DONTNEED);
  mprotect(p, n, PROT_NONE);
#endif
}

void Release(uint8_t* p, size_t capacity) {
#ifdef _WIN32
  (void)capacity;
  VirtualFree(p, 0, MEM_RELEASE);
#else
  munmap(p, capacity);
#endif
}
} // namespace

TVirtualMemory::TVirtualMemory(size_t capacity) : FCapacity(RoundToPage(capacity)) {
  FBase = Reserve(FCapacity);
  if (!FBase) throw EVirtualMemory("Unable to reserve memory");
  FCapacity = capacity;
}

TVirtualMemory::~TVirtualMemory() {
  if (FBase) Release(FBase, RoundToPage(FCapacity));
}

void TVirtualMemory::SetSize(size_t value) {
  if (value > FCapacity) throw EVirtualMemory("Size exceeds capacity");
  size_t need = RoundToPage(value);
  if (need > FCommitted) {
    // cppcheck-suppress leakReturnValNotUsed ; Commit answers whether the pages were committed
    if (!Commit(FBase + FCommitted, need - FCommitted))
      throw EVirtualMemory("Unable to commit memory");
  } else if (need < FCommitted) {
    Decommit(FBase + need, FCommitted - need);
  }
  FCommitted = need;
  FSize = value;
}
