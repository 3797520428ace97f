/* Nanoseconds per planned single-thread float real-to-complex FFTW transform, N = 64 .. 4096. */
#include <fftw3.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e9 + t.tv_nsec;
}

int main(void) {
  srand(4122);
  for (int bits = 6; bits <= 12; ++bits) {
    const int n = 1 << bits;
    float* in = fftwf_alloc_real(n);
    fftwf_complex* out = fftwf_alloc_complex(n / 2 + 1);
    /* Planning with measurement overwrites the arrays: fill them afterwards. */
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
    for (int i = 0; i < n; ++i)
      in[i] = 2.0f * rand() / RAND_MAX - 1.0f;
    const int rounds = (1 << 22) / n;
    double best = 1e30;
    for (int rep = 0; rep < 5; ++rep) {
      const double t0 = Now();
      for (int r = 0; r < rounds; ++r)
        fftwf_execute(plan);
      const double t = (Now() - t0) / rounds;
      if (t < best) best = t;
    }
    printf("%d %.1f\n", n, best);
    fftwf_destroy_plan(plan);
    fftwf_free(in);
    fftwf_free(out);
  }
  return 0;
}
