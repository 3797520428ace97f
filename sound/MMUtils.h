// Small services of the sound library: platform flag, exact time, pumping waits, rotated text,
// fixed memory blocks, checked multiply-divide, rounding and integer and float utilities.
#pragma once
#include "Components.h"
#include "SysUtils.h"
#include <cstdint>
#include <memory>
#include <string>

#include <windows.h>

class TCanvas;

TB_DECLARE_EXCEPTION(EDivByZero, Exception);
TB_DECLARE_EXCEPTION(EIntOverflow, Exception);

// True on the Windows 95 family (platform identifier 1), read once at start; never under Wine
// (it reports NT). Tests may force it.
bool Win95Platform();
void SetWin95Platform(bool value);

// Microseconds from the performance counter (the timer's milliseconds when it is missing or
// unusable). Kept in floating point: a 64-bit count x 1,000,000 overflows after days of uptime.
double GetExactTime();

// Names the calling thread (once per thread) for the system's tools, where it has thread names:
// the system's own sound threads that run this program's callbacks are told apart by it when
// the processor time is measured per thread.
void NameCallingThread(const wchar_t* name);

// Waits the given milliseconds (returns at once when negative), running the application's
// pending messages meanwhile when pump is set. Counts safely across the tick counter's wrap.
void DelayPumping(int milliseconds, bool pump);

// Text in a fresh font of the given height and face. Mode 0: left edge at x, centred on y;
// mode 1: right edge at x, centred on y; mode 2: upright (read from below), centred on x and
// ending at y. Answers the box the text covers.
RECT DrawRotatedText(TCanvas& canvas, int x, int y, int mode, int height,
                     const std::string& faceName, const std::string& text);

// Fixed, zero-filled memory blocks (std::bad_alloc when there is no memory). ReAlloc does not
// keep the contents; Free clears the pointer and accepts none.
void* GlobalAllocMem(size_t size);
void GlobalReAllocMem(void*& p, size_t size);
void GlobalFreeMem(void*& p);

// A block of GlobalAllocMem, freed at the end.
struct TGlobalMemFree {
  void operator()(void* p) const noexcept;
};
template <class T> using TGlobalMem = std::unique_ptr<T, TGlobalMemFree>;
template <class T> TGlobalMem<T> GlobalAllocHeld(size_t size) {
  return TGlobalMem<T>(static_cast<T*>(GlobalAllocMem(size)));
}

// a x b / c over a 64-bit product, truncated towards zero, or rounded with halves away from
// zero. c = 0 raises EDivByZero, a quotient outside 32 bits EIntOverflow.
int32_t MulDivTrunc(int32_t a, int32_t b, int32_t c);
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

// Rounds to the nearest integer with ties to the even one.
int Round(double value);

// --- integer utilities ------------------------------------------------------------------------
uint16_t SwapWord(uint16_t value);
uint32_t SwapLong(uint32_t value);
inline int Min(int a, int b) {
  return a < b ? a : b;
}
inline int Max(int a, int b) {
  return a > b ? a : b;
}
// low when below low, else at most high.
inline int MinMax(int value, int low, int high) {
  return value < low ? low : (value > high ? high : value);
}
// Clamp to bounds given in either order.
int MinMaxR(int value, int bound1, int bound2);
inline bool InMinMax(int value, int low, int high) {
  return value >= low && value <= high;
}
bool InMinMaxR(int value, int bound1, int bound2);
inline void IncValue(int& variable, int amount) {
  variable += amount;
}
void GlobalFillMem(void* p, size_t size, uint8_t value);
void GlobalFillLong(void* p, size_t count, uint32_t value);      // count 32-bit values
void GlobalMoveMem(const void* source, void* dest, size_t size); // overlap-safe
bool GlobalCmpMem(const void* a, const void* b, size_t size);    // true when equal

// --- float utilities --------------------------------------------------------------------------
inline long double fMax(long double a, long double b) {
  return a > b ? a : b;
}
long double fMinMax(long double value, long double low, long double high);
long double fFloor(long double value);
long double fLn(long double value);
long double fLog2(long double value);
long double fLog10(long double value);
// base^exponent as 2^(exponent x log2(base)).
long double fPower(long double base, long double exponent);

// Stores value in field when it differs; answers whether it did (setters then announce it).
template <class T> bool StoreChanged(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

// Fires onError (when assigned) with sender, then raises E with the message.
template <class E>
[[noreturn]] void RaiseWithOnError(TObject* sender, const TNotifyEvent& onError,
                                   const std::string& message) {
  if (onError) onError(sender);
  throw E(message);
}

// --- wave formats and PCM buffers -------------------------------------------------------------
#include <mmsystem.h>

// Bytes a format takes: 0 for none, 16 for PCM, else 18 + its extra size.
int WaveFormatSize(const WAVEFORMATEX* format);
// A fixed memory block holding a copy (at least 18 bytes, so cbSize reads 0 on a PCM copy);
// nullptr for none.
TGlobalMem<WAVEFORMATEX> DuplicateWaveFormat(const WAVEFORMATEX* format);
// Duration of a byte count, rounded; 0 when the format gives no bytes per second.
int BytesToMilliseconds(const WAVEFORMATEX* format, int32_t bytes);
bool PcmFormatValid(const WAVEFORMATEX* format);
void BuildPcmFormat(WAVEFORMATEX& record, int bits, int channels, int rate);
// Byte offset of the later sample of the first crossing of level (a percentage of full scale;
// mode 1 rising, 2 falling; channel 0 both, 1 left, 2 right), or -1. Whole frames only.
int FindTriggerPoint(const WAVEFORMATEX* format, const void* data, int bytes, int level, int mode,
                     int channel);
// The extremes of each channel in the order they occur (first, second); mono copies the left
// pair into the right one. 8-bit results are unsigned sample values.
void FindMinMax(int bytes, const void* data, const WAVEFORMATEX* format, int& left1, int& left2,
                int& right1, int& right2);

// --- the shared 25 ms timer -------------------------------------------------------------------
// Clients run on the system timer's thread, under the service's lock: they must be short.
struct TMMTimerClient;
using TMMTimerHandle = TMMTimerClient*;
using TMMTimerProc = void (*)(TMMTimerHandle client, void* data);
constexpr int MMTimerTick = 25;

// A client called every interval (at least 25 ms); nullptr when the system timer cannot start.
TMMTimerHandle AddTimerClient(int interval, bool startDisabled, TMMTimerProc proc, void* data);
void SetTimerInterval(TMMTimerHandle client, int interval);
// Disabling nests; each disable restarts the client's count.
void DisableTimerClient(TMMTimerHandle client);
void EnableTimerClient(TMMTimerHandle client);
// Returns only after the client's procedure has left; a handle not registered changes nothing.
// Removing the last client stops the system timer (unless called from a tick).
void RemoveTimerClient(TMMTimerHandle client);
// For tests: the clients registered and whether the system timer runs.
int TimerClientCount();
bool TimerRunning();
