// The LED level bar.
#include "MMLevel.h"
#include "MMProps.h"
#include <cmath>

namespace {

void PeakTimerProc(TMMTimerHandle, void* data) {
  static_cast<TMMCustomLevel*>(data)->AgePeak();
}

bool Designing(const TComponent* c) {
  return c->ComponentState().Contains(csDesigning);
}

} // namespace

TMMCustomLevel::TMMCustomLevel(TComponent* AOwner)
    : TMMDIBGraphicControl(AOwner), FBackCanvas(new TMMDIBCanvas) {
  SetNoFill(true);
  TControl::SetColor(clBlack);
  SetParentFont(false);
  Font().SetName("Small Fonts");
  Font().SetSize(7);
  ResetDecay();
  CalcFrameSize();
  if (!Designing(this)) FTimer = AddTimerClient(MMTimerTick, false, PeakTimerProc, this);
  SetBounds(0, 0, 200, 17);
}

TMMCustomLevel::~TMMCustomLevel() {
  // Returns only once the ageing has left: nothing of this bar is touched after.
  RemoveTimerClient(FTimer);
}

void TMMCustomLevel::SetBounds(int left, int top, int width, int height) {
  const int least = 2 * Bevel()->BevelExtent() + 2;
  TMMDIBGraphicControl::SetBounds(left, top, Max(width, least), Max(height, least));
  AdjustBounds();
}

void TMMCustomLevel::AdjustBounds() {
  const int extent = Bevel()->BevelExtent();
  FInnerRect = {extent, extent, Width() - extent, Height() - extent};
  FInnerWidth = Max(1, FInnerRect.right - FInnerRect.left);
  FInnerHeight = Max(1, FInnerRect.bottom - FInnerRect.top);
  DIBCanvas().SetBounds(0, 0, FInnerWidth, FInnerHeight);
  FBackCanvas->SetBounds(0, 0, FInnerWidth, FInnerHeight);
  Redraw();

  FSpotWidth = Max(FSpotWidth, 1);
  const int length = FKind == lkHorizontal ? FInnerWidth : FInnerHeight;
  const int step = FSpotWidth + FSpotSpace;
  FNumSpots = Max(1, (length + FSpotSpace) / step);
  FOffset = (length - (step * FNumSpots - FSpotSpace)) / 2;
  FZone1 = FPoint1 * FNumSpots / 100;
  FZone2 = FPoint2 * FNumSpots / 100;
  RebuildBackground();
  TLockGuard lock(FPeakLock);
  if (Designing(this) && Enabled()) {
    if (FNumSpots > FZone2)
      FValue = FZone2 + (FNumSpots - FZone2) / 2;
    else if (FNumSpots > FZone1)
      FValue = FZone1 + (FNumSpots - FZone1) / 2;
    else
      FValue = FNumSpots - FNumSpots / 4;
  } else {
    FValue = 0;
    FPeak = 0;
    FPeakCounter = 0;
  }
}

void TMMCustomLevel::Loaded() {
  TMMDIBGraphicControl::Loaded();
  RebuildBackground();
  Redraw();
}

void TMMCustomLevel::SetBitsPerPixel(int value) {
  FBackCanvas->SetBitsPerPixel(value);
  TMMDIBGraphicControl::SetBitsPerPixel(value);
  RebuildBackground();
  Redraw();
}

void TMMCustomLevel::ColorChanged() {
  RebuildBackground();
  FShownValue = -1;
  TMMDIBGraphicControl::ColorChanged();
}

void TMMCustomLevel::Changed() {
  RebuildBackground();
  Redraw();
}

// --- properties ---------------------------------------------------------------------------------

void TMMCustomLevel::SetKind(TMMLevelKind value) {
  if (!StoreChanged(FKind, value)) return;
  if ((value == lkHorizontal && Height() > Width()) || (value == lkVertical && Height() < Width()))
    SetBounds(Left(), Top(), Height(), Width());
  else
    AdjustBounds();
}

void TMMCustomLevel::SetSpotSpace(int value) {
  if (StoreChanged(FSpotSpace, MinMax(value, 0, 10))) AdjustBounds();
}

