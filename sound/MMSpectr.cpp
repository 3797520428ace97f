// The spectrum analyser: the shared sample path, properties, layout, the frequency and amplitude
// tables, the analysis of a block, peaks and clearing.
#include "MMSpectr.h"
#include "Handles.h"
#include "MMProps.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The saved background under the info box, shared by all spectrums.
TMMInfoStore SpectrumStore;

constexpr double Pi = 3.14159265358979323846;
// 8192 units per doubling of the power: one dB of power in units, and full scale in dB.
const double UnitsPerDB = 8192.0 * std::log2(10.0) / 10.0;
const double FullScaleDB = 20.0 * std::log10(32768.0);
int ClearDepth = 0; // a clear that starts inside another does nothing

void PeakTimerProc(TMMTimerHandle, void* data) {
  static_cast<TMMSpectrum*>(data)->AgePeaks();
}

bool Designing(const TComponent* c) {
  return c->ComponentState().Contains(csDesigning);
}

// table[n] = round(8192 log2 n) - 32768 for the 32 values a power is halved to.
const int32_t* LogTable() {
  static int32_t table[32];
  static bool made = false;
  if (!made) {
    table[0] = -131072;
    for (int n = 1; n < 32; ++n)
      table[n] = int32_t(std::lround(8192 * std::log2(double(n)))) - 32768;
    made = true;
  }
  return table;
}

} // namespace

// --- the sample path -----------------------------------------------------------------------------

int SpectrumSamplePath(const void* block, int n, TMMBits bits, TMMMode mode, TMMChannel channel,
                       int order, const int32_t* window, const TFFTSetup* setup, float* work,
                       int16_t* out) {
  int overflows = 0;
  const bool stereoMean = mode == mStereo && channel == chBoth;
  auto raw = [&](int i) -> int32_t {
    if (bits == b16Bit) {
      const int16_t* s = static_cast<const int16_t*>(block);
      if (mode == mMono) return s[i];
      const int32_t l = s[2 * i], r = s[2 * i + 1];
      return channel == chLeft ? l : channel == chRight ? r : (l + r) / 2;
    }
    const uint8_t* b = static_cast<const uint8_t*>(block);
    if (mode == mMono) return b[i];
    const int32_t l = b[2 * i], r = b[2 * i + 1];
    return channel == chLeft ? l : channel == chRight ? r : (l + r) / 2;
  };
  const int32_t top = bits == b8Bit ? 255 : (stereoMean && order <= 1 ? 32766 : 32767);
  int32_t prev1 = 0, prev2 = 0;
  for (int i = 0; i < n; ++i) {
    const int32_t s = raw(i);
    if (s >= top) ++overflows;
    if (i == 0) prev1 = prev2 = s;
    int32_t v;
    if (order == 0)
      v = bits == b8Bit ? s - 128 : s;
    else if (order == 1)
      v = s - prev1;
    else
      v = s - 2 * prev1 + prev2;
    prev2 = prev1;
    prev1 = s;
    const int64_t product = int64_t(v) * window[i];
    work[i] = float(product / (bits == b8Bit ? 128 : 32768));
  }
  DoRealFFT(setup, work, 1);
  const float half = float(n / 2);
  for (int i = 0; i < n; ++i) {
    // Held at the 16-bit limits: full-scale DC or a square wave must not wrap to a small value.
    const double q = std::trunc(double(work[i]) / half);
    out[i] = int16_t(q > 32767 ? 32767 : q < -32767 ? -32767 : q);
  }
  return overflows;
}

int32_t SpectrumMagnitude(int64_t p) {
  if (p <= 0) return 0;
  int64_t value, x;
  bool times16;
  if (p <= 4194304) {
    value = p * 256;
    x = 512;
    times16 = false;
  } else {
    value = p;
    x = 32;
    times16 = true;
  }
  for (;;) {
    const int64_t next = (x + value / x) / 2;
    const bool done = std::llabs(next - x) <= 1;
    x = next;
    if (done) break;
  }
  return int32_t(times16 ? x * 16 : x);
}

// --- decay ---------------------------------------------------------------------------------------

