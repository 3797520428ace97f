// The analogue needle meter.
#include "MMMeter.h"
#include "Handles.h"
#include "MMProps.h"
#include <cmath>

namespace {

void MeterTimerProc(TMMTimerHandle, void* data) {
  static_cast<TMMCustomMeter*>(data)->AgePeak();
}

constexpr int FullScale = 32767;

} // namespace

TMMCustomMeter::TMMCustomMeter(TComponent* AOwner) : TMMGraphicControl(AOwner) {
  SetNoFill(true);
  TControl::SetColor(clBlack);
  SetCaption("dB");
  SetParentFont(false);
  Font().SetColor(clSilver);
  Font().SetStyle(TFontStyles{fsBold});
  CalcDataSize();
  if (!ComponentState().Contains(csDesigning))
    FTimer = AddTimerClient(MMTimerTick, false, MeterTimerProc, this);
  SetBounds(0, 0, 170, 90);
}

TMMCustomMeter::~TMMCustomMeter() {
  // Returns only once the peak fall has left.
  RemoveTimerClient(FTimer);
}

void TMMCustomMeter::SetBounds(int left, int top, int width, int height) {
  TMMGraphicControl::SetBounds(left, top, width, height);
  Resized();
}

void TMMCustomMeter::BevelChanged() {
  Resized();
  TMMGraphicControl::BevelChanged();
}

void TMMCustomMeter::Resized() {
  FArea = ClientRect();
  const int w = Max(FArea.right - FArea.left, 0), h = Max(FArea.bottom - FArea.top, 0);
  FWorking.SetSize(w, h);
  FSaved.SetSize(w, h);
  Reset();
}

void TMMCustomMeter::FontChanged() {
  TMMGraphicControl::FontChanged();
  Invalidate();
}

void TMMCustomMeter::TextChanged() {
  Invalidate();
}

void TMMCustomMeter::ColorChanged() {
  TMMGraphicControl::ColorChanged();
  Invalidate();
}

// --- properties ---------------------------------------------------------------------------------

void TMMCustomMeter::SetBitLength(TMMBits v) {
  FBitLength = v;
  CalcDataSize();
  Invalidate();
}

void TMMCustomMeter::SetChannel(TMMChannel v) {
  FChannel = v;
  CalcDataSize();
  Invalidate();
}

void TMMCustomMeter::SetMode(TMMMode v) {
  if (v == mQuadro) return;
  FMode = v;
  CalcDataSize();
  Invalidate();
}

void TMMCustomMeter::SetSamples(int v) {
  FSamples = Max(v, 1);
  CalcDataSize();
  Invalidate();
}

void TMMCustomMeter::SetGain(int v) {
  if (v < -8 || v > 32) return;
  StoreAndPaint(FGain8, v + 8);
}

void TMMCustomMeter::SetDecayMode(TMMDecayMode v) {
  FDecayMode = v;
  ClearDecay();
  Invalidate();
}

void TMMCustomMeter::SetDecay(int v) {
  v = MinMax(v, 1, 16);
  if (!StoreChanged(FDecay, v)) return;
  FFactor = 0.0001;
  for (int i = 0; i < FDecay; ++i)
    FFactor = std::sqrt(FFactor);
  FAverage = MinMax((FDecay - 1) * 2, 1, 32);
  FRingIndex %= FAverage;
  FFilled = Min(FFilled, FAverage);
  if (FDecayMode == dmUniform) ClearDecay();
  Invalidate();
}

void TMMCustomMeter::SetShowPeak(bool v) {
  if (v == FShowPeak) return;
  {
    TLockGuard lock(FLock);
    FShowPeak = v;
    FCountdown = 0;
  }
  UpdateTimer();
  Invalidate();
}

// The timer client nests its disabling, so it follows one flag that both setters share.
void TMMCustomMeter::UpdateTimer() {
  const bool on = Enabled() && FShowPeak;
  if (FTimer && on != FTimerOn) on ? EnableTimerClient(FTimer) : DisableTimerClient(FTimer);
  FTimerOn = on;
}

void TMMCustomMeter::EnabledChanged() {
  UpdateTimer();
  {
    TLockGuard lock(FLock);
    FCountdown = 0;
  }
  Reset();
  TMMGraphicControl::EnabledChanged();
}

