// The light organ: band table, band strengths and levels, lights drawn once in animated palette
// entries, and the entries' colours changed per block.
#include "MMLight.h"
#include "MMProps.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool Designing(const TComponent* c) {
  return c->ComponentState().Contains(csDesigning);
}

} // namespace

TMMLight::TMMLight(TComponent* AOwner) : TMMDIBGraphicControl(AOwner) {
  SetNoFill(true);
  TControl::SetColor(clBlack);
  DIBCanvas().SetPaletteRealize(true);
  SetFFTLength(128);
  SetBounds(0, 0, 194, 90);
}

TMMLight::~TMMLight() {
  DoneRealFFT(FSetup);
}

// --- layout --------------------------------------------------------------------------------------

void TMMLight::SetBounds(int left, int top, int width, int height) {
  const int b = Bevel()->BevelExtent();
  TMMDIBGraphicControl::SetBounds(left, top, Max(width, 2 * b + 5), Max(height, 2 * b + 5));
  AdjustBounds();
}

void TMMLight::AdjustBounds() {
  const int b = Bevel()->BevelExtent();
  FArea = {b, b, Width() - b, Height() - b};
  FAreaW = Max(FArea.right - FArea.left, 4);
  FAreaH = Max(FArea.bottom - FArea.top, 4);
  FArea.right = FArea.left + FAreaW;
  FArea.bottom = FArea.top + FAreaH;
  DIBCanvas().SetBounds(0, 0, FAreaW, FAreaH);
  Redraw();
}

void TMMLight::Loaded() {
  TMMDIBGraphicControl::Loaded();
  BuildBandTable();
  Redraw();
}

void TMMLight::CalcFrameSize() {
  FFrameSize = (FBitLength + 1) * (FMode + 1) * FFFTLength;
}

void TMMLight::BuildBandTable() {
  if (LoadingOrReading(this)) return;
  const int n = FFFTLength;
  const double borders[3] = {0, std::sqrt(150.0 * 750.0), std::sqrt(750.0 * 1750.0)};
  int first[3];
  for (int z = 0; z < 3; ++z)
    first[z] = MinMax(Round(borders[z] / FSampleRate * n), 0, n / 2);
  for (int z = 0; z < 3; ++z) {
    const int end = z < 2 ? first[z + 1] : n / 2 - 1;
    FBandEnd[z] = end > first[z] + 1 ? end : 0;
  }
  for (int z = 0; z < 3; ++z) {
    FBandFirst[z] = first[z];
    if (z > 0 && first[z] == first[z - 1]) FBandFirst[z] = -1, FBandEnd[z] = 0;
  }
}

void TMMLight::ClearState() {
  std::fill(FBinValues.begin(), FBinValues.end(), 0);
  std::fill(FSamples.begin(), FSamples.end(), 0);
  FDecayState.Reset();
  for (int z = 0; z < 3; ++z)
    FLastLevel[z] = -1, FStrength[z] = 0;
  if (Designing(this) && Enabled())
    for (int b = 0; b < 2048; ++b)
      FBinValues[b] = std::rand() % 32767;
}

void TMMLight::Layout() {
  const int g = FTriangleDist / 2, w = FAreaW, h = FAreaH;
  if (FArrange == laLine) {
    const bool across = w >= h;
    const int longer = across ? w : h, shorter = across ? h : w;
    const int s = Min(longer / 3, shorter);
    FRadius = (3 * s / 3) / 2 - g;
    const int start = (longer - 3 * s) / 2;
    for (int z = 0; z < 3; ++z) {
      const int along = start + z * s + s / 2;
      FCenter[z] = across ? POINT{along, h / 2} : POINT{w / 2, along};
    }
  } else {
    const int m = Min(w, h) - 4 * g;
    const int r = m / 4;
    FRadius = r;
    const int bw = 4 * (r + g), bh = int(std::trunc((std::sqrt(3.0) + 2) * (r + g)));
    const int left = (w - bw) / 2, top = (h - bh) / 2;
    FCenter[0] = {left + r + g, top + r + g};
    FCenter[2] = {left + 3 * (r + g), top + r + g};
    FCenter[1] = {left + 2 * (r + g), top + bh - r - g};
  }
}

