// The DIB canvas and its pixel routines.
#include "Handles.h"
#include "MMDIBCv.h"
#include "MMStrings.h"
#include "MMObj.h"
#include <algorithm>
#include <cstring>
#include <set>

namespace {

const PALETTEENTRY StaticColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};

// Entries 0..9 and 246..255 are the screen's static colours, the rest black.
void DefaultPalette(PALETTEENTRY (&entries)[256]) {
  std::memset(entries, 0, sizeof entries);
  TClientDC screen(nullptr);
  bool fromSystem = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) &&
                    GetDeviceCaps(screen, SIZEPALETTE) <= 256 &&
                    GetSystemPaletteEntries(screen, 0, 10, entries) == 10 &&
                    GetSystemPaletteEntries(screen, 246, 10, entries + 246) == 10;
  if (fromSystem) return;
  for (int i = 0; i < 10; ++i) {
    entries[i] = StaticColors[i];
    entries[246 + i] = StaticColors[10 + i];
  }
}

COLORREF EntryValue(const PALETTEENTRY& e) {
  return RGB(e.peRed, e.peGreen, e.peBlue);
}

std::string Text(int n) {
  return LoadLibraryString(n);
}

// The canvas's state while it draws; nullptr otherwise, and the routine does nothing.
TMMDIBDrawState* Drawable(TMMDIBCanvas& canvas) {
  if (!canvas.Drawing() || !canvas.State().Bits) return nullptr;
  return &canvas.State();
}

uint8_t* PixelAt(TMMDIBDrawState& s, int x, int y) {
  return s.Bits + static_cast<ptrdiff_t>(s.Height - 1 - y) * s.RowLength + x * s.BytesPerPixel;
}

void Put(TMMDIBDrawState& s, int x, int y, uint32_t color) {
  uint8_t* p = PixelAt(s, x, y);
  if (s.BytesPerPixel == 1) {
    *p = static_cast<uint8_t>(color);
  } else {
    p[0] = static_cast<uint8_t>(color >> 16);
    p[1] = static_cast<uint8_t>(color >> 8);
    p[2] = static_cast<uint8_t>(color);
  }
}

bool Inside(const TMMDIBDrawState& s, int x, int y) {
  return x >= s.Clip.left && x < s.Clip.right && y >= s.Clip.top && y < s.Clip.bottom;
}

// Pixels x1 .. x2 - 1 of row y, already cut to the clipping rectangle.
void Span(TMMDIBDrawState& s, int x1, int x2, int y) {
  if (x1 >= x2) return;
  if (s.BytesPerPixel == 1) {
    std::memset(PixelAt(s, x1, y), static_cast<uint8_t>(s.Color), x2 - x1);
  } else {
    for (int x = x1; x < x2; ++x)
      Put(s, x, y, s.Color);
  }
}

// Cuts a row range to the columns; false when nothing of it remains visible.
bool CutRow(const TMMDIBDrawState& s, int& x1, int& x2, int y) {
  if (y < s.Clip.top || y >= s.Clip.bottom) return false;
  if (x1 > x2) std::swap(x1, x2);
  if (x2 < s.Clip.left || x1 >= s.Clip.right) return false;
  x1 = std::max(x1, static_cast<int>(s.Clip.left));
  x2 = std::min(x2, static_cast<int>(s.Clip.right));
  return x1 < x2;
}

bool CutColumn(const TMMDIBDrawState& s, int x, int& y1, int& y2) {
  if (x < s.Clip.left || x >= s.Clip.right) return false;
  if (y1 > y2) std::swap(y1, y2);
  if (y2 < s.Clip.top || y1 >= s.Clip.bottom) return false;
  y1 = std::max(y1, static_cast<int>(s.Clip.top));
  y2 = std::min(y2, static_cast<int>(s.Clip.bottom));
  return y1 < y2;
}

enum : int { OutBelow = 1, OutAbove = 2, OutRight = 4, OutLeft = 8 };

int OutCode(const RECT& c, int64_t x, int64_t y) {
  int code = 0;
  if (y >= c.bottom)
    code |= OutBelow;
  else if (y < c.top)
    code |= OutAbove;
  if (x > c.right)
    code |= OutRight;
  else if (x < c.left)
    code |= OutLeft;
  return code;
}

