// The spectrum analyser: each PCM block windowed, transformed and shown per pixel column as dots,
// lines, vertical lines, LED bars, peaks or a scrolling trace, with falling peak marks on the
// shared timer, scales, grid, the strongest frequency and an info box under the mouse.
#pragma once
#include "MMDIB.h"
#include "MMDisplay.h"
#include "MMFFT.h"
#include "MMLevel.h"
#include "MMOscope.h"
#include "MMUtils.h"
#include "Threads.h"
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

TB_DECLARE_EXCEPTION(EMMSpectrumError, Exception);

enum TMMSpectrumKind { skDots, skLines, skVLines, skBars, skPeaks, skScroll };
enum TMMSpectrumGain { sgNone, sg3db, sg6db, sg9db, sg12db };

// --- the sample path shared by the frequency displays
// ---------------------------------------------- One block of n frames to the scaled transform:
// frames as signed values (8-bit as bytes), weighted by order 0..2 (plain, first or second
// difference), times the window table, forward FFT, then each value / (n/2) truncated and held to
// +-32767. Answers how many samples sat at the top of their range. work holds n floats, out n
// values (re, im per bin, bin 0 first).
int SpectrumSamplePath(const void* block, int n, TMMBits bits, TMMMode mode, TMMChannel channel,
                       int order, const int32_t* window, const TFFTSetup* setup, float* work,
                       int16_t* out);
// re^2 + im^2 of bin i of such a result, in 64 bits.
inline int64_t BinPower(const int16_t* out, int i) {
  const int64_t re = out[2 * i], im = out[2 * i + 1];
  return re * re + im * im;
}
// 16 x sqrt(p) by the integer Newton iteration.
int32_t SpectrumMagnitude(int64_t p);

// The decay laws over per-bin magnitudes, with history buffers made once for the largest length.
class TMMBinDecay {
public:
  TMMBinDecay();
  void SetDecay(int decay); // 1..16: factor and averaging length
  void Reset();
  // One block: advances the ring once (dmUniform), then maps each of count magnitudes.
  void Apply(TMMDecayMode mode, int32_t* values, int count);
  int Buffers() const { return int(FHistory.size()); }
  int Length() const { return FLength; }
  double Factor() const { return FFactor; }

private:
  std::vector<std::vector<int32_t>> FHistory; // up to 32 of 2048 values
  std::vector<float> FDecayed;
  std::vector<int64_t> FSum;
  int FDecay = 1, FLength = 1, FPos = 0, FFilled = 0;
  double FFactor = 0.01;
};

// The cursor clip of the info boxes of the spectrum and the spectrogram; tests record it.
void SetSpectrumClipCursor(TMMClipCursorProc proc);
BOOL SpectrumClipCursor(const RECT* rect);

// FFT lengths: clamped to 8..4096 and rounded down to a power of two; and their bit counts.
int ClampFFTLength(int value);
int FFTBits(int length);
// A fresh transform set-up and window table for a length; the old set-up is released only once
// the new one stands (std::bad_alloc when there is no memory for it).
void RenewFFT(PFFTSetup& setup, int32_t* windowTable, TMMFFTWindow window, int length);

class TMMSpectrum;
using TMMSpectrumDrawBar = std::function<void(TMMSpectrum* Sender, TMMDIBCanvas& DIB,
                                              const RECT& Rect, int Value, int Peak)>;

// One bar: columns first .. end - 1, its value in pixels, its peak (spots or pixels) and counter.
struct TMMSpectrumBar {
  int32_t First, End, Value, Peak, Counter;
};

class TMMSpectrum : public TMMDIBGraphicControl {
public:
  explicit TMMSpectrum(TComponent* AOwner);
  ~TMMSpectrum() override;

  void SetBounds(int left, int top, int width, int height) override;
  void SetBitsPerPixel(int value) override;

  void SetPWaveFormat(const WAVEFORMATEX* format);
  void RefreshPCMData(const void* buffer);
  void ResetData();
  int FrameSize() const { return FFrameSize; }
  void ClearData();

