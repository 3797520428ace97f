// The oscilloscope: properties, intake, layout, drawing and the info box.
#include "Handles.h"
#include "MMOscope.h"
#include "MMProps.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Never destroyed: a display may still go after the statics at exit, and looks itself up here.
std::vector<TMMOscope*>& List = *new std::vector<TMMOscope*>;
TMMClipCursorProc ClipCursorProc;

BOOL ClipTheCursor(const RECT* r) {
  return ClipCursorProc ? ClipCursorProc(r) : ::ClipCursor(r);
}

// The saved background under the info box, shared by all oscopes.
TMMInfoStore Store;

bool Designing(const TComponent* c) {
  return c->ComponentState().Contains(csDesigning);
}

std::string Formatted(const char* format, double value) {
  char buf[64];
  snprintf(buf, sizeof buf, format, value);
  return buf;
}

} // namespace

void SetOscopeClipCursor(TMMClipCursorProc proc) {
  ClipCursorProc = std::move(proc);
}

const std::vector<TMMOscope*>& OscopeList() {
  return List;
}

TMMOscope::TMMOscope(TComponent* AOwner)
    : TMMDIBGraphicControl(AOwner),
      FInfo(this, Store, ClipTheCursor, [this](POINT p) { DrawInfo(p); }) {
  SetNoFill(true);
  TControl::SetColor(clBlack);
  SetCursor(crCross);
  if (!Designing(this)) {
    List.push_back(this);
  }
  SetBounds(0, 0, 194, 90);
}

TMMOscope::~TMMOscope() {
  FInfo.End();
  List.erase(std::remove(List.begin(), List.end(), this), List.end());
}

// --- layout -------------------------------------------------------------------------------------

void TMMOscope::SetBounds(int left, int top, int width, int height) {
  const int b = Bevel()->BevelExtent();
  width = Max(width, FDrawAmpScale ? 2 * b + 66 : 2 * b + 2);
  height = Max(height, FDrawTimeScale ? 2 * b + 42 : 2 * b + 2);
  height &= ~1;
  TMMDIBGraphicControl::SetBounds(left, top, width, height);
  AdjustBounds();
}

void TMMOscope::ApplySizeRules() {
  const int w = Width(), h = Height();
  const int b = Bevel()->BevelExtent();
  int nw = Max(w, FDrawAmpScale ? 2 * b + 66 : 2 * b + 2);
  int nh = Max(h, FDrawTimeScale ? 2 * b + 42 : 2 * b + 2) & ~1;
  if (nw == w && nh == h)
    AdjustBounds();
  else
    SetBounds(Left(), Top(), nw, nh);
}

void TMMOscope::AdjustBounds() {
  RECT r{0, 0, Width(), Height()};
  if (FDrawAmpScale) r.left += 32, r.right -= 32;
  if (FDrawTimeScale) r.bottom -= 40;
  const int b = Bevel()->BevelExtent();
  FDrawRect = {r.left + b, r.top + b, r.right - b, r.bottom - b};
  FPoints = Max(FDrawRect.right - FDrawRect.left, 4);
  FHeight = Max(FDrawRect.bottom - FDrawRect.top, 4);
  FMid = FHeight / 2;
  FBuffer.assign(size_t(FPoints + 40), 0);
  ResetBuffer();
  DIBCanvas().SetBounds(0, 0, FPoints, FHeight);
  CalcEffectLimits();
  CalcFrameSize();
  FDivisions = 10;
  while (FHeight / FDivisions < 10 && FDivisions > 2)
    FDivisions -= 2;
  FNeedRedraw = true;
  Invalidate();
}

void TMMOscope::ResetBuffer() {
  if (FBuffer.empty()) return;
  if (!Designing(this)) {
    std::fill(FBuffer.begin(), FBuffer.end(), int16_t(0));
    return;
  }
  double a = 1.0;
  for (int i = 0; i < FPoints; ++i) {
    FBuffer[i] =
        int16_t(Round(a * std::sin(2 * 3.14159265358979 * i / ((FPoints - 1) * 0.125)) * 30719));
    a -= 1.0 / FPoints;
  }
}

