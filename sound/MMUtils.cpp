// Small services of the sound library.
#include "MMUtils.h"
#include "Forms.h"
#include "Graphics.h"
#include "Handles.h"
#include <windows.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

bool ReadWin95Platform() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool& Win95Flag() {
  static bool flag = ReadWin95Platform();
  return flag;
}

// The performance counter's frequency, read once; 0 when it cannot serve.
int64_t CounterFrequency() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    if (!QueryPerformanceFrequency(&f)) return int64_t{0};
    if (f.QuadPart < 2 || f.QuadPart > 0xFFFFFFFFLL) return int64_t{0};
    return static_cast<int64_t>(f.QuadPart);
  }();
  return frequency;
}

int64_t CheckedQuotient(int64_t q) {
  if (q < INT32_MIN || q > INT32_MAX) throw EIntOverflow("Integer overflow");
  return q;
}

} // namespace

bool Win95Platform() {
  return Win95Flag();
}

void SetWin95Platform(bool value) {
  Win95Flag() = value;
}

double GetExactTime() {
  int64_t f = CounterFrequency();
  if (f != 0) {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000000.0 / static_cast<double>(f);
  }
  return static_cast<double>(timeGetTime()) * 1000.0;
}

void NameCallingThread(const wchar_t* name) {
  thread_local bool named = false;
  if (named) return;
  named = true;
  using TSetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  // Looked up: older systems have no thread names.
  static const auto set = reinterpret_cast<TSetDescription>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadDescription")));
  if (set) set(GetCurrentThread(), name);
}

void DelayPumping(int milliseconds, bool pump) {
  if (milliseconds < 0) return;
  const DWORD start = GetTickCount();
  const DWORD span = static_cast<DWORD>(milliseconds);
  for (;;) {
    // Unsigned difference: right across the counter's wrap after 49.7 days.
    DWORD passed = GetTickCount() - start;
    if (passed >= span) return;
    DWORD left = span - passed;
    if (pump) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT);
      if (Application) Application->ProcessMessages();
    } else {
      Sleep(left);
    }
  }
}

RECT DrawRotatedText(TCanvas& canvas, int x, int y, int mode, int height,
                     const std::string& faceName, const std::string& text) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWeight = 400;
  lf.lfEscapement = lf.lfOrientation = mode == 2 ? 900 : 3600;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lstrcpynA(lf.lfFaceName, faceName.c_str(), LF_FACESIZE);
  TGdiObject<HFONT> font(CreateFontIndirectA(&lf));
  HDC dc = canvas.Handle();
  TSelectObject select(dc, font.Get());
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  int tx = x, ty = y;
  RECT box{};
  switch (mode) {
  case 1:
    tx = x - size.cx;
    ty = y - size.cy / 2;
    box = {tx, ty, x, ty + size.cy};
    break;
  case 2:
    // Upright text runs from its start point upwards; its top edge is at the left.
    tx = x - size.cy / 2;
    ty = y + size.cx;
    box = {tx, y, tx + size.cy, ty};
    break;
  default:
    ty = y - size.cy / 2;
    box = {tx, ty, tx + size.cx, ty + size.cy};
    break;
  }
  UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
  TextOutA(dc, tx, ty, text.c_str(), static_cast<int>(text.size()));
  SetTextAlign(dc, oldAlign);
  return box;
}

void* GlobalAllocMem(size_t size) {
  void* p = std::calloc(size ? size : 1, 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void GlobalReAllocMem(void*& p, size_t size) {
  GlobalFreeMem(p);
  p = GlobalAllocMem(size);
}

void GlobalFreeMem(void*& p) {
  if (!p) return;
  std::free(p);
  p = nullptr;
}

void TGlobalMemFree::operator()(void* p) const noexcept {
  GlobalFreeMem(p);
}

int32_t MulDivTrunc(int32_t a, int32_t b, int32_t c) {
  if (c == 0) throw EDivByZero("Division by zero");
  int64_t p = static_cast<int64_t>(a) * b;
  return static_cast<int32_t>(CheckedQuotient(p / c));
}

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
  if (c == 0) throw EDivByZero("Division by zero");
  int64_t p = static_cast<int64_t>(a) * b;
  int64_t q = p / c, r = p % c;
  return static_cast<int32_t>(CheckedQuotient(q + (2 * r) / c));
}

int Round(double value) {
  return static_cast<int>(std::nearbyint(value));
}

uint16_t SwapWord(uint16_t v) {
  return static_cast<uint16_t>((v >> 8) | (v << 8));
}

uint32_t SwapLong(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

int MinMaxR(int value, int bound1, int bound2) {
  return bound1 <= bound2 ? MinMax(value, bound1, bound2) : MinMax(value, bound2, bound1);
}

bool InMinMaxR(int value, int bound1, int bound2) {
  return bound1 <= bound2 ? InMinMax(value, bound1, bound2) : InMinMax(value, bound2, bound1);
}

void GlobalFillMem(void* p, size_t size, uint8_t value) {
  std::memset(p, value, size);
}

void GlobalFillLong(void* p, size_t count, uint32_t value) {
  auto* d = static_cast<uint32_t*>(p);
  for (size_t i = 0; i < count; ++i)
    d[i] = value;
}

void GlobalMoveMem(const void* source, void* dest, size_t size) {
  std::memmove(dest, source, size);
}

bool GlobalCmpMem(const void* a, const void* b, size_t size) {
  return std::memcmp(a, b, size) == 0;
}

long double fMinMax(long double value, long double low, long double high) {
  return value < low ? low : (value > high ? high : value);
}

long double fFloor(long double value) {
  return std::floor(value);
}

long double fLn(long double value) {
  return std::log(value);
}

long double fLog2(long double value) {
  return std::log2(value);
}

long double fLog10(long double value) {
  return std::log10(value);
}

long double fPower(long double base, long double exponent) {
  return std::exp2(exponent * std::log2(base));
}