TMMBinDecay::TMMBinDecay() : FDecayed(2048), FSum(2048) {
  try {
    FHistory.reserve(32);
    for (int i = 0; i < 32; ++i)
      FHistory.emplace_back(2048);
  } catch (const std::bad_alloc&) {
    // As many of the 32 as memory gives; none at all is checked below.
  }
  if (FHistory.empty()) throw std::bad_alloc();
  SetDecay(1);
}

void TMMBinDecay::SetDecay(int decay) {
  FDecay = decay;
  FFactor = 0.0001;
  for (int i = 0; i < decay; ++i)
    FFactor = std::sqrt(FFactor);
  FLength = std::min(MinMax((decay - 1) * 2, 1, 32), Buffers());
  FPos %= FLength;
  FFilled = std::min(FFilled, FLength);
}

void TMMBinDecay::Reset() {
  FPos = 0;
  FFilled = 0;
  std::fill(FDecayed.begin(), FDecayed.end(), 0.0f);
  std::fill(FSum.begin(), FSum.end(), 0);
  for (std::vector<int32_t>& h : FHistory)
    std::fill(h.begin(), h.end(), 0);
}

void TMMBinDecay::Apply(TMMDecayMode mode, int32_t* values, int count) {
  const float f = float(FFactor);
  switch (mode) {
  case dmStepUp:
    for (int b = 0; b < count; ++b) {
      FDecayed[b] *= f;
      if (float(values[b]) < FDecayed[b])
        values[b] = int32_t(FDecayed[b]);
      else
        FDecayed[b] = float(values[b]);
    }
    break;
  case dmExponential:
    for (int b = 0; b < count; ++b) {
      FDecayed[b] = float(values[b]) * (1 - f) + FDecayed[b] * f;
      values[b] = int32_t(std::floor(FDecayed[b]));
    }
    break;
  case dmUniform: {
    FPos = (FPos + 1) % FLength;
    FFilled = std::min(FFilled + 1, FLength);
    int32_t* h = FHistory[FPos].data();
    for (int b = 0; b < count; ++b) {
      FSum[b] += values[b] - h[b];
      h[b] = values[b];
      values[b] = int32_t(FSum[b] / FFilled);
    }
    break;
  }
  default:
    break;
  }
}

// --- construction --------------------------------------------------------------------------------

TMMSpectrum::TMMSpectrum(TComponent* AOwner)
    : TMMDIBGraphicControl(AOwner),
      FInfo(this, SpectrumStore, SpectrumClipCursor, [this](POINT p) { DrawInfo(p); }) {
  SetNoFill(true);
  TControl::SetColor(clBlack);
  SetCursor(crCross);
  if (!Designing(this)) FTimer = AddTimerClient(MMTimerTick, false, PeakTimerProc, this);
  SetFFTLength(128);
  SetBounds(0, 0, 194, 89);
}

TMMSpectrum::~TMMSpectrum() {
  FInfo.End();
  // Returns only once the ageing has left: nothing of this control is touched after.
  RemoveTimerClient(FTimer);
  DoneRealFFT(FSetup);
}

// --- layout --------------------------------------------------------------------------------------

void TMMSpectrum::SetBounds(int left, int top, int width, int height) {
  const int b = Bevel()->BevelExtent();
  width = Max(width, FDrawAmpScale ? 2 * b + 69 : 2 * b + 5);
  height = Max(height, FDrawFreqScale ? 2 * b + 45 : 2 * b + 5);
  TMMDIBGraphicControl::SetBounds(left, top, width, height);
  AdjustBounds();
}

void TMMSpectrum::ApplySizeRules() {
  const int b = Bevel()->BevelExtent();
  const int w = Max(Width(), FDrawAmpScale ? 2 * b + 69 : 2 * b + 5);
  const int h = Max(Height(), FDrawFreqScale ? 2 * b + 45 : 2 * b + 5);
  if (w != Width() || h != Height())
    SetBounds(Left(), Top(), w, h);
  else
    AdjustBounds();
  Invalidate();
}