void TMMLight::Redraw() {
  if (LoadingOrReading(this)) return;
  TMMDIBCanvas& c = DIBCanvas();
  // More than 236 animated entries raise "Invalid count of animated colors".
  c.SetAnimatedColors(FKind == lkCircle ? 3 : 3 * FZoneCount);
  Layout();
  ClearState();
  {
    TMMDrawPhase drawing(c); // rebuilds the bitmap with the new count: the first entry moves
    const int first = c.FirstAnimatedEntry();
    c.SetColor(Color());
    DIB_Clear(c);
    if (FRadius > 0) {
      for (int z = 0; z < 3; ++z) {
        const POINT p = FCenter[z];
        if (FKind == lkCircle) {
          c.SetRawColor(uint32_t(first + z));
          DIB_FillEllipse(p.x, p.y, FRadius, FRadius, c);
          continue;
        }
        const int n = FZoneCount, size = 2 * FRadius;
        for (int j = 0; j < n; ++j) {
          const int inset = int(std::trunc(double(j) / n * 0.5 * size));
          c.SetRawColor(uint32_t(first + z * n + j));
          DIB_FillEllipse(p.x, p.y, FRadius - inset, FRadius - inset, c);
        }
      }
    }
  }
  Invalidate();
}

// --- properties ----------------------------------------------------------------------------------

void TMMLight::SetFFTLength(int value) {
  value = ClampFFTLength(value);
  if (value == FFFTLength && FSetup) return;
  RenewFFT(FSetup, FWindowTable.data(), FWindow, value);
  FFFTLength = value;
  CalcFrameSize();
  // The bands are bins of the new length: rebuilt, or a smaller length reads past N/2.
  BuildBandTable();
  ClearState();
}

void TMMLight::SetWindow(TMMFFTWindow value) {
  if (StoreChanged(FWindow, value))
    BuildWindowTable(FWindowTable.data(), FWindow, FFTBits(FFFTLength));
}

void TMMLight::SetSampleRate(int value) {
  if (StoreChanged(FSampleRate, MinMax(value, 8000, 100000))) BuildBandTable();
}

void TMMLight::SetBitLength(TMMBits value) {
  FBitLength = value;
  CalcFrameSize();
}

void TMMLight::SetChannel(TMMChannel value) {
  FChannel = value;
  CalcFrameSize();
}

void TMMLight::SetMode(TMMMode value) {
  if (value == mQuadro) return;
  FMode = value;
  CalcFrameSize();
}

void TMMLight::SetDecayMode(TMMDecayMode value) {
  if (StoreChanged(FDecayMode, value)) FDecayState.Reset();
}

void TMMLight::SetDecay(int value) {
  if (!StoreChanged(FDecay, MinMax(value, 1, 16))) return;
  FDecayState.SetDecay(FDecay);
  if (FDecayMode == dmUniform) FDecayState.Reset();
}

void TMMLight::SetAmplitudeScale(int value) {
  FAmpFactor = MinMax(value, 0, 1000) * 0.01;
  ClearState();
}

void TMMLight::SetGainByIndex(int index, int value) {
  if (index < 0 || index > 2) return;
  FBandFactor[index] = MinMax(value, 0, 1000) * 0.0005;
  ClearState();
}

void TMMLight::SetPeakMode(TMMLightPeakMode value) {
  if (StoreChanged(FPeakMode, value)) Invalidate();
}

void TMMLight::SetKind(TMMLightKind value) {
  if (StoreChanged(FKind, value)) Redraw();
}

void TMMLight::SetArrange(TMMLightArrange value) {
  if (StoreChanged(FArrange, value)) Redraw();
}

void TMMLight::SetTriangleDist(int value) {
  if (StoreChanged(FTriangleDist, Max(value, 2))) Redraw();
}

void TMMLight::SetSphereHorz(float value) {
  if (StoreChanged(FSphereHorz, std::max(value, 0.0f))) Redraw();
}

void TMMLight::SetSphereVert(float value) {
  if (StoreChanged(FSphereVert, std::max(value, 0.0f))) Redraw();
}

void TMMLight::SetZoneCount(int value) {
  if (StoreChanged(FZoneCount, Max(value, 1)) && FKind == lkSphere) Redraw();
}

