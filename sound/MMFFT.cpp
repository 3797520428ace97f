// Window functions and the split-radix real FFT of the frequency displays.
#include "MMFFT.h"
#include <cmath>
#include <cstdlib>
#include <emmintrin.h>

#ifdef _WIN32
#include <windows.h>
#endif

#ifndef __SSE2__
#error "The FFT is written for SSE2 registers: build this unit with -msse2."
#endif

namespace {

constexpr long double Pi = 3.141592653589793238462643383279502884L;
constexpr float Sqrt1_2 = 0.70710677f;

void* SystemBlockAlloc(uint64_t size) {
  // The program is 32-bit: a block of 4 GB or more cannot be had, wherever this runs.
  if (size == 0 || size > 0xFFFFFFFFull || size > SIZE_MAX) return nullptr;
#ifdef _WIN32
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
  if (!h) return nullptr;
  void* p = GlobalLock(h);
  if (!p) GlobalFree(h);
  return p;
#else
  return calloc(1, static_cast<size_t>(size));
#endif
}

void SystemBlockFree(void* block) {
  if (!block) return;
#ifdef _WIN32
  HGLOBAL h = GlobalHandle(block);
  if (!h) return;
  GlobalUnlock(h);
  GlobalFree(h);
#else
  free(block);
#endif
}

TFFTBlockAlloc BlockAlloc = SystemBlockAlloc;
TFFTBlockFree BlockFree = SystemBlockFree;

// Two complex values per SSE register (re, im, re, im). The unit is built with SSE2, which
// every processor the program runs on has.
using V = __m128;

inline V Load(const float* p) {
  return _mm_loadu_ps(p);
}
inline void Store(float* p, V v) {
  _mm_storeu_ps(p, v);
}
// (a, b) -> (b, a) for the two complex values of a register.
inline V SwapHalves(V v) {
  return _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 0, 3, 2));
}
// re <-> im within each complex value.
inline V SwapReIm(V v) {
  return _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1));
}
inline V NegIm() {
  return _mm_castsi128_ps(_mm_setr_epi32(0, int(0x80000000u), 0, int(0x80000000u)));
}
inline V NegHigh() {
  return _mm_castsi128_ps(_mm_setr_epi32(0, 0, int(0x80000000u), int(0x80000000u)));
}
// -i z for both values.
inline V MulMinusI(V z) {
  return _mm_xor_ps(SwapReIm(z), NegIm());
}
// z w with wr given twice per value and wi as -wi, wi.
inline V CMul(V z, V wr, V wi) {
  return _mm_add_ps(_mm_mul_ps(z, wr), _mm_mul_ps(SwapReIm(z), wi));
}
// (p, q) -> (p + q, p - q).
inline V Butterfly2(V v) {
  return _mm_add_ps(_mm_movelh_ps(v, v), _mm_xor_ps(_mm_movehl_ps(v, v), NegHigh()));
}

// Four points in one pass, left bit-reversed: X0, X2, X1, X3.
inline void Kernel4(float* d) {
  const V v0 = Load(d), v1 = Load(d + 4);
  const V s = _mm_add_ps(v0, v1), t = _mm_sub_ps(v0, v1);
  const V a = _mm_shuffle_ps(s, t, _MM_SHUFFLE(1, 0, 1, 0)); // s0, t0
  V b = _mm_shuffle_ps(s, t, _MM_SHUFFLE(2, 3, 3, 2));       // s1, t1 with re, im swapped
  b = _mm_xor_ps(b, _mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, int(0x80000000u)))); // s1, -i t1
  const V lo = _mm_add_ps(a, b), hi = _mm_sub_ps(a, b);                           // X0 X1, X2 X3
  Store(d, _mm_movelh_ps(lo, hi));
  Store(d + 4, _mm_movehl_ps(hi, lo));
}