void TMMSpectrum::AdjustBounds() {
  RECT r{0, 0, Width(), Height()};
  if (FDrawAmpScale) r.left += 32, r.right -= 32;
  if (FDrawFreqScale) r.bottom -= 40;
  const int b = Bevel()->BevelExtent();
  FDrawRect = {r.left + b, r.top + b, r.right - b, r.bottom - b};
  FW = Max(FDrawRect.right - FDrawRect.left, 4);
  FH = Max(FDrawRect.bottom - FDrawRect.top, 4);
  FDrawRect.right = FDrawRect.left + FW;
  FDrawRect.bottom = FDrawRect.top + FH;
  {
    TLockGuard lock(FPeakLock);
    FFirstBin.assign(FW, 0);
    FEndBin.assign(FW, 0);
    FScale.assign(FW, 0);
    FBars.assign(1, TMMSpectrumBar{-1, 0, 0, 0, 0});
  }
  DIBCanvas().SetBounds(0, 0, FW, FH);
  FInactive->SetBounds(0, 0, FW, FH);
  CalcSpots();
  CalcFrameSize();
  BuildFrequencyTable();
  ClearData();
  Invalidate();
}

void TMMSpectrum::CalcSpots() {
  FSpotHeight = Max(FSpotHeight, 1);
  const int step = FSpotHeight + FSpotSpace;
  FSpotCount = Max(1, (FH + FSpotSpace) / step);
  FSpotOffset = (FH - (FSpotCount * step - FSpotSpace)) / 2;
  FZone2 = Round(FSpotCount * FPoint1 / 100.0);
  FZone3 = Round(FSpotCount * FPoint2 / 100.0);
  BuildInactiveBars();
}

void TMMSpectrum::CalcFrameSize() {
  FFrameSize = (FBitLength + 1) * (FMode + 1) * FFFTLength;
}

void TMMSpectrum::Loaded() {
  TMMDIBGraphicControl::Loaded();
  BuildFrequencyTable();
  ClearData();
  Invalidate();
}

void TMMSpectrum::SetBitsPerPixel(int) {
  throw EMMSpectrumError("BitsPerPixel changes currently not supported");
}

void TMMSpectrum::ColorChanged() {
  BuildInactiveBars();
  TMMDIBGraphicControl::ColorChanged();
}

// --- tables --------------------------------------------------------------------------------------

void TMMSpectrum::BuildFrequencyTable() {
  if (LoadingOrReading(this)) return;
  const int n = FFFTLength, w = FW;
  const double sr = FSampleRate;
  const double z = std::min(std::max(FZoom, 1.0), 8.0);
  const double offset = AxisOffset();
  std::vector<int32_t> first(w), end(w, 0);
  for (int c = 0; c < w; ++c) {
    double bin;
    if (!FLogFreq)
      bin = std::floor(double(n) * c / (2.0 * w * z) + n * offset / sr + 0.01);
    else
      bin = std::floor(0.51 +
                       std::exp(std::log((n + 1) / 2.0) * (c - 0.45) / (w * z)) * n * offset / sr) -
            1;
    first[c] = int32_t(std::min(std::max(bin, 0.0), double(n / 2 - 1)));
    if (c > 0) end[c - 1] = first[c];
  }
  for (int c = 0; c < w; ++c)
    if (end[c] <= first[c] + 1) end[c] = 0;
  for (int c = w - 1; c >= 1; --c)
    if (first[c] == first[c - 1]) first[c] = -1, end[c] = 0;
  std::vector<TMMSpectrumBar> bars;
  for (int c = 0; c < w; ++c) {
    if (first[c] < 0) continue;
    if (!bars.empty()) bars.back().End = c;
    bars.push_back({c, w, 0, 0, 0});
  }
  bars.push_back({-1, 0, 0, 0, 0});
  {
    TLockGuard lock(FPeakLock);
    FFirstBin = std::move(first);
    FEndBin = std::move(end);
    FScale.assign(w, 0);
    FBars = std::move(bars);
  }
  BuildAmpTable();
  BuildInactiveBars();
  Invalidate();
}

double TMMSpectrum::AxisOffset() const {
  const double sr = FSampleRate, n = FFFTLength;
  const double z = std::min(std::max(FZoom, 1.0), 8.0);
  if (!FLogFreq) {
    double offset = std::max(FOffset, 0.0);
    const double span = sr / 2 / z;
    if (offset + span > sr / 2) offset = sr / 2 - span;
    return offset;
  }
  const double low = sr / n, high = sr / 2 / std::pow(n / 2, 1 / z);
  return std::min(std::max(FOffset, low), std::max(high, low));
}