void TMMOscope::CalcEffectLimits() {
  if (FEffect == efPeak) {
    FLower = FHeight / 3;
    FUpper = FHeight - FLower;
  } else if (FEffect == efSplit) {
    FLower = 0;
    FUpper = FHeight / 2;
  }
}

void TMMOscope::CalcFrameSize() {
  const int b = (FBitLength + 1) * (FMode + 1);
  FSpread = 0;
  if (FScroll)
    FFrameSize = b * FFFTLength;
  else if (FZoom > 0)
    FFrameSize = b * FPoints * FZoom;
  else
    FFrameSize = ((b * FPoints) / (-FZoom + 1) + 5) / 4 * 4;
  if (!FScroll && FDataLimit >= b && FFrameSize > FDataLimit) {
    FSpread = FDataLimit / b;
    FFrameSize = FSpread * b;
  }
}

void TMMOscope::SetDataLimit(int bytes) {
  bytes = Max(bytes, 0);
  if (bytes == FDataLimit) return;
  FDataLimit = bytes;
  CalcFrameSize();
}

WAVEFORMATEX TMMOscope::Format() const {
  WAVEFORMATEX f{};
  BuildPcmFormat(f, (FBitLength + 1) * 8, FMode + 1, FSampleRate);
  return f;
}

void TMMOscope::Changed() {
  FNeedRedraw = true;
  Invalidate();
}

// --- properties ---------------------------------------------------------------------------------

void TMMOscope::SetAccelerate(bool value) {
  if (!StoreChanged(FAccelerate, value)) return;
  if (!value && FScroll) Changed();
}

void TMMOscope::SetScroll(bool value) {
  if (StoreChanged(FScroll, value)) AdjustBounds();
}

void TMMOscope::SetDrawMidLine(bool value) {
  if (StoreChanged(FDrawMidLine, value)) Changed();
}

void TMMOscope::SetKind(TMMOscopeKind value) {
  if (!StoreChanged(FKind, value)) return;
  FSpan = value == okSpikes ? 32767 : 65535;
  FValueOffset = value == okSpikes ? 0 : 32767;
  Changed();
}

void TMMOscope::SetColorByIndex(int index, TColor value) {
  if (index < 0 || index > 8) return;
  if (StoreChanged(FColors[index], value)) Changed();
}

void TMMOscope::SetBarWidth(int value) {
  if (StoreChanged(FBarWidth, Max(value, 1))) Changed();
}

void TMMOscope::SetBitLength(TMMBits value) {
  FBitLength = value;
  CalcFrameSize();
}

void TMMOscope::SetChannel(TMMChannel value) {
  FChannel = value;
  CalcFrameSize();
}

void TMMOscope::SetSampleRate(int value) {
  if (StoreChanged(FSampleRate, MinMax(value, 8000, 88200))) Changed();
}

void TMMOscope::SetMode(TMMMode value) {
  if (value == mQuadro) return;
  FMode = value;
  CalcFrameSize();
}

void TMMOscope::SetSteps(int value) {
  if (StoreChanged(FSteps, MinMax(value, 1, 9))) Changed();
}

void TMMOscope::SetZoom(int value) {
  if (value == 0) return;
  FZoom = MinMax(value, -9, 9);
  CalcFrameSize();
}

void TMMOscope::SetGain(int value) {
  if (value < -8 || value > 32) return;
  if (StoreChanged(FGain, value)) Changed();
}

void TMMOscope::SetEffect(TMMOscopeEffect value) {
  if (!StoreChanged(FEffect, value)) return;
  CalcEffectLimits();
  Changed();
}

void TMMOscope::SetDrawAmpScale(bool value) {
  if (!StoreChanged(FDrawAmpScale, value)) return;
  ApplySizeRules();
}

void TMMOscope::SetDrawTimeScale(bool value) {
  if (!StoreChanged(FDrawTimeScale, value)) return;
  ApplySizeRules();
}

void TMMOscope::SetDrawGrid(bool value) {
  if (StoreChanged(FDrawGrid, value)) Changed();
}