// Moves the outside end points onto the rectangle; false when the line misses it. Differences
// are 32-bit and products 64-bit, so even far end points clip exactly.
bool ClipLine(const RECT& c, int64_t& x1, int64_t& y1, int64_t& x2, int64_t& y2) {
  for (;;) {
    int c1 = OutCode(c, x1, y1), c2 = OutCode(c, x2, y2);
    if (c1 & c2) return false;
    if (!c1 && !c2) return true;
    const bool first = c1 != 0;
    int64_t& x = first ? x1 : x2;
    int64_t& y = first ? y1 : y2;
    const int64_t dx = (first ? x2 : x1) - x, dy = (first ? y2 : y1) - y;
    const int code = first ? c1 : c2;
    if (code & OutBelow) {
      x += (c.bottom - 1 - y) * dx / dy;
      y = c.bottom - 1;
    } else if (code & OutAbove) {
      x += (c.top - y) * dx / dy;
      y = c.top;
    } else if (code & OutRight) {
      y += (c.right - x) * dy / dx;
      x = c.right;
    } else {
      y += (c.left - x) * dy / dx;
      x = c.left;
    }
  }
}

void Line(TMMDIBDrawState& s, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  if (!ClipLine(s.Clip, x1, y1, x2, y2)) return;
  const int right = s.Clip.right;
  if (x1 == x2 && y1 == y2) return;
  if (x1 == x2) {
    if (x1 >= right) return;
    for (int64_t y = std::min(y1, y2); y < std::max(y1, y2); ++y)
      Put(s, static_cast<int>(x1), static_cast<int>(y), s.Color);
    return;
  }
  if (y1 == y2) {
    Span(s, static_cast<int>(std::min(x1, x2)), static_cast<int>(std::max(x1, x2)),
         static_cast<int>(y1));
    return;
  }
  if (x1 > x2) std::swap(x1, x2), std::swap(y1, y2);
  const int64_t dx = x2 - x1, ady = y2 > y1 ? y2 - y1 : y1 - y2;
  const int64_t sy = y2 > y1 ? 1 : -1;
  const bool alongX = dx >= ady;
  const int64_t bigM = alongX ? dx : ady, m = alongX ? ady : dx;
  int64_t d = 2 * m - bigM, x = x1, y = y1;
  for (int64_t i = 0; i < bigM; ++i) {
    if (x < right) Put(s, static_cast<int>(x), static_cast<int>(y), s.Color);
    if (alongX) {
      ++x;
      if (d >= 0)
        y += sy, d += 2 * m - 2 * bigM;
      else
        d += 2 * m;
    } else {
      y += sy;
      if (d >= 0)
        ++x, d += 2 * m - 2 * bigM;
      else
        d += 2 * m;
    }
  }
}

} // namespace

// --- TMMDIBCanvas --------------------------------------------------------------------------------

TMMDIBCanvas::TMMDIBCanvas() {
  FBackground.OnChange = [this](TObject*) {
    if (FHasBackground) MarkRebuild();
  };
}

TMMDIBCanvas::~TMMDIBCanvas() {
  SetHandle(nullptr);
  FreeDIB();
}

void TMMDIBCanvas::SetBounds(int, int, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  FClip = {0, 0, FWidth, FHeight};
  SetHandle(nullptr);
  MarkRebuild();
}

void TMMDIBCanvas::SetBitsPerPixel(int value) {
  if (value != 8 && value != 24) throw EMMDIBError(Text(MMS_BITLENGTH_NOT_SUPPORTED));
  if (value == FBitsPerPixel) return;
  FBitsPerPixel = value;
  MarkRebuild();
}

void TMMDIBCanvas::SetPaletteRealize(bool value) {
  if (value == FPaletteRealize) return;
  FPaletteRealize = value;
  MarkRebuild();
}

void TMMDIBCanvas::SetLogPalette(const LOGPALETTE* palette) {
  FLogPalette.clear();
  if (palette && palette->palVersion >= 0x300 && palette->palNumEntries <= 256)
    FLogPalette.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  MarkRebuild();
}

void TMMDIBCanvas::SetAnimatedColors(int count) {
  if (count < 0 || count > 236) throw EMMDIBError(Text(MMS_INVALID_ANIMATED_COLORS));
  if (count == FAnimatedCount) return;
  FAnimatedCount = count;
  MarkRebuild();
}

