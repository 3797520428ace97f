// The library's track bar: groove, thumb, optional tick scale and end pictures, owner-draw hooks,
// keyboard and mouse operation, a blinking focus and an optional logarithmic mapping.
#pragma once
#include "ExtCtrls.h"
#include "MMObj.h"
#include "MMScale.h"
#include <functional>
#include <memory>

enum TMMFocusAction { faNone, faFocusThumb, faFocusRect, faFocusColor, faAll };
enum TMMOrientation { orVertical, orHorizontal };
enum TMMThumbStyle { tsRect, tsOwnerDraw };
enum TMMGrooveStyle { gsRect, gsOwnerDraw };

using TMMThumbDrawEvent =
    std::function<void(TObject* Sender, TCanvas& aCanvas, RECT aRect, bool Dragged, bool Focused)>;
using TMMGrooveDrawEvent = std::function<void(TObject* Sender, TCanvas& aCanvas, RECT& aRect)>;

// One process-wide cache of off-screen bitmaps by size, counted by their users.
class TBitmapCache {
public:
  static TBitmap* Acquire(int width, int height);
  static void Release(TBitmap* bitmap);
  // For the tests: entries held, and the users of one size (0 when none).
  static int Count();
  static int Users(int width, int height);
};

class TMMCustomSlider : public TMMCustomControl {
public:
  explicit TMMCustomSlider(TComponent* AOwner);
  ~TMMCustomSlider() override;

  TMMBevel* Groove() const { return FGroove.get(); }
  void SetGroove(TMMBevel* value) { FGroove->Assign(value); }
  TMMFocusAction FocusAction() const { return FFocusAction; }
  void SetFocusAction(TMMFocusAction value);
  TColor FocusColor() const { return FFocusColor; }
  void SetFocusColor(TColor value);
  TColor GrooveColor() const { return FGrooveColor; }
  void SetGrooveColor(TColor value);
  TColor ThumbColor() const { return FThumbColor; }
  void SetThumbColor(TColor value);
  bool ThumbBorder() const { return FThumbBorder; }
  void SetThumbBorder(bool value);
  TColor DisabledColor() const { return FDisabledColor; }
  void SetDisabledColor(TColor value);
  bool HandCursor() const { return FHandCursor; }
  void SetHandCursor(bool value) { FHandCursor = value; }
  TCursor ThumbCursor() const { return FThumbCursor; }
  void SetThumbCursor(TCursor value) { FThumbCursor = value; }
  int MinValue() const { return FMinValue; }
  void SetMinValue(int value) { SetRange(value, FMaxValue); }
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int value) { SetRange(FMinValue, value); }
  void SetRange(int minValue, int maxValue);
  int LineSize() const { return FLineSize; }
  void SetLineSize(int value) { FLineSize = value; }
  int PageSize() const { return FPageSize; }
  void SetPageSize(int value) { FPageSize = value; }
  TMMOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TMMOrientation value);
  int Position() const;
  void SetPosition(int value);
  int GrooveSize() const { return FGrooveSize; }
  void SetGrooveSize(int value);
  int ThumbWidth() const { return FThumbWidth; }
  void SetThumbWidth(int value);
  int ThumbHeight() const { return FThumbHeight; }
  void SetThumbHeight(int value);
  TMMThumbStyle ThumbStyle() const { return FThumbStyle; }
  void SetThumbStyle(TMMThumbStyle value);
  TMMGrooveStyle GrooveStyle() const { return FGrooveStyle; }
  void SetGrooveStyle(TMMGrooveStyle value);
  int ScaleDistance() const { return FScaleDistance; }
  void SetScaleDistance(int value);
  TMMScalePos ScalePosition() const { return FScalePosition; }
  void SetScalePosition(TMMScalePos value);
  TMMScale* Scale() const { return FScale.get(); }
  void SetScale(TMMScale* value) { FScale->Assign(value); }
  TBitmap& PicLeft() { return *FPicLeft; }
  TBitmap& PicRight() { return *FPicRight; }
  void PicturesChanged();
  bool Logarithmic() const { return FLogarithmic; }
  void SetLogarithmic(bool value);
  int Sensitivity() const { return FSensitivity; }
  void SetSensitivity(int value);

  // The thumb's place, as mouse and keys move it.
  int ThumbPosition() const { return FThumbPos; }
  // Ignores a value equal to the present one or outside the range; answers whether it moved.
  bool SetThumbPosition(int value);
  RECT ThumbRect() const { return FThumbRect; }
  RECT GrooveRect() const;
  bool Dragging() const { return FDragging; }
  bool BlinkPhase() const { return FBlinkPhase; }
  // The position a point of the control stands for.
  int PointToPosition(int x, int y) const;

  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

  TNotifyEvent OnChange, OnTrack, OnTrackEnd;
  TMMThumbDrawEvent OnDrawThumb;
  TMMGrooveDrawEvent OnDrawGroove;

protected:
  void Loaded() override;
  void Paint() override;
  void BevelChanged() override;
  void EnabledChanged() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  virtual void Change();
  virtual void Track();
  virtual void TrackEnd();

private:
  struct TLayout {
    RECT Client;   // inside the bevel
    int Start = 0; // first pixel along the groove (after the left or bottom picture)
    int End = 0;   // one past the last
    int Usable = 1;
    int Centre = 0; // across
  };
  TLayout Layout() const;
  int AlongThumb() const { return FOrientation == orHorizontal ? FThumbWidth : FThumbHeight; }
  void UpdateThumbRect();
  void Changed();
  void AcquireBitmap();
  void ReleaseBitmap();
  void PaintTo(TCanvas& canvas);
  void DrawThumb(TCanvas& canvas);
  void StartBlink();
  void StopBlink();
  static void BlinkTick();

  std::unique_ptr<TMMBevel> FGroove;
  std::unique_ptr<TMMScale> FScale;
  std::unique_ptr<TBitmap> FPicLeft;
  std::unique_ptr<TBitmap> FPicRight;
  TMMFocusAction FFocusAction = faFocusRect;
  TColor FFocusColor = clActiveCaption, FGrooveColor = clBtnFace, FThumbColor = clBtnFace;
  bool FThumbBorder = true;
  TColor FDisabledColor = clWhite;
  bool FHandCursor = false;
  TCursor FThumbCursor = crDefault;
  int FMinValue = 0, FMaxValue = 10, FLineSize = 1, FPageSize = 5;
  TMMOrientation FOrientation = orHorizontal;
  int FThumbPos = 0;
  int FGrooveSize = 3, FThumbWidth = 11, FThumbHeight = 23;
  TMMThumbStyle FThumbStyle = tsRect;
  TMMGrooveStyle FGrooveStyle = gsRect;
  int FScaleDistance = 10;
  TMMScalePos FScalePosition = TMMScalePos::spBelowOrRight;
  bool FLogarithmic = false;
  int FSensitivity = -24;

  RECT FThumbRect{};
  bool FDragging = false, FTracking = false, FBlinkPhase = false, FHover = false;
  POINT FLastMouse{0, 0};
  TBitmap* FBitmap = nullptr;
  int FBitmapWidth = 0, FBitmapHeight = 0;
};

class TMMSlider : public TMMCustomSlider {
public:
  explicit TMMSlider(TComponent* AOwner) : TMMCustomSlider(AOwner) {}
};

// Registers TMMSlider's published properties and events (idempotent).
void RegisterMMSlider();