void TMMOscope::SetFFTLength(int value) {
  value = MinMax(value, 1, 4096);
  int p = 1;
  while (p * 2 <= value)
    p *= 2;
  if (!StoreChanged(FFFTLength, p)) return;
  CalcFrameSize();
  if (FScroll) Changed();
}

void TMMOscope::EnabledChanged() {
  if (!Enabled()) FInfo.End();
  Changed();
  TMMDIBGraphicControl::EnabledChanged();
}

void TMMOscope::VisibleChanged() {
  if (!Visible()) FInfo.End();
  TMMDIBGraphicControl::VisibleChanged();
}

// --- intake -------------------------------------------------------------------------------------

void TMMOscope::SetPWaveFormat(const WAVEFORMATEX* format) {
  TakePcmFormat<EMMOscopeError>(*this, format);
}

void TMMOscope::RefreshPCMData(const void* buffer) {
  if (!buffer || !Enabled() || !Visible() || FInfo.Active() || FBuffer.empty()) return;
  if (!FScroll) {
    for (int j = 0; j < FPoints; ++j) {
      int frame = FZoom > 0 ? j * FZoom : j / (-FZoom + 1);
      if (FSpread > 0) frame = int(int64_t(j) * FSpread / FPoints);
      FBuffer[j] = int16_t(PcmFrameValue(buffer, frame, FBitLength, FMode, FChannel));
    }
  } else {
    const WAVEFORMATEX f = Format();
    int l1, l2, r1, r2;
    FindMinMax(FFrameSize, buffer, &f, l1, l2, r1, r2);
    if (FBitLength == b8Bit) {
      l1 = (l1 - 128) * 256, l2 = (l2 - 128) * 256, r1 = (r1 - 128) * 256, r2 = (r2 - 128) * 256;
    }
    int first = l1, second = l2;
    if (FMode == mStereo && FChannel == chRight) first = r1, second = r2;
    if (FMode == mStereo && FChannel == chBoth) first = (l1 + r1) / 2, second = (l2 + r2) / 2;
    FBuffer[0] = int16_t(first);
    FBuffer[1] = int16_t(second);
    // Each frame is a column of its own: while the drawing is held it goes into the bitmap now.
    if (DrawingHeld()) {
      DrawScope(false);
      return;
    }
  }
  DrawDirect([this] { DrawScope(false); });
}

void TMMOscope::ResetData() {
  FInfo.LetGo();
  ResetBuffer();
  Changed();
}

void TMMOscope::GainOverflow() {
  if (OnGainOverflow) OnGainOverflow(this);
}

void TMMOscope::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

// --- the trace ----------------------------------------------------------------------------------

int TMMOscope::ValueOf(int sample) {
  if (sample >= 32767) PcmOverflow();
  if (FKind == okSpikes) sample = std::abs(sample);
  const int64_t scaled = int64_t(sample) * (FGain + 8) / 8 + FValueOffset;
  const int v = int(scaled * FHeight / FSpan);
  if (v > FHeight) GainOverflow();
  return v;
}

uint32_t TMMOscope::PointColor(int v) {
  if (FEffect != efNone && (v < FLower || v > FUpper)) return FColorCache[2];
  return FColorCache[0];
}

void TMMOscope::Column(int x, int row1, int row2) {
  DIB_VLine(x, Min(row1, row2), Max(row1, row2) + 1, DIBCanvas());
}

void TMMOscope::DrawMirrored(int x, int v, uint32_t color) {
  TMMDIBCanvas& c = DIBCanvas();
  const int r = RowOf(v), m = 2 * FMid - r;
  const int top = Min(r, m), bottom = Max(r, m);
  c.SetRawColor(FColorCache[0]);
  Column(x, top, bottom);
  if (FEffect == efNone || (v >= FLower && v <= FUpper)) return;
  c.SetRawColor(color);
  if (v < FLower) {
    Column(x, top, top + 4);
    Column(x, bottom - 4, bottom);
  } else {
    Column(x, top - 4, top);
    Column(x, bottom, bottom + 4);
  }
}

void TMMOscope::DrawDots() {
  TMMDIBCanvas& c = DIBCanvas();
  for (int i = 0; i < FPoints; i += FSteps) {
    const int v = ValueOf(FBuffer[i]);
    DIB_SetPixel(i, RowOf(v), PointColor(v), c);
  }
}

