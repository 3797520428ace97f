// CRC-32 with tables built once at start-up: carry-less multiply folding where the processor has
// it, slicing sixteen bytes at a time elsewhere and for the ends of a buffer.
#include "Crc32.h"
#include "Handles.h"
#include <windows.h>
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>
#include <vector>

namespace {

constexpr uint32_t Poly = 0xEDB88320u; // reflected

// x^n mod P in the reflected domain, placed in the high half of 64 bits: the form in which a
// 64-bit lane of reflected data times it gives the fold of that lane n + 1 bits further on.
uint64_t FoldConstant(int n) {
  uint32_t r = 0x80000000u; // x^0
  while (n-- > 0)
    r = (r >> 1) ^ ((r & 1) ? Poly : 0);
  return static_cast<uint64_t>(r) << 32;
}

bool HasCarrylessMultiply() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  return (c & bit_PCLMUL) && (d & bit_SSE2);
}

struct TCrcTables {
  uint32_t T[16][256];
  // Folding a 128-bit lane forward by 512 and by 128 bits: one constant per 64-bit half.
  uint64_t Fold512[2];
  uint64_t Fold128[2];
  bool Clmul;
  TCrcTables() {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? Poly ^ (c >> 1) : c >> 1;
      T[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; ++n)
      for (int s = 1; s < 16; ++s)
        T[s][n] = (T[s - 1][n] >> 8) ^ T[0][T[s - 1][n] & 0xFF];
    Fold512[0] = FoldConstant(512 + 63);
    Fold512[1] = FoldConstant(512 - 1);
    Fold128[0] = FoldConstant(128 + 63);
    Fold128[1] = FoldConstant(128 - 1);
    Clmul = HasCarrylessMultiply();
  }
};

const TCrcTables gTables;

constexpr DWORD BlockSize = 65536;

inline uint32_t Load32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The register without pre- and post-complement.
uint32_t UpdateTable(uint32_t c, const uint8_t* p, size_t length) {
  const auto& t = gTables.T;
  while (length >= 16) {
    uint32_t a = c ^ Load32(p);
    uint32_t b = Load32(p + 4);
    uint32_t d = Load32(p + 8);
    uint32_t e = Load32(p + 12);
    c = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
        t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
        t[7][d & 0xFF] ^ t[6][(d >> 8) & 0xFF] ^ t[5][(d >> 16) & 0xFF] ^ t[4][d >> 24] ^
        t[3][e & 0xFF] ^ t[2][(e >> 8) & 0xFF] ^ t[1][(e >> 16) & 0xFF] ^ t[0][e >> 24];
    p += 16;
    length -= 16;
  }
  while (length--)
    c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return c;
}

__attribute__((target("sse2"))) inline __m128i Load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

__attribute__((target("sse2,pclmul"))) inline __m128i Fold(__m128i v, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(v, k, 0x00), _mm_clmulepi64_si128(v, k, 0x11));
}

// Folds four 128-bit lanes over the buffer (at least 64 bytes), then one lane, and hands the
// remainder to the table: the register after the folded bytes equals the table's register over
// the 16 bytes of the last lane, started from 0.
__attribute__((target("sse2,pclmul"), force_align_arg_pointer)) uint32_t
UpdateClmul(uint32_t c, const uint8_t* p, size_t length) {
  const __m128i k512 = _mm_set_epi64x(static_cast<long long>(gTables.Fold512[1]),
                                      static_cast<long long>(gTables.Fold512[0]));
  const __m128i k128 = _mm_set_epi64x(static_cast<long long>(gTables.Fold128[1]),
                                      static_cast<long long>(gTables.Fold128[0]));
  __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(c)));
  __m128i x1 = Load(p + 16), x2 = Load(p + 32), x3 = Load(p + 48);
  p += 64;
  length -= 64;
  while (length >= 64) {
    x0 = _mm_xor_si128(Fold(x0, k512), Load(p));
    x1 = _mm_xor_si128(Fold(x1, k512), Load(p + 16));
    x2 = _mm_xor_si128(Fold(x2, k512), Load(p + 32));
    x3 = _mm_xor_si128(Fold(x3, k512), Load(p + 48));
    p += 64;
    length -= 64;
  }
  x0 = _mm_xor_si128(Fold(x0, k128), x1);
  x0 = _mm_xor_si128(Fold(x0, k128), x2);
  x0 = _mm_xor_si128(Fold(x0, k128), x3);
  while (length >= 16) {
    x0 = _mm_xor_si128(Fold(x0, k128), Load(p));
    p += 16;
    length -= 16;
  }
  alignas(16) uint8_t lane[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(lane), x0);
  return UpdateTable(UpdateTable(0, lane, 16), p, length);
}

} // namespace

uint32_t Crc32Update(uint32_t crc, const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  if (gTables.Clmul && length >= 128) return ~UpdateClmul(~crc, p, length);
  return ~UpdateTable(~crc, p, length);
}

std::optional<uint32_t> FileCRC32(const std::string& path, unsigned long* osError) {
  if (osError) *osError = 0;
  TKernelHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h) {
    if (osError) *osError = GetLastError();
    return std::nullopt;
  }
  std::vector<uint8_t> block(BlockSize);
  uint32_t crc = 0;
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h.Get(), block.data(), BlockSize, &got, nullptr)) {
      if (osError) *osError = GetLastError();
      ok = false;
      break;
    }
    crc = Crc32Update(crc, block.data(), got);
    if (got < BlockSize) break;
  }
  if (!ok) return std::nullopt;
  return crc;
}
