// The spectrogram: one pixel column per PCM block, frequency upwards, each frequency's strength a
// palette colour; the picture wraps behind a marker bar or scrolls once full.
#pragma once
#include "MMSpectr.h"

TB_DECLARE_EXCEPTION(EMMSpectrogramError, Exception);

enum TMMSpectrogramGain { sgrNone, sgr6db, sgr12db };
enum TMMSpectrogramPalette {
  spHSV,
  spThreshold,
  spBlackWhite,
  spWhiteBlack,
  spBone,
  spCopper,
  spCool,
  spHot
};

// The 256 entries of a palette kind: 0..9 and 246..255 black, 10..245 from the kind's ramp.
void BuildSpectrogramPalette(TMMSpectrogramPalette kind, PALETTEENTRY* entries);

class TMMSpectrogram : public TMMDIBGraphicControl {
public:
  explicit TMMSpectrogram(TComponent* AOwner);
  ~TMMSpectrogram() override;

  void SetBounds(int left, int top, int width, int height) override;

  void SetPWaveFormat(const WAVEFORMATEX* format);
  void RefreshPCMData(const void* buffer);
  void ResetData();
  int FrameSize() const { return FFrameSize; }

  bool ShowInfo() const { return FShowInfo; }
  void SetShowInfo(bool value) { FShowInfo = value; }
  bool DrawScale() const { return FDrawScale; }
  void SetDrawScale(bool value);
  bool Accelerate() const { return FAccelerate; }
  void SetAccelerate(bool value);
  bool Scroll() const { return FScroll; }
  void SetScroll(bool value);
  bool Embossed() const { return FEmbossed; }
  void SetEmbossed(bool value);
  // Colours by index: scale text, scale line, bar, bar tick.
  TColor ColorByIndex(int index) const { return FColors[index]; }
  void SetColorByIndex(int index, TColor value);
  TColor ScaleTextColor() const { return FColors[0]; }
  void SetScaleTextColor(TColor v) { SetColorByIndex(0, v); }
  TColor ScaleLineColor() const { return FColors[1]; }
  void SetScaleLineColor(TColor v) { SetColorByIndex(1, v); }
  TColor BarColor() const { return FColors[2]; }
  void SetBarColor(TColor v) { SetColorByIndex(2, v); }
  TColor BarTickColor() const { return FColors[3]; }
  void SetBarTickColor(TColor v) { SetColorByIndex(3, v); }
  int BarWidth() const { return FBarWidth; }
  void SetBarWidth(int value);
  TMMMode Mode() const { return FMode; }
  void SetMode(TMMMode value);
  TMMBits BitLength() const { return FBitLength; }
  void SetBitLength(TMMBits value);
  TMMChannel Channel() const { return FChannel; }
  void SetChannel(TMMChannel value);
  int SampleRate() const { return FSampleRate; }
  void SetSampleRate(int value);
  TMMSpectrogramGain Gain() const { return FGain; }
  void SetGain(TMMSpectrogramGain value) { FGain = value; }
  int FFTLength() const { return FFFTLength; }
  void SetFFTLength(int value);
  TMMFFTWindow Window() const { return FWindow; }
  void SetWindow(TMMFFTWindow value);
  bool LogAmp() const { return FLogAmp; }
  void SetLogAmp(bool value) { FLogAmp = value; }
  int AmplitudeScale() const { return Round(FAmpFactor * 100); }
  void SetAmplitudeScale(int value);
  int FrequencyBase() const { return FBase; }
  void SetFrequencyBase(int value);
  int FrequencyScale() const { return FZoom; }
  void SetFrequencyScale(int value);
  int Sensitivy() const { return FSensitivy; }
  void SetSensitivy(int value);
  TMMSpectrogramPalette PaletteTyp() const { return FPaletteTyp; }
  void SetPaletteTyp(TMMSpectrogramPalette value);

  // Inner state, read by tests and owners.
  int DrawWidth() const { return FW; }
  int DrawHeight() const { return FH; }
  RECT DrawRect() const { return FDrawRect; }
  int RowFirstBin(int row) const { return FRowFirst[row]; }
  int RowEndBin(int row) const { return FRowEnd[row]; }
  int CurrentColumn() const { return FX; }
  int ColumnsDrawn() const { return FCount; }
  int TickCount() const { return FTicks; }
  bool RedrawAll() const { return FRedrawAll; }
  bool InfoActive() const { return FInfo.Active(); }
  std::string InfoText(POINT p) const;
  // The palette index of each row of the last column, the lowest frequency first.
  std::vector<uint8_t> LastColumn() const { return FColumn; }

  void DrawSpectrogram(bool full);

  TNotifyEvent OnPcmOverflow;

protected:
  void Loaded() override;
  void Paint() override;
  void EnabledChanged() override;
  void VisibleChanged() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  virtual void AdjustBounds();
  virtual void PcmOverflow();

private:
  void ApplySizeRules();
  void CalcFrameSize();
  void BuildRowTable();
  void BuildColumn();
  void DrawBar(bool screen);
  void PaintScale();
  void CopyToScreen();
  void CopyDirty(); // the columns changed while the drawing was held
  void DrawInfo(POINT p);
  void Changed();

  PFFTSetup FSetup = nullptr;
  std::vector<int16_t> FSamples = std::vector<int16_t>(4096);
  std::vector<int32_t> FIndexes = std::vector<int32_t>(2048);
  std::vector<int32_t> FWindowTable = std::vector<int32_t>(4096);
  std::vector<float> FWork = std::vector<float>(4096);
  std::vector<uint8_t> FColumn;
  std::vector<int32_t> FRowFirst, FRowEnd, FEmboss;
  int FFFTLength = 8, FSampleRate = 11025;
  int FZoom = 1, FBase = 0;
  double FAmpFactor = 1.0;
  bool FLogAmp = false;
  int FSensitivy = -90;
  TMMFFTWindow FWindow = fwHamming;
  bool FEmbossed = false;
  TColor FColors[4] = {TColor(0), TColor(0), TColor(0x808080), TColor(0xFFFFFF)};
  TMMSpectrogramPalette FPaletteTyp = spThreshold;
  TMMBits FBitLength = b8Bit;
  TMMChannel FChannel = chBoth;
  TMMMode FMode = mMono;
  int FFrameSize = 0;
  TMMSpectrogramGain FGain = sgrNone;
  bool FShowInfo = true;
  bool FDrawScale = false;
  int FW = 4, FH = 4;
  RECT FDrawRect{0, 0, 4, 4};
  int FX = -5, FCount = 0, FTicks = 1;
  int FBarWidth = 5;
  bool FRedrawAll = false, FAccelerate = true, FScroll = false;
  bool FHeldLast = false;                 // the last frame was drawn while held
  int FDirtyFrom = 0, FDirtyTo = 1 << 30; // columns to copy at the hold's end
  TMMInfoMode FInfo;
};

// The spectrograms that exist at run time.
const std::vector<TMMSpectrogram*>& SpectrogramList();

void RegisterMMSpectrogram();