void TMMOscope::DrawConLines() {
  TMMDIBCanvas& c = DIBCanvas();
  int last = 0, lastRow = FMid;
  uint32_t lastColor = FColorCache[0];
  for (int i = 0; i < FPoints; i += FSteps) {
    const int v = ValueOf(FBuffer[i]);
    const int r = RowOf(v);
    if (i == 0) {
      DIB_MoveTo(0, r, c);
    } else {
      c.SetRawColor(PointColor(v));
      DIB_LineTo(i, r, c);
    }
    last = i, lastRow = r, lastColor = PointColor(v);
  }
  c.SetRawColor(lastColor);
  DIB_LineTo(last + FSteps, lastRow, c);
}

void TMMOscope::DrawVertLines() {
  TMMDIBCanvas& c = DIBCanvas();
  for (int i = 0; i < FPoints; i += FSteps) {
    const int v = ValueOf(FBuffer[i]);
    c.SetRawColor(PointColor(v));
    Column(i, FMid, RowOf(v));
  }
}

void TMMOscope::DrawMirLines() {
  for (int i = 0; i < FPoints; i += FSteps) {
    const int v = ValueOf(FBuffer[i]);
    DrawMirrored(i, v, PointColor(v));
  }
}

void TMMOscope::DrawSpikes() {
  TMMDIBCanvas& c = DIBCanvas();
  for (int i = 0; i < FPoints; i += FSteps) {
    const int v = ValueOf(FBuffer[i]);
    c.SetRawColor(PointColor(v));
    Column(i, FHeight - 1, RowOf(v));
  }
}

void TMMOscope::DrawScrollColumn() {
  TMMDIBCanvas& c = DIBCanvas();
  const int x = FBarStart;
  c.SetRawColor(c.NearestIndex(Color()));
  Column(x, 0, FHeight - 1);
  const int s1 = FBuffer[0], s2 = FBuffer[1];
  const int larger = std::abs(s2) > std::abs(s1) ? s2 : s1;
  switch (FKind) {
  case okDots:
    for (int s : {s1, s2}) {
      const int v = ValueOf(s);
      DIB_SetPixel(x, RowOf(v), PointColor(v), c);
    }
    break;
  case okConLines: {
    DIB_MoveTo(FLastPoint.x, FLastPoint.y, c);
    for (int s : {s1, s2}) {
      const int v = ValueOf(s);
      c.SetRawColor(PointColor(v));
      DIB_LineTo(x, RowOf(v), c);
    }
    FLastPoint = c.State().Pos;
    break;
  }
  case okVertLines: {
    const int v = ValueOf(larger);
    c.SetRawColor(PointColor(v));
    Column(x, FMid, RowOf(v));
    break;
  }
  case okMirLines: {
    const int v = ValueOf(larger);
    DrawMirrored(x, v, PointColor(v));
    break;
  }
  case okSpikes: {
    const int v = ValueOf(larger);
    c.SetRawColor(PointColor(v));
    Column(x, FHeight - 1, RowOf(v));
    break;
  }
  }
}

void TMMOscope::DrawGridLines() {
  TMMDIBCanvas& c = DIBCanvas();
  c.SetColor(FColors[6]);
  for (int d = 0; d <= FDivisions; ++d) {
    const int row = FHeight - int(std::trunc(d * 32760.0 / FDivisions / (32768.0 / FHeight))) - 1;
    DIB_HLineDotted(0, FPoints, row, 1, c);
  }
  int n = 32;
  while (n > 1 && FPoints / n < 10)
    n /= 2;
  for (int k = 0; k <= n; ++k)
    DIB_VLineDotted((FPoints - 1) * k / n, 0, FHeight, 1, c);
}

