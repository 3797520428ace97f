// The analogue needle meter: the loudest sample of each PCM block (or a percentage) moves a needle
// over a three-coloured tick scale, with a peak mark that holds and falls on the shared timer.
#pragma once
#include "MMDisplay.h"
#include "MMObj.h"
#include "MMUtils.h"
#include "MMLevel.h"
#include "Threads.h"

TB_DECLARE_EXCEPTION(EMMMeterError, Exception);

#include "MMScale.h" // TMMScaleOrigin

class TMMCustomMeter : public TMMGraphicControl {
public:
  explicit TMMCustomMeter(TComponent* AOwner);
  ~TMMCustomMeter() override;

  void SetBounds(int left, int top, int width, int height) override;

  // Display intake.
  void SetPWaveFormat(const WAVEFORMATEX* format);
  void RefreshPCMData(const void* buffer);
  void ResetData() { Reset(); }
  int FrameSize() const { return FDataSize; }
  void Reset();
  void SetLevel(int32_t level);

  TColor Scale1Color() const { return FScaleColors[0]; }
  void SetScale1Color(TColor v) { StoreAndPaint(FScaleColors[0], v); }
  TColor Scale2Color() const { return FScaleColors[1]; }
  void SetScale2Color(TColor v) { StoreAndPaint(FScaleColors[1], v); }
  TColor Scale3Color() const { return FScaleColors[2]; }
  void SetScale3Color(TColor v) { StoreAndPaint(FScaleColors[2], v); }
  TColor NeedleColor() const { return FNeedleColor; }
  void SetNeedleColor(TColor v) { StoreAndPaint(FNeedleColor, v); }
  TColor PeakColor() const { return FPeakColor; }
  void SetPeakColor(TColor v) { StoreAndPaint(FPeakColor, v); }
  int NeedleOffset() const { return FNeedleOffset; }
  void SetNeedleOffset(int v) { StoreAndPaint(FNeedleOffset, Max(v, 0)); }
  int NeedleWidth() const { return FNeedleWidth; }
  void SetNeedleWidth(int v) { StoreAndPaint(FNeedleWidth, Max(v, 0)); }
  bool DrawScale() const { return FDrawScale; }
  void SetDrawScale(bool v) { StoreAndPaint(FDrawScale, v); }
  TMMScaleOrigin ScaleOrigin() const { return FScaleOrigin; }
  void SetScaleOrigin(TMMScaleOrigin v) { StoreAndPaint(FScaleOrigin, v); }
  int ScaleHeight1() const { return FScaleHeight1; }
  void SetScaleHeight1(int v) { StoreAndPaint(FScaleHeight1, Max(v, 0)); }
  int ScaleHeight2() const { return FScaleHeight2; }
  void SetScaleHeight2(int v) { StoreAndPaint(FScaleHeight2, Max(v, 0)); }
  int ScaleAngle() const { return FScaleAngle; }
  void SetScaleAngle(int v) { StoreAndPaint(FScaleAngle, MinMax(v, 45, 180)); }
  int ScaleTicks() const { return FScaleTicks; }
  void SetScaleTicks(int v) { StoreAndPaint(FScaleTicks, v); }
  int ScaleTicksEnlargeEvery() const { return FEnlargeEvery; }
  void SetScaleTicksEnlargeEvery(int v) { StoreAndPaint(FEnlargeEvery, v); }
  int ScaleTicksTextEvery() const { return FTextEvery; }
  void SetScaleTicksTextEvery(int v) { StoreAndPaint(FTextEvery, v); }
  int TopSpace() const { return FTopSpace; }
  void SetTopSpace(int v) { StoreAndPaint(FTopSpace, v); }
  int Point1() const { return FPoint1; }
  void SetPoint1(int v) { StoreAndPaint(FPoint1, MinMax(v, 1, 100)); }
  int Point2() const { return FPoint2; }
  void SetPoint2(int v) { StoreAndPaint(FPoint2, MinMax(v, 1, 100)); }
  TMMBits BitLength() const { return FBitLength; }
  void SetBitLength(TMMBits v);
  TMMChannel Channel() const { return FChannel; }
  void SetChannel(TMMChannel v);
  TMMMode Mode() const { return FMode; }
  void SetMode(TMMMode v);
  int Gain() const { return FGain8 - 8; }
  void SetGain(int v);
  int Samples() const { return FSamples; }
  void SetSamples(int v);
  int Sensitivy() const { return FSensitivy; }
  void SetSensitivy(int v) { StoreAndPaint(FSensitivy, MinMax(v, -90, -9)); }
  bool LogAmp() const { return FLogAmp; }
  void SetLogAmp(bool v) { StoreAndPaint(FLogAmp, v); }
  TMMDecayMode DecayMode() const { return FDecayMode; }
  void SetDecayMode(TMMDecayMode v);
  int Decay() const { return FDecay; }
  void SetDecay(int v);
  bool ShowPeak() const { return FShowPeak; }
  void SetShowPeak(bool v);
  int PeakDelay() const { return FPeakDelay; }
  void SetPeakDelay(int v);
  int PeakSpeed() const { return FPeakSpeed; }
  void SetPeakSpeed(int v);
  TBitmap& BackGroundDIB() { return FBackGroundDIB; }
  int Value() const;
  void SetValue(int percent);