void TMMDIBCanvas::SetBackground(TBitmap* bitmap) {
  FHasBackground = bitmap && !bitmap->Empty();
  if (FHasBackground)
    FBackground.Assign(*bitmap);
  else
    FBackground.SetSize(0, 0);
  MarkRebuild();
}

void TMMDIBCanvas::MarkRebuild() {
  FRebuild = true;
  SetHandle(nullptr); // the next handle request rebuilds
}

void TMMDIBCanvas::CreateHandle() {
  if (!FMemDC) {
    FMemDC.emplace(nullptr);
    if (!*FMemDC) {
      FMemDC.reset();
      throw EMMDIBError(Text(MMS_UNABLE_DIB_DC));
    }
  }
  if (FRebuild || !FDIB) Rebuild();
  if (FDIB) SetHandle(*FMemDC);
}

void TMMDIBCanvas::FreeDIB() {
  FDIBSelected.reset();
  FDIB.Reset();
  FBackDIB.Reset();
  FPalette.Reset();
  FBits = FBackBits = nullptr;
}

void TMMDIBCanvas::Rebuild() {
  if (!FReady) throw EMMDIBError(Text(MMS_DIB_WHILE_DRAWING));
  SetHandle(nullptr);
  FreeDIB();
  PALETTEENTRY entries[256];
  DefaultPalette(entries);
  // A 32-bit background bitmap has no colour table of its own: the default palette stays.
  if (!FHasBackground && !FLogPalette.empty()) {
    for (int i = 10; i <= 246 && i < static_cast<int>(FLogPalette.size()); ++i) {
      entries[i] = FLogPalette[i];
      entries[i].peFlags = PC_NOCOLLAPSE;
    }
  }
  FAnimatedValues.clear();
  FFirstAnimated = FAnimatedCount > 0 ? 247 - FAnimatedCount : 256;
  for (int i = FFirstAnimated; i <= 246; ++i) {
    std::set<COLORREF> held;
    for (const PALETTEENTRY& e : entries)
      held.insert(EntryValue(e));
    COLORREF v = 0;
    while (held.count(v))
      ++v;
    entries[i] = {GetRValue(v), GetGValue(v), GetBValue(v), PC_RESERVED};
    FAnimatedValues.push_back(v);
  }
  struct {
    BITMAPINFOHEADER Header;
    RGBQUAD Colors[256];
  } info{};
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  info.Header.biWidth = FWidth;
  info.Header.biHeight = FHeight; // bottom-up
  info.Header.biPlanes = 1;
  info.Header.biBitCount = static_cast<WORD>(FBitsPerPixel);
  info.Header.biCompression = BI_RGB;
  info.Header.biClrUsed = FBitsPerPixel == 8 ? 256 : 0;
  for (int i = 0; i < 256; ++i) {
    info.Colors[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed,
                      static_cast<BYTE>(i >= 10 && i <= 245 && i < FFirstAnimated ? 4 : 0)};
  }
  struct {
    WORD Version, Count;
    PALETTEENTRY Entries[256];
  } logPal{0x300, 256, {}};
  std::memcpy(logPal.Entries, entries, sizeof entries);
  FPalette.Reset(CreatePalette(reinterpret_cast<LOGPALETTE*>(&logPal)));
  void* bits = nullptr;
  FDIB.Reset(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                              nullptr, 0));
  if (!FDIB || !FPalette) {
    FreeDIB();
    return;
  }
  FBits = static_cast<uint8_t*>(bits);
  FDIBSelected.emplace(*FMemDC, FDIB.Get());
  const size_t size = static_cast<size_t>(RowLength()) * FHeight;
  if (FHasBackground) {
    void* back = nullptr;
    FBackDIB.Reset(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                    &back, nullptr, 0));
    if (FBackDIB) {
      FBackBits = static_cast<uint8_t*>(back);
      {
        TMemoryDC dc(nullptr);
        TSelectObject target(dc, FBackDIB.Get());
        SetStretchBltMode(dc, COLORONCOLOR);
        TMemoryDC src(nullptr);
        TSelectObject source(src, FBackground.Handle());
        StretchBlt(dc, 0, 0, FWidth, FHeight, src, 0, 0, FBackground.Width(), FBackground.Height(),
                   SRCCOPY);
        GdiFlush();
      }
      std::memcpy(FBits, FBackBits, size);
    }
  } else {
    std::memset(FBits, 0, size); // black: entry 0, or RGB 0
  }
  FRebuild = false;
}