void TMMOscope::DrawScrollBar(bool screen) {
  auto tickRow = [this](int d) {
    return FHeight - int(std::trunc(double(FHeight - 1) * d / FDivisions)) - 1;
  };
  if (screen) {
    HDC dc = Canvas().Handle();
    const int x = FDrawRect.left + FWriteEnd;
    RECT r{x, FDrawRect.top, x + 1, FDrawRect.top + FHeight};
    FillRect(dc, &r, TGdiObject<HBRUSH>(CreateSolidBrush(ColorToRGB(FColors[7]))).Get());
    for (int d = 0; d <= FDivisions; ++d)
      SetPixel(dc, x, FDrawRect.top + tickRow(d), ColorToRGB(FColors[8]));
    return;
  }
  TMMDIBCanvas& c = DIBCanvas();
  const int from = FBarStart < FWriteEnd ? FBarStart + 1 : 0;
  c.SetColor(FColors[7]);
  DIB_FillRect({from, 0, FWriteEnd + 1, FHeight}, c);
  c.SetColor(FColors[8]);
  for (int d = 0; d <= FDivisions; ++d)
    DIB_HLine(from, FWriteEnd + 1, tickRow(d), c);
}

void TMMOscope::CopyToScreen() {
  DIBCanvas().DrawTo(
      Canvas().BlitHandle(),
      {FDrawRect.left, FDrawRect.top, FDrawRect.left + FPoints, FDrawRect.top + FHeight}, 0, 0);
}

void TMMOscope::DrawScope(bool full) {
  TMMDIBCanvas& c = DIBCanvas();
  // A held scrolling frame goes into the bitmap alone, as without Accelerate, and the bitmap
  // reaches the screen once when the hold ends: the accelerated way scrolls the screen itself,
  // once per frame. Changing between the two ways starts the picture afresh, since the
  // accelerated way leaves the picture on the screen only.
  const bool held = FScroll && !full && DrawingHeld();
  const bool accel = FAccelerate && !held;
  if (FScroll && !full && held != FHeldLast) FNeedRedraw = true;
  if (FScroll && !full) FHeldLast = held;
  auto toScreen = [this, held] {
    if (held)
      DrawDirect([this] { CopyToScreen(); });
    else
      CopyToScreen();
  };
  if (OnDrawLine) {
    {
      TMMDrawPhase drawing(c);
      OnDrawLine(this, c, RECT{0, 0, FPoints, FHeight}, FBuffer.data());
    }
    toScreen();
    if (OnPostPaint) OnPostPaint(this);
    return;
  }
  for (int i = 0; i < 9; ++i)
    FColorCache[i] = c.NearestIndex(FColors[i]);
  const bool wasMarked = FNeedRedraw;
  {
    TMMDrawPhase drawing(c);
    if (!FScroll || full || FNeedRedraw) {
      ClearBackground();
      FBarStart = -FBarWidth;
      FWriteEnd = 0;
      FLastPoint = {0, FMid};
      if (FScroll && !wasMarked) {
        for (TMMOscope* other : OscopeList())
          if (other != this) other->FNeedRedraw = true;
      }
    }
    if (Enabled()) {
      if (!FScroll) {
        if (FDrawMidLine) {
          c.SetColor(FColors[3]);
          DIB_HLineDashed(0, FPoints, FMid, c);
        }
        if (FDrawGrid) DrawGridLines();
        switch (FKind) {
        case okDots:
          DrawDots();
          break;
        case okConLines:
          DrawConLines();
          break;
        case okVertLines:
          DrawVertLines();
          break;
        case okMirLines:
          DrawMirLines();
          break;
        case okSpikes:
          DrawSpikes();
          break;
        }
      } else {
        DrawScrollColumn();
      }
    } else {
      c.SetColor(FColors[3]);
      DIB_HLine(5, FPoints - 5, FMid, c);
    }
    if (FScroll && !(!full && !wasMarked && accel) && !accel && FWriteEnd < FPoints)
      DrawScrollBar(false);
  }

  if (!FScroll) {
    CopyToScreen();
  } else {
    if (!full && !wasMarked && accel) {
      c.DrawTo(Canvas().BlitHandle(),
               {FDrawRect.left + FBarStart, FDrawRect.top, FDrawRect.left + FBarStart + 1,
                FDrawRect.top + FHeight},
               FBarStart, 0);
    } else {
      toScreen();
      FNeedRedraw = false;
    }
    if (FWriteEnd < FPoints) {
      if (accel) DrawScrollBar(true);
      ++FBarStart;
      ++FWriteEnd;
    } else if (accel) {
      if (Parent() && Parent()->HandleAllocated()) {
        const int b = Bevel()->BevelExtent();
        RECT r = BoundsRect();
        r.left += b, r.top += b, r.right -= b, r.bottom -= b;
        if (FDrawAmpScale) r.left += 32, r.right -= 32;
        if (FDrawTimeScale) r.bottom -= 40;
        r.right -= FBarWidth - 1;
        ScrollWindowEx(Parent()->Handle(), -1, 0, &r, &r, nullptr, nullptr, 0);
      }
    } else {
      {
        TMMDrawPhase drawing(c);
        DIB_CopyRect(c.Bits(), 0, 0, FPoints - 1, FHeight, 1, 0, c);
      }
    }
  }
  if (OnPostPaint) OnPostPaint(this);
}

