// Analysis windows, integer window tables, bit-reversal tables and an in-place single-precision
// real FFT with its set-up. Needs no window system, so it also builds for the host.
#pragma once
#include <cstdint>

enum TMMFFTWindow {
  fwRectangular,
  fwHamming,
  fwHanning,
  fwBlackman,
  fwGaussian,
  fwWelch,
  fwParzen
};

// One transform set-up; made by InitRealFFT, released by DoneRealFFT.
struct TFFTSetup {
  int32_t Bits;        // log2 of the length
  int32_t Length;      // N real values
  float Scale;         // 1/N, for the inverse
  int32_t* BitReverse; // N/2 entries for Bits - 1
  float* Twiddle;      // N/8 entries of cos k, -sin k, cos 3k, -sin 3k (M = N/2 >= 4)
  float* Split;        // N/4 entries of 0.5 cos, 0.5 - 0.5 sin (M >= 2)
  float* Rotations;    // the twiddles laid out for the vector passes, in this record's block
};
using PFFTSetup = TFFTSetup*;

// The window of a kind at sample n of N, computed in extended precision; 1.0 for an ordinal
// outside the enumeration.
float GetWindowValue(int kind, int n, int N);
// table[i] := floor(window x 32767 + 0.5) for the 2^bits positions.
void BuildWindowTable(int32_t* table, int kind, int bits);
// table[i] := i with its low bits reversed, for the 2^bits positions.
void BuildBitReverseTable(int32_t* table, int bits);

// A set-up for N = 2^bits real values, or nullptr when bits lies outside 1..31 or any of its
// blocks cannot be had (nothing is left allocated then).
PFFTSetup InitRealFFT(int bits);
// Releases the set-up and clears the reference; a cleared one is left alone.
void DoneRealFFT(PFFTSetup& setup);
// In place over N floats. Direction +1 (and 0): the unscaled forward DFT, packed as bin 0 in
// data[0], 0 in data[1], then re, im of bins 1 .. N/2 - 1. Direction -1: the inverse of that
// packing (bin N/2 taken as 0), scaled by 1/N. Nothing happens without a set-up or data.
void DoRealFFT(const TFFTSetup* setup, float* data, int direction);

// For tests: a stand-in for the block allocator (nullptr restores the real one). It gets the
// byte count in 64 bits and answers a zero-filled block or nullptr.
using TFFTBlockAlloc = void* (*)(uint64_t size);
using TFFTBlockFree = void (*)(void* block);
void SetFFTAllocator(TFFTBlockAlloc alloc, TFFTBlockFree release);
