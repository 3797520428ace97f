// Owners of Windows handles and of state held for a scope: every way out of the scope, an
// exception included, gives the handle back or restores the state.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <cstdlib>
#include <memory>
#include <utility>

// One owned handle; Traits names its type, tells a valid one and closes it.
template <class Traits> class TUniqueHandle {
public:
  using THandle = typename Traits::THandle;

  TUniqueHandle() noexcept = default;
  explicit TUniqueHandle(THandle handle) noexcept : FHandle(handle) {}
  ~TUniqueHandle() { Reset(); }
  TUniqueHandle(TUniqueHandle&& other) noexcept : FHandle(other.Release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;

  THandle Get() const noexcept { return FHandle; }
  bool Valid() const noexcept { return Traits::Valid(FHandle); }
  explicit operator bool() const noexcept { return Valid(); }
  // Gives the handle up without closing it.
  THandle Release() noexcept { return std::exchange(FHandle, Traits::Empty()); }
  void Reset(THandle handle = Traits::Empty()) noexcept {
    THandle old = std::exchange(FHandle, handle);
    if (Traits::Valid(old)) Traits::Close(old);
  }
  // For functions that hand a new handle back through a pointer: the old one is closed first.
  THandle* Put() noexcept {
    Reset();
    return &FHandle;
  }

private:
  THandle FHandle = Traits::Empty();
};

// A handle type whose empty value is null, closed by CloseFn.
template <class T, auto CloseFn> struct TNullHandleTraits {
  using THandle = T;
  static T Empty() noexcept { return nullptr; }
  static bool Valid(T h) noexcept { return h != nullptr; }
  static void Close(T h) noexcept { CloseFn(h); }
};

// Kernel objects: files, processes, mutexes (their functions fail with NULL or
// INVALID_HANDLE_VALUE, depending on the function).
struct TKernelHandleTraits {
  using THandle = HANDLE;
  static HANDLE Empty() noexcept { return nullptr; }
  static bool Valid(HANDLE h) noexcept { return h && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
using TKernelHandle = TUniqueHandle<TKernelHandleTraits>;

// A FindFirstFile search.
struct TFindHandleTraits {
  using THandle = HANDLE;
  static HANDLE Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { FindClose(h); }
};
using TFindHandle = TUniqueHandle<TFindHandleTraits>;

// An opened or created registry key.
using TRegKey = TUniqueHandle<TNullHandleTraits<HKEY, RegCloseKey>>;

// A loaded library, freed at the end.
using TModule = TUniqueHandle<TNullHandleTraits<HMODULE, FreeLibrary>>;

// Global and local memory blocks (the printer dialog's blocks, system message texts).
using TGlobalMemory = TUniqueHandle<TNullHandleTraits<HGLOBAL, GlobalFree>>;
using TLocalMemory = TUniqueHandle<TNullHandleTraits<HLOCAL, LocalFree>>;

// A global memory block locked for the scope: Get() is its address (null when the lock failed).
template <class T = void> class TGlobalLock {
public:
  explicit TGlobalLock(HGLOBAL block) : FBlock(block), FData(block ? GlobalLock(block) : nullptr) {}
  ~TGlobalLock() {
    if (FData) GlobalUnlock(FBlock);
  }
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  T* Get() const noexcept { return static_cast<T*>(FData); }

private:
  HGLOBAL FBlock;
  void* FData;
};

// A block from the C library's allocator (what a C function hands back for the caller to free).
struct TCFree {
  void operator()(void* p) const noexcept { std::free(p); }
};
template <class T> using TCMemory = std::unique_ptr<T, TCFree>;

// A window's painting, from WM_PAINT's BeginPaint to its EndPaint.
class TPaint {
public:
  explicit TPaint(HWND window) : FWindow(window), FDC(BeginPaint(window, &FPaint)) {}
  ~TPaint() { EndPaint(FWindow, &FPaint); }
  TPaint(const TPaint&) = delete;
  TPaint& operator=(const TPaint&) = delete;
  HDC Get() const noexcept { return FDC; }
  operator HDC() const noexcept { return FDC; }
  const PAINTSTRUCT& Info() const noexcept { return FPaint; }

private:
  HWND FWindow;
  PAINTSTRUCT FPaint{};
  HDC FDC;
};

// The system timer's resolution raised to a period (when the system grants it) until End or the
// holder's end.
class TTimerPeriod {
public:
  TTimerPeriod() noexcept = default;
  explicit TTimerPeriod(UINT period) noexcept { Begin(period); }
  ~TTimerPeriod() { End(); }
  TTimerPeriod(const TTimerPeriod&) = delete;
  TTimerPeriod& operator=(const TTimerPeriod&) = delete;
  // Ends a former raise first; false when the system refuses the period.
  bool Begin(UINT period) noexcept {
    End();
    FPeriod = period;
    FHeld = timeBeginPeriod(period) == TIMERR_NOERROR;
    return FHeld;
  }
  void End() noexcept {
    if (FHeld) timeEndPeriod(FPeriod);
    FHeld = false;
  }
  bool Held() const noexcept { return FHeld; }

private:
  UINT FPeriod = 0;
  bool FHeld = false;
};

// A GDI object made by this program (pen, brush, font, bitmap, region); deleted at the end.
// Deselect it first: TSelectObject, declared after it, restores the old object before it goes.
template <class T = HGDIOBJ> using TGdiObject = TUniqueHandle<TNullHandleTraits<T, DeleteObject>>;

// A window's whole DC (caption and frame included), released at the end.
class TWindowDC {
public:
  explicit TWindowDC(HWND window) : FWindow(window), FDC(GetWindowDC(window)) {}
  ~TWindowDC() {
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const noexcept { return FDC; }
  operator HDC() const noexcept { return FDC; }

protected:
  TWindowDC(HWND window, HDC dc) : FWindow(window), FDC(dc) {}

private:
  HWND FWindow;
  HDC FDC;
};

// A window's client-area DC (or the screen's, for no window), released at the end.
class TClientDC : public TWindowDC {
public:
  explicit TClientDC(HWND window) : TWindowDC(window, GetDC(window)) {}
};

// A memory DC compatible with another one, deleted at the end.
class TMemoryDC {
public:
  explicit TMemoryDC(HDC compatibleWith) : FDC(CreateCompatibleDC(compatibleWith)) {}
  ~TMemoryDC() {
    if (FDC) DeleteDC(FDC);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Get() const noexcept { return FDC; }
  operator HDC() const noexcept { return FDC; }

private:
  HDC FDC;
};

// Selects an object into a DC and puts the former one back at the end. A null object selects
// nothing.
class TSelectObject {
public:
  TSelectObject(HDC dc, HGDIOBJ object)
      : FDC(dc), FOld(object ? SelectObject(dc, object) : nullptr) {}
  ~TSelectObject() {
    if (FOld) SelectObject(FDC, FOld);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

private:
  HDC FDC;
  HGDIOBJ FOld;
};

// Saves a DC's state (objects, colours, modes, clipping) and restores it at the end.
class TSaveDC {
public:
  explicit TSaveDC(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {}
  ~TSaveDC() {
    if (FSaved) RestoreDC(FDC, FSaved);
  }
  TSaveDC(const TSaveDC&) = delete;
  TSaveDC& operator=(const TSaveDC&) = delete;

private:
  HDC FDC;
  int FSaved;
};

// Runs a function at the end of the scope, however the scope is left. The function must not
// throw.
template <class F> class TScopeExit {
public:
  explicit TScopeExit(F f) : FAction(std::move(f)) {}
  ~TScopeExit() { FAction(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

private:
  F FAction;
};

// Raises a flag for the life of the scope and lowers it at the end.
class TFlagHold {
public:
  explicit TFlagHold(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TFlagHold() { FFlag = false; }
  TFlagHold(const TFlagHold&) = delete;
  TFlagHold& operator=(const TFlagHold&) = delete;

private:
  bool& FFlag;
};

// Counts the scope in for its life; holders of one count nest.
class TCountHold {
public:
  explicit TCountHold(int& count) : FCount(count) { ++FCount; }
  ~TCountHold() { --FCount; }
  TCountHold(const TCountHold&) = delete;
  TCountHold& operator=(const TCountHold&) = delete;

private:
  int& FCount;
};