// --- paint and scales ---------------------------------------------------------------------------

void TMMOscope::Paint() {
  TCanvas& cv = Canvas();
  const TColor parentColor = Parent() ? Parent()->Color() : Color();
  if (FDrawAmpScale || FDrawTimeScale) {
    cv.Brush().SetStyle(bsSolid);
    cv.Brush().SetColor(parentColor);
    const int bottom = FDrawTimeScale ? Height() - 40 : Height();
    if (FDrawAmpScale) {
      cv.FillRect({29, 0, 32, bottom});
      cv.FillRect({Width() - 32, 0, Width() - 29, bottom});
    }
    if (FDrawTimeScale) cv.FillRect({0, Height() - 40, Width(), Height() - 37});
    if (FDrawAmpScale && FDrawTimeScale) {
      cv.FillRect({0, Height() - 40, 32, Height()});
      cv.FillRect({Width() - 32, Height() - 40, Width(), Height()});
      SetBkMode(cv.Handle(), TRANSPARENT);
      SetTextColor(cv.Handle(), ColorToRGB(FColors[4]));
      DrawRotatedText(cv, 16, Height() - 34, 1, 10, "ARIAL", "V");
      DrawRotatedText(cv, Width() - 14, Height() - 34, 0, 10, "ARIAL", "V");
      DrawRotatedText(cv, Width() - 30, Height() - 20, 0, 10, "ARIAL", "mS");
    }
  }
  const int b = Bevel()->BevelExtent();
  Bevel()->PaintBevel(
      cv, {FDrawRect.left - b, FDrawRect.top - b, FDrawRect.right + b, FDrawRect.bottom + b});
  if (FDrawAmpScale) PaintAmpScale();
  if (FDrawTimeScale) PaintTimeScale();
  DrawScope(true);
}

void TMMOscope::PaintAmpScale() {
  const TColor parentColor = Parent() ? Parent()->Color() : Color();
  const int b = Bevel()->BevelExtent();
  const int h = FDrawTimeScale ? Height() - 40 : Height();
  auto row = [&](int d) {
    return h - b - int(std::trunc(d * 32768.0 / FDivisions / (32768.0 / FHeight))) - 1;
  };
  for (int side = 0; side < 2; ++side) {
    TBitmap bmp(32, h);
    TCanvas& c = bmp.Canvas();
    c.Brush().SetColor(parentColor);
    c.FillRect({0, 0, 32, h});
    c.Pen().SetColor(FColors[5]);
    const int axis = side == 0 ? 31 : 0, tick = side == 0 ? 28 : 3;
    c.MoveTo(axis, row(0));
    c.LineTo(axis, row(FDivisions) - 1);
    for (int d = 0; d <= FDivisions; ++d) {
      c.MoveTo(axis, row(d));
      c.LineTo(tick + (side == 0 ? -1 : 1), row(d));
    }
    SetBkMode(c.Handle(), TRANSPARENT);
    SetTextColor(c.Handle(), ColorToRGB(FColors[4]));
    const int right = side == 0 ? 26 : 29;
    if (FKind == okSpikes) {
      for (int k = 0; k <= FDivisions; ++k)
        DrawRotatedText(c, right, row(k), 1, 10, "ARIAL",
                        Formatted("%4.2f", double(k) / FDivisions));
    } else {
      const int mid = FDivisions / 2;
      for (int k = 0; k <= mid; ++k) {
        const std::string t = Formatted("%4.2f", 2.0 * k / FDivisions);
        if (k == 0) {
          DrawRotatedText(c, right, row(mid), 1, 10, "ARIAL", t);
          continue;
        }
        DrawRotatedText(c, right, row(mid + k), 1, 10, "ARIAL", "+" + t);
        DrawRotatedText(c, right, row(mid - k), 1, 10, "ARIAL", "-" + t);
      }
    }
    Canvas().Draw(side == 0 ? -3 : Width() - 29, 0, bmp);
  }
}