// Eight points: one L-shaped pass with the eighth-turn constants, then 4 + 2 + 2.
inline void Kernel8(float* d) {
  const V v0 = Load(d), v1 = Load(d + 4), v2 = Load(d + 8), v3 = Load(d + 12);
  Store(d, _mm_add_ps(v0, v2));
  Store(d + 4, _mm_add_ps(v1, v3));
  const V t1 = _mm_sub_ps(v0, v2), u = MulMinusI(_mm_sub_ps(v1, v3));
  // Rotations by 1, w and 1, w^3 with w = e^(-i pi / 4).
  const V w1r = _mm_setr_ps(1, 1, Sqrt1_2, Sqrt1_2), w1i = _mm_setr_ps(0, 0, Sqrt1_2, -Sqrt1_2);
  const V w3r = _mm_setr_ps(1, 1, -Sqrt1_2, -Sqrt1_2);
  Store(d + 8, Butterfly2(CMul(_mm_add_ps(t1, u), w1r, w1i)));
  Store(d + 12, Butterfly2(CMul(_mm_sub_ps(t1, u), w3r, w1i)));
  Kernel4(d);
}

// Two L-shaped butterflies j, j + 1 at p, quarters q floats apart, with the k rotations w1 and
// the 3k rotations w3 as CMul takes them.
inline void LButterflies(float* p, int q, V w1r, V w1i, V w3r, V w3i) {
  const V va = Load(p), vb = Load(p + q), vc = Load(p + 2 * q), ve = Load(p + 3 * q);
  Store(p, _mm_add_ps(va, vc));
  Store(p + q, _mm_add_ps(vb, ve));
  const V t1 = _mm_sub_ps(va, vc), u = MulMinusI(_mm_sub_ps(vb, ve));
  Store(p + 2 * q, CMul(_mm_add_ps(t1, u), w1r, w1i));
  Store(p + 3 * q, CMul(_mm_sub_ps(t1, u), w3r, w3i));
}

// Sixteen points without tables: the pass's rotations are constants (powers of
// e^(-i pi / 8)), then 8 + 4 + 4.
inline void Kernel16(float* d) {
  constexpr float C = 0.92387953f, S = 0.38268343f, R = Sqrt1_2; // cos, sin pi/8; 1/sqrt 2
  alignas(16) static const float w[2][4][4] = {
      {{1, 1, C, C}, {0, 0, S, -S}, {1, 1, S, S}, {0, 0, C, -C}},
      {{R, R, S, S}, {R, -R, C, -C}, {-R, -R, -C, -C}, {R, -R, -S, S}}};
  for (int h = 0; h < 2; ++h)
    LButterflies(d + 4 * h, 8, _mm_load_ps(w[h][0]), _mm_load_ps(w[h][1]), _mm_load_ps(w[h][2]),
                 _mm_load_ps(w[h][3]));
  Kernel8(d);
  Kernel4(d + 16);
  Kernel4(d + 24);
}

// Split-radix decimation in frequency over n >= 32 points: the L-shaped pass with its rotations
// (see BuildRotations), then the half and the two quarters, depth first so that the short
// transforms run in cache; 16 and 8 points have fixed code. Bins come out bit-reversed.
void SplitRadix(float* d, int n, const float* rot);

inline void SplitRadixPart(float* d, int n, const float* rot) {
  if (n >= 32)
    SplitRadix(d, n, rot);
  else if (n == 16)
    Kernel16(d);
  else
    Kernel8(d);
}

void SplitRadix(float* d, int n, const float* rot) {
  const int q = n / 2; // floats in a quarter
  const float* w = rot;
  for (float* p = d; p < d + q; p += 4, w += 16)
    LButterflies(p, q, _mm_load_ps(w), _mm_load_ps(w + 4), _mm_load_ps(w + 8), _mm_load_ps(w + 12));
  // The rotations of the passes over n / 2 and n / 4 follow those of n.
  SplitRadixPart(d, n / 2, rot + 2 * n);
  SplitRadixPart(d + n, n / 4, rot + 3 * n);
  SplitRadixPart(d + n + n / 2, n / 4, rot + 3 * n);
}

void ComplexFFT(float* d, int M, const float* rot) {
  if (M >= 8)
    SplitRadixPart(d, M, rot);
  else if (M == 4)
    Kernel4(d);
  else if (M == 2)
    Store(d, Butterfly2(Load(d)));
}

// Floats of the rotations of the passes over M, M / 2, .. 32 points: 2n for the pass over n.
uint64_t RotationFloats(uint64_t M) {
  return M >= 32 ? 4 * M - 64 : 0;
}