  bool ShowInfo() const { return FShowInfo; }
  void SetShowInfo(bool value) { FShowInfo = value; }
  int FFTLength() const { return FFFTLength; }
  void SetFFTLength(int value);
  TMMFFTWindow Window() const { return FWindow; }
  void SetWindow(TMMFFTWindow value);
  int SampleRate() const { return FSampleRate; }
  void SetSampleRate(int value);
  TMMBits BitLength() const { return FBitLength; }
  void SetBitLength(TMMBits value);
  TMMMode Mode() const { return FMode; }
  void SetMode(TMMMode value);
  TMMChannel Channel() const { return FChannel; }
  void SetChannel(TMMChannel value);
  bool LogFreq() const { return FLogFreq; }
  void SetLogFreq(bool value);
  bool LogAmp() const { return FLogAmp; }
  void SetLogAmp(bool value);
  TMMSpectrumGain Gain() const { return FGain; }
  void SetGain(TMMSpectrumGain value);
  int RefFreq() const { return FRefFreq; }
  void SetRefFreq(int value);
  int VerticalScale() const { return Round(FVertFactor * 100); }
  void SetVerticalScale(int value);
  int FrequencyScale() const { return int(FZoom); }
  void SetFrequencyScale(int value);
  TMMDecayMode DecayMode() const { return FDecayMode; }
  void SetDecayMode(TMMDecayMode value);
  int Decay() const { return FDecay; }
  void SetDecay(int value);
  TMMSpectrumKind Kind() const { return FKind; }
  void SetKind(TMMSpectrumKind value);
  // Colours by index: bar 1-3, inactive 1-3, scale text, scale line, grid.
  TColor ColorByIndex(int index) const { return FColors[index]; }
  void SetColorByIndex(int index, TColor value);
  TColor Bar1Color() const { return FColors[0]; }
  void SetBar1Color(TColor v) { SetColorByIndex(0, v); }
  TColor Bar2Color() const { return FColors[1]; }
  void SetBar2Color(TColor v) { SetColorByIndex(1, v); }
  TColor Bar3Color() const { return FColors[2]; }
  void SetBar3Color(TColor v) { SetColorByIndex(2, v); }
  TColor Inactive1Color() const { return FColors[3]; }
  void SetInactive1Color(TColor v) { SetColorByIndex(3, v); }
  TColor Inactive2Color() const { return FColors[4]; }
  void SetInactive2Color(TColor v) { SetColorByIndex(4, v); }
  TColor Inactive3Color() const { return FColors[5]; }
  void SetInactive3Color(TColor v) { SetColorByIndex(5, v); }
  TColor ScaleTextColor() const { return FColors[6]; }
  void SetScaleTextColor(TColor v) { SetColorByIndex(6, v); }
  TColor ScaleLineColor() const { return FColors[7]; }
  void SetScaleLineColor(TColor v) { SetColorByIndex(7, v); }
  TColor GridColor() const { return FColors[8]; }
  void SetGridColor(TColor v) { SetColorByIndex(8, v); }
  int Point1() const { return FPoint1; }
  void SetPoint1(int value);
  int Point2() const { return FPoint2; }
  void SetPoint2(int value);
  bool DrawInactive() const { return FDrawInactive; }
  void SetDrawInactive(bool value);
  bool InactiveDoted() const { return FInactiveDoted; }
  void SetInactiveDoted(bool value);
  bool ActiveDoted() const { return FActiveDoted; }
  void SetActiveDoted(bool value);
  int Space() const { return FSpace; }
  void SetSpace(int value);
  int SpotSpace() const { return FSpotSpace; }
  void SetSpotSpace(int value);
  int SpotHeight() const { return FSpotHeight; }
  void SetSpotHeight(int value);
  int NumPeaks() const { return FNumPeaks; }
  void SetNumPeaks(int value);
  int PeakDelay() const { return FPeakDelay; }
  void SetPeakDelay(int value);
  int PeakSpeed() const { return FPeakSpeed; }
  void SetPeakSpeed(int value);
  bool DisplayPeak() const { return FDisplayPeak; }
  void SetDisplayPeak(bool value);
  bool DrawFreqScale() const { return FDrawFreqScale; }
  void SetDrawFreqScale(bool value);
  bool DrawAmpScale() const { return FDrawAmpScale; }
  void SetDrawAmpScale(bool value);
  bool DrawGrid() const { return FDrawGrid; }
  void SetDrawGrid(bool value);

  // Inner state, read by tests and owners.
  int DrawWidth() const { return FW; }
  int DrawHeight() const { return FH; }
  RECT DrawRect() const { return FDrawRect; }
  int SpotCount() const { return FSpotCount; }
  int SpotOffset() const { return FSpotOffset; }
  int Zone2Start() const { return FZone2; }
  int Zone3Start() const { return FZone3; }
  int ColumnFirstBin(int c) const { return FFirstBin[c]; }
  int ColumnEndBin(int c) const { return FEndBin[c]; }
  int ColumnScale(int c) const { return FScale[c]; }
  int Shift() const { return FShift; }
  // A copy of the bar records (without the terminator), taken under the peak lock.
  std::vector<TMMSpectrumBar> Bars();
  int32_t BinValue(int bin) const { return FBinValues[bin]; }
  double PeakFrequency() const { return FPeakFreq; }
  int PeakValue() const { return FPeakValue; }
  int PeakBin() const { return FPeakBin; }
  int PeakColumn() const { return FPeakColumn; }
  bool InfoActive() const { return FInfo.Active(); }
  TMMTimerHandle PeakTimer() const { return FTimer; }
  bool PeakTimerRunning() const { return FTimerRunning; }
  RECT InfoBoxRect() const { return FInfo.BoxRect(); }
  // The peak text as it would show ("" when none) and the info box's text for a point.
  std::string PeakText() const;
  std::string InfoText(POINT p) const;
  double GetFrequencyAt(POINT p) const;
  double GetAmplitudeAt(POINT p) const;

