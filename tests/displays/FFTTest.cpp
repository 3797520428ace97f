// The display FFT and windows against numpy: every length from 4 to 65536 on five kinds of
// input, the inverse against irfft, the windows to the float32 bit, and the set-up's failures.
#include <gtest/gtest.h>
#include "MMFFT.h"
#include "TestUtil.h"
#include <cmath>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <windows.h>

namespace {

constexpr double Pi = 3.14159265358979323846;

template <class T> std::vector<T> ReadRaw(const std::string& path) {
  std::string bytes = ReadFileBytes(path);
  std::vector<T> v(bytes.size() / sizeof(T));
  memcpy(v.data(), bytes.data(), v.size() * sizeof(T));
  return v;
}

std::vector<float> Forward(int bits, std::vector<float> x) {
  PFFTSetup s = InitRealFFT(bits);
  EXPECT_NE(s, nullptr);
  DoRealFFT(s, x.data(), 1);
  DoneRealFFT(s);
  return x;
}

} // namespace

TEST(FFT, MatchesNumpyForEveryLengthAndInput) {
  const std::string dir = OracleDir("fft");
  const std::string checks = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\displays_fft\\";
  CreateDirectoryA((WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks").c_str(), nullptr);
  CreateDirectoryA(checks.c_str(), nullptr);
  for (int bits = 2; bits <= 16; ++bits) {
    const int n = 1 << bits;
    for (const char* kind : {"random", "onbin", "offbin", "dc", "impulse"}) {
      SCOPED_TRACE(std::to_string(n) + " " + kind);
      const std::string base = dir + std::to_string(n) + "_" + kind;
      std::vector<float> x = ReadRaw<float>(base + ".in");
      std::vector<double> ref = ReadRaw<double>(base + ".ref");
      ASSERT_EQ(int(x.size()), n);
      ASSERT_EQ(int(ref.size()), n);
      std::vector<float> y = Forward(bits, x);
      EXPECT_EQ(y[1], 0.0f);
      double maxX = 0, err2 = 0, ref2 = 0, worst = 0;
      for (float v : x)
        maxX = std::max(maxX, double(std::fabs(v)));
      for (int i = 0; i < n; ++i) {
        const double d = double(y[i]) - ref[i];
        err2 += d * d;
        ref2 += ref[i] * ref[i];
        worst = std::max(worst, std::fabs(d));
      }
      EXPECT_LE(std::sqrt(err2 / ref2), 2e-6);
      EXPECT_LE(worst, 1e-6 * n * maxX);
      if (std::string(kind) == "random") {
        if (n >= 8 && n <= 4096) {
          WriteFileBytes(checks + std::to_string(n) + ".in", std::string((char*)x.data(), n * 4));
          WriteFileBytes(checks + std::to_string(n) + ".out", std::string((char*)y.data(), n * 4));
        }
        // Back again: the inverse of the packed form against irfft of the same packing.
        std::vector<double> inv = ReadRaw<double>(base + ".inv");
        PFFTSetup s = InitRealFFT(bits);
        DoRealFFT(s, y.data(), -1);
        DoneRealFFT(s);
        double e2 = 0, r2 = 0;
        for (int i = 0; i < n; ++i) {
          e2 += (y[i] - inv[i]) * (y[i] - inv[i]);
          r2 += inv[i] * inv[i];
        }
        EXPECT_LE(std::sqrt(e2 / r2), 2e-6);
      }
    }
  }
}

TEST(FFT, EdgeCasesOfTheTransform) {
  // One cycle of a sine in 16 samples: all of it in bin 1 as -N/2 i.
  std::vector<float> x(16);
  for (int i = 0; i < 16; ++i)
    x[i] = float(std::sin(2 * Pi * i / 16));
  std::vector<float> y = Forward(4, x);
  EXPECT_NEAR(y[2], 0.0f, 1e-5);
  EXPECT_NEAR(y[3], -8.0f, 1e-5);
  for (int i = 4; i < 16; ++i)
    EXPECT_NEAR(y[i], 0.0f, 1e-5) << i;
  // A cosine of exactly 5 cycles in 64 samples: N/2 in the real part of bin 5, nothing else.
  x.assign(64, 0);
  for (int i = 0; i < 64; ++i)
    x[i] = float(std::cos(2 * Pi * 5 * i / 64));
  y = Forward(6, x);
  for (int i = 0; i < 64; ++i)
    EXPECT_NEAR(y[i], i == 10 ? 32.0f : 0.0f, 1e-4) << i;
  // Two points: the sum and a zero.
  x = {3.5f, -1.25f};
  y = Forward(1, x);
  EXPECT_EQ(y[0], 2.25f);
  EXPECT_EQ(y[1], 0.0f);
  PFFTSetup s = InitRealFFT(1);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Length, 2);
  DoRealFFT(s, y.data(), -1); // bin 1 taken as 0: both values are the mean
  EXPECT_EQ(y[0], 1.125f);
  EXPECT_EQ(y[1], 1.125f);
  // A missing set-up or buffer changes nothing.
  x = {1, 2, 3, 4};
  DoRealFFT(nullptr, x.data(), 1);
  DoRealFFT(s, nullptr, 1);
  EXPECT_EQ(x, (std::vector<float>{1, 2, 3, 4}));
  DoneRealFFT(s);
  EXPECT_EQ(s, nullptr);
  DoneRealFFT(s); // a cleared reference is left alone
}

namespace {
int liveBlocks = 0, allocCalls = 0, failAt = 0;
void* CountingAlloc(uint64_t size) {
  ++allocCalls;
  if (allocCalls == failAt || size > 0x7FFFFFFF) return nullptr;
  ++liveBlocks;
  return calloc(1, size_t(size));
}
void CountingFree(void* p) {
  if (!p) return;
  --liveBlocks;
  free(p);
}
} // namespace

TEST(FFT, SetUpRefusesWhatCannotBeHadAndLeavesNothing) {
  for (int bits : {-1, 0, 32, 31, 30})
    EXPECT_EQ(InitRealFFT(bits), nullptr) << bits;
  SetFFTAllocator(CountingAlloc, CountingFree);
  // The record and three tables: a failure at any of them gives none and frees the others.
  for (failAt = 1; failAt <= 4; ++failAt) {
    allocCalls = 0;
    EXPECT_EQ(InitRealFFT(10), nullptr) << failAt;
    EXPECT_EQ(liveBlocks, 0) << failAt;
  }
  failAt = 0;
  allocCalls = 0;
  PFFTSetup s = InitRealFFT(10);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(liveBlocks, 4);
  DoneRealFFT(s);
  EXPECT_EQ(liveBlocks, 0);
  // Two points need no twiddles: the two empty tables are no blocks at all.
  s = InitRealFFT(1);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(liveBlocks, 2);
  DoneRealFFT(s);
  SetFFTAllocator(nullptr, nullptr);
}

TEST(FFT, WindowsMatchLongDoubleToTheBit) {
  std::ifstream in(OracleDir("fft") + "windows.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int lines = 0;
  std::set<int> kinds;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    int kind, bits;
    s >> kind >> bits;
    kinds.insert(kind);
    const int n = 1 << bits;
    std::vector<int32_t> table(n);
    BuildWindowTable(table.data(), kind, bits);
    int bad = 0;
    for (int i = 0; i < n; ++i) {
      std::string hex;
      s >> hex;
      const uint32_t want = uint32_t(std::stoul(hex, nullptr, 16));
      const float v = GetWindowValue(kind, i, n);
      uint32_t got;
      memcpy(&got, &v, 4);
      if (got != want && bad++ < 3) ADD_FAILURE() << kind << " " << n << " " << i;
    }
    std::string bar;
    s >> bar;
    for (int i = 0; i < n; ++i) {
      long long want;
      s >> want;
      if (table[i] != want && bad++ < 6) ADD_FAILURE() << "table " << kind << " " << n << " " << i;
    }
    ++lines;
  }
  EXPECT_EQ(lines, 8 * 12);
  EXPECT_EQ(kinds.size(), 8u);
  // The literal corners: Hanning 0 at the start, full at the middle; a rectangle full throughout.
  std::vector<int32_t> t(64);
  BuildWindowTable(t.data(), fwHanning, 6);
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[32], 32767);
  BuildWindowTable(t.data(), fwRectangular, 6);
  for (int v : t)
    EXPECT_EQ(v, 32767);
  EXPECT_EQ(GetWindowValue(-1, 3, 8), 1.0f);
}

TEST(FFT, BitReverseTable) {
  std::vector<int32_t> t(16);
  BuildBitReverseTable(t.data(), 4);
  EXPECT_EQ(t, (std::vector<int32_t>{0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15}));
}