// The twiddle table's rotations laid out for the passes, so that a pass reads four registers
// per two butterflies in order: for butterflies j, j + 1 of the pass over n (entry j * M/n - 1,
// none for j = 0) wr = cos k twice, then wi = -sin k as -wi, wi, then the same for 3k.
void BuildRotations(float* rot, const float* twiddle, int M) {
  static const float one[4] = {1, 0, 1, 0};
  for (int n = M; n >= 32; n /= 2) {
    const int stride = M / n;
    for (int j = 0; j < n / 4; j += 2, rot += 16) {
      const float* lo = j ? twiddle + 4 * (j * stride - 1) : one;
      const float* hi = twiddle + 4 * ((j + 1) * stride - 1);
      for (int r = 0; r < 2; ++r) {
        float* w = rot + 8 * r;
        w[0] = w[1] = lo[2 * r];
        w[2] = w[3] = hi[2 * r];
        w[4] = -lo[2 * r + 1];
        w[5] = lo[2 * r + 1];
        w[6] = -hi[2 * r + 1];
        w[7] = hi[2 * r + 1];
      }
    }
  }
}

// One complex value as a 64-bit lane.
inline __m128d LoadC(const float* p) {
  return _mm_load_sd(reinterpret_cast<const double*>(p));
}
inline void StoreC(float* p, __m128d v) {
  _mm_store_sd(reinterpret_cast<double*>(p), v);
}

// Exchanges values i and j once for the pair: i's value goes to the higher index and j's to the
// lower, so the visit from the lower index swaps and the one from the higher writes them back.
inline void SwapOnce(float* d, int i, int j) {
  const __m128d x = LoadC(d + 2 * i), y = LoadC(d + 2 * j);
  StoreC(d + 2 * (j < i ? j : i), y);
  StoreC(d + 2 * (j < i ? i : j), x);
}

void BitReversePermute(float* d, int M, const int32_t* table) {
  if (M <= 2) return;
  // Four values per step from each even x in the lower half, r = rev(x) (even, lower half):
  // rev(x + 1) = r + M/2 always lies above x + 1, and rev(M-1-x) = M-1-r, so only two of the
  // exchanges depend on the order of x and r. No branches: those go through SwapOnce.
  const int half = M / 2;
  for (int x = 0; x < half; x += 2) {
    const int r = table[x];
    SwapOnce(d, x, r);
    SwapOnce(d, M - 1 - x, M - 1 - r);
    const __m128d a = LoadC(d + 2 * (x + 1)), b = LoadC(d + 2 * (r + half));
    StoreC(d + 2 * (x + 1), b);
    StoreC(d + 2 * (r + half), a);
  }
}

// Turns the transform of the M complex points z(n) = x(2n) + i x(2n+1) into bins 1 .. M - 1 of
// the real input: X(k) = H + G, X(M-k) = conj(H - G), H = (Z(k) + conj Z(M-k)) / 2,
// G = -i/2 e^(-i pi k / M) (Z(k) - conj Z(M-k)). The table holds 0.5 cos and 0.5 - 0.5 sin.
void RealFFTSplit(float* d, int M, const float* split) {
  if (M >= 4) {
    float* p = d + 2;
    float* q = d + 2 * (M - 1);
    const float hr = 0.5f * (p[0] + q[0]), hi = 0.5f * (p[1] - q[1]);
    const float dr = p[0] - q[0], di = p[1] + q[1];
    const float c = split[0], ns = split[1] - 0.5f; // 0.5 cos, -0.5 sin
    const float gr = c * di + ns * dr, gi = ns * di - c * dr;
    p[0] = hr + gr;
    p[1] = hi + gi;
    q[0] = hr - gr;
    q[1] = gi - hi;
  }
  // Two pairs per step: bins k, k + 1 from the front, M - k, M - k - 1 from the back.
  const V half = _mm_set1_ps(0.5f);
  for (int k = 2; k < M / 2; k += 2) {
    float* p = d + 2 * k;
    float* q = d + 2 * (M - k - 1);
    const V t = Load(split + 2 * (k - 1));
    const V vp = Load(p);
    const V qc = _mm_xor_ps(SwapHalves(Load(q)), NegIm()); // conj Z(M-k), conj Z(M-k-1)
    const V h = _mm_mul_ps(half, _mm_add_ps(vp, qc));
    const V diff = _mm_sub_ps(vp, qc);
    const V c = _mm_xor_ps(_mm_shuffle_ps(t, t, _MM_SHUFFLE(2, 2, 0, 0)), NegIm());
    const V ns = _mm_sub_ps(_mm_shuffle_ps(t, t, _MM_SHUFFLE(3, 3, 1, 1)), half);
    const V g = _mm_add_ps(_mm_mul_ps(diff, ns), _mm_mul_ps(SwapReIm(diff), c));
    Store(p, _mm_add_ps(h, g));
    Store(q, SwapHalves(_mm_xor_ps(_mm_sub_ps(h, g), NegIm())));
  }
  d[M + 1] = -d[M + 1];
}

