// The spectrum analyser's visible side: the kinds, the inactive bars, grid, scales, paint, the
// strongest frequency's text and the info box under the mouse.
#include "MMSpectr.h"
#include "Handles.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

TMMClipCursorProc ClipCursorProc;

std::string Formatted(const char* format, double value) {
  char buf[64];
  snprintf(buf, sizeof buf, format, value);
  return buf;
}

std::string Trimmed(std::string s) {
  const size_t a = s.find_first_not_of(' ');
  const size_t b = s.find_last_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool Designing(const TComponent* c) {
  return c->ComponentState().Contains(csDesigning);
}

} // namespace

void SetSpectrumClipCursor(TMMClipCursorProc proc) {
  ClipCursorProc = std::move(proc);
}

BOOL SpectrumClipCursor(const RECT* rect) {
  return ClipCursorProc ? ClipCursorProc(rect) : ::ClipCursor(rect);
}

int ClampFFTLength(int value) {
  value = MinMax(value, 8, 4096);
  int p = 1;
  while (p * 2 <= value)
    p *= 2;
  return p;
}

int FFTBits(int length) {
  int b = 0;
  while ((1 << b) < length)
    ++b;
  return b;
}

void RenewFFT(PFFTSetup& setup, int32_t* windowTable, TMMFFTWindow window, int length) {
  PFFTSetup fresh = InitRealFFT(FFTBits(length));
  if (!fresh) throw std::bad_alloc();
  DoneRealFFT(setup);
  setup = fresh;
  BuildWindowTable(windowTable, window, FFTBits(length));
}

// --- the drawing pass ----------------------------------------------------------------------------

uint32_t TMMSpectrum::ZoneColorAt(int height) const {
  // Pixel heights against the zones' first spots, on the spots' scale.
  const int step = FSpotHeight + FSpotSpace;
  if (height >= FZone3 * step) return FPixel[2];
  if (height >= FZone2 * step) return FPixel[1];
  return FPixel[0];
}

void TMMSpectrum::DrawSpectrum(bool full) {
  TMMDIBCanvas& c = DIBCanvas();
  for (int i = 0; i < 6; ++i)
    FPixel[i] = c.NearestIndex(FColors[i]);
  const bool runTime = !Designing(this);
  if (full) ComputeColumns();
  {
    TMMDrawPhase drawing(c);
    const bool bars = FKind == skBars || FKind == skPeaks;
    if (FKind == skScroll && !full && runTime) {
      DIB_CopyRect(c.Bits(), 0, 2, FW, FH - 2, 0, 0, c);
      c.SetColor(Color());
      DIB_FillRect({0, 0, FW, 2}, c);
    } else if (bars && FDrawInactive && !OnDrawBar) {
      if (!FInactive->Bits()) BuildInactiveBars();
      DIB_CopyRect(FInactive->Bits(), 0, 0, FW, FH, 0, 0, c);
    } else if (FKind != skScroll && !OnDrawBar) {
      ClearBackground();
    } else {
      c.SetColor(Color());
      DIB_Clear(c);
    }
    if (FDrawGrid && FKind != skScroll) DrawGridLines();
    if (Enabled()) {
      switch (FKind) {
      case skDots:
        DrawDots();
        break;
      case skLines:
        DrawLines(false);
        break;
      case skScroll:
        DrawLines(true);
        break;
      case skVLines:
        DrawVLines();
        break;
      case skBars:
        DrawBarsAndPeaks(false);
        break;
      case skPeaks:
        DrawBarsAndPeaks(true);
        break;
      }
    }
  }
  CopyToScreen();
  DrawPeakText();
}

void TMMSpectrum::CopyToScreen() {
  DIBCanvas().DrawTo(Canvas().BlitHandle(), FDrawRect, 0, 0);
}

void TMMSpectrum::DrawDots() {
  TMMDIBCanvas& c = DIBCanvas();
  for (const TMMSpectrumBar& bar : Bars()) {
    const int v = MinMax(bar.Value, 0, FH - 1);
    for (int x = bar.First; x < bar.End; ++x)
      DIB_SetPixel(x, FH - 1 - v, ZoneColorAt(v), c);
  }
}

