// Nanoseconds per forward transform of the display FFT for N = 64 .. 4096, one line per length:
// the best of 5 (or the given count of) repetitions.
#include "MMFFT.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

int main(int argc, char** argv) {
  const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::mt19937 rng(4122);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  for (int bits = 6; bits <= 12; ++bits) {
    const int n = 1 << bits;
    std::vector<float> x(n), work(n);
    for (float& v : x)
      v = dist(rng);
    PFFTSetup s = InitRealFFT(bits);
    const int rounds = (1 << 22) / n;
    double best = 1e30;
    for (int rep = 0; rep < reps; ++rep) {
      auto t0 = std::chrono::steady_clock::now();
      for (int r = 0; r < rounds; ++r) {
        work = x; // the transform is in place
        DoRealFFT(s, work.data(), 1);
      }
      auto t1 = std::chrono::steady_clock::now();
      best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count() / rounds);
    }
    DoneRealFFT(s);
    printf("%d %.1f\n", n, best);
  }
  return 0;
}
