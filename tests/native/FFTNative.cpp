// The display FFT built for the host under the sanitizers: every oracle transform forward and
// back, and set-ups whose blocks fail one by one, which must leave nothing allocated.
#include "MMFFT.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

template <class T> std::vector<T> ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<T> v(b.size() / sizeof(T));
  if (!v.empty()) memcpy(v.data(), b.data(), v.size() * sizeof(T));
  return v;
}

int failures = 0;
void Check(bool ok, const std::string& what) {
  if (!ok && failures++ < 20) fprintf(stderr, "FAIL %s\n", what.c_str());
}

int calls = 0, failAt = 0;
void* FailingAlloc(uint64_t size) {
  if (++calls == failAt || size > 0xFFFFFFFFull) return nullptr;
  return calloc(1, size_t(size));
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string dir = argv[1];
  int done = 0;
  for (int bits = 2; bits <= 16; ++bits) {
    const int n = 1 << bits;
    PFFTSetup s = InitRealFFT(bits);
    Check(s != nullptr, "set-up " + std::to_string(n));
    for (const char* kind : {"random", "onbin", "offbin", "dc", "impulse"}) {
      const std::string base = dir + "/" + std::to_string(n) + "_" + kind;
      std::vector<float> x = ReadRaw<float>(base + ".in");
      std::vector<double> ref = ReadRaw<double>(base + ".ref");
      if (int(x.size()) != n || int(ref.size()) != n) {
        Check(false, base + " missing");
        continue;
      }
      DoRealFFT(s, x.data(), 1);
      double e2 = 0, r2 = 0;
      for (int i = 0; i < n; ++i) {
        e2 += (x[i] - ref[i]) * (x[i] - ref[i]);
        r2 += ref[i] * ref[i];
      }
      Check(x[1] == 0 && std::sqrt(e2 / r2) <= 2e-6, base);
      DoRealFFT(s, x.data(), -1);
      ++done;
    }
    DoneRealFFT(s);
  }
  SetFFTAllocator(FailingAlloc, free);
  for (int bits = 1; bits <= 12; ++bits) {
    for (failAt = 1; failAt <= 4; ++failAt) {
      calls = 0;
      PFFTSetup s = InitRealFFT(bits);
      // Two points have only the record and the reversal table.
      Check((s == nullptr) == (failAt <= (bits == 1 ? 2 : 4)), "failure " + std::to_string(bits));
      DoneRealFFT(s);
    }
  }
  failAt = 0;
  Check(InitRealFFT(31) == nullptr, "31 bits");
  printf("native fft: %d transforms, %d failures\n", done, failures);
  return failures ? 1 : 0;
}
