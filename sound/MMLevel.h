// The LED level bar: equal spots lit from one end up to the level of each PCM block (or of a
// percentage), in three colour zones, with a peak mark that holds and falls on the shared timer.
#pragma once
#include "MMDIB.h"
#include "MMDisplay.h"
#include "MMUtils.h"
#include "Threads.h"
#include <functional>
#include <memory>

TB_DECLARE_EXCEPTION(EMMLevelError, Exception);

enum TMMLevelKind { lkHorizontal, lkVertical };
enum TMMLevelDirection { dirNormal, dirReversed };
enum TMMDecayMode { dmNone, dmStepUp, dmExponential, dmUniform };

class TMMCustomLevel;
// Replaces the bar's drawing: the display canvas (in its drawing phase), the inner rectangle,
// the level and the peak in spots.
using TMMLevelDrawBar = std::function<void(TMMCustomLevel* Sender, TMMDIBCanvas& Canvas,
                                           const RECT& Rect, int Level, int Peak)>;

class TMMCustomLevel : public TMMDIBGraphicControl {
public:
  explicit TMMCustomLevel(TComponent* AOwner);
  ~TMMCustomLevel() override;

  void SetBounds(int left, int top, int width, int height) override;
  void SetBitsPerPixel(int value) override;

  // Display intake.
  void SetPWaveFormat(const WAVEFORMATEX* format);
  void RefreshPCMData(const void* buffer);
  void ResetData();
  // Bytes one block takes.
  int FrameSize() const { return FFrameSize; }

  TMMLevelKind Kind() const { return FKind; }
  void SetKind(TMMLevelKind value);
  int SpotSpace() const { return FSpotSpace; }
  void SetSpotSpace(int value);
  int SpotWidth() const { return FSpotWidth; }
  void SetSpotWidth(int value);
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
  bool InactiveDoted() const { return FInactiveDoted; }
  void SetInactiveDoted(bool value);
  bool ActiveDoted() const { return FActiveDoted; }
  void SetActiveDoted(bool value);
  int PointByIndex(int index) const { return index == 0 ? FPoint1 : FPoint2; }
  void SetPointByIndex(int index, int value);
  int Point1() const { return FPoint1; }
  void SetPoint1(int v) { SetPointByIndex(0, v); }
  int Point2() const { return FPoint2; }
  void SetPoint2(int v) { SetPointByIndex(1, v); }
  TMMLevelDirection Direction() const { return FDirection; }
  void SetDirection(TMMLevelDirection value);
  TMMBits BitLength() const { return FBitLength; }
  void SetBitLength(TMMBits value);
  TMMChannel Channel() const { return FChannel; }
  void SetChannel(TMMChannel value);
  TMMMode Mode() const { return FMode; }
  void SetMode(TMMMode value);
  int Gain() const { return FGain; }
  void SetGain(int value);
  int Samples() const { return FSamples; }
  void SetSamples(int value);
  int Sensitivy() const { return FSensitivy; }
  void SetSensitivy(int value);
  bool LogAmp() const { return FLogAmp; }
  void SetLogAmp(bool value);
  int NumPeaks() const { return FNumPeaks; }
  void SetNumPeaks(int value);
  int PeakDelay() const { return FPeakDelay; }
  void SetPeakDelay(int value);
  int PeakSpeed() const { return FPeakSpeed; }
  void SetPeakSpeed(int value);
  TMMDecayMode DecayMode() const { return FDecayMode; }
  void SetDecayMode(TMMDecayMode value);
  int Decay() const { return FDecay; }
  void SetDecay(int value);
  // Level in percent of full scale.
  int Value() const;
  void SetValue(int percent);

  // Layout results, read by tests and owners.
  int NumSpots() const { return FNumSpots; }
  int SpotOffset() const { return FOffset; }
  int Zone1Limit() const { return FZone1; }
  int Zone2Limit() const { return FZone2; }
  int CurrentSpots() const { return FValue; }
  int PeakSpots();
  RECT InnerRect() const { return FInnerRect; }
  // One tick of the peak ageing (the shared timer calls it on its thread), and its client.
  void AgePeak();
  TMMTimerHandle PeakTimer() const { return FTimer; }

  TMMLevelDrawBar OnDrawBar;
  TNotifyEvent OnGainOverflow, OnPcmOverflow;

protected:
  void Loaded() override;
  void Paint() override;
  void EnabledChanged() override;
  void ColorChanged() override;
  virtual void AdjustBounds();
  virtual void GainOverflow();
  virtual void PcmOverflow();

private:
  void Process(int32_t level);
  void DrawBar(TMMDIBCanvas& canvas, int value, int peak, const TColor* colors, bool dotted);
  void DrawLevel();   // display bitmap and its copy to the screen, on Canvas()
  void DrawChanged(); // draws now unless the screen shows the bar and peak mark already
  void Redraw();      // the whole bar, at the next paint
  void RebuildBackground();
  void ResetDecay();
  void CalcDecayFactor();
  void CalcFrameSize();
  void UpdateTimer();
  void Changed();

  TMMTimerHandle FTimer = nullptr;
  bool FTimerRunning = true;
  std::unique_ptr<TMMDIBCanvas> FBackCanvas;
  int FZone1 = 0, FZone2 = 0;
  int FOffset = 0, FNumSpots = 1;
  int FFrameSize = 0;
  int FValue = 0;
  // The bar and peak mark the screen shows, so that a step whose frames end where the last
  // picture was costs no drawing.
  int FShownValue = -1, FShownPeak = -1;
  int32_t FHistory[32] = {};
  double FFactor = 0;
  int FHistoryLength = 1, FFilled = 0, FHistoryIndex = 0;
  double FDecayed = 0;
  int64_t FSum = 0;
  // The peak, its counter and the redraw flag change together under FPeakLock, on the window
  // thread and on the timer's.
  TCriticalSection FPeakLock;
  int FPeak = 0, FPeakCounter = 0;
  bool FRedraw = false;
  int FInnerWidth = 1, FInnerHeight = 1;
  RECT FInnerRect{0, 0, 1, 1};

  TMMLevelKind FKind = lkHorizontal;
  int FSpotSpace = 1, FSpotWidth = 1;
  TColor FColors[6] = {TColor(0xFFFF00), TColor(0xFFFF00), TColor(0x0000FF),
                       TColor(0x808000), TColor(0x808000), TColor(0x000080)};
  bool FInactiveDoted = false, FActiveDoted = false;
  int FPoint1 = 50, FPoint2 = 85;
  TMMLevelDirection FDirection = dirNormal;
  TMMBits FBitLength = b8Bit;
  TMMChannel FChannel = chBoth;
  TMMMode FMode = mMono;
  int FGain = 0, FSamples = 50, FSensitivy = -35;
  bool FLogAmp = true;
  int FNumPeaks = 1, FPeakDelay = 20, FPeakSpeed = 0;
  TMMDecayMode FDecayMode = dmNone;
  int FDecay = 1;
};

class TMMLevel : public TMMCustomLevel {
public:
  explicit TMMLevel(TComponent* AOwner) : TMMCustomLevel(AOwner) {}
};

void RegisterMMLevel();