void TMMLight::EnabledChanged() {
  Redraw();
  TMMDIBGraphicControl::EnabledChanged();
}

// --- intake --------------------------------------------------------------------------------------

void TMMLight::SetPWaveFormat(const WAVEFORMATEX* format) {
  TakePcmFormat<EMMLightError>(*this, format);
}

void TMMLight::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

void TMMLight::ResetData() {
  ClearState();
  if (Visible() && Parent() && Parent()->HandleAllocated()) Repaint();
}

void TMMLight::ApplyLevel(int band, int level, std::vector<PALETTEENTRY>& entries, int& first,
                          int& last) {
  auto colour = [band](int l) {
    const BYTE v = BYTE(l);
    return band == 0   ? PALETTEENTRY{v, 0, 0, PC_RESERVED}
           : band == 1 ? PALETTEENTRY{0, v, 0, PC_RESERVED}
                       : PALETTEENTRY{v, v, 0, PC_RESERVED};
  };
  const int base = DIBCanvas().FirstAnimatedEntry();
  if (FKind == lkCircle) {
    const int e = base + band;
    entries[e] = colour(level);
    first = Min(first, e), last = Max(last, e);
    ++FPaletteWrites;
    return;
  }
  const int n = FZoneCount;
  const double sh = FSphereHorz, sv = FSphereVert;
  for (int j = 0; j < n; ++j) {
    int shade = 0;
    if (sh > 0 && sv > 0) {
      const int k = Min(n - j - 1, int(std::trunc(n * sh)));
      const double q = double(n) * n - (k / sh) * (k / sh);
      shade = int(std::trunc(255 * std::trunc(std::sqrt(std::max(q, 0.0)) * sv) / (n * sv)));
    }
    const int e = base + band * n + j;
    entries[e] = colour(MinMax(level * shade / 255, 0, 255));
    first = Min(first, e), last = Max(last, e);
    ++FPaletteWrites;
  }
}

void TMMLight::RefreshPCMData(const void* buffer) {
  if (!buffer || !Enabled() || !Visible() || !FSetup) return;
  const int n = FFFTLength;
  const int overflows =
      SpectrumSamplePath(buffer, n, FBitLength, FMode, FChannel, 0, FWindowTable.data(), FSetup,
                         FWork.data(), FSamples.data());
  for (int i = 0; i < overflows; ++i)
    PcmOverflow();
  for (int b = 0; b < n / 2; ++b)
    FBinValues[b] =
        int32_t(std::trunc(std::sqrt(double(BinPower(FSamples.data(), b))) * FAmpFactor));
  if (FDecayMode != dmNone) FDecayState.Apply(FDecayMode, FBinValues.data(), n / 2);

  std::vector<PALETTEENTRY> entries(256);
  int firstEntry = 256, lastEntry = -1;
  for (int z = 0; z < 3; ++z) {
    int strength = 0;
    const int first = FBandFirst[z];
    // A band without bins of its own stays dark rather than reading bin -1.
    if (first >= 0) {
      const int end = FBandEnd[z] == 0 ? first + 1 : FBandEnd[z];
      const int count = end - first;
      if (count == 1) {
        strength = FBinValues[first];
      } else if (FPeakMode == pmPeak) {
        for (int b = first; b < end; ++b)
          strength = std::max(strength, int(FBinValues[b]));
      } else if (FPeakMode == pmAverage) {
        int64_t sum = FBinValues[first];
        for (int b = first; b < end; ++b)
          sum += FBinValues[b];
        strength = int(sum / (1 + count));
      } else {
        double sum = FBinValues[first];
        for (int b = first; b < end; ++b)
          sum += FBinValues[b] * (FBinValues[b] + 0.1);
        strength = int(std::trunc(std::sqrt(sum / Max(count, 1))));
      }
    }
    FStrength[z] = strength;
    const double factor = FBandFactor[z] * (z == 0 ? 1 : z == 1 ? 2 : 4);
    const int level = MinMax(int(std::trunc(strength * factor)), 0, 255);
    if (level == FLastLevel[z]) continue;
    FLastLevel[z] = level;
    ApplyLevel(z, level, entries, firstEntry, lastEntry);
  }
  if (lastEntry < 0) return;
  TMMDIBCanvas& c = DIBCanvas();
  const int count = lastEntry - firstEntry + 1;
  HPALETTE palette = c.Palette();
  if (!palette) return;
  // Unchanged entries in the range keep their present colours.
  std::vector<PALETTEENTRY> present(count);
  GetPaletteEntries(palette, firstEntry, count, present.data());
  std::vector<RGBQUAD> quads(count);
  for (int i = 0; i < count; ++i) {
    PALETTEENTRY& e = entries[firstEntry + i];
    if (e.peFlags != PC_RESERVED) e = present[i];
    e.peFlags = PC_RESERVED;
    quads[i] = {e.peBlue, e.peGreen, e.peRed, 0};
  }
  AnimatePalette(palette, firstEntry, count, &entries[firstEntry]);
  // A true-colour screen ignores palette animation: the DIB's own colour table must change too.
  SetDIBColorTable(c.Handle(), firstEntry, count, quads.data());
  DrawDirect([this] { DIBCanvas().DrawTo(Canvas().BlitHandle(), FArea, 0, 0); });
}

