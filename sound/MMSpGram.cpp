// The spectrogram: properties, row table, palettes, the column of a block, wrap and scroll, the
// marker bar, the kHz scale and the info box.
#include "Handles.h"
#include "MMSpGram.h"
#include "MMProps.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Never destroyed: a display may still go after the statics at exit, and looks itself up here.
std::vector<TMMSpectrogram*>& List = *new std::vector<TMMSpectrogram*>;
TMMInfoStore SpectrogramStore;

bool Designing(const TComponent* c) {
  return c->ComponentState().Contains(csDesigning);
}

std::string Formatted(const char* format, double value) {
  char buf[64];
  snprintf(buf, sizeof buf, format, value);
  return buf;
}

} // namespace

void BuildSpectrogramPalette(TMMSpectrogramPalette kind, PALETTEENTRY* entries) {
  for (int i = 0; i < 256; ++i)
    entries[i] = {0, 0, 0, 0};
  // Rounded to a double first: in x87 extended precision 1.2 x 5 truncates to 5, not 6.
  auto byte = [](double v) {
    volatile double rounded = v;
    return BYTE(int(rounded) & 0xFF);
  };
  for (int i = 10; i <= 245; ++i) {
    const int v = (i - 10) * 256 / 236;
    double r, g, b;
    auto hsv = [&] {
      if (v < 64)
        r = 0, g = 4 * v, b = 255;
      else if (v < 128)
        r = 0, g = 255, b = 510 - 4 * v;
      else if (v < 192)
        r = 4 * v - 510, g = 255, b = 0;
      else
        r = 255, g = 1020 - 4 * v, b = 0;
    };
    switch (kind) {
    case spHSV:
      hsv();
      break;
    case spThreshold:
      if (v < 16)
        r = g = b = 0;
      else
        hsv();
      break;
    case spBlackWhite:
      r = g = b = v;
      break;
    case spWhiteBlack:
      r = g = b = 255 - v;
      break;
    case spBone:
      if (v < 96)
        r = 0.88889 * v, g = 0.88889 * v, b = 1.2 * v;
      else if (v < 192)
        r = 0.88889 * v, g = 1.2 * v - 29, b = 0.88889 * v + 29;
      else
        r = 1.2 * v - 60, g = 0.88889 * v + 29, b = 0.88889 * v + 29;
      break;
    case spCopper:
      if (v < 208)
        r = 1.23 * v, g = 0.78 * v, b = 0.5 * v;
      else
        r = 255, g = 0.78 * v, b = 0.5 * v;
      break;
    case spCool:
      r = v, g = 255 - v, b = 255;
      break;
    case spHot:
    default:
      if (v < 96)
        r = 2.66667 * v + 0.5, g = 0, b = 0;
      else if (v < 192)
        r = 255, g = 2.66667 * v - 254, b = 0;
      else
        r = 255, g = 255, b = 4 * v - 766;
      break;
    }
    entries[i] = {byte(r), byte(g), byte(b), 0};
  }
}

const std::vector<TMMSpectrogram*>& SpectrogramList() {
  return List;
}

TMMSpectrogram::TMMSpectrogram(TComponent* AOwner)
    : TMMDIBGraphicControl(AOwner),
      FInfo(this, SpectrogramStore, SpectrumClipCursor, [this](POINT p) { DrawInfo(p); }) {
  SetNoFill(true);
  TControl::SetColor(clBlack);
  SetCursor(crCross);
  DIBCanvas().SetPaletteRealize(true);
  if (!Designing(this)) {
    List.push_back(this);
  }
  SetFFTLength(128);
  FPaletteTyp = spHSV;
  SetPaletteTyp(spThreshold);
  SetBounds(0, 0, 194, 90);
}

TMMSpectrogram::~TMMSpectrogram() {
  FInfo.End();
  List.erase(std::remove(List.begin(), List.end(), this), List.end());
  DoneRealFFT(FSetup);
}

// --- layout --------------------------------------------------------------------------------------

void TMMSpectrogram::SetBounds(int left, int top, int width, int height) {
  const int b = Bevel()->BevelExtent();
  width = Max(width, FDrawScale ? 2 * b + 69 : 2 * b + 5);
  height = Max(height, 2 * b + 5);
  TMMDIBGraphicControl::SetBounds(left, top, width, height);
  AdjustBounds();
}