void TMMSpectrum::DrawVLines() {
  TMMDIBCanvas& c = DIBCanvas();
  const int step = FSpotHeight + FSpotSpace;
  const int z2 = FZone2 * step, z3 = FZone3 * step;
  for (const TMMSpectrumBar& bar : Bars()) {
    int left = bar.First, width = bar.End - bar.First;
    if (width > FSpace) left += FSpace / 2, width -= FSpace;
    width = Max(width, 1);
    const int v = MinMax(bar.Value, 0, FH);
    const int low = (FH - v) / 2, high = (FH + v) / 2; // heights from the bottom
    // Pieces above the zone-3 start, above the zone-2 start, and the rest.
    const int bounds[4] = {low, Max(low, Min(high, z2)), Max(low, Min(high, z3)), high};
    for (int piece = 0; piece < 3; ++piece) {
      if (bounds[piece + 1] <= bounds[piece]) continue;
      c.SetRawColor(FPixel[piece]);
      DIB_FillRect({left, FH - bounds[piece + 1], left + width, FH - bounds[piece]}, c);
    }
  }
}

void TMMSpectrum::DrawLines(bool scroll) {
  TMMDIBCanvas& c = DIBCanvas();
  const int base = scroll ? FH - FH / 3 : 1;
  // Every pixel in the zone colour of its own height; dotted steep segments set every other one.
  auto line = [&](int x0, int y0, int x1, int y1) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    const bool steep = -dy > dx;
    int err = dx + dy, count = 0;
    for (;;) {
      if (!(FActiveDoted && steep && (count & 1)))
        DIB_SetPixel(x0, y0, ZoneColorAt(FH - 1 - y0), c);
      ++count;
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  };
  auto rowOf = [&](int v) { return MinMax(FH - base - v, -1, FH); };
  std::vector<TMMSpectrumBar> bars = Bars();
  for (size_t i = 0; i + 1 < bars.size(); ++i)
    line(i == 0 ? 0 : bars[i].First, rowOf(bars[i].Value), bars[i + 1].First,
         rowOf(bars[i + 1].Value));
  if (bars.size() == 1) line(0, rowOf(bars[0].Value), FW - 1, rowOf(bars[0].Value));
  if (scroll || FNumPeaks <= 0) return;
  {
    TLockGuard lock(FPeakLock);
    for (TMMSpectrumBar& bar : FBars) {
      if (bar.First < 0) break;
      if (bar.Value >= bar.Peak && bar.Value > 0) {
        bar.Peak = bar.Value;
        bar.Counter = FPeakDelay * 2 + 1;
      }
    }
  }
  bars = Bars();
  for (size_t i = 0; i + 1 < bars.size(); ++i)
    line(i == 0 ? 0 : bars[i].First, rowOf(bars[i].Peak), bars[i + 1].First,
         rowOf(bars[i + 1].Peak));
}

void TMMSpectrum::DrawBarsAndPeaks(bool peaksOnly) {
  TMMDIBCanvas& c = DIBCanvas();
  std::vector<TMMSpectrumBar> bars;
  {
    TLockGuard lock(FPeakLock);
    for (TMMSpectrumBar& bar : FBars) {
      if (bar.First < 0) break;
      const int lit = Min(Round(double(Max(bar.Value, 0)) * FSpotCount / FH), FSpotCount);
      if (lit >= bar.Peak && lit > 0 && FNumPeaks > 0) {
        bar.Peak = lit;
        bar.Counter = FPeakDelay * 2 + 1;
      }
      bars.push_back({bar.First, bar.End, lit, bar.Peak, bar.Counter});
    }
  }
  for (const TMMSpectrumBar& bar : bars) {
    if (OnDrawBar) {
      OnDrawBar(this, c, RECT{bar.First, 0, bar.End, FH}, bar.Value, bar.Peak);
      continue;
    }
    DrawSpots(c, bar.First, bar.End, bar.Value, bar.Peak, FPixel, FActiveDoted, peaksOnly);
  }
}

void TMMSpectrum::DrawSpots(TMMDIBCanvas& c, int first, int end, int lit, int peak,
                            const uint32_t* colors, bool dotted, bool peaksOnly) {
  int left = first, width = end - first;
  if (width > FSpace) left += FSpace / 2, width -= FSpace;
  width = Max(width, 1);
  const int step = FSpotHeight + FSpotSpace;
  auto spot = [&](int s) { // s from 1
    const int bottom = (FH - 1 - FSpotOffset) - (s - 1) * step;
    c.SetRawColor(s > FZone3 ? colors[2] : s > FZone2 ? colors[1] : colors[0]);
    DIB_FillRectEx({left, bottom - FSpotHeight + 1, left + width, bottom + 1}, dotted, c);
  };
  for (int s = peaksOnly ? Max(lit, 1) : 1; s <= lit; ++s)
    spot(s);
  if (FNumPeaks > 0 && peak > lit)
    for (int s = peak; s > peak - FNumPeaks && s >= 1; --s)
      spot(s);
}