// The inverse of RealFFTSplit, doubled: gives 2 Z(k) from the packed bins.
void RealFFTJoin(float* d, int M, const float* split) {
  d[1] = d[0];
  if (M < 2) return;
  for (int k = 1; k < M / 2; ++k) {
    float* p = d + 2 * k;
    float* q = d + 2 * (M - k);
    const float c = 2 * split[2 * (k - 1)];
    const float s = 1 - 2 * split[2 * (k - 1) + 1];
    const float hr = p[0] + q[0], hi = p[1] - q[1]; // 2H
    const float gr = p[0] - q[0], gi = p[1] + q[1]; // 2G
    // E = (-s + i c) 2G; 2Z(k) = 2H + E, 2Z(M-k) = conj(2H - E)
    const float er = -s * gr - c * gi;
    const float ei = -s * gi + c * gr;
    p[0] = hr + er;
    p[1] = hi + ei;
    q[0] = hr - er;
    q[1] = ei - hi;
  }
  d[M] = 2 * d[M];
  d[M + 1] = -2 * d[M + 1];
}

} // namespace

void SetFFTAllocator(TFFTBlockAlloc alloc, TFFTBlockFree release) {
  BlockAlloc = alloc ? alloc : SystemBlockAlloc;
  BlockFree = release ? release : SystemBlockFree;
}

float GetWindowValue(int kind, int n, int N) {
  const long double x = n, len = N;
  long double v;
  switch (kind) {
  case fwHamming:
    v = 0.54L - 0.46L * cosl(2 * Pi * x / len);
    break;
  case fwHanning:
    v = 0.5L - 0.5L * cosl(2 * Pi * x / len);
    break;
  case fwBlackman:
    v = 0.42L - 0.5L * cosl(2 * Pi * x / len) + 0.08L * cosl(4 * Pi * x / len);
    break;
  case fwGaussian: {
    const long double t = 2 * x - len;
    v = expl(-5.0L * t * t / (len * len));
    break;
  }
  case fwWelch: {
    const long double t = (2 * x - len) / (len + 1);
    v = 1 - t * t;
    break;
  }
  case fwParzen:
    v = 1 - fabsl((2 * x - len) / (len + 1));
    break;
  default:
    v = 1.0L;
  }
  return static_cast<float>(v);
}

void BuildWindowTable(int32_t* table, int kind, int bits) {
  const int n = 1 << bits;
  for (int i = 0; i < n; ++i) {
    // float x 32767 is exact in double.
    table[i] = static_cast<int32_t>(std::floor(double(GetWindowValue(kind, i, n)) * 32767 + 0.5));
  }
}

void BuildBitReverseTable(int32_t* table, int bits) {
  const uint32_t n = uint32_t(1) << bits, half = n / 2;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t r = 0;
    for (uint32_t mask = half; mask > 0; mask >>= 1) {
      r >>= 1;
      if (i & mask) r += half;
    }
    table[i] = static_cast<int32_t>(r);
  }
}

