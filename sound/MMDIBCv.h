// A canvas over an off-screen DIB section (8 or 24 bits, bottom-up) with an optional background
// picture and a palette, and the pixel routines the sound displays draw with.
#pragma once
#include "Graphics.h"
#include "Handles.h"
#include "SysUtils.h"
#include "Threads.h"
#include <cstdint>
#include <optional>
#include <vector>

#include <windows.h>

TB_DECLARE_EXCEPTION(EMMDIBError, Exception);

// What the pixel routines need of a canvas in its drawing phase.
struct TMMDIBDrawState {
  int BitsPerPixel = 0, BytesPerPixel = 0;
  int Width = 0, Height = 0;
  int RowLength = 0; // bytes, padded to 4
  int RowStep = 0;   // from picture row y to y + 1 (negative: bottom-up)
  uint8_t* Bits = nullptr;
  RECT Clip{0, 0, 0, 0};
  POINT Pos{0, 0};
  uint32_t Color = 0; // 8-bit: the index in all four bytes; 24-bit: RGB, red in the low byte
};

class TMMDIBCanvas : public TCanvas {
public:
  TMMDIBCanvas();
  ~TMMDIBCanvas() override;

  void SetBounds(int left, int top, int width, int height);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetWidth(int value) { SetBounds(0, 0, value, FHeight); }
  void SetHeight(int value) { SetBounds(0, 0, FWidth, value); }
  int BitsPerPixel() const { return FBitsPerPixel; }
  void SetBitsPerPixel(int value);
  bool PaletteRealize() const { return FPaletteRealize; }
  void SetPaletteRealize(bool value);
  bool PaletteMapped() const { return FPaletteMapped; }
  void SetPaletteMapped(bool value) { FPaletteMapped = value; }
  // A logical palette to take entries 10..246 from (copied; version 0x300, at most 256 entries).
  void SetLogPalette(const LOGPALETTE* palette);
  int AnimatedColors() const { return FAnimatedCount; }
  void SetAnimatedColors(int count);
  const std::vector<COLORREF>& AnimatedColorValues() const { return FAnimatedValues; }
  int FirstAnimatedEntry() const { return FFirstAnimated; }
  // The background picture; nullptr for none (the bitmap is copied).
  void SetBackground(TBitmap* bitmap);
  bool HasBackgroundBits() const { return FBackBits != nullptr; }
  const uint8_t* BackgroundBits() const { return FBackBits; }
  HPALETTE Palette() const { return FPalette.Get(); }
  // The DIB's bits (bottom-up rows of RowLength bytes); nullptr before the first build.
  uint8_t* Bits() const { return FBits; }
  int RowLength() const { return (FWidth * FBitsPerPixel + 31) / 32 * 4; }
  const RECT& ClipRect() const { return FClip; }
  void SetClipRect(const RECT& value) { FClip = value; }

  // Opens a drawing phase: the pixel routines draw on this canvas until EndDraw.
  void BeginDraw();
  void EndDraw();
  bool Drawing() const { return !FReady; }
  const TMMDIBDrawState& State() const { return FState; }
  TMMDIBDrawState& State() { return FState; }

  void SetColor(TColor color);
  void SetRawColor(uint32_t value);
  uint32_t NearestIndex(TColor color);
  // Copies (right - left) x (bottom - top) pixels from (sourceX, sourceY) to the rectangle.
  void DrawTo(HDC dc, const RECT& target, int sourceX, int sourceY);
  void Lock() { FLock.Enter(); }
  void Unlock() { FLock.Leave(); }

protected:
  void CreateHandle() override;

private:
  void MarkRebuild();
  void Rebuild();
  void FreeDIB();
  std::optional<TMemoryDC> FMemDC; // made at the first drawing
  int FBitsPerPixel = 8;
  TGdiObject<HBITMAP> FDIB, FBackDIB;
  TGdiObject<HPALETTE> FPalette;
  std::optional<TSelectObject> FDIBSelected; // FDIB in FMemDC while it lives
  std::vector<PALETTEENTRY> FLogPalette;     // empty: none given
  bool FPaletteRealize = false, FPaletteMapped = false;
  uint8_t* FBits = nullptr;
  uint8_t* FBackBits = nullptr;
  int FWidth = 1, FHeight = 1;
  RECT FClip{0, 0, 1, 1};
  TBitmap FBackground;
  bool FHasBackground = false;
  bool FRebuild = true, FReady = true;
  int FAnimatedCount = 0, FFirstAnimated = 256;
  std::vector<COLORREF> FAnimatedValues;
  TMMDIBDrawState FState;
  TCriticalSection FLock;
};

// A drawing phase for the life of a scope.
class TMMDrawPhase {
public:
  explicit TMMDrawPhase(TMMDIBCanvas& canvas) : FCanvas(canvas) { FCanvas.BeginDraw(); }
  ~TMMDrawPhase() { FCanvas.EndDraw(); }
  TMMDrawPhase(const TMMDrawPhase&) = delete;
  TMMDrawPhase& operator=(const TMMDrawPhase&) = delete;

private:
  TMMDIBCanvas& FCanvas;
};

// The pixel routines. Each draws only on the canvas given, and only while it is drawing; they
// clip to its clipping rectangle, whose right column and bottom row lie outside.
void DIB_SetPixel(int x, int y, uint32_t color, TMMDIBCanvas& canvas);
void DIB_MoveTo(int x, int y, TMMDIBCanvas& canvas);
void DIB_LineTo(int x, int y, TMMDIBCanvas& canvas);
void DIB_HLine(int x1, int x2, int y, TMMDIBCanvas& canvas);
void DIB_HLineDashed(int x1, int x2, int y, TMMDIBCanvas& canvas);
void DIB_HLineDotted(int x1, int x2, int y, int gap, TMMDIBCanvas& canvas);
void DIB_VLine(int x, int y1, int y2, TMMDIBCanvas& canvas);
void DIB_VLineDotted(int x, int y1, int y2, int gap, TMMDIBCanvas& canvas);
void DIB_VLineIndices(int x, int y, const uint8_t* indices, int count, TMMDIBCanvas& canvas);
void DIB_FillRect(const RECT& rect, TMMDIBCanvas& canvas);
void DIB_FillRectEx(const RECT& rect, bool dotted, TMMDIBCanvas& canvas);
void DIB_Clear(TMMDIBCanvas& canvas);
// Copies from a bits block of the DIB's layout (its own bits or the background copy).
void DIB_CopyRect(const uint8_t* source, int x, int y, int width, int height, int sourceX,
                  int sourceY, TMMDIBCanvas& canvas);
void DIB_FillEllipse(int cx, int cy, int rx, int ry, TMMDIBCanvas& canvas);