void TMMCustomMeter::SetPeakDelay(int v) {
  {
    TLockGuard lock(FLock);
    FPeakDelay = v;
    FCountdown = 0;
  }
  Invalidate();
}

void TMMCustomMeter::SetPeakSpeed(int v) {
  {
    TLockGuard lock(FLock);
    FPeakSpeed = v;
    FCountdown = 0;
  }
  Invalidate();
}

// --- levels -------------------------------------------------------------------------------------

void TMMCustomMeter::ClearDecay() {
  FDecayed = 0;
  FSum = 0;
  FRingIndex = 0;
  FFilled = 0;
  for (int& r : FRing)
    r = 0;
}

void TMMCustomMeter::Reset() {
  {
    TLockGuard lock(FLock);
    FLevel = 0;
    FPeak = 0;
    FCountdown = 0;
    FRedrawPeak = false;
  }
  ClearDecay();
  Invalidate();
}

void TMMCustomMeter::SetPWaveFormat(const WAVEFORMATEX* format) {
  if (!PcmFormatValid(format)) throw EMMMeterError(LoadLibraryString(MMS_INVALID_WAVEFORMAT));
  SetBitLength(format->wBitsPerSample == 8 ? b8Bit : b16Bit);
  SetMode(format->nChannels == 2 ? mStereo : mMono);
}

void TMMCustomMeter::RefreshPCMData(const void* buffer) {
  if (!buffer || !Enabled() || !Visible()) return;
  auto sample = [&](int index) -> int32_t {
    if (FBitLength == b16Bit) return static_cast<const int16_t*>(buffer)[index];
    return (int32_t(static_cast<const uint8_t*>(buffer)[index]) - 128) * 256;
  };
  int32_t loudest = 0;
  for (int i = 0; i < FSamples; ++i) {
    int32_t v;
    if (FMode == mMono)
      v = sample(i);
    else if (FChannel == chLeft)
      v = sample(2 * i);
    else if (FChannel == chRight)
      v = sample(2 * i + 1);
    else
      v = sample(2 * i) / 2 + sample(2 * i + 1) / 2;
    loudest = Max(loudest, std::abs(v));
  }
  if (loudest >= FullScale && OnPcmOverflow) OnPcmOverflow(this);
  SetLevel(loudest);
}

void TMMCustomMeter::SetLevel(int32_t v) {
  if (FDecayMode != dmNone) {
    FRingIndex = (FRingIndex + 1) % FAverage;
    if (FFilled < FAverage) ++FFilled;
    switch (FDecayMode) {
    case dmStepUp:
      FDecayed *= FFactor;
      if (v >= FDecayed)
        FDecayed = v;
      else
        v = Round(FDecayed);
      break;
    case dmExponential:
      FDecayed = FDecayed * FFactor + (1 - FFactor) * v;
      v = static_cast<int32_t>(std::floor(FDecayed));
      break;
    case dmUniform:
      FSum += v - FRing[FRingIndex];
      FRing[FRingIndex] = v;
      v = static_cast<int32_t>(FSum / FFilled);
      break;
    default:
      break;
    }
  }
  const double a = MulDivTrunc(v, FGain8, 8);
  const double s = FSensitivy;
  int level;
  if (FLogAmp) {
    const double x = std::max(a / FullScale, 0.00001);
    level = Max(Round((20 * std::log10(x) - s) * FullScale / -s), 0);
  } else {
    const double t = std::pow(10.0, s * 0.05) * FullScale;
    level = Max(Round((a - t) * FullScale / (FullScale - t)), 0);
  }
  if (level >= FullScale) {
    if (OnGainOverflow) OnGainOverflow(this);
    level = FullScale;
  }
  bool draw;
  {
    TLockGuard lock(FLock);
    if (level > FPeak && FShowPeak) {
      FPeak = level;
      FCountdown = FPeakDelay;
      FRedrawPeak = true;
    }
    draw = level != FLevel || FRedrawPeak;
    if (draw) {
      FRedrawPeak = false;
      FLevel = level;
    }
  }
  if (draw) DrawNeedleDirect();
}

void TMMCustomMeter::AgePeak() {
  TLockGuard lock(FLock);
  if (FPeak > 0 && --FCountdown == 0) {
    if (FPeakSpeed == 0) {
      FPeak = FLevel;
    } else {
      FPeak = Max(FPeak - 500, FLevel);
      FCountdown = FPeakSpeed;
    }
    FRedrawPeak = true;
  }
}