// --- paint ---------------------------------------------------------------------------------------

void TMMLight::Paint() {
  TMMGraphicControl::Paint(); // the bevel
  DIBCanvas().DrawTo(Canvas().BlitHandle(), FArea, 0, 0);
}

// --- registration --------------------------------------------------------------------------------

void RegisterMMLight() {
  if (FindMMClass("TMMLight")) return;
  RegisterMMDIBClasses();
  using K = TMMPropKind;
  using C = TMMLight;
  TMMClassInfo& c = RegisterMMClass<TMMLight>("TMMLight", "TMMDIBGraphicControl");
  c.Props = {
      OrdProp("FFTLength", K::pkInteger, &C::FFTLength, &C::SetFFTLength, 128),
      EnumProp(OrdProp("Window", K::pkEnum, &C::Window, &C::SetWindow, fwHamming),
               {"fwRectangular", "fwHamming", "fwHanning", "fwBlackman", "fwGaussian", "fwWelch",
                "fwParzen"}),
      OrdProp("SampleRate", K::pkInteger, &C::SampleRate, &C::SetSampleRate, 11025),
      EnumProp(OrdProp("BitLength", K::pkEnum, &C::BitLength, &C::SetBitLength, b8Bit),
               {"b8Bit", "b16Bit"}),
      EnumProp(OrdProp("Channel", K::pkEnum, &C::Channel, &C::SetChannel, chBoth),
               {"chBoth", "chLeft", "chRight"}),
      EnumProp(OrdProp("Mode", K::pkEnum, &C::Mode, &C::SetMode, mMono),
               {"mMono", "mStereo", "mQuadro"}),
      EnumProp(OrdProp("DecayMode", K::pkEnum, &C::DecayMode, &C::SetDecayMode, dmNone),
               {"dmNone", "dmStepUp", "dmExponential", "dmUniform"}),
      OrdProp("Decay", K::pkInteger, &C::Decay, &C::SetDecay, 1),
      OrdProp("AmplitudeScale", K::pkInteger, &C::AmplitudeScale, &C::SetAmplitudeScale, 100),
      OrdProp("GainBass", K::pkInteger, &C::GainBass, &C::SetGainBass, 100),
      OrdProp("GainMiddle", K::pkInteger, &C::GainMiddle, &C::SetGainMiddle, 100),
      OrdProp("GainTreble", K::pkInteger, &C::GainTreble, &C::SetGainTreble, 100),
      EnumProp(OrdProp("PeakMode", K::pkEnum, &C::PeakMode, &C::SetPeakMode, pmPeak),
               {"pmRMS", "pmPeak", "pmAverage"}),
      EnumProp(OrdProp("Kind", K::pkEnum, &C::Kind, &C::SetKind, lkCircle),
               {"lkCircle", "lkSphere"}),
      EnumProp(OrdProp("Arrange", K::pkEnum, &C::Arrange, &C::SetArrange, laLine),
               {"laLine", "laTriangle"}),
      OrdProp("TriangleDist", K::pkInteger, &C::TriangleDist, &C::SetTriangleDist, 10),
      OrdProp("ZoneCount", K::pkInteger, &C::ZoneCount, &C::SetZoneCount, 60)};
  c.Events = {"OnPcmOverflow"};
}