  // One tick of the peak ageing (the shared timer calls it on its thread).
  void AgePeaks();
  void DrawSpectrum(bool full);
  void BuildInactiveBars();

  TNotifyEvent OnNeedData, OnGainOverflow, OnPcmOverflow;
  TMMSpectrumDrawBar OnDrawBar;

protected:
  void Loaded() override;
  void Paint() override;
  void EnabledChanged() override;
  void VisibleChanged() override;
  void ColorChanged() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  virtual void AdjustBounds();
  virtual void GainOverflow();
  virtual void PcmOverflow();

private:
  void ApplySizeRules();
  void CalcFrameSize();
  void CalcSpots();
  void BuildFrequencyTable();
  void BuildAmpTable();
  void BuildLogAmpTable();
  void BuildLinearAmpTable();
  void ClearPeaks();
  void UpdateTimer();
  double AxisOffset() const;
  void ComputeColumns();
  void DrawBarsAndPeaks(bool peaksOnly);
  void DrawSpots(TMMDIBCanvas& c, int first, int end, int lit, int peak, const uint32_t* colors,
                 bool dotted, bool peaksOnly);
  void DrawLines(bool scroll);
  void DrawDots();
  void DrawVLines();
  void DrawGridLines();
  void PaintFreqScale();
  void PaintAmpScale();
  void DrawPeakText();
  void DrawInfo(POINT p);
  void CopyToScreen();
  uint32_t ZoneColorAt(int height) const;
  int WeightOrder() const {
    return FGain == sgNone || FGain == sg3db ? 0 : FGain == sg12db ? 2 : 1;
  }
  bool HalfStep() const { return FGain == sg3db || FGain == sg9db; }

  TMMTimerHandle FTimer = nullptr;
  bool FTimerRunning = true;
  std::unique_ptr<TMMDIBCanvas> FInactive = std::make_unique<TMMDIBCanvas>();
  PFFTSetup FSetup = nullptr;
  std::vector<int16_t> FSamples = std::vector<int16_t>(4096);
  std::vector<int32_t> FWindowTable = std::vector<int32_t>(4096);
  std::vector<float> FWork = std::vector<float>(4096);
  TMMBinDecay FDecayState;
  std::vector<int32_t> FLogOffset = std::vector<int32_t>(2048);
  std::vector<int32_t> FBinValues = std::vector<int32_t>(2048);
  std::vector<int32_t> FFirstBin, FEndBin, FScale;
  // The bars' peaks and counters change under FPeakLock on the window thread and the timer's.
  TCriticalSection FPeakLock;
  std::vector<TMMSpectrumBar> FBars;
  int FFFTLength = 8, FSampleRate = 11025;
  bool FLogFreq = false, FLogAmp = false;
  double FVertFactor = 1.0;
  int FRangeTop = 6, FRangeBottom = 0;
  int FRefFreq = 1000;
  double FPeakFreq = 0;
  int FPeakValue = 0, FPeakBin = 0, FPeakColumn = 0;
  TMMFFTWindow FWindow = fwHamming;
  int FDecay = 1;
  TMMDecayMode FDecayMode = dmNone;
  int FShift = 4;
  double FPixelsPerUnit = 0, FZoom = 1.0, FOffset = 0, FBottom = 0;
  TMMSpectrumKind FKind = skBars;
  TColor FColors[9] = {TColor(0xFFFF00), TColor(0xFFFF00), TColor(0x0000FF),
                       TColor(0x808000), TColor(0x808000), TColor(0x000080),
                       TColor(0),        TColor(0),        TColor(0x808080)};
  uint32_t FPixel[6] = {};
  bool FInactiveDoted = false, FActiveDoted = false, FDrawInactive = true;
  int FPoint1 = 50, FPoint2 = 85, FZone2 = 0, FZone3 = 0;
  int FSpotSpace = 1, FSpotHeight = 1, FSpace = 1, FSpotOffset = 0, FSpotCount = 1;
  int FNumPeaks = 1, FPeakDelay = 20, FPeakSpeed = 0;
  bool FDisplayPeak = false;
  TMMBits FBitLength = b8Bit;
  TMMChannel FChannel = chBoth;
  TMMMode FMode = mMono;
  int FFrameSize = 0;
  TMMSpectrumGain FGain = sgNone;
  bool FShowInfo = true;
  TMMInfoMode FInfo; // its flag is read by the timer's thread too
  bool FDrawFreqScale = false, FDrawAmpScale = false, FDrawGrid = false;
  int FW = 4, FH = 4;
  RECT FDrawRect{0, 0, 4, 4};
  bool FClearing = false;
};

void RegisterMMSpectrum();
