// The light organ: three lights for the bass, middle and treble bands, drawn once as circles or
// shaded spheres in palette entries of their own, whose colours follow each block's band levels.
#pragma once
#include "MMSpectr.h"

TB_DECLARE_EXCEPTION(EMMLightError, Exception);

enum TMMLightKind { lkCircle, lkSphere };
enum TMMLightArrange { laLine, laTriangle };
enum TMMLightPeakMode { pmRMS, pmPeak, pmAverage };

class TMMLight : public TMMDIBGraphicControl {
public:
  explicit TMMLight(TComponent* AOwner);
  ~TMMLight() override;

  void SetBounds(int left, int top, int width, int height) override;

  void SetPWaveFormat(const WAVEFORMATEX* format);
  void RefreshPCMData(const void* buffer);
  void ResetData();
  int FrameSize() const { return FFrameSize; }

  int FFTLength() const { return FFFTLength; }
  void SetFFTLength(int value);
  TMMFFTWindow Window() const { return FWindow; }
  void SetWindow(TMMFFTWindow value);
  int SampleRate() const { return FSampleRate; }
  void SetSampleRate(int value);
  TMMBits BitLength() const { return FBitLength; }
  void SetBitLength(TMMBits value);
  TMMChannel Channel() const { return FChannel; }
  void SetChannel(TMMChannel value);
  TMMMode Mode() const { return FMode; }
  void SetMode(TMMMode value);
  TMMDecayMode DecayMode() const { return FDecayMode; }
  void SetDecayMode(TMMDecayMode value);
  int Decay() const { return FDecay; }
  void SetDecay(int value);
  int AmplitudeScale() const { return Round(FAmpFactor * 100); }
  void SetAmplitudeScale(int value);
  // Band gains by index: bass, middle, treble.
  int GainByIndex(int index) const { return Round(FBandFactor[index] * 2000); }
  void SetGainByIndex(int index, int value);
  int GainBass() const { return GainByIndex(0); }
  void SetGainBass(int v) { SetGainByIndex(0, v); }
  int GainMiddle() const { return GainByIndex(1); }
  void SetGainMiddle(int v) { SetGainByIndex(1, v); }
  int GainTreble() const { return GainByIndex(2); }
  void SetGainTreble(int v) { SetGainByIndex(2, v); }
  TMMLightPeakMode PeakMode() const { return FPeakMode; }
  void SetPeakMode(TMMLightPeakMode value);
  TMMLightKind Kind() const { return FKind; }
  void SetKind(TMMLightKind value);
  TMMLightArrange Arrange() const { return FArrange; }
  void SetArrange(TMMLightArrange value);
  int TriangleDist() const { return FTriangleDist; }
  void SetTriangleDist(int value);
  float SphereHorz() const { return FSphereHorz; }
  void SetSphereHorz(float value);
  float SphereVert() const { return FSphereVert; }
  void SetSphereVert(float value);
  int ZoneCount() const { return FZoneCount; }
  void SetZoneCount(int value);

  // Inner state, read by tests and owners.
  int BandFirst(int band) const { return FBandFirst[band]; }
  int BandEnd(int band) const { return FBandEnd[band]; }
  int Level(int band) const { return FLastLevel[band]; }
  POINT LightCenter(int band) const { return FCenter[band]; }
  int LightRadius() const { return FRadius; }
  // Palette entries written since creation (one per light or ring that changed).
  int PaletteWrites() const { return FPaletteWrites; }

  void Redraw();

  TNotifyEvent OnPcmOverflow;

protected:
  void Loaded() override;
  void Paint() override;
  void EnabledChanged() override;
  virtual void AdjustBounds();
  virtual void PcmOverflow();

private:
  void CalcFrameSize();
  void BuildBandTable();
  void ClearState();
  void Layout();
  void ApplyLevel(int band, int level, std::vector<PALETTEENTRY>& entries, int& first, int& last);

  PFFTSetup FSetup = nullptr;
  std::vector<int16_t> FSamples = std::vector<int16_t>(4096);
  std::vector<int32_t> FWindowTable = std::vector<int32_t>(4096);
  std::vector<float> FWork = std::vector<float>(4096);
  std::vector<int32_t> FBinValues = std::vector<int32_t>(2048);
  TMMBinDecay FDecayState;
  int FLastLevel[3] = {-1, -1, -1}, FStrength[3] = {};
  int FBandFirst[3] = {}, FBandEnd[3] = {};
  int FDecay = 1;
  TMMDecayMode FDecayMode = dmNone;
  int FFFTLength = 8, FSampleRate = 11025;
  double FAmpFactor = 1.0, FBandFactor[3] = {0.05, 0.05, 0.05};
  TMMFFTWindow FWindow = fwHamming;
  TMMBits FBitLength = b8Bit;
  TMMChannel FChannel = chBoth;
  TMMMode FMode = mMono;
  int FFrameSize = 0;
  RECT FArea{0, 0, 4, 4};
  int FAreaW = 4, FAreaH = 4;
  TMMLightPeakMode FPeakMode = pmPeak;
  TMMLightKind FKind = lkCircle;
  TMMLightArrange FArrange = laLine;
  int FTriangleDist = 10;
  float FSphereHorz = 1.0f, FSphereVert = 1.0f;
  int FZoneCount = 60;
  POINT FCenter[3] = {};
  int FRadius = 0;
  int FPaletteWrites = 0;
};

void RegisterMMLight();