void TMMSpectrogram::ApplySizeRules() {
  const int b = Bevel()->BevelExtent();
  const int w = Max(Width(), FDrawScale ? 2 * b + 69 : 2 * b + 5);
  if (w != Width())
    SetBounds(Left(), Top(), w, Height());
  else
    AdjustBounds();
}

void TMMSpectrogram::AdjustBounds() {
  RECT r{0, 0, Width(), Height()};
  if (FDrawScale) r.left += 32, r.right -= 32;
  const int b = Bevel()->BevelExtent();
  FDrawRect = {r.left + b, r.top + b, r.right - b, r.bottom - b};
  FW = Max(FDrawRect.right - FDrawRect.left, 4);
  FH = Max(FDrawRect.bottom - FDrawRect.top, 4);
  FDrawRect.right = FDrawRect.left + FW;
  FDrawRect.bottom = FDrawRect.top + FH;
  FColumn.assign(FH, 10);
  FEmboss.assign(FH, 10);
  DIBCanvas().SetBounds(0, 0, FW, FH);
  BuildRowTable();
  Changed();
}

void TMMSpectrogram::CalcFrameSize() {
  FFrameSize = (FBitLength + 1) * (FMode + 1) * FFFTLength;
}

void TMMSpectrogram::BuildRowTable() {
  if (LoadingOrReading(this)) return;
  const int n = FFFTLength, h = FH;
  const double sr = FSampleRate, z = FZoom;
  double base = std::min(std::max(double(FBase), 0.0), sr / 2 - 1000);
  if (base + (sr / 2 - z * base) / z > sr / 2) base = sr / 2 - (sr / 2 - z * base) / z - 1000;
  base = std::max(base, 0.0);
  const double b0 = n * base / sr;
  FRowFirst.assign(h, 0);
  FRowEnd.assign(h, 0);
  for (int r = 0; r < h; ++r) {
    const double bin = std::floor(0.01 + b0 + (double(r) / h) * (n / 2 - z * b0) / z);
    FRowFirst[r] = int32_t(std::min(std::max(bin, 0.0), double(n / 2 - 1)));
    if (r > 0) FRowEnd[r - 1] = FRowFirst[r];
  }
  for (int r = 0; r < h; ++r)
    if (FRowEnd[r] <= FRowFirst[r] + 1) FRowEnd[r] = 0;
  for (int r = h - 1; r >= 1; --r)
    if (FRowFirst[r] == FRowFirst[r - 1]) FRowFirst[r] = -1, FRowEnd[r] = 0;
  int ticks = Max(int(std::trunc(sr * 0.5 * 0.001 * z)), 1);
  while (ticks > 1 && h / ticks < 10)
    ticks /= 2;
  FTicks = ticks;
}

void TMMSpectrogram::Loaded() {
  TMMDIBGraphicControl::Loaded();
  BuildRowTable();
  const TMMSpectrogramPalette p = FPaletteTyp;
  FPaletteTyp = p == spHSV ? spHot : spHSV;
  SetPaletteTyp(p);
  Invalidate();
}

void TMMSpectrogram::Changed() {
  Invalidate();
}

// --- properties ----------------------------------------------------------------------------------

void TMMSpectrogram::SetDrawScale(bool value) {
  if (!StoreChanged(FDrawScale, value)) return;
  ApplySizeRules();
  Changed();
}

void TMMSpectrogram::SetAccelerate(bool value) {
  if (!StoreChanged(FAccelerate, value)) return;
  if (!value && FScroll) Changed();
}

void TMMSpectrogram::SetScroll(bool value) {
  if (StoreChanged(FScroll, value)) Changed();
}

void TMMSpectrogram::SetEmbossed(bool value) {
  if (StoreChanged(FEmbossed, value)) Changed();
}

void TMMSpectrogram::SetColorByIndex(int index, TColor value) {
  if (index < 0 || index > 3) return;
  if (StoreChanged(FColors[index], value)) Changed();
}

void TMMSpectrogram::SetBarWidth(int value) {
  if (StoreChanged(FBarWidth, Max(value, 1))) Changed();
}

void TMMSpectrogram::SetMode(TMMMode value) {
  if (value == mQuadro) return;
  FMode = value;
  CalcFrameSize();
  Changed();
}

void TMMSpectrogram::SetBitLength(TMMBits value) {
  FBitLength = value;
  CalcFrameSize();
  Changed();
}

void TMMSpectrogram::SetChannel(TMMChannel value) {
  FChannel = value;
  CalcFrameSize();
  Changed();
}