int TMMCustomMeter::NeedleLevel() {
  TLockGuard lock(FLock);
  return FLevel;
}

int TMMCustomMeter::PeakLevel() {
  TLockGuard lock(FLock);
  return FPeak;
}

int TMMCustomMeter::PeakCountdown() {
  TLockGuard lock(FLock);
  return FCountdown;
}

int TMMCustomMeter::Value() const {
  const int level = FLevel;
  if (level == 0) return 0;
  if (!FLogAmp) return Round(level * 100.0 / FullScale);
  const double s = FSensitivy;
  double amplitude = std::pow(10.0, (s - s * level / FullScale) / 20);
  // At Gain -8 every level reads as silence: there is no gain to take out.
  if (FGain8 != 0) amplitude = amplitude * 8 / FGain8;
  return Round(amplitude * 100);
}

void TMMCustomMeter::SetValue(int percent) {
  SetLevel(Round(MinMax(percent, 0, 100) * FullScale * 0.01));
}

// --- drawing ------------------------------------------------------------------------------------

POINT TMMCustomMeter::LevelPoint(int level, double radius) const {
  const int w = FArea.right - FArea.left, h = FArea.bottom - FArea.top;
  const float s0 = (180 - FScaleAngle) / 2.0f;
  const float degrees = s0 + (180 - 2 * s0) * float(level) / FullScale;
  const float a = degrees * float(3.14159265358979 / 180);
  return {w / 2 - Round(radius * std::cos(a)), h + FNeedleOffset - Round(radius * std::sin(a))};
}

