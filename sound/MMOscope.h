// The oscilloscope: the waveform of each PCM block, one point per pixel column, in five kinds
// with colour effects, mid line, grid, amplitude and time scales and an info box under the mouse;
// or, scrolling, one column per block like a chart recorder.
#pragma once
#include "MMDIB.h"
#include "MMDisplay.h"
#include "MMUtils.h"
#include <functional>
#include <vector>

TB_DECLARE_EXCEPTION(EMMOscopeError, Exception);

enum TMMOscopeKind { okDots, okConLines, okVertLines, okMirLines, okSpikes };
enum TMMOscopeEffect { efNone, efPeak, efSplit };

class TMMOscope;
// Replaces the trace's drawing: the bitmap canvas (in its drawing phase), the rectangle
// (0, 0, points, height) and the point buffer.
using TMMOscopeDrawLine = std::function<void(TMMOscope* Sender, TMMDIBCanvas& Canvas,
                                             const RECT& Rect, const int16_t* Buffer)>;
// The cursor confinement of the info box (ClipCursor); tests put a recorder in its place.
using TMMClipCursorProc = std::function<BOOL(const RECT* rect)>;
void SetOscopeClipCursor(TMMClipCursorProc proc);

class TMMOscope : public TMMDIBGraphicControl {
public:
  explicit TMMOscope(TComponent* AOwner);
  ~TMMOscope() override;

  void SetBounds(int left, int top, int width, int height) override;

  void SetPWaveFormat(const WAVEFORMATEX* format);
  void RefreshPCMData(const void* buffer);
  void ResetData();
  int FrameSize() const { return FFrameSize; }
  // The most bytes a feeder hands over at once (0: no limit). A frame that would need more takes
  // what fits and spreads it across the width, so that a wide trace is not starved of frames.
  int DataLimit() const { return FDataLimit; }
  void SetDataLimit(int bytes);

  bool ShowInfo() const { return FShowInfo; }
  void SetShowInfo(bool value) { FShowInfo = value; }
  bool Accelerate() const { return FAccelerate; }
  void SetAccelerate(bool value);
  bool Scroll() const { return FScroll; }
  void SetScroll(bool value);
  bool DrawMidLine() const { return FDrawMidLine; }
  void SetDrawMidLine(bool value);
  TMMOscopeKind Kind() const { return FKind; }
  void SetKind(TMMOscopeKind value);
  // Colours by index: foreground, inactive, effect, disabled, scale text, scale line, grid, bar,
  // bar tick.
  TColor ColorByIndex(int index) const { return FColors[index]; }
  void SetColorByIndex(int index, TColor value);
  TColor ForegroundColor() const { return FColors[0]; }
  void SetForegroundColor(TColor v) { SetColorByIndex(0, v); }
  TColor InactiveColor() const { return FColors[1]; }
  void SetInactiveColor(TColor v) { SetColorByIndex(1, v); }
  TColor EffectColor() const { return FColors[2]; }
  void SetEffectColor(TColor v) { SetColorByIndex(2, v); }
  TColor DisabledColor() const { return FColors[3]; }
  void SetDisabledColor(TColor v) { SetColorByIndex(3, v); }
  TColor ScaleTextColor() const { return FColors[4]; }
  void SetScaleTextColor(TColor v) { SetColorByIndex(4, v); }
  TColor ScaleLineColor() const { return FColors[5]; }
  void SetScaleLineColor(TColor v) { SetColorByIndex(5, v); }
  TColor GridColor() const { return FColors[6]; }
  void SetGridColor(TColor v) { SetColorByIndex(6, v); }
  TColor BarColor() const { return FColors[7]; }
  void SetBarColor(TColor v) { SetColorByIndex(7, v); }
  TColor BarTickColor() const { return FColors[8]; }
  void SetBarTickColor(TColor v) { SetColorByIndex(8, v); }
  int BarWidth() const { return FBarWidth; }
  void SetBarWidth(int value);
  TMMBits BitLength() const { return FBitLength; }
  void SetBitLength(TMMBits value);
  TMMChannel Channel() const { return FChannel; }
  void SetChannel(TMMChannel value);
  int SampleRate() const { return FSampleRate; }
  void SetSampleRate(int value);
  TMMMode Mode() const { return FMode; }
  void SetMode(TMMMode value);
  int Steps() const { return FSteps; }
  void SetSteps(int value);
  int Zoom() const { return FZoom; }
  void SetZoom(int value);
  int Gain() const { return FGain; }
  void SetGain(int value);
  TMMOscopeEffect Effect() const { return FEffect; }
  void SetEffect(TMMOscopeEffect value);
  bool DrawAmpScale() const { return FDrawAmpScale; }
  void SetDrawAmpScale(bool value);
  bool DrawTimeScale() const { return FDrawTimeScale; }
  void SetDrawTimeScale(bool value);
  bool DrawGrid() const { return FDrawGrid; }
  void SetDrawGrid(bool value);
  int FFTLength() const { return FFFTLength; }
  void SetFFTLength(int value);