void TMMCustomLevel::SetSpotWidth(int value) {
  const int length = FKind == lkHorizontal ? FInnerWidth : FInnerHeight;
  if (StoreChanged(FSpotWidth, MinMax(value, 1, Max(1, length / 3)))) AdjustBounds();
}

void TMMCustomLevel::SetColorByIndex(int index, TColor value) {
  if (index < 0 || index > 5) return;
  if (StoreChanged(FColors[index], value)) Changed();
}

void TMMCustomLevel::SetInactiveDoted(bool value) {
  if (StoreChanged(FInactiveDoted, value)) Changed();
}

void TMMCustomLevel::SetActiveDoted(bool value) {
  if (StoreChanged(FActiveDoted, value)) Changed();
}

void TMMCustomLevel::SetPointByIndex(int index, int value) {
  int& field = index == 0 ? FPoint1 : FPoint2;
  if (StoreChanged(field, MinMax(value, 1, 100))) AdjustBounds();
}

void TMMCustomLevel::SetDirection(TMMLevelDirection value) {
  if (StoreChanged(FDirection, value)) Changed();
}

void TMMCustomLevel::SetBitLength(TMMBits value) {
  FBitLength = value;
  CalcFrameSize();
}

void TMMCustomLevel::SetChannel(TMMChannel value) {
  FChannel = value;
  CalcFrameSize();
}

void TMMCustomLevel::SetMode(TMMMode value) {
  if (value == mQuadro) return;
  FMode = value;
  CalcFrameSize();
}

void TMMCustomLevel::SetGain(int value) {
  if (value < -8 || value > 32) return;
  FGain = value;
}

void TMMCustomLevel::SetSamples(int value) {
  FSamples = Max(value, 1);
  CalcFrameSize();
}

void TMMCustomLevel::SetSensitivy(int value) {
  if (StoreChanged(FSensitivy, MinMax(value, -90, -9))) Redraw();
}

void TMMCustomLevel::SetLogAmp(bool value) {
  if (StoreChanged(FLogAmp, value)) Redraw();
}

void TMMCustomLevel::SetNumPeaks(int value) {
  if (!StoreChanged(FNumPeaks, MinMax(value, 0, 5))) return;
  UpdateTimer();
  Redraw();
}

void TMMCustomLevel::SetPeakDelay(int value) {
  TLockGuard lock(FPeakLock);
  FPeakDelay = MinMax(value, 0, 50);
  FPeakCounter = 0;
}

void TMMCustomLevel::SetPeakSpeed(int value) {
  TLockGuard lock(FPeakLock);
  FPeakSpeed = MinMax(value, 0, 50);
  FPeakCounter = 0;
}

void TMMCustomLevel::SetDecayMode(TMMDecayMode value) {
  FDecayMode = value;
  ResetDecay();
}

void TMMCustomLevel::SetDecay(int value) {
  if (!StoreChanged(FDecay, MinMax(value, 1, 16))) return;
  if (FDecayMode == dmUniform) {
    ResetDecay();
    return;
  }
  CalcDecayFactor();
}

void TMMCustomLevel::CalcDecayFactor() {
  FFactor = 0.0001;
  for (int i = 0; i < FDecay; ++i)
    FFactor = std::sqrt(FFactor);
  FHistoryLength = MinMax((FDecay - 1) * 2, 1, 32);
  FHistoryIndex %= FHistoryLength;
  FFilled = Min(FFilled, FHistoryLength);
}

void TMMCustomLevel::ResetDecay() {
  FFilled = 0;
  FHistoryIndex = 0;
  FDecayed = 0;
  FSum = 0;
  for (int32_t& h : FHistory)
    h = 0;
  CalcDecayFactor();
}

void TMMCustomLevel::CalcFrameSize() {
  FFrameSize = (FBitLength + 1) * (FMode + 1) * FSamples;
}

void TMMCustomLevel::UpdateTimer() {
  if (!FTimer) return;
  const bool run = Enabled() && FNumPeaks > 0;
  if (run == FTimerRunning) return;
  FTimerRunning = run;
  if (run)
    EnableTimerClient(FTimer);
  else
    DisableTimerClient(FTimer);
}