void TMMSpectrogram::SetSampleRate(int value) {
  if (!StoreChanged(FSampleRate, MinMax(value, 8000, 100000))) return;
  BuildRowTable();
  Changed();
}

void TMMSpectrogram::SetFFTLength(int value) {
  value = ClampFFTLength(value);
  if (value == FFFTLength && FSetup) return;
  RenewFFT(FSetup, FWindowTable.data(), FWindow, value);
  FFFTLength = value;
  std::fill(FIndexes.begin(), FIndexes.end(), 0);
  CalcFrameSize();
  // The rows map onto bins of the new length: rebuilt, or the picture lies and reads past N/2.
  BuildRowTable();
  Changed();
}

void TMMSpectrogram::SetWindow(TMMFFTWindow value) {
  if (StoreChanged(FWindow, value))
    BuildWindowTable(FWindowTable.data(), FWindow, FFTBits(FFFTLength));
}

void TMMSpectrogram::SetAmplitudeScale(int value) {
  FAmpFactor = MinMax(value, 0, 1000) * 0.01;
}

void TMMSpectrogram::SetFrequencyBase(int value) {
  if (!StoreChanged(FBase, Max(value, 0))) return;
  BuildRowTable();
  Changed();
}

void TMMSpectrogram::SetFrequencyScale(int value) {
  if (!StoreChanged(FZoom, MinMax(value, 1, 16))) return;
  BuildRowTable();
  Changed();
}

void TMMSpectrogram::SetSensitivy(int value) {
  FSensitivy = MinMax(value, -90, -9);
}

void TMMSpectrogram::SetPaletteTyp(TMMSpectrogramPalette value) {
  if (!StoreChanged(FPaletteTyp, value) || LoadingOrReading(this)) return;
  struct {
    WORD Version, Count;
    PALETTEENTRY Entries[256];
  } pal{0x300, 256, {}};
  BuildSpectrogramPalette(value, pal.Entries);
  DIBCanvas().SetLogPalette(reinterpret_cast<LOGPALETTE*>(&pal));
  Changed();
}

void TMMSpectrogram::EnabledChanged() {
  if (!Enabled()) FInfo.End();
  Changed();
  TMMDIBGraphicControl::EnabledChanged();
}

void TMMSpectrogram::VisibleChanged() {
  if (!Visible()) FInfo.End();
  TMMDIBGraphicControl::VisibleChanged();
}

// --- intake --------------------------------------------------------------------------------------

void TMMSpectrogram::SetPWaveFormat(const WAVEFORMATEX* format) {
  TakePcmFormat<EMMSpectrogramError>(*this, format);
}

void TMMSpectrogram::RefreshPCMData(const void* buffer) {
  if (!buffer || !Enabled() || !Visible() || FInfo.Active() || !FSetup) return;
  const int n = FFFTLength;
  const int overflows =
      SpectrumSamplePath(buffer, n, FBitLength, FMode, FChannel, int(FGain), FWindowTable.data(),
                         FSetup, FWork.data(), FSamples.data());
  for (int i = 0; i < overflows; ++i)
    PcmOverflow();
  const double s = -90 - FSensitivy;
  for (int b = 0; b < n / 2; ++b) {
    const int64_t p = BinPower(FSamples.data(), b);
    if (!FLogAmp)
      FIndexes[b] = int32_t(std::trunc(std::sqrt(double(p)) * FAmpFactor + s)) + 10;
    else
      FIndexes[b] =
          int32_t(std::trunc(std::log(double(std::max<int64_t>(p, 1))) * 20 * FAmpFactor + 2 * s)) +
          10;
  }
  // Each frame is a column of its own: while the drawing is held it goes into the bitmap now.
  if (DrawingHeld())
    DrawSpectrogram(false);
  else
    DrawDirect([this] { DrawSpectrogram(false); });
}

void TMMSpectrogram::ResetData() {
  FInfo.LetGo();
  if (Visible() && Parent() && Parent()->HandleAllocated()) Repaint();
}

void TMMSpectrogram::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

// --- drawing -------------------------------------------------------------------------------------