  // Inner state, read by tests and owners.
  int Points() const { return FPoints; }
  int DrawHeight() const { return FHeight; }
  int MidRow() const { return FMid; }
  int Divisions() const { return FDivisions; }
  RECT DrawRect() const { return FDrawRect; }
  int BarStart() const { return FBarStart; }
  int WriteEnd() const { return FWriteEnd; }
  bool InfoActive() const { return FInfo.Active(); }
  const int16_t* Buffer() const { return FBuffer.empty() ? nullptr : FBuffer.data(); }
  // Where the info box stands in the bitmap (empty when none).
  RECT InfoBoxRect() const { return FInfo.BoxRect(); }
  // The info box's text for a point of the control, as it would show.
  std::string InfoText(POINT p);

  // Draws the trace on Canvas() (which must have a handle): inside Paint or the direct drawing.
  void DrawScope(bool full);

  TNotifyEvent OnGainOverflow, OnPcmOverflow, OnPostPaint;
  TMMOscopeDrawLine OnDrawLine;

protected:
  void Paint() override;
  void EnabledChanged() override;
  void VisibleChanged() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  virtual void AdjustBounds();
  virtual void GainOverflow();
  virtual void PcmOverflow();

private:
  void ApplySizeRules();
  void ResetBuffer();
  void CalcFrameSize();
  void CalcEffectLimits();
  int ValueOf(int sample);
  int RowOf(int v) const { return FHeight - 1 - v; }
  uint32_t PointColor(int v);
  void Column(int x, int row1, int row2); // inclusive, either order
  void DrawPoint(int x, int sample);
  void DrawMirrored(int x, int v, uint32_t color);
  void DrawDots();
  void DrawConLines();
  void DrawVertLines();
  void DrawMirLines();
  void DrawSpikes();
  void DrawScrollColumn();
  void DrawScrollBar(bool screen);
  void DrawGridLines();
  void PaintAmpScale();
  void PaintTimeScale();
  void DrawInfo(POINT p);
  void CopyToScreen();
  WAVEFORMATEX Format() const;
  void Changed();

  std::vector<int16_t> FBuffer;
  int FPoints = 4, FHeight = 4, FMid = 2;
  RECT FDrawRect{0, 0, 4, 4};
  int FFrameSize = 0;
  int FDataLimit = 0;
  int FSpread = 0; // sample frames spread across the width when the limit cut the frame, else 0
  int FSpan = 65535, FValueOffset = 32767;
  int FLower = 0, FUpper = 0;
  int FDivisions = 10;
  int FBarStart = -5, FWriteEnd = 0;
  bool FNeedRedraw = true;
  bool FHeldLast = false; // the last scrolling frame was drawn while held
  TMMInfoMode FInfo;
  POINT FLastPoint{0, 0}; // the connected lines' last point, one per oscilloscope
  uint32_t FColorCache[9] = {};

  bool FShowInfo = true, FAccelerate = true, FScroll = false, FDrawMidLine = false;
  TMMOscopeKind FKind = okDots;
  TColor FColors[9] = {TColor(0xFFFF00), TColor(0x808000), TColor(0x0000FF),
                       TColor(0x808080), TColor(0),        TColor(0),
                       TColor(0x808080), TColor(0x808080), TColor(0xFFFFFF)};
  int FBarWidth = 5;
  TMMBits FBitLength = b8Bit;
  TMMChannel FChannel = chBoth;
  int FSampleRate = 11025;
  TMMMode FMode = mMono;
  int FSteps = 1, FZoom = 1, FGain = 0;
  TMMOscopeEffect FEffect = efNone;
  bool FDrawAmpScale = false, FDrawTimeScale = false, FDrawGrid = false;
  int FFFTLength = 128;
};

// The oscilloscopes that exist at run time.
const std::vector<TMMOscope*>& OscopeList();

void RegisterMMOscope();