void TMMCustomLevel::EnabledChanged() {
  if (!Enabled()) {
    {
      TLockGuard lock(FPeakLock);
      FValue = 0;
      FPeak = 0;
      FPeakCounter = 0;
    }
    ResetDecay();
  }
  UpdateTimer();
  FShownValue = -1;
  TMMDIBGraphicControl::EnabledChanged();
}

// --- intake
// ---------------------------------------------------------------------------------------

void TMMCustomLevel::SetPWaveFormat(const WAVEFORMATEX* format) {
  TakePcmFormat<EMMLevelError>(*this, format);
}

void TMMCustomLevel::RefreshPCMData(const void* buffer) {
  if (!buffer || !Enabled() || !Visible()) return;
  int32_t level = 0;
  for (int i = 0; i < FSamples; ++i) {
    const int32_t v = std::abs(PcmFrameValue(buffer, i, FBitLength, FMode, FChannel));
    if (v > level) level = v;
  }
  if (level >= 32767) PcmOverflow();
  Process(level);
}

void TMMCustomLevel::ResetData() {
  {
    TLockGuard lock(FPeakLock);
    FValue = 0;
    FPeak = 0;
    FPeakCounter = 0;
    FRedraw = false;
  }
  ResetDecay();
  Redraw();
}

void TMMCustomLevel::GainOverflow() {
  if (OnGainOverflow) OnGainOverflow(this);
}

void TMMCustomLevel::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

void TMMCustomLevel::Process(int32_t level) {
  int64_t v = level;
  bool redraw;
  {
    TLockGuard lock(FPeakLock);
    redraw = FRedraw;
  }
  if (v == 0 && FValue == 0 && !redraw) return;

  if (FDecayMode != dmNone) {
    FHistoryIndex = (FHistoryIndex + 1) % FHistoryLength;
    if (FFilled < FHistoryLength) ++FFilled;
    switch (FDecayMode) {
    case dmStepUp:
      FDecayed *= FFactor;
      if (double(v) > FDecayed)
        FDecayed = double(v);
      else
        v = static_cast<int64_t>(FDecayed);
      break;
    case dmExponential:
      FDecayed = FDecayed * FFactor + (1 - FFactor) * double(v);
      v = static_cast<int64_t>(std::floor(FDecayed));
      break;
    case dmUniform:
      FSum += v - FHistory[FHistoryIndex];
      FHistory[FHistoryIndex] = static_cast<int32_t>(v);
      v = FSum / FFilled;
      break;
    default:
      break;
    }
  }

  const int64_t g = v * (FGain + 8) / 8;
  const int n = FNumSpots;
  const double s = FSensitivy;
  double spots;
  if (FLogAmp) {
    const double dB = 20 * std::log10(std::max(double(g) / 32767, 0.000001));
    spots = (dB - s) * n / -s;
  } else {
    const double floorLevel = 32767 / std::pow(10.0, -s * 0.05);
    spots = (double(g) - floorLevel) * n / (32767 - floorLevel);
  }
  int value = Round(spots);
  if (value < 0) value = 0;
  if (value > n) {
    GainOverflow();
    value = n;
  }

  bool draw;
  {
    TLockGuard lock(FPeakLock);
    if (value > FPeak && FNumPeaks > 0) {
      FPeak = value;
      FPeakCounter = FPeakDelay * 2 + 1;
      FRedraw = true;
    }
    draw = value != FValue || FRedraw;
    FRedraw = false;
  }
  if (!draw) return;
  FValue = value;
  // Held in a display step, the check runs once at its end, before the screen is taken.
  if (!HoldDrawing([this] { DrawChanged(); })) DrawChanged();
}

void TMMCustomLevel::Redraw() {
  FShownValue = -1; // until the paint comes, nothing drawn before is known to be on the screen
  Invalidate();
}

void TMMCustomLevel::DrawChanged() {
  if (FValue != FShownValue || PeakSpots() != FShownPeak) DrawDirect([this] { DrawLevel(); });
}