void TMMSpectrum::BuildInactiveBars() {
  if (LoadingOrReading(this) || OnDrawBar || (FKind != skBars && FKind != skPeaks)) return;
  TMMDIBCanvas& c = *FInactive;
  uint32_t colors[3];
  for (int i = 0; i < 3; ++i)
    colors[i] = c.NearestIndex(FColors[3 + i]);
  std::vector<TMMSpectrumBar> bars = Bars();
  {
    TMMDrawPhase drawing(c);
    c.SetColor(Color());
    DIB_Clear(c);
    for (const TMMSpectrumBar& bar : bars)
      DrawSpots(c, bar.First, bar.End, FSpotCount, 0, colors, FInactiveDoted, false);
  }
}

void TMMSpectrum::DrawGridLines() {
  TMMDIBCanvas& c = DIBCanvas();
  c.SetColor(FColors[8]);
  int n = FLogAmp ? 6 : 10;
  while (n > 1 && FH / n < 10)
    --n;
  for (int i = 0; i <= n; ++i)
    DIB_HLineDotted(0, FW, FH - int(int64_t(i) * FH / n) - 1, 1, c);
  n = 32;
  while (n > 1 && FW / n < 10)
    n /= 2;
  for (int i = 0; i <= n; ++i)
    DIB_VLineDotted((FW - 1) * i / n, 0, FH, 1, c);
}

// --- paint and scales ----------------------------------------------------------------------------

void TMMSpectrum::Paint() {
  TCanvas& cv = Canvas();
  const int b = Bevel()->BevelExtent();
  if (FDrawAmpScale || FDrawFreqScale) {
    cv.Brush().SetStyle(bsSolid);
    cv.Brush().SetColor(Color());
    if (FDrawAmpScale) {
      cv.FillRect({0, 0, 32, Height()});
      cv.FillRect({Width() - 32, 0, Width(), Height()});
    }
    if (FDrawFreqScale) cv.FillRect({0, Height() - 40, Width(), Height()});
    SetBkMode(cv.Handle(), TRANSPARENT);
    cv.Font().SetColor(FColors[6]);
    SetTextColor(cv.Handle(), ColorToRGB(FColors[6]));
    if (FDrawAmpScale && FDrawFreqScale) {
      const std::string unit = FLogAmp ? "db" : "V";
      DrawRotatedText(cv, 16, Height() - 32, 1, 10, "ARIAL", unit);
      DrawRotatedText(cv, Width() - 20, Height() - 32, 0, 10, "ARIAL", unit);
      DrawRotatedText(cv, Width() - 30, Height() - 20, 0, 10, "ARIAL", "Hz");
    }
  }
  Bevel()->PaintBevel(
      cv, {FDrawRect.left - b, FDrawRect.top - b, FDrawRect.right + b, FDrawRect.bottom + b});
  if (FDrawAmpScale) PaintAmpScale();
  if (FDrawFreqScale) PaintFreqScale();
  DrawSpectrum(true);
}

void TMMSpectrum::PaintFreqScale() {
  TCanvas& cv = Canvas();
  const int b = Bevel()->BevelExtent();
  cv.Pen().SetColor(FColors[7]);
  SetBkMode(cv.Handle(), TRANSPARENT);
  cv.Font().SetColor(FColors[6]);
  SetTextColor(cv.Handle(), ColorToRGB(FColors[6]));
  int n = 32;
  while (n > 1 && FW / n < 10)
    n /= 2; // at least one tick: a narrow control still draws
  const double sr = FSampleRate, offset = AxisOffset();
  const double z = std::min(std::max(FZoom, 1.0), 8.0);
  const int top = FDrawRect.bottom + b;
  for (int i = 0; i <= n; ++i) {
    const int x = FDrawRect.left + Round(double(FW - 1) * i / n);
    cv.MoveTo(x, top);
    cv.LineTo(x, top + 5);
    double f;
    if (!FLogFreq)
      f = i * ((sr / 2 - offset) / z / n) + offset;
    else
      f = std::exp(i * std::log(FFFTLength / 2.0) / (n * z)) * offset;
    DrawRotatedText(cv, x, top + 6, 2, 10, "ARIAL", Formatted("%.0f", std::max(f, 0.0)));
  }
}

