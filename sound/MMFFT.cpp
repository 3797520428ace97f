// Window functions and the split-radix real FFT of the frequency displays.
#include "MMFFT.h"
#include <cmath>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
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

// Bins of the complex transform come out bit-reversed: decimation in frequency with L-shaped
// butterflies, the k and 3k rotations of a butterfly read from one table entry.
void ComplexFFT(float* d, int M, const float* twiddle) {
  for (int n2 = M; n2 > 2; n2 >>= 1) {
    const int n4 = n2 >> 2;
    const int stride = M / n2; // table step for this stage's angle 2 pi / n2
    for (int j = 0; j < n4; ++j) {
      float cc1 = 1, ss1 = 0, cc3 = 1, ss3 = 0;
      const bool plain = j == 0;
      const bool eighth = 2 * j == n4;
      if (!plain && !eighth) {
        const float* w = twiddle + (j * stride - 1) * 4;
        cc1 = w[0];
        ss1 = -w[1];
        cc3 = w[2];
        ss3 = -w[3];
      }
      int is = j, id = 2 * n2;
      while (is < M - 1) {
        for (int i0 = is; i0 < M - 1; i0 += id) {
          const int i1 = i0 + n4, i2 = i1 + n4, i3 = i2 + n4;
          float* a = d + 2 * i0;
          float* b = d + 2 * i1;
          float* c = d + 2 * i2;
          float* e = d + 2 * i3;
          float r1 = a[0] - c[0];
          a[0] += c[0];
          float r2 = b[0] - e[0];
          b[0] += e[0];
          float s1 = a[1] - c[1];
          a[1] += c[1];
          float s2 = b[1] - e[1];
          b[1] += e[1];
          const float s3 = r1 - s2;
          r1 += s2;
          s2 = r2 - s1;
          r2 += s1;
          if (plain) {
            c[0] = r1;
            c[1] = -s2;
            e[0] = s3;
            e[1] = r2;
          } else if (eighth) {
            // cos = sin = 1/sqrt 2 for k; cos 3k = -1/sqrt 2, sin 3k = 1/sqrt 2.
            c[0] = (r1 - s2) * Sqrt1_2;
            c[1] = (-s2 - r1) * Sqrt1_2;
            e[0] = (-s3 + r2) * Sqrt1_2;
            e[1] = (-r2 - s3) * Sqrt1_2;
          } else {
            c[0] = r1 * cc1 - s2 * ss1;
            c[1] = -s2 * cc1 - r1 * ss1;
            e[0] = s3 * cc3 + r2 * ss3;
            e[1] = r2 * cc3 - s3 * ss3;
          }
        }
        is = 2 * id - n2 + j;
        id *= 4;
      }
    }
  }
  // The last stage: two-point butterflies.
  if (M < 2) return;
  int is = 0, id = 4;
  while (is < M - 1) {
    for (int i0 = is; i0 < M - 1; i0 += id) {
      float* a = d + 2 * i0;
      float* b = a + 2;
      const float r = a[0], s = a[1];
      a[0] = r + b[0];
      a[1] = s + b[1];
      b[0] = r - b[0];
      b[1] = s - b[1];
    }
    is = 2 * id - 2;
    id *= 4;
  }
}

void BitReversePermute(float* d, int M, const int32_t* table) {
  if (M <= 2) return;
  for (int i = 0; i < M; ++i) {
    const int j = table[i];
    if (j <= i) continue;
    float* a = d + 2 * i;
    float* b = d + 2 * j;
    const float r = a[0], s = a[1];
    a[0] = b[0];
    a[1] = b[1];
    b[0] = r;
    b[1] = s;
  }
}

// Turns the transform of the M complex points z(n) = x(2n) + i x(2n+1) into bins 1 .. M - 1 of
// the real input: X(k) = H + G, X(M-k) = conj(H - G), H = (Z(k) + conj Z(M-k)) / 2,
// G = -i/2 e^(-i pi k / M) (Z(k) - conj Z(M-k)).
void RealFFTSplit(float* d, int M, const float* split) {
  for (int k = 1; k < M / 2; ++k) {
    float* p = d + 2 * k;
    float* q = d + 2 * (M - k);
    const float c = 2 * split[2 * (k - 1)];         // cos
    const float s = 1 - 2 * split[2 * (k - 1) + 1]; // sin
    const float hr = 0.5f * (p[0] + q[0]), hi = 0.5f * (p[1] - q[1]);
    const float dr = p[0] - q[0], di = p[1] + q[1];
    // G = 0.5 (-s - i c)(dr + i di)
    const float gr = 0.5f * (c * di - s * dr);
    const float gi = 0.5f * (-s * di - c * dr);
    p[0] = hr + gr;
    p[1] = hi + gi;
    q[0] = hr - gr;
    q[1] = gi - hi;
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
  void* record = BlockAlloc(sizeof(TFFTSetup));
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
    ComplexFFT(data, M, setup->Twiddle);
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
  ComplexFFT(data, M, setup->Twiddle);
  BitReversePermute(data, M, setup->BitReverse);
  const float scale = setup->Scale;
  for (int i = 0; i < M; ++i) {
    data[2 * i] *= scale;
    data[2 * i + 1] *= -scale;
  }
}