void TMMDIBCanvas::BeginDraw() {
  TLockGuard making(FLock); // given back should making the DIB fail
  CreateHandle();           // makes the DIB; without one the routines draw nothing
  Lock();                   // a second hold, kept until EndDraw (the section counts them)
  FState.BitsPerPixel = FBitsPerPixel;
  FState.BytesPerPixel = FBitsPerPixel / 8;
  FState.Width = FWidth;
  FState.Height = FHeight;
  FState.RowLength = RowLength();
  FState.RowStep = -RowLength();
  FState.Bits = FBits;
  FState.Clip = FClip;
  FState.Pos = {0, 0};
  FReady = false;
  GdiFlush();
}

void TMMDIBCanvas::EndDraw() {
  if (FReady) return;
  const uint32_t color = FState.Color;
  FState = TMMDIBDrawState{};
  FState.Color = color;
  FReady = true;
  Unlock();
}

uint32_t TMMDIBCanvas::NearestIndex(TColor color) {
  COLORREF rgb = ColorToRGB(color);
  if (FBitsPerPixel != 8) return rgb;
  if (!FPalette || FRebuild) CreateHandle();
  return FPalette ? GetNearestPaletteIndex(FPalette.Get(), rgb) : 0;
}

void TMMDIBCanvas::SetColor(TColor color) {
  uint32_t v = NearestIndex(color);
  SetRawColor(v);
}

void TMMDIBCanvas::SetRawColor(uint32_t value) {
  FState.Color = FBitsPerPixel == 8 ? (value & 0xFF) * 0x01010101u : value & 0xFFFFFF;
}

void TMMDIBCanvas::DrawTo(HDC dc, const RECT& target, int sourceX, int sourceY) {
  CreateHandle();
  if (!FDIB) return;
  HDC mem = *FMemDC;
  HPALETTE oldPalette = nullptr;
  if (FPaletteRealize && FPalette) {
    oldPalette = SelectPalette(dc, FPalette.Get(), FPaletteMapped ? FALSE : TRUE);
    RealizePalette(dc);
  }
  BitBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, mem,
         sourceX, sourceY, SRCCOPY);
  if (oldPalette) SelectPalette(dc, oldPalette, TRUE);
  GdiFlush();
}

// --- pixel routines ------------------------------------------------------------------------------

void DIB_SetPixel(int x, int y, uint32_t color, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (s && Inside(*s, x, y)) Put(*s, x, y, color);
}

void DIB_MoveTo(int x, int y, TMMDIBCanvas& canvas) {
  if (TMMDIBDrawState* s = Drawable(canvas)) s->Pos = {x, y};
}

void DIB_LineTo(int x, int y, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s) return;
  POINT from = s->Pos;
  s->Pos = {x, y};
  Line(*s, from.x, from.y, x, y);
}

void DIB_HLine(int x1, int x2, int y, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (s && CutRow(*s, x1, x2, y)) Span(*s, x1, x2, y);
}

void DIB_HLineDashed(int x1, int x2, int y, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s || !CutRow(*s, x1, x2, y) || x2 - x1 < 4) return;
  for (int x = x1; x < x2; x += 8)
    Span(*s, x, std::min(x + 4, x2), y);
}

void DIB_HLineDotted(int x1, int x2, int y, int gap, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s || !CutRow(*s, x1, x2, y)) return;
  const int step = std::max(gap, 1) + 1;
  for (int x = x1; x < x2; x += step)
    Put(*s, x, y, s->Color);
}

void DIB_VLine(int x, int y1, int y2, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s || !CutColumn(*s, x, y1, y2)) return;
  for (int y = y1; y < y2; ++y)
    Put(*s, x, y, s->Color);
}

void DIB_VLineDotted(int x, int y1, int y2, int gap, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s || !CutColumn(*s, x, y1, y2)) return;
  const int step = std::max(gap, 1) + 1;
  for (int y = y1; y < y2; y += step)
    Put(*s, x, y, s->Color);
}

void DIB_VLineIndices(int x, int y, const uint8_t* indices, int count, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s || s->BytesPerPixel != 1 || !indices || count <= 0) return;
  int y1 = y, y2 = y + count;
  if (!CutColumn(*s, x, y1, y2)) return;
  for (int row = y1, i = 0; row < y2; ++row, ++i)
    *PixelAt(*s, x, row) = indices[i];
}