void TMMSpectrogram::BuildColumn() {
  std::vector<int32_t> raw;
  int band = 0;
  for (int r = 0; r < FH;) {
    const int first = FRowFirst[r];
    const int end = FRowEnd[r] == 0 ? first + 1 : FRowEnd[r];
    int32_t v = FIndexes[first];
    for (int b = first + 1; b < end; ++b)
      v = std::max(v, FIndexes[b]);
    raw.push_back(v);
    if (FEmbossed) {
      // The difference to the band below in the previous column, around the palette's middle.
      const int32_t e = FEmboss[band];
      FEmboss[band] = band == 0 ? 10 : raw[band - 1];
      v = e - v + 118;
    }
    const uint8_t index = uint8_t(MinMax(v, 10, 245));
    int next = r + 1;
    while (next < FH && FRowFirst[next] < 0)
      ++next;
    for (int k = r; k < next; ++k)
      FColumn[k] = index;
    r = next;
    ++band;
  }
}

void TMMSpectrogram::DrawBar(bool screen) {
  const int from = FX + 1, to = Min(FX + 1 + FBarWidth, FW);
  if (to <= from) return;
  auto tickRow = [this](int i) { return FH - 1 - (FH - 1) * i / FTicks; };
  if (screen) {
    HDC dc = Canvas().Handle();
    RECT r{FDrawRect.left + Max(from, 0), FDrawRect.top, FDrawRect.left + to, FDrawRect.bottom};
    FillRect(dc, &r, TGdiObject<HBRUSH>(CreateSolidBrush(ColorToRGB(FColors[2]))).Get());
    for (int i = 0; i <= FTicks; ++i)
      for (int x = r.left; x < r.right; ++x)
        SetPixel(dc, x, FDrawRect.top + tickRow(i), ColorToRGB(FColors[3]));
    return;
  }
  TMMDIBCanvas& c = DIBCanvas();
  c.SetColor(FColors[2]);
  DIB_FillRect({from, 0, to, FH}, c);
  c.SetColor(FColors[3]);
  for (int i = 0; i <= FTicks; ++i)
    DIB_HLine(from, to, tickRow(i), c);
}

void TMMSpectrogram::CopyDirty() {
  if (FDirtyFrom < FDirtyTo)
    DIBCanvas().DrawTo(
        Canvas().BlitHandle(),
        {FDrawRect.left + FDirtyFrom, FDrawRect.top, FDrawRect.left + FDirtyTo, FDrawRect.bottom},
        FDirtyFrom, 0);
  FDirtyFrom = FW;
  FDirtyTo = 0;
}

void TMMSpectrogram::CopyToScreen() {
  DIBCanvas().DrawTo(Canvas().BlitHandle(), FDrawRect, 0, 0);
}

void TMMSpectrogram::DrawSpectrogram(bool full) {
  TMMDIBCanvas& c = DIBCanvas();
  // A held frame's column goes into the bitmap alone, as without Accelerate, and the bitmap
  // reaches the screen once when the hold ends. Changing between the two ways starts the
  // picture afresh, since the accelerated scrolling leaves the picture on the screen only.
  const bool held = !full && DrawingHeld();
  const bool accel = FAccelerate && !held;
  if (!full && held != FHeldLast) FRedrawAll = true;
  if (!full) FHeldLast = held;
  const bool flagged = FRedrawAll;
  const bool full2 = full || flagged;
  {
    TMMDrawPhase drawing(c);
    if (full2) {
      c.SetRawColor(FEmbossed ? (10 + 236) / 2 : 10);
      DIB_Clear(c);
      FX = -FBarWidth;
      FCount = 0;
      // The spectrograms share the palette: every other one starts afresh on its next block.
      if (full)
        for (TMMSpectrogram* other : SpectrogramList())
          if (other != this) other->FRedrawAll = true;
    }
    BuildColumn();
    std::vector<uint8_t> topDown(FColumn.rbegin(), FColumn.rend());
    DIB_VLineIndices(FX, 0, topDown.data(), FH, c);
    if (!(!full && !flagged && accel) && !(FScroll && FCount >= FW)) DrawBar(false);
  }
  if (!full && !flagged && accel) {
    if (FX >= 0)
      c.DrawTo(Canvas().BlitHandle(),
               {FDrawRect.left + FX, FDrawRect.top, FDrawRect.left + FX + 1, FDrawRect.bottom}, FX,
               0);
  } else {
    if (held) {
      // Only the columns changed since the last copy go to the screen: the new column and the
      // bar after it, or all of them after a fresh start or a scroll of the bitmap.
      const bool whole = full2 || (FScroll && FCount >= FW);
      FDirtyFrom = whole ? 0 : Min(FDirtyFrom, Max(FX, 0));
      FDirtyTo = whole ? FW : Max(FDirtyTo, Min(FX + 1 + FBarWidth, FW));
      DrawDirect([this] { CopyDirty(); });
    } else {
      CopyToScreen();
    }
    FRedrawAll = false;
  }
  if (!FScroll) {
    if (accel) DrawBar(true);
    if (++FX >= FW) FX = 0;
    if (++FCount >= FW) FCount = 0;
  } else if (FCount < FW) {
    ++FX;
    ++FCount;
    if (accel) DrawBar(true);
  } else if (!accel) {
    {
      TMMDrawPhase drawing(c);
      DIB_CopyRect(c.Bits(), 0, 0, FW - 1, FH, 1, 0, c);
    }
  } else if (Parent() && Parent()->HandleAllocated()) {
    const int b = Bevel()->BevelExtent();
    RECT r = BoundsRect();
    r.left += b, r.top += b, r.right -= b, r.bottom -= b;
    if (FDrawScale) r.left += 32, r.right -= 32;
    r.right -= FBarWidth - 1;
    ScrollWindowEx(Parent()->Handle(), -1, 0, &r, &r, nullptr, nullptr, 0);
  }
}

