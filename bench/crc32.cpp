// Prints the throughput of the catalogue's CRC-32 next to zlib's crc32 on the same data.
#include "Crc32.h"
#include <windows.h>
#include <zlib.h>
#include <cstdio>
#include <vector>

static double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
  return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

int main() {
  const size_t size = 64u << 20;
  const int rounds = 5;
  std::vector<unsigned char> data(size);
  uint32_t x = 12345;
  for (auto& b : data)
    b = static_cast<unsigned char>((x = x * 1103515245u + 12345u) >> 24);
  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  double best1 = 1e9, best2 = 1e9;
  uint32_t c1 = 0, c2 = 0;
  for (int r = 0; r < rounds; ++r) {
    QueryPerformanceCounter(&a);
    c1 = Crc32Update(0, data.data(), size);
    QueryPerformanceCounter(&b);
    best1 = std::min(best1, Seconds(a, b, f));
    QueryPerformanceCounter(&a);
    c2 = static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(size)));
    QueryPerformanceCounter(&b);
    best2 = std::min(best2, Seconds(a, b, f));
  }
  const double mb = double(size) / (1 << 20);
  std::printf("CRC-32 over %.0f MiB, best of %d runs\n", mb, rounds);
  std::printf("  Tonalbrook Crc32Update: %8.1f MiB/s  (crc %08x)\n", mb / best1, c1);
  std::printf("  zlib crc32:             %8.1f MiB/s  (crc %08x)\n", mb / best2, c2);
  std::printf("  ratio (ours / zlib):    %8.2f\n", best2 / best1);
  return c1 == c2 ? 0 : 1;
}