void TMMSpectrum::BuildAmpTable() {
  if (LoadingOrReading(this)) return;
  if (FLogAmp)
    BuildLogAmpTable();
  else
    BuildLinearAmpTable();
}

void TMMSpectrum::BuildLogAmpTable() {
  const double sr = FSampleRate, ref = FRefFreq;
  FPixelsPerUnit = FH / ((FRangeTop - FRangeBottom) * 10.0 * UnitsPerDB);
  const int order = WeightOrder();
  double bottomDB = FullScaleDB - 60;
  if (order > 0) bottomDB -= 20.0 * order * std::log10(sr / (2 * Pi * ref));
  FBottom = bottomDB * UnitsPerDB;
  FShift = 0;
  double f = FPixelsPerUnit;
  while (f < 4096)
    f *= 2, ++FShift;
  const int32_t scale = int32_t(std::floor(FPixelsPerUnit * std::ldexp(1.0, FShift) + 0.5));
  std::fill(FScale.begin(), FScale.end(), scale);
  for (int i = 0; i < 2048; ++i) {
    if (HalfStep())
      FLogOffset[i] = int32_t(std::floor(
          FBottom + 0.5 - 10 * UnitsPerDB * std::log10(((i + 1) * sr / FFFTLength) / ref)));
    else
      FLogOffset[i] = int32_t(std::floor(FBottom + 0.5));
  }
}

void TMMSpectrum::BuildLinearAmpTable() {
  const double sr = FSampleRate, ref = FRefFreq;
  double f = FH / (std::sqrt(ref) * FVertFactor * 32768);
  FShift = 4;
  const int order = WeightOrder();
  if (order == 1) f = f * sr / (2 * Pi * ref);
  if (order == 2) f = f * sr * sr / (4 * Pi * Pi * ref * ref);
  if (!HalfStep()) {
    f *= std::sqrt(ref);
    while (f < 4096)
      f *= 2, ++FShift;
    for (int c = 0; c < FW; ++c)
      FScale[c] = FFirstBin[c] >= 0 ? int32_t(std::floor(f + 0.5)) : 0;
  } else {
    while (std::sqrt(sr * 0.5) * f < 4096)
      f *= 2, ++FShift;
    for (int c = 0; c < FW; ++c)
      FScale[c] =
          FFirstBin[c] >= 0
              ? int32_t(std::floor(std::sqrt((FFirstBin[c] + 1) * sr / FFFTLength) * f + 0.5))
              : 0;
  }
}

// --- properties ----------------------------------------------------------------------------------

void TMMSpectrum::SetFFTLength(int value) {
  value = ClampFFTLength(value);
  if (value == FFFTLength && FSetup) return;
  RenewFFT(FSetup, FWindowTable.data(), FWindow, value);
  FFFTLength = value;
  BuildFrequencyTable();
  CalcFrameSize();
  ClearData();
  Invalidate();
}

void TMMSpectrum::SetWindow(TMMFFTWindow value) {
  if (!StoreChanged(FWindow, value)) return;
  BuildWindowTable(FWindowTable.data(), FWindow, FFTBits(FFFTLength));
}

void TMMSpectrum::SetSampleRate(int value) {
  if (!StoreChanged(FSampleRate, MinMax(value, 8000, 100000))) return;
  BuildFrequencyTable();
  ClearData();
}

void TMMSpectrum::SetLogFreq(bool value) {
  if (!StoreChanged(FLogFreq, value)) return;
  BuildFrequencyTable();
  ClearData();
}

void TMMSpectrum::SetFrequencyScale(int value) {
  value = MinMax(value, 1, 16);
  int zoom = 1;
  while (zoom * 2 <= value && zoom < 8)
    zoom *= 2;
  const double z = zoom;
  if (z == FZoom) return;
  FZoom = z;
  BuildFrequencyTable();
  ClearData();
}