void TMMCustomMeter::DrawScaleInto(TCanvas& c, int w, int h) {
  if (!FBackGroundDIB.Empty()) {
    c.StretchDraw({0, 0, w, h}, FBackGroundDIB);
  } else {
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect({0, 0, w, h});
  }
  const int n = FScaleTicks;
  const int r = BaseRadius();
  if (FDrawScale && n >= 2) {
    c.Pen().SetWidth(1);
    c.Pen().SetStyle(psSolid);
    c.Brush().SetStyle(bsClear);
    c.Font().SetName("Small Fonts");
    c.Font().SetSize(6);
    c.Font().SetStyle(TFontStyles{});
    c.Font().SetColor(Font().Color());
    const int h1 = FScaleHeight1, h2 = FScaleHeight2;
    for (int i = 0; i < n; ++i) {
      const int level = MulDivTrunc(FullScale, i, n - 1);
      const bool longTick = FEnlargeEvery == 0 || i == n - 1 || i % FEnlargeEvery == 0;
      int from, to;
      if (longTick) {
        from = r - 2;
        to = r - 2 - h2;
      } else if (FScaleOrigin == soInner) {
        from = r - 2 - h2 + h1;
        to = r - 2 - h2;
      } else {
        from = r - 2;
        to = r - 2 - h2 + h1;
      }
      const double L = level;
      c.Pen().SetColor(L > FPoint2 * FullScale * 0.01   ? FScaleColors[2]
                       : L > FPoint1 * FullScale * 0.01 ? FScaleColors[1]
                                                        : FScaleColors[0]);
      const POINT p1 = LevelPoint(level, from), p2 = LevelPoint(level, to);
      c.MoveTo(p1.x, p1.y);
      c.LineTo(p2.x, p2.y);
      if (FTextEvery > 0 && i % FTextEvery == 0) {
        int v;
        if (FLogAmp) {
          v = MulDivTrunc(FSensitivy, n - 1 - i, n - 1);
        } else {
          const float t = float(FullScale * std::pow(10.0, FSensitivy * 0.05));
          v = Round(20 * std::log10((t + (FullScale - t) * double(i) / (n - 1)) / FullScale));
        }
        const std::string text = std::to_string(v), digits = std::to_string(std::abs(v));
        const POINT p = LevelPoint(level, r - 2);
        const int x = p.x - (c.TextWidth(text) - c.TextWidth(digits) / 2) + 1;
        c.TextOut(x, p.y - c.TextHeight("0") - 3, text);
      }
    }
  }
  if (!Caption().empty()) {
    c.Font().Assign(Font());
    c.Brush().SetStyle(bsClear);
    const int t = c.TextHeight("W");
    RECT box{0, h - h / 16 - t, w, h - h / 16};
    c.DrawText(Caption(), box, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
}

void TMMCustomMeter::Redraw(bool needleOnly) {
  const int w = FWorking.Width(), h = FWorking.Height();
  if (w <= 0 || h <= 0) return;
  TCanvas& c = FWorking.Canvas();
  if (!needleOnly) {
    DrawScaleInto(c, w, h);
    FSaved.Canvas().CopyRect({0, 0, w, h}, c, {0, 0, w, h});
  } else {
    c.CopyRect({0, 0, w, h}, FSaved.Canvas(), {0, 0, w, h});
  }
  int level, peak;
  {
    TLockGuard lock(FLock);
    level = FLevel, peak = FPeak;
  }
  const POINT pivot{w / 2, h + FNeedleOffset};
  const int r = BaseRadius();
  c.Pen().SetWidth(FNeedleWidth);
  c.Pen().SetStyle(psSolid);
  if (FShowPeak) {
    c.Pen().SetColor(FPeakColor);
    const POINT p = LevelPoint(peak, r);
    c.MoveTo(pivot.x, pivot.y);
    c.LineTo(p.x, p.y);
  }
  c.Pen().SetColor(FNeedleColor);
  const POINT p = LevelPoint(level, r);
  c.MoveTo(pivot.x, pivot.y);
  c.LineTo(p.x, p.y);
  BitBlt(Canvas().BlitHandle(), FArea.left, FArea.top, w, h, c.Handle(), 0, 0, SRCCOPY);
  if (OnPostPaint) OnPostPaint(this);
}

void TMMCustomMeter::Paint() {
  TMMGraphicControl::Paint(); // the bevel
  Redraw(false);
}

void TMMCustomMeter::DrawNeedleDirect() {
  if (HoldDrawing([this] { DrawNeedleDirect(); })) return;
  if (!Visible() || !Parent() || !Parent()->HandleAllocated()) return;
  HWND window = Parent()->Handle();
  TClientDC dc(window);
  if (!dc) return;
  RECT r = BoundsRect();
  if (!RectVisible(dc, &r)) return;
  TSaveDC saved(dc);
  SetWindowOrgEx(dc, -r.left, -r.top, nullptr);
  IntersectClipRect(dc, 0, 0, Width(), Height());
  Canvas().SetHandle(dc);
  TScopeExit detach([&] { Canvas().SetHandle(nullptr); });
  Redraw(true);
}

void RegisterMMMeter() {
  if (FindMMClass("TMMMeter")) return;
  RegisterMMBaseClasses();
  using K = TMMPropKind;
  using C = TMMCustomMeter;
  RegisterMMClass<TMMCustomMeter>("TMMCustomMeter", "TMMGraphicControl");
  TMMClassInfo& c = RegisterMMClass<TMMMeter>("TMMMeter", "TMMCustomMeter");
  c.Props = {OrdProp("NeedleColor", K::pkColor, &C::NeedleColor, &C::SetNeedleColor, 0xFFFFFF),
             OrdProp("PeakColor", K::pkColor, &C::PeakColor, &C::SetPeakColor, 0x0000FF),
             OrdProp("ScaleAngle", K::pkInteger, &C::ScaleAngle, &C::SetScaleAngle, 90),
             OrdProp("ScaleTicks", K::pkInteger, &C::ScaleTicks, &C::SetScaleTicks, 41),
             OrdProp("Gain", K::pkInteger, &C::Gain, &C::SetGain, 0),
             OrdProp("Samples", K::pkInteger, &C::Samples, &C::SetSamples, 50),
             OrdProp("Sensitivy", K::pkInteger, &C::Sensitivy, &C::SetSensitivy, -50),
             OrdProp("LogAmp", K::pkBoolean, &C::LogAmp, &C::SetLogAmp, 1),
             OrdProp("Decay", K::pkInteger, &C::Decay, &C::SetDecay, 1),
             OrdProp("ShowPeak", K::pkBoolean, &C::ShowPeak, &C::SetShowPeak, 1),
             OrdProp("PeakDelay", K::pkInteger, &C::PeakDelay, &C::SetPeakDelay, 20),
             OrdProp("PeakSpeed", K::pkInteger, &C::PeakSpeed, &C::SetPeakSpeed, 0)};
  c.Events = {"OnGainOverflow", "OnPcmOverflow", "OnPostPaint"};
}