// --- paint and scale -----------------------------------------------------------------------------

void TMMSpectrogram::Paint() {
  TCanvas& cv = Canvas();
  const int b = Bevel()->BevelExtent();
  if (FDrawScale) {
    cv.Brush().SetStyle(bsSolid);
    cv.Brush().SetColor(Color());
    cv.FillRect({0, 0, 32, Height()});
    cv.FillRect({Width() - 32, 0, Width(), Height()});
  }
  Bevel()->PaintBevel(
      cv, {FDrawRect.left - b, FDrawRect.top - b, FDrawRect.right + b, FDrawRect.bottom + b});
  if (FDrawScale) PaintScale();
  DrawSpectrogram(true);
}

void TMMSpectrogram::PaintScale() {
  TCanvas& cv = Canvas();
  const int b = Bevel()->BevelExtent();
  cv.Pen().SetColor(FColors[1]);
  cv.Font().SetColor(FColors[0]);
  SetBkMode(cv.Handle(), TRANSPARENT);
  SetTextColor(cv.Handle(), ColorToRGB(FColors[0]));
  const double sr = FSampleRate, z = FZoom, base = FBase;
  const double step = (sr / 2 - z * base) / FTicks / z * 0.001;
  const int leftEdge = FDrawRect.left - b - 1, rightEdge = FDrawRect.right + b;
  for (int i = 0; i <= FTicks; ++i) {
    const int y = FDrawRect.top + FH - 1 - (FH - 1) * i / FTicks;
    cv.MoveTo(leftEdge, y);
    cv.LineTo(leftEdge - 4, y);
    cv.MoveTo(rightEdge, y);
    cv.LineTo(rightEdge + 4, y);
    const double label = i * step + 0.001 * base;
    const std::string text =
        base > 0 || z > 1 ? Formatted("%4.2f", label) : std::to_string(Round(label - 0.05));
    DrawRotatedText(cv, leftEdge - 5, y, 1, 10, "ARIAL", text);
    DrawRotatedText(cv, rightEdge + 5, y, 0, 10, "ARIAL", text);
  }
  if (base == 0 && z == 1) {
    DrawRotatedText(cv, 16, Height() - 6, 1, 10, "ARIAL", "KHz");
    DrawRotatedText(cv, Width() - 20, Height() - 6, 0, 10, "ARIAL", "KHz");
  }
}

// --- the info box --------------------------------------------------------------------------------

std::string TMMSpectrogram::InfoText(POINT p) const {
  const double y = p.y - FDrawRect.top, z = FZoom, base = FBase;
  const double f = (FSampleRate / 2.0 - z * base) * (FH - y - 1) / (FH - 1) / z + base;
  return Formatted("%2.3f KHz", f * 0.001);
}

void TMMSpectrogram::DrawInfo(POINT p) {
  TMMDIBCanvas& c = DIBCanvas();
  const int b = Bevel()->BevelExtent();
  const std::string text = PtInRect(&FDrawRect, p) ? InfoText(p) : std::string();
  SpectrogramStore.Show(c.Handle(), p.x - b - (FDrawScale ? 32 : 0), p.y - b, FW, FH, text,
                        c.Palette());
  if (Canvas().HandleAllocated())
    CopyToScreen();
  else
    DrawDirect([this] { CopyToScreen(); });
}