void TMMOscope::PaintTimeScale() {
  const TColor parentColor = Parent() ? Parent()->Color() : Color();
  const int b = Bevel()->BevelExtent();
  const int w = FPoints + 2 * b;
  TBitmap bmp(w, 40);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetColor(parentColor);
  c.FillRect({0, 0, w, 40});
  c.Pen().SetColor(FColors[5]);
  SetBkMode(c.Handle(), TRANSPARENT);
  SetTextColor(c.Handle(), ColorToRGB(FColors[4]));
  int n = 32;
  while (n > 1 && FPoints / n < 10)
    n /= 2;
  const WAVEFORMATEX f = Format();
  const double t = BytesToMilliseconds(&f, FFrameSize);
  for (int k = 0; k <= n; ++k) {
    const int x = b + (FPoints - 1) * k / n;
    c.MoveTo(x, 0);
    c.LineTo(x, 6);
    DrawRotatedText(c, x, 6, 2, 10, "ARIAL", Formatted("%4.1f", t * k / n));
  }
  Canvas().Draw(FDrawRect.left - b, FDrawRect.bottom + b + 3, bmp);
}

// --- the info box -------------------------------------------------------------------------------

std::string TMMOscope::InfoText(POINT p) {
  const int y = p.y - FDrawRect.top, x = p.x - FDrawRect.left + 1;
  double amp;
  if (FKind == okSpikes) {
    amp = (10.0 / (FHeight - 1)) * (FHeight - y - 1) * 0.1;
  } else {
    double d = FHeight * 0.5 - y;
    if (d < 0) d -= 1.0;
    amp = (10.0 / FHeight) * d * 0.2;
  }
  const WAVEFORMATEX f = Format();
  const double ms = double(BytesToMilliseconds(&f, FFrameSize)) * x / FPoints;
  return Formatted("%4.1f ms", ms) + Formatted(" %4.2f V", amp);
}

void TMMOscope::DrawInfo(POINT p) {
  TMMDIBCanvas& c = DIBCanvas();
  const int b = Bevel()->BevelExtent();
  const std::string text = PtInRect(&FDrawRect, p) ? InfoText(p) : std::string();
  Store.Show(c.Handle(), p.x - b - (FDrawAmpScale ? 32 : 0), p.y - b, FPoints, FHeight, text,
             nullptr);
  if (Visible() && Parent() && Parent()->HandleAllocated() && !Canvas().HandleAllocated())
    DrawDirect([this] { CopyToScreen(); });
  else if (Canvas().HandleAllocated())
    CopyToScreen();
}

void TMMOscope::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const RECT trace{FDrawRect.left, FDrawRect.top, FDrawRect.left + FPoints,
                   FDrawRect.top + FHeight};
  FInfo.Press(button, FShowInfo, {x, y}, trace, [&] {
    // The screen is copied next: the parent first repaints what the hint covered.
    if (FInfo.HintSilenced()) Update();
    FInfo.CopyScreen(DIBCanvas().Handle(), trace);
  });
  TMMDIBGraphicControl::MouseDown(button, shift, x, y);
}

void TMMOscope::MouseMove(TShiftState shift, int x, int y) {
  FInfo.Move({x, y});
  TMMDIBGraphicControl::MouseMove(shift, x, y);
}

void TMMOscope::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  FInfo.Release(button);
  TMMDIBGraphicControl::MouseUp(button, shift, x, y);
}