PFFTSetup InitRealFFT(int bits) {
  if (bits < 1 || bits > 31) return nullptr;
  // Sizes in 64 bits: at 31 bits the reversal table alone is 4 GB.
  const uint64_t N = uint64_t(1) << bits, M = N / 2;
  // The record's block also carries the rotations of the complex passes, 16-byte aligned.
  const uint64_t rotations = RotationFloats(M);
  void* record = BlockAlloc(sizeof(TFFTSetup) + (rotations ? rotations * 4 + 15 : 0));
  if (!record) return nullptr;
  PFFTSetup s = static_cast<PFFTSetup>(record);
  void* blocks[3] = {};
  const uint64_t sizes[3] = {M * 4, (N / 4) * 8, (N / 4) * 8};
  for (int i = 0; i < 3; ++i) {
    if (sizes[i] == 0) continue;
    blocks[i] = BlockAlloc(sizes[i]);
    if (!blocks[i]) {
      for (void* b : blocks)
        BlockFree(b);
      BlockFree(record);
      return nullptr;
    }
  }
  s->Bits = bits;
  s->Length = static_cast<int32_t>(N);
  s->Scale = static_cast<float>(1.0L / static_cast<long double>(N));
  s->BitReverse = static_cast<int32_t*>(blocks[0]);
  s->Twiddle = static_cast<float*>(blocks[1]);
  s->Split = static_cast<float*>(blocks[2]);
  if (rotations) {
    const uintptr_t after = reinterpret_cast<uintptr_t>(s + 1);
    s->Rotations = reinterpret_cast<float*>((after + 15) & ~uintptr_t(15));
  }
  BuildBitReverseTable(s->BitReverse, bits - 1);
  if (M >= 4) {
    // Rotations carried in extended precision, stored as floats.
    const long double t = 2 * Pi / static_cast<long double>(M);
    const long double c1 = cosl(t), s1 = sinl(t), c3 = cosl(3 * t), s3 = sinl(3 * t);
    long double ck = c1, sk = s1, c3k = c3, s3k = s3;
    float* w = s->Twiddle;
    for (uint64_t k = 1; k <= M / 4; ++k, w += 4) {
      w[0] = static_cast<float>(ck);
      w[1] = static_cast<float>(-sk);
      w[2] = static_cast<float>(c3k);
      w[3] = static_cast<float>(-s3k);
      long double t1 = ck * c1 - sk * s1;
      sk = sk * c1 + ck * s1;
      ck = t1;
      t1 = c3k * c3 - s3k * s3;
      s3k = s3k * c3 + c3k * s3;
      c3k = t1;
    }
  }
  if (M >= 2) {
    const long double u = Pi / static_cast<long double>(M);
    const long double cu = cosl(u), su = sinl(u);
    long double ck = cu, sk = su;
    float* w = s->Split;
    for (uint64_t k = 1; k <= M / 2; ++k, w += 2) {
      w[0] = static_cast<float>(0.5L * ck);
      w[1] = static_cast<float>(0.5L - 0.5L * sk);
      const long double t1 = ck * cu - sk * su;
      sk = sk * cu + ck * su;
      ck = t1;
    }
  }
  if (rotations) BuildRotations(s->Rotations, s->Twiddle, static_cast<int>(M));
  return s;
}

void DoneRealFFT(PFFTSetup& setup) {
  if (!setup) return;
  BlockFree(setup->BitReverse);
  BlockFree(setup->Twiddle);
  BlockFree(setup->Split);
  BlockFree(setup);
  setup = nullptr;
}

void DoRealFFT(const TFFTSetup* setup, float* data, int direction) {
  if (!setup || !data) return;
  if (direction < -1) direction = -1;
  const int M = setup->Length / 2;
  if (direction >= 0) {
    ComplexFFT(data, M, setup->Rotations);
    BitReversePermute(data, M, setup->BitReverse);
    data[0] += data[1];
    data[1] = 0;
    if (M >= 2) RealFFTSplit(data, M, setup->Split);
    return;
  }
  RealFFTJoin(data, M, setup->Split);
  // The inverse complex transform as the conjugate of the forward one of the conjugate.
  for (int i = 0; i < M; ++i)
    data[2 * i + 1] = -data[2 * i + 1];
  ComplexFFT(data, M, setup->Rotations);
  BitReversePermute(data, M, setup->BitReverse);
  const float scale = setup->Scale;
  for (int i = 0; i < M; ++i) {
    data[2 * i] *= scale;
    data[2 * i + 1] *= -scale;
  }
}