void TMMSpectrum::PaintAmpScale() {
  TCanvas& cv = Canvas();
  const int b = Bevel()->BevelExtent();
  cv.Pen().SetColor(FColors[7]);
  SetBkMode(cv.Handle(), TRANSPARENT);
  cv.Font().SetColor(FColors[6]);
  SetTextColor(cv.Handle(), ColorToRGB(FColors[6]));
  int n = FLogAmp ? 6 : 10;
  while (n > 1 && FH / n < 10)
    --n; // at least one step: a low control still draws
  const int leftEdge = FDrawRect.left - b - 1, rightEdge = FDrawRect.right + b;
  for (int i = 0; i <= n; ++i) {
    const int y = FDrawRect.top + FH - 1 - int(int64_t(FH - 1) * i / n);
    cv.MoveTo(leftEdge, y);
    cv.LineTo(leftEdge - 4, y);
    cv.MoveTo(rightEdge, y);
    cv.LineTo(rightEdge + 4, y);
    std::string left, right;
    if (!FLogAmp) {
      const double v = 0.1 * i * 10.0 / n * FVertFactor;
      left = right = Formatted(FVertFactor <= 0.095 ? "%5.3f" : "%4.2f", v);
    } else {
      const int db = Round(i * 6.0 / n) * 10;
      left = Formatted("%.0f", db);
      right = Formatted("%2.0f", db);
    }
    DrawRotatedText(cv, leftEdge - 5, y, 1, 10, "ARIAL", left);
    DrawRotatedText(cv, rightEdge + 5, y, 0, 10, "ARIAL", right);
  }
}

// --- the strongest frequency's text --------------------------------------------------------------

std::string TMMSpectrum::PeakText() const {
  if (!FDisplayPeak || FPeakValue <= 5) return "";
  return Trimmed(Formatted("%7.1f Hz", FPeakFreq));
}

void TMMSpectrum::DrawPeakText() {
  if (Designing(this) || !Canvas().HandleAllocated()) return;
  const std::string text = PeakText();
  if (text.empty()) return;
  HDC dc = Canvas().Handle();
  TGdiObject<HFONT> font(CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                                     FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                     "MS Sans Serif"));
  TSelectObject select(dc, font.Get());
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
  const int base = FKind == skScroll ? FH - FH / 3 : 1;
  int x = Min(FPeakColumn, FW - size.cx);
  x = Max(x, 0);
  const int y = Max(FH - FPeakValue - base - size.cy, 0);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutA(dc, FDrawRect.left + x, FDrawRect.top + y, text.c_str(), int(text.size()));
}

// --- axis values and the info box ----------------------------------------------------------------

double TMMSpectrum::GetFrequencyAt(POINT p) const {
  if (!PtInRect(&FDrawRect, p)) return 0;
  const double x = p.x - FDrawRect.left, z = std::min(std::max(FZoom, 1.0), 8.0);
  double f;
  if (!FLogFreq)
    f = x * (FSampleRate / 2.0 / z) / FW + AxisOffset();
  else
    f = std::exp(x * std::log(FFFTLength / 2.0) / (FW * z)) * AxisOffset();
  return std::max(f, 0.0);
}

double TMMSpectrum::GetAmplitudeAt(POINT p) const {
  if (!PtInRect(&FDrawRect, p)) return 0;
  const double y = p.y - FDrawRect.top;
  if (!FLogAmp) return 0.1 * (FH - y - 1) * 10 / FH * FVertFactor;
  return -10.0 * 6 * y / FH;
}

std::string TMMSpectrum::InfoText(POINT p) const {
  std::string text = Formatted("%2.3f KHz", GetFrequencyAt(p) * 0.001);
  if (FKind == skScroll) return text;
  const double a = GetAmplitudeAt(p);
  if (FLogAmp) return text + Formatted(" %2.1f dB", a);
  return text + Formatted(VerticalScale() > 9 ? " %4.2f V" : " %5.3f V", a);
}

void TMMSpectrum::DrawInfo(POINT p) {
  const int b = Bevel()->BevelExtent();
  const std::string text = PtInRect(&FDrawRect, p) ? InfoText(p) : std::string();
  FInfo.Store().Show(DIBCanvas().Handle(), p.x - b - (FDrawAmpScale ? 32 : 0), p.y - b, FW, FH,
                     text, nullptr);
  auto show = [this] {
    CopyToScreen();
    DrawPeakText();
  };
  if (Canvas().HandleAllocated())
    show();
  else
    DrawDirect(show);
}

void TMMSpectrum::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FInfo.Press(button, FShowInfo, {x, y}, {0, 0, Width(), Height()});
  TMMDIBGraphicControl::MouseDown(button, shift, x, y);
}

void TMMSpectrum::MouseMove(TShiftState shift, int x, int y) {
  FInfo.Move({x, y});
  TMMDIBGraphicControl::MouseMove(shift, x, y);
}

void TMMSpectrum::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  FInfo.Release(button);
  TMMDIBGraphicControl::MouseUp(button, shift, x, y);
}
