// What the benches share: a clock of fine grain, whole-file writes, and a list of categories.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include "Classes.h"
#include "TuneRecords.h"

inline double Clock() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) / double(f.QuadPart);
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  TFileStream f(path, fmCreate);
  f.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

// Categories.dex of "Category 1" to "Category count", keys 1 to count.
inline std::string CategoryFile(int count) {
  std::string cats;
  for (int c = 1; c <= count; ++c) {
    TCatRec r;
    r.Key = c;
    r.Name = "Category " + std::to_string(c);
    uint8_t b[CatRecSize];
    EncodeCatRec(r, b);
    cats.append(reinterpret_cast<char*>(b), CatRecSize);
  }
  return cats;
}