void DIB_FillRectEx(const RECT& rect, bool dotted, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s) return;
  int l = std::min(rect.left, rect.right), r = std::max(rect.left, rect.right);
  int t = std::min(rect.top, rect.bottom), b = std::max(rect.top, rect.bottom);
  l = std::max(l, static_cast<int>(s->Clip.left));
  r = std::min(r, static_cast<int>(s->Clip.right));
  t = std::max(t, static_cast<int>(s->Clip.top));
  b = std::min(b, static_cast<int>(s->Clip.bottom));
  if (l >= r || t >= b) return;
  for (int y = t; y < b; y += dotted ? 2 : 1) {
    if (!dotted) {
      Span(*s, l, r, y);
      continue;
    }
    for (int x = l; x < r; x += 2)
      Put(*s, x, y, s->Color);
  }
}

void DIB_FillRect(const RECT& rect, TMMDIBCanvas& canvas) {
  DIB_FillRectEx(rect, false, canvas);
}

void DIB_Clear(TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s) return;
  if (s->BytesPerPixel == 1) {
    std::memset(s->Bits, static_cast<uint8_t>(s->Color),
                static_cast<size_t>(s->RowLength) * s->Height);
    return;
  }
  for (int y = 0; y < s->Height; ++y)
    for (int x = 0; x < s->Width; ++x)
      Put(*s, x, y, s->Color);
}

void DIB_CopyRect(const uint8_t* source, int x, int y, int width, int height, int sourceX,
                  int sourceY, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s || !source || width <= 0 || height <= 0) return;
  // Cut the target to the clipping rectangle and the source to its block, moving the other
  // with each cut, so that nothing outside either is read or written.
  auto cut = [](int& pos, int& other, int& size, int low, int high) {
    if (pos < low) {
      int d = low - pos;
      pos += d, other += d, size -= d;
    }
    if (pos + size > high) size = high - pos;
  };
  cut(x, sourceX, width, s->Clip.left, s->Clip.right);
  cut(y, sourceY, height, s->Clip.top, s->Clip.bottom);
  cut(sourceX, x, width, 0, s->Width);
  cut(sourceY, y, height, 0, s->Height);
  if (width <= 0 || height <= 0) return;
  const int bpp = s->BytesPerPixel;
  auto row = [&](const uint8_t* base, int px, int py) {
    return base + static_cast<ptrdiff_t>(s->Height - 1 - py) * s->RowLength + px * bpp;
  };
  // Rows from the last one upward when the target lies lower, so overlapping moves keep
  // every source row until it is read; memmove does the same within a row.
  const bool upward = y > sourceY;
  for (int i = 0; i < height; ++i) {
    int k = upward ? height - 1 - i : i;
    std::memmove(const_cast<uint8_t*>(row(s->Bits, x, y + k)), row(source, sourceX, sourceY + k),
                 static_cast<size_t>(width) * bpp);
  }
}

void DIB_FillEllipse(int cx, int cy, int rx, int ry, TMMDIBCanvas& canvas) {
  TMMDIBDrawState* s = Drawable(canvas);
  if (!s) return;
  const int64_t a = static_cast<int16_t>(rx), b = static_cast<int16_t>(ry);
  if (a <= 0 || b <= 0) return;
  auto e = [&](int64_t x, int64_t y) { return b * b * x * x + a * a * y * y - a * a * b * b; };
  struct TSpan {
    int64_t x1, x2, y;
  };
  std::vector<TSpan> spans;
  int64_t x = 0, y = b;
  while (y >= 0) {
    spans.push_back({cx - x, cx + x, cy - y});
    spans.push_back({cx - x, cx + x, cy + y});
    int64_t d = e(x + 1, y - 1);
    if (d >= 0) {
      if (d + e(x, y - 1) > 0)
        --y;
      else
        ++x, --y;
    } else {
      if (d + e(x + 1, y) > 0)
        ++x, --y;
      else
        ++x;
    }
  }
  for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
    int64_t l = std::max<int64_t>(it->x1, s->Clip.left);
    int64_t r = std::min<int64_t>(it->x2 + 1, s->Clip.right);
    if (it->y < s->Clip.top || it->y >= s->Clip.bottom || l >= r) continue;
    Span(*s, static_cast<int>(l), static_cast<int>(r), static_cast<int>(it->y));
  }
}