// --- registration -------------------------------------------------------------------------------

void RegisterMMOscope() {
  if (FindMMClass("TMMOscope")) return;
  RegisterMMDIBClasses();
  using K = TMMPropKind;
  using C = TMMOscope;
  TMMClassInfo& c = RegisterMMClass<TMMOscope>("TMMOscope", "TMMDIBGraphicControl");
  c.Props = {
      OrdProp("ShowInfo", K::pkBoolean, &C::ShowInfo, &C::SetShowInfo, 1),
      OrdProp("Accelerate", K::pkBoolean, &C::Accelerate, &C::SetAccelerate, 1),
      OrdProp("Scroll", K::pkBoolean, &C::Scroll, &C::SetScroll, 0),
      OrdProp("DrawMidLine", K::pkBoolean, &C::DrawMidLine, &C::SetDrawMidLine, 0),
      EnumProp(OrdProp("Kind", K::pkEnum, &C::Kind, &C::SetKind, okDots),
               {"okDots", "okConLines", "okVertLines", "okMirLines", "okSpikes"}),
      OrdProp("ForegroundColor", K::pkColor, &C::ForegroundColor, &C::SetForegroundColor, 0xFFFF00),
      OrdProp("InactiveColor", K::pkColor, &C::InactiveColor, &C::SetInactiveColor, 0x808000),
      OrdProp("EffectColor", K::pkColor, &C::EffectColor, &C::SetEffectColor, 0x0000FF),
      OrdProp("DisabledColor", K::pkColor, &C::DisabledColor, &C::SetDisabledColor, 0x808080),
      OrdProp("ScaleTextColor", K::pkColor, &C::ScaleTextColor, &C::SetScaleTextColor, 0),
      OrdProp("ScaleLineColor", K::pkColor, &C::ScaleLineColor, &C::SetScaleLineColor, 0),
      OrdProp("GridColor", K::pkColor, &C::GridColor, &C::SetGridColor, 0x808080),
      OrdProp("BarColor", K::pkColor, &C::BarColor, &C::SetBarColor, 0x808080),
      OrdProp("BarTickColor", K::pkColor, &C::BarTickColor, &C::SetBarTickColor, 0xFFFFFF),
      OrdProp("BarWidth", K::pkInteger, &C::BarWidth, &C::SetBarWidth, 5),
      EnumProp(OrdProp("BitLength", K::pkEnum, &C::BitLength, &C::SetBitLength, b8Bit),
               {"b8Bit", "b16Bit"}),
      EnumProp(OrdProp("Channel", K::pkEnum, &C::Channel, &C::SetChannel, chBoth),
               {"chBoth", "chLeft", "chRight"}),
      OrdProp("SampleRate", K::pkInteger, &C::SampleRate, &C::SetSampleRate, 11025),
      EnumProp(OrdProp("Mode", K::pkEnum, &C::Mode, &C::SetMode, mMono),
               {"mMono", "mStereo", "mQuadro"}),
      OrdProp("Steps", K::pkInteger, &C::Steps, &C::SetSteps, 1),
      OrdProp("Zoom", K::pkInteger, &C::Zoom, &C::SetZoom, 1),
      OrdProp("Gain", K::pkInteger, &C::Gain, &C::SetGain, 0),
      EnumProp(OrdProp("Effect", K::pkEnum, &C::Effect, &C::SetEffect, efNone),
               {"efNone", "efPeak", "efSplit"}),
      OrdProp("DrawAmpScale", K::pkBoolean, &C::DrawAmpScale, &C::SetDrawAmpScale, 0),
      OrdProp("DrawTimeScale", K::pkBoolean, &C::DrawTimeScale, &C::SetDrawTimeScale, 0),
      OrdProp("DrawGrid", K::pkBoolean, &C::DrawGrid, &C::SetDrawGrid, 0),
      OrdProp("FFTLength", K::pkInteger, &C::FFTLength, &C::SetFFTLength, 128)};
  c.Events = {"OnGainOverflow", "OnPcmOverflow", "OnDrawLine", "OnPostPaint"};
}