  // State read by tests and owners.
  int NeedleLevel();
  int PeakLevel();
  int PeakCountdown();
  int DataSize() const { return FDataSize; }
  TBitmap& WorkingBitmap() { return FWorking; }
  TBitmap& SavedBitmap() { return FSaved; }
  RECT DrawingArea() const { return FArea; }
  // The point of a level at a radius, in drawing-area coordinates.
  POINT LevelPoint(int level, double radius) const;
  int BaseRadius() const { return FArea.bottom - FArea.top + FNeedleOffset - FTopSpace; }
  // One tick of the peak fall (the shared timer calls it every 25 ms on its thread).
  void AgePeak();
  TMMTimerHandle PeakTimer() const { return FTimer; }

  TNotifyEvent OnGainOverflow, OnPcmOverflow, OnPostPaint;

protected:
  void Paint() override;
  void BevelChanged() override;
  void EnabledChanged() override;
  void FontChanged() override;
  void TextChanged() override;
  void ColorChanged() override;

private:
  template <class T> void StoreAndPaint(T& field, T value) {
    if (StoreChanged(field, value)) Invalidate();
  }
  void Resized();
  void UpdateTimer();
  void ClearDecay();
  void CalcDataSize() { FDataSize = (FBitLength + 1) * (FMode + 1) * FSamples; }
  void Redraw(bool needleOnly);
  void DrawScaleInto(TCanvas& c, int w, int h);
  void DrawNeedleDirect();

  TMMTimerHandle FTimer = nullptr;
  bool FTimerOn = true;
  RECT FArea{0, 0, 0, 0};
  TBitmap FWorking, FSaved, FBackGroundDIB;
  // Needle, peak, countdown and the redraw mark change together under this lock, on the window
  // thread and on the timer's.
  TCriticalSection FLock;
  int FLevel = 0, FPeak = 0, FCountdown = 0;
  bool FRedrawPeak = false;
  double FDecayed = 0, FFactor = 0.0001;
  int FAverage = 1, FRing[32] = {}, FRingIndex = 0, FFilled = 0;
  int64_t FSum = 0;
  int FDataSize = 50;

  TColor FScaleColors[3] = {clLime, clYellow, clRed};
  TColor FNeedleColor = clWhite, FPeakColor = clRed;
  int FNeedleOffset = 30, FNeedleWidth = 1;
  bool FDrawScale = true;
  TMMScaleOrigin FScaleOrigin = soInner;
  int FScaleHeight1 = 4, FScaleHeight2 = 8, FScaleAngle = 90, FScaleTicks = 41;
  int FEnlargeEvery = 4, FTextEvery = 8, FTopSpace = 14, FPoint1 = 60, FPoint2 = 80;
  TMMBits FBitLength = b8Bit;
  TMMChannel FChannel = chBoth;
  TMMMode FMode = mMono;
  int FGain8 = 8, FSamples = 50, FSensitivy = -50;
  bool FLogAmp = true;
  TMMDecayMode FDecayMode = dmNone;
  int FDecay = 1;
  bool FShowPeak = true;
  int FPeakDelay = 20, FPeakSpeed = 0;
};

class TMMMeter : public TMMCustomMeter {
public:
  explicit TMMMeter(TComponent* AOwner) : TMMCustomMeter(AOwner) {}
};

void RegisterMMMeter();