void TMMSpectrogram::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FInfo.Press(button, FShowInfo, {x, y}, {0, 0, Width(), Height()}, [this] {
    FInfo.CopyScreen(DIBCanvas().Handle(),
                     {FDrawRect.left, FDrawRect.top, FDrawRect.left + FW, FDrawRect.top + FH});
  });
  TMMDIBGraphicControl::MouseDown(button, shift, x, y);
}

void TMMSpectrogram::MouseMove(TShiftState shift, int x, int y) {
  FInfo.Move({x, y});
  TMMDIBGraphicControl::MouseMove(shift, x, y);
}

void TMMSpectrogram::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  FInfo.Release(button);
  TMMDIBGraphicControl::MouseUp(button, shift, x, y);
}

// --- registration --------------------------------------------------------------------------------

void RegisterMMSpectrogram() {
  if (FindMMClass("TMMSpectrogram")) return;
  RegisterMMDIBClasses();
  using K = TMMPropKind;
  using C = TMMSpectrogram;
  TMMClassInfo& c = RegisterMMClass<TMMSpectrogram>("TMMSpectrogram", "TMMDIBGraphicControl");
  c.Props = {
      OrdProp("ShowInfo", K::pkBoolean, &C::ShowInfo, &C::SetShowInfo, 1),
      OrdProp("DrawScale", K::pkBoolean, &C::DrawScale, &C::SetDrawScale, 0),
      OrdProp("Accelerate", K::pkBoolean, &C::Accelerate, &C::SetAccelerate, 1),
      OrdProp("Scroll", K::pkBoolean, &C::Scroll, &C::SetScroll, 0),
      OrdProp("Embossed", K::pkBoolean, &C::Embossed, &C::SetEmbossed, 0),
      OrdProp("ScaleTextColor", K::pkColor, &C::ScaleTextColor, &C::SetScaleTextColor, 0),
      OrdProp("ScaleLineColor", K::pkColor, &C::ScaleLineColor, &C::SetScaleLineColor, 0),
      OrdProp("BarColor", K::pkColor, &C::BarColor, &C::SetBarColor, 0x808080),
      OrdProp("BarTickColor", K::pkColor, &C::BarTickColor, &C::SetBarTickColor, 0xFFFFFF),
      OrdProp("BarWidth", K::pkInteger, &C::BarWidth, &C::SetBarWidth, 5),
      EnumProp(OrdProp("Mode", K::pkEnum, &C::Mode, &C::SetMode, mMono),
               {"mMono", "mStereo", "mQuadro"}),
      EnumProp(OrdProp("BitLength", K::pkEnum, &C::BitLength, &C::SetBitLength, b8Bit),
               {"b8Bit", "b16Bit"}),
      EnumProp(OrdProp("Channel", K::pkEnum, &C::Channel, &C::SetChannel, chBoth),
               {"chBoth", "chLeft", "chRight"}),
      OrdProp("SampleRate", K::pkInteger, &C::SampleRate, &C::SetSampleRate, 11025),
      EnumProp(OrdProp("Gain", K::pkEnum, &C::Gain, &C::SetGain, sgrNone),
               {"sgrNone", "sgr6db", "sgr12db"}),
      OrdProp("FFTLength", K::pkInteger, &C::FFTLength, &C::SetFFTLength, 128),
      EnumProp(OrdProp("Window", K::pkEnum, &C::Window, &C::SetWindow, fwHamming),
               {"fwRectangular", "fwHamming", "fwHanning", "fwBlackman", "fwGaussian", "fwWelch",
                "fwParzen"}),
      OrdProp("LogAmp", K::pkBoolean, &C::LogAmp, &C::SetLogAmp, 0),
      OrdProp("AmplitudeScale", K::pkInteger, &C::AmplitudeScale, &C::SetAmplitudeScale, 100),
      OrdProp("FrequencyBase", K::pkInteger, &C::FrequencyBase, &C::SetFrequencyBase, 0),
      OrdProp("FrequencyScale", K::pkInteger, &C::FrequencyScale, &C::SetFrequencyScale, 1),
      OrdProp("Sensitivy", K::pkInteger, &C::Sensitivy, &C::SetSensitivy, -90),
      EnumProp(OrdProp("PaletteTyp", K::pkEnum, &C::PaletteTyp, &C::SetPaletteTyp, spThreshold),
               {"spHSV", "spThreshold", "spBlackWhite", "spWhiteBlack", "spBone", "spCopper",
                "spCool", "spHot"})};
  c.Events = {"OnPcmOverflow"};
}