void TMMCustomLevel::AgePeak() {
  TLockGuard lock(FPeakLock);
  if (FPeak > 0 && --FPeakCounter <= 0) {
    if (FPeakSpeed == 0) {
      FPeak = 0;
      FPeakCounter = 0;
    } else {
      --FPeak;
      FPeakCounter = FPeakSpeed;
    }
    FRedraw = true;
  }
}

int TMMCustomLevel::PeakSpots() {
  TLockGuard lock(FPeakLock);
  return FPeak;
}

int TMMCustomLevel::Value() const {
  if (FValue == 0) return 0;
  if (!FLogAmp) return Round(FValue * 100.0 / FNumSpots);
  const double s = FSensitivy;
  double level = std::pow(10.0, (s - s * FValue / FNumSpots) * 0.05);
  // At Gain -8 every level shows as silence: there is no gain to take out.
  if (FGain + 8 != 0) level = level * 8.0 / (FGain + 8);
  return Round(level * 100);
}

void TMMCustomLevel::SetValue(int percent) {
  percent = MinMax(percent, 0, 100);
  Process(Round(percent * 32767 * 0.01));
}

// --- drawing
// --------------------------------------------------------------------------------------

void TMMCustomLevel::DrawBar(TMMDIBCanvas& canvas, int value, int peak, const TColor* colors,
                             bool dotted) {
  const int step = FSpotWidth + FSpotSpace;
  int pos, delta;
  if (FKind == lkHorizontal) {
    pos = FDirection == dirNormal ? FOffset : FInnerWidth - FOffset - FSpotWidth;
    delta = FDirection == dirNormal ? step : -step;
  } else {
    pos = FDirection == dirNormal ? FInnerHeight - FOffset - FSpotWidth : FOffset;
    delta = FDirection == dirNormal ? -step : step;
  }
  // The zone colours are looked up in the palette once per bar, not once per spot: a lookup is
  // a call into the system, and a bar has hundreds of spots.
  const uint32_t zones[3] = {canvas.NearestIndex(colors[0]), canvas.NearestIndex(colors[1]),
                             canvas.NearestIndex(colors[2])};
  auto spot = [&](int index, uint32_t color) { // index from 1
    const int at = pos + (index - 1) * delta;
    const RECT r = FKind == lkHorizontal ? RECT{at, 0, at + FSpotWidth, FInnerHeight}
                                         : RECT{0, at, FInnerWidth, at + FSpotWidth};
    canvas.SetRawColor(color);
    DIB_FillRectEx(r, dotted, canvas);
  };
  auto zoneColor = [&](int index) {
    return index > FZone2 ? zones[2] : index > FZone1 ? zones[1] : zones[0];
  };
  for (int i = 1; i <= value; ++i)
    spot(i, zoneColor(i));
  if (FNumPeaks >= 1 && peak > value) {
    for (int i = peak; i > peak - FNumPeaks && i >= 1; --i)
      spot(i, zoneColor(i));
  }
}

void TMMCustomLevel::RebuildBackground() {
  if (LoadingOrReading(this) || OnDrawBar) return;
  TMMDrawPhase drawing(*FBackCanvas);
  FBackCanvas->SetColor(Color());
  DIB_Clear(*FBackCanvas);
  DrawBar(*FBackCanvas, FNumSpots, 0, FColors + 3, FInactiveDoted);
}

void TMMCustomLevel::DrawLevel() {
  TMMDIBCanvas& c = DIBCanvas();
  const int value = FValue, peak = PeakSpots();
  FShownValue = value;
  FShownPeak = peak;
  {
    TMMDrawPhase drawing(c);
    if (OnDrawBar) {
      OnDrawBar(this, c, RECT{0, 0, FInnerWidth, FInnerHeight}, value, peak);
    } else {
      if (FBackCanvas->Bits() == nullptr) RebuildBackground();
      DIB_CopyRect(FBackCanvas->Bits(), 0, 0, FInnerWidth, FInnerHeight, 0, 0, c);
      DrawBar(c, value, peak, FColors, FActiveDoted);
    }
  }
  c.DrawTo(Canvas().BlitHandle(), FInnerRect, 0, 0);
}

void TMMCustomLevel::Paint() {
  TMMGraphicControl::Paint(); // the bevel
  DrawLevel();
}