void TMMSpectrum::SetLogAmp(bool value) {
  if (!StoreChanged(FLogAmp, value)) return;
  BuildAmpTable();
  ClearData();
  Invalidate();
}

void TMMSpectrum::SetRefFreq(int value) {
  if (!StoreChanged(FRefFreq, MinMax(value, 1, 44100))) return;
  BuildAmpTable();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetGain(TMMSpectrumGain value) {
  if (!StoreChanged(FGain, value)) return;
  BuildAmpTable();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetVerticalScale(int value) {
  const double f = MinMax(value, 1, 500) / 100.0;
  if (f == FVertFactor) return;
  FVertFactor = f;
  BuildAmpTable();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetDecay(int value) {
  if (!StoreChanged(FDecay, MinMax(value, 1, 16))) return;
  FDecayState.SetDecay(FDecay);
  if (FDecayMode == dmUniform) FDecayState.Reset();
}

void TMMSpectrum::SetDecayMode(TMMDecayMode value) {
  if (!StoreChanged(FDecayMode, value)) return;
  FDecayState.Reset();
}

void TMMSpectrum::SetKind(TMMSpectrumKind value) {
  if (!StoreChanged(FKind, value)) return;
  CalcSpots();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetBitLength(TMMBits value) {
  FBitLength = value;
  CalcFrameSize();
}

void TMMSpectrum::SetChannel(TMMChannel value) {
  FChannel = value;
  CalcFrameSize();
}

void TMMSpectrum::SetMode(TMMMode value) {
  if (value == mQuadro) return;
  FMode = value;
  CalcFrameSize();
}

void TMMSpectrum::SetColorByIndex(int index, TColor value) {
  if (index < 0 || index > 8) return;
  if (!StoreChanged(FColors[index], value)) return;
  BuildInactiveBars();
  Invalidate();
}

void TMMSpectrum::SetPoint1(int value) {
  if (value < 1 || value > 100 || !StoreChanged(FPoint1, value)) return;
  CalcSpots();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetPoint2(int value) {
  if (value < 1 || value > 100 || !StoreChanged(FPoint2, value)) return;
  CalcSpots();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetDrawInactive(bool value) {
  if (StoreChanged(FDrawInactive, value)) Invalidate();
}

void TMMSpectrum::SetInactiveDoted(bool value) {
  if (!StoreChanged(FInactiveDoted, value)) return;
  BuildInactiveBars();
  Invalidate();
}

void TMMSpectrum::SetActiveDoted(bool value) {
  if (StoreChanged(FActiveDoted, value)) Invalidate();
}

void TMMSpectrum::SetSpace(int value) {
  if (value < 0 || value > 5 || !StoreChanged(FSpace, value)) return;
  BuildInactiveBars();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetSpotSpace(int value) {
  if (value < 0 || value > 10 || !StoreChanged(FSpotSpace, value)) return;
  CalcSpots();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetSpotHeight(int value) {
  if (value < 1 || value > Max(1, FH / 3) || !StoreChanged(FSpotHeight, value)) return;
  CalcSpots();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetNumPeaks(int value) {
  if (value < 0 || value > 5) return;
  {
    TLockGuard lock(FPeakLock); // the timer's thread reads it
    if (!StoreChanged(FNumPeaks, value)) return;
  }
  UpdateTimer();
  ClearPeaks();
  Invalidate();
}

void TMMSpectrum::SetPeakDelay(int value) {
  if (value < 0 || value > 50) return;
  {
    TLockGuard lock(FPeakLock); // the timer's thread reads it
    if (!StoreChanged(FPeakDelay, value)) return;
  }
  ClearPeaks();
}

void TMMSpectrum::SetPeakSpeed(int value) {
  if (value < 0 || value > 50) return;
  {
    TLockGuard lock(FPeakLock); // the timer's thread reads it
    if (!StoreChanged(FPeakSpeed, value)) return;
  }
  ClearPeaks();
}

void TMMSpectrum::SetDisplayPeak(bool value) {
  if (StoreChanged(FDisplayPeak, value)) Invalidate();
}

void TMMSpectrum::SetDrawFreqScale(bool value) {
  if (StoreChanged(FDrawFreqScale, value)) ApplySizeRules();
}

void TMMSpectrum::SetDrawAmpScale(bool value) {
  if (StoreChanged(FDrawAmpScale, value)) ApplySizeRules();
}

void TMMSpectrum::SetDrawGrid(bool value) {
  if (StoreChanged(FDrawGrid, value)) Invalidate();
}

void TMMSpectrum::UpdateTimer() {
  if (!FTimer) return;
  const bool run = Enabled() && FNumPeaks > 0;
  if (run == FTimerRunning) return;
  FTimerRunning = run;
  if (run)
    EnableTimerClient(FTimer);
  else
    DisableTimerClient(FTimer);
}

void TMMSpectrum::EnabledChanged() {
  if (!Enabled()) FInfo.End();
  ClearData();
  UpdateTimer();
  Invalidate();
  TMMDIBGraphicControl::EnabledChanged();
}

void TMMSpectrum::VisibleChanged() {
  if (!Visible()) FInfo.End();
  TMMDIBGraphicControl::VisibleChanged();
}

// --- intake --------------------------------------------------------------------------------------

void TMMSpectrum::SetPWaveFormat(const WAVEFORMATEX* format) {
  TakePcmFormat<EMMSpectrumError>(*this, format);
}

void TMMSpectrum::RefreshPCMData(const void* buffer) {
  if (!buffer || !Enabled() || !Visible() || FInfo.Active() || !FSetup) return;
  const int n = FFFTLength;
  const int overflows =
      SpectrumSamplePath(buffer, n, FBitLength, FMode, FChannel, WeightOrder(), FWindowTable.data(),
                         FSetup, FWork.data(), FSamples.data());
  for (int i = 0; i < overflows; ++i)
    PcmOverflow();
  const int bins = n / 2;
  if (FDecayMode == dmNone && FLogAmp) {
    const int32_t* table = LogTable();
    for (int b = 0; b < bins; ++b) {
      int64_t p = BinPower(FSamples.data(), b);
      int k = 0;
      while (p > 31)
        p >>= 1, ++k;
      const int32_t u = 32768 + 8192 * k + table[p] - FLogOffset[b];
      FBinValues[b] = u < 0 ? 0 : u;
    }
  } else {
    for (int b = 0; b < bins; ++b)
      FBinValues[b] = SpectrumMagnitude(BinPower(FSamples.data(), b));
    if (FDecayMode != dmNone) FDecayState.Apply(FDecayMode, FBinValues.data(), bins);
  }
  ComputeColumns();
  DrawDirect([this] { DrawSpectrum(false); });
}

void TMMSpectrum::ComputeColumns() {
  const bool linear = FDecayMode == dmNone || !FLogAmp;
  const double unitsPerLn = 2 * 8192 / std::log(2.0);
  int strongest = 0, strongBin = 0, strongColumn = 0;
  bool over = false;
  {
    TLockGuard lock(FPeakLock);
    for (TMMSpectrumBar& bar : FBars) {
      if (bar.First < 0) break;
      const int c = bar.First;
      const int first = FFirstBin[c], end = FEndBin[c] == 0 ? first + 1 : FEndBin[c];
      int32_t raw = FBinValues[first];
      int bin = first;
      for (int b = first + 1; b < end; ++b)
        if (FBinValues[b] > raw) raw = FBinValues[b], bin = b;
      int value;
      if (linear) {
        // 64 bits: factors of 4096..8192 times magnitudes up to 16 x 46341 pass 2^31.
        value = int(std::min<int64_t>((int64_t(FScale[c]) * raw) >> FShift, INT32_MAX));
      } else if (raw < 1) {
        value = 0;
      } else {
        value = int(
            std::trunc((std::log(raw * 0.0625) * unitsPerLn - FLogOffset[first]) * FPixelsPerUnit));
        if (value < 0) value = 0;
      }
      bar.Value = value;
      if (value > strongest) strongest = value, strongBin = bin, strongColumn = c;
      if (value >= FH) over = true;
    }
  }
  FPeakValue = strongest;
  FPeakBin = strongBin;
  FPeakColumn = strongColumn;
  const double sr = FSampleRate, n = FFFTLength;
  if (!FLogFreq)
    FPeakFreq = (strongBin + 0.5) * sr / n;
  else
    FPeakFreq = (strongBin <= 1 ? strongBin + 0.25 : strongBin) * sr / n;
  if (over) GainOverflow();
}

void TMMSpectrum::ResetData() {
  FInfo.LetGo();
  ClearData();
  if (Visible() && Parent() && Parent()->HandleAllocated()) Repaint();
}

void TMMSpectrum::GainOverflow() {
  if (OnGainOverflow) OnGainOverflow(this);
}

void TMMSpectrum::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

void TMMSpectrum::ClearPeaks() {
  TLockGuard lock(FPeakLock);
  for (TMMSpectrumBar& bar : FBars)
    bar.Peak = 0, bar.Counter = 0;
}

void TMMSpectrum::ClearData() {
  if (LoadingOrReading(this) || ClearDepth > 0) return;
  TCountHold clearing(ClearDepth);
  std::fill(FBinValues.begin(), FBinValues.end(), 0);
  std::fill(FSamples.begin(), FSamples.end(), 0);
  {
    TLockGuard lock(FPeakLock);
    for (TMMSpectrumBar& bar : FBars)
      bar.Value = 0, bar.Peak = 0, bar.Counter = 0;
  }
  FPeakFreq = 0;
  FPeakValue = FPeakBin = FPeakColumn = 0;
  FDecayState.Reset();
  if (Enabled()) {
    if (OnNeedData)
      OnNeedData(this);
    else if (Designing(this))
      for (int b = 0; b < 2048; ++b)
        FBinValues[b] = std::rand() % 32767;
  }
}

std::vector<TMMSpectrumBar> TMMSpectrum::Bars() {
  TLockGuard lock(FPeakLock);
  if (FBars.empty()) return {};
  return std::vector<TMMSpectrumBar>(FBars.begin(), FBars.end() - 1);
}

void TMMSpectrum::AgePeaks() {
  TLockGuard lock(FPeakLock);
  if (FNumPeaks < 1 || FInfo.Active()) return;
  for (TMMSpectrumBar& bar : FBars) {
    if (bar.First < 0) break;
    if (bar.Peak <= 0) continue;
    if (--bar.Counter <= 0) {
      if (FPeakSpeed == 0) {
        bar.Peak = 0;
        bar.Counter = 0;
      } else {
        --bar.Peak;
        bar.Counter = FPeakSpeed;
      }
    }
  }
}

// --- registration --------------------------------------------------------------------------------

void RegisterMMSpectrum() {
  if (FindMMClass("TMMSpectrum")) return;
  RegisterMMDIBClasses();
  using K = TMMPropKind;
  using C = TMMSpectrum;
  TMMClassInfo& c = RegisterMMClass<TMMSpectrum>("TMMSpectrum", "TMMDIBGraphicControl");
  c.Props = {
      OrdProp("ShowInfo", K::pkBoolean, &C::ShowInfo, &C::SetShowInfo, 1),
      OrdProp("FFTLength", K::pkInteger, &C::FFTLength, &C::SetFFTLength, 128),
      EnumProp(OrdProp("Window", K::pkEnum, &C::Window, &C::SetWindow, fwHamming),
               {"fwRectangular", "fwHamming", "fwHanning", "fwBlackman", "fwGaussian", "fwWelch",
                "fwParzen"}),
      OrdProp("SampleRate", K::pkInteger, &C::SampleRate, &C::SetSampleRate, 11025),
      EnumProp(OrdProp("BitLength", K::pkEnum, &C::BitLength, &C::SetBitLength, b8Bit),
               {"b8Bit", "b16Bit"}),
      EnumProp(OrdProp("Mode", K::pkEnum, &C::Mode, &C::SetMode, mMono),
               {"mMono", "mStereo", "mQuadro"}),
      EnumProp(OrdProp("Channel", K::pkEnum, &C::Channel, &C::SetChannel, chBoth),
               {"chBoth", "chLeft", "chRight"}),
      OrdProp("LogFreq", K::pkBoolean, &C::LogFreq, &C::SetLogFreq, 0),
      OrdProp("LogAmp", K::pkBoolean, &C::LogAmp, &C::SetLogAmp, 0),
      EnumProp(OrdProp("Gain", K::pkEnum, &C::Gain, &C::SetGain, sgNone),
               {"sgNone", "sg3db", "sg6db", "sg9db", "sg12db"}),
      OrdProp("RefFreq", K::pkInteger, &C::RefFreq, &C::SetRefFreq, 1000),
      OrdProp("VerticalScale", K::pkInteger, &C::VerticalScale, &C::SetVerticalScale, 100),
      OrdProp("FrequencyScale", K::pkInteger, &C::FrequencyScale, &C::SetFrequencyScale, 1),
      EnumProp(OrdProp("DecayMode", K::pkEnum, &C::DecayMode, &C::SetDecayMode, dmNone),
               {"dmNone", "dmStepUp", "dmExponential", "dmUniform"}),
      OrdProp("Decay", K::pkInteger, &C::Decay, &C::SetDecay, 1),
      EnumProp(OrdProp("Kind", K::pkEnum, &C::Kind, &C::SetKind, skBars),
               {"skDots", "skLines", "skVLines", "skBars", "skPeaks", "skScroll"}),
      OrdProp("Bar1Color", K::pkColor, &C::Bar1Color, &C::SetBar1Color, 0xFFFF00),
      OrdProp("Bar2Color", K::pkColor, &C::Bar2Color, &C::SetBar2Color, 0xFFFF00),
      OrdProp("Bar3Color", K::pkColor, &C::Bar3Color, &C::SetBar3Color, 0x0000FF),
      OrdProp("Inactive1Color", K::pkColor, &C::Inactive1Color, &C::SetInactive1Color, 0x808000),
      OrdProp("Inactive2Color", K::pkColor, &C::Inactive2Color, &C::SetInactive2Color, 0x808000),
      OrdProp("Inactive3Color", K::pkColor, &C::Inactive3Color, &C::SetInactive3Color, 0x000080),
      OrdProp("ScaleTextColor", K::pkColor, &C::ScaleTextColor, &C::SetScaleTextColor, 0),
      OrdProp("ScaleLineColor", K::pkColor, &C::ScaleLineColor, &C::SetScaleLineColor, 0),
      OrdProp("GridColor", K::pkColor, &C::GridColor, &C::SetGridColor, 0x808080),
      OrdProp("Point1", K::pkInteger, &C::Point1, &C::SetPoint1, 50),
      OrdProp("Point2", K::pkInteger, &C::Point2, &C::SetPoint2, 85),
      OrdProp("DrawInactive", K::pkBoolean, &C::DrawInactive, &C::SetDrawInactive, 1),
      OrdProp("InactiveDoted", K::pkBoolean, &C::InactiveDoted, &C::SetInactiveDoted, 0),
      OrdProp("ActiveDoted", K::pkBoolean, &C::ActiveDoted, &C::SetActiveDoted, 0),
      OrdProp("Space", K::pkInteger, &C::Space, &C::SetSpace, 1),
      OrdProp("SpotSpace", K::pkInteger, &C::SpotSpace, &C::SetSpotSpace, 1),
      OrdProp("SpotHeight", K::pkInteger, &C::SpotHeight, &C::SetSpotHeight, 1),
      OrdProp("NumPeaks", K::pkInteger, &C::NumPeaks, &C::SetNumPeaks, 1),
      OrdProp("PeakDelay", K::pkInteger, &C::PeakDelay, &C::SetPeakDelay, 20),
      OrdProp("PeakSpeed", K::pkInteger, &C::PeakSpeed, &C::SetPeakSpeed, 0),
      OrdProp("DisplayPeak", K::pkBoolean, &C::DisplayPeak, &C::SetDisplayPeak, 0),
      OrdProp("DrawFreqScale", K::pkBoolean, &C::DrawFreqScale, &C::SetDrawFreqScale, 0),
      OrdProp("DrawAmpScale", K::pkBoolean, &C::DrawAmpScale, &C::SetDrawAmpScale, 0),
      OrdProp("DrawGrid", K::pkBoolean, &C::DrawGrid, &C::SetDrawGrid, 0)};
  c.Events = {"OnNeedData", "OnGainOverflow", "OnPcmOverflow", "OnDrawBar"};
}
