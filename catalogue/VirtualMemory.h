// A block of address space reserved once and committed page by page as its size changes.
#pragma once
#include "SysUtils.h"
#include <cstddef>
#include <cstdint>

TB_DECLARE_EXCEPTION(EVirtualMemory, Exception);

// The reservation keeps the base address fixed, so growing never copies the contents.
class TVirtualMemory {
public:
  explicit TVirtualMemory(size_t capacity);
  ~TVirtualMemory();
  TVirtualMemory(const TVirtualMemory&) = delete;
  TVirtualMemory& operator=(const TVirtualMemory&) = delete;

  uint8_t* Memory() const { return FBase; }
  size_t Size() const { return FSize; }
  size_t Capacity() const { return FCapacity; }
  // Commits or releases pages; a size beyond the capacity raises "Size exceeds capacity".
  void SetSize(size_t value);

private:
  uint8_t* FBase = nullptr;
  size_t FSize = 0;
  size_t FCommitted = 0;
  size_t FCapacity = 0;
};