// --- registration
// ---------------------------------------------------------------------------------

void RegisterMMLevel() {
  if (FindMMClass("TMMLevel")) return;
  RegisterMMDIBClasses();
  using K = TMMPropKind;
  using C = TMMCustomLevel;
  RegisterMMClass<TMMCustomLevel>("TMMCustomLevel", "TMMDIBGraphicControl");
  TMMClassInfo& c = RegisterMMClass<TMMLevel>("TMMLevel", "TMMCustomLevel");
  c.Props = {
      EnumProp(OrdProp("Kind", K::pkEnum, &C::Kind, &C::SetKind, lkHorizontal),
               {"lkHorizontal", "lkVertical"}),
      OrdProp("SpotSpace", K::pkInteger, &C::SpotSpace, &C::SetSpotSpace, 1),
      OrdProp("SpotWidth", K::pkInteger, &C::SpotWidth, &C::SetSpotWidth, 1),
      OrdProp("Bar1Color", K::pkColor, &C::Bar1Color, &C::SetBar1Color, 0xFFFF00),
      OrdProp("Bar2Color", K::pkColor, &C::Bar2Color, &C::SetBar2Color, 0xFFFF00),
      OrdProp("Bar3Color", K::pkColor, &C::Bar3Color, &C::SetBar3Color, 0x0000FF),
      OrdProp("Inactive1Color", K::pkColor, &C::Inactive1Color, &C::SetInactive1Color, 0x808000),
      OrdProp("Inactive2Color", K::pkColor, &C::Inactive2Color, &C::SetInactive2Color, 0x808000),
      OrdProp("Inactive3Color", K::pkColor, &C::Inactive3Color, &C::SetInactive3Color, 0x000080),
      OrdProp("InactiveDoted", K::pkBoolean, &C::InactiveDoted, &C::SetInactiveDoted, 0),
      OrdProp("ActiveDoted", K::pkBoolean, &C::ActiveDoted, &C::SetActiveDoted, 0),
      OrdProp("Point1", K::pkInteger, &C::Point1, &C::SetPoint1, 50),
      OrdProp("Point2", K::pkInteger, &C::Point2, &C::SetPoint2, 85),
      EnumProp(OrdProp("Direction", K::pkEnum, &C::Direction, &C::SetDirection, dirNormal),
               {"dirNormal", "dirReversed"}),
      EnumProp(OrdProp("BitLength", K::pkEnum, &C::BitLength, &C::SetBitLength, b8Bit),
               {"b8Bit", "b16Bit"}),
      EnumProp(OrdProp("Channel", K::pkEnum, &C::Channel, &C::SetChannel, chBoth),
               {"chBoth", "chLeft", "chRight"}),
      EnumProp(OrdProp("Mode", K::pkEnum, &C::Mode, &C::SetMode, mMono),
               {"mMono", "mStereo", "mQuadro"}),
      OrdProp("Gain", K::pkInteger, &C::Gain, &C::SetGain, 0),
      OrdProp("Samples", K::pkInteger, &C::Samples, &C::SetSamples, 50),
      OrdProp("Sensitivy", K::pkInteger, &C::Sensitivy, &C::SetSensitivy, -35),
      OrdProp("LogAmp", K::pkBoolean, &C::LogAmp, &C::SetLogAmp, 1),
      OrdProp("NumPeaks", K::pkInteger, &C::NumPeaks, &C::SetNumPeaks, 1),
      OrdProp("PeakDelay", K::pkInteger, &C::PeakDelay, &C::SetPeakDelay, 20),
      OrdProp("PeakSpeed", K::pkInteger, &C::PeakSpeed, &C::SetPeakSpeed, 0),
      EnumProp(OrdProp("DecayMode", K::pkEnum, &C::DecayMode, &C::SetDecayMode, dmNone),
               {"dmNone", "dmStepUp", "dmExponential", "dmUniform"}),
      OrdProp("Decay", K::pkInteger, &C::Decay, &C::SetDecay, 1)};
  c.Events = {"OnDrawBar", "OnGainOverflow", "OnPcmOverflow"};
}
