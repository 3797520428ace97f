// The base of the sound displays: a bevel-framed graphic control that draws into its own DIB
// canvas, sized with the control, and copies it to the screen outside the paint cycle.
#pragma once
#include "MMDIBCv.h"
#include "MMObj.h"
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include "Handles.h"

class TMMDIBGraphicControl : public TMMGraphicControl {
public:
  using TMMPaintProc = std::function<void()>;
  explicit TMMDIBGraphicControl(TComponent* AOwner);
  ~TMMDIBGraphicControl() override;

  TMMDIBCanvas& DIBCanvas() { return *FDIBCanvas; }
  void SetBounds(int left, int top, int width, int height) override;
  virtual void SetBitsPerPixel(int value);
  int BitsPerPixel() const { return FDIBCanvas->BitsPerPixel(); }
  bool PaletteRealize() const { return FDIBCanvas->PaletteRealize(); }
  void SetPaletteRealize(bool value);
  bool PaletteMapped() const { return FDIBCanvas->PaletteMapped(); }
  void SetPaletteMapped(bool value);
  TBitmap& BackGroundDIB() { return FBackGroundDIB; }
  bool UseBackGroundDIB() const { return FUseBackGroundDIB; }
  void SetUseBackGroundDIB(bool value);
  bool BackgroundInUse() const { return FBackgroundOn; }
  HPALETTE GetPalette() const { return PaletteRealize() ? FDIBCanvas->Palette() : nullptr; }

  // Inside a drawing phase: the background picture, or the control's colour, over the DIB.
  void ClearBackground();
  // Paints at once through the parent's device context, outside the paint message; the paint
  // procedure draws on Canvas() (origin at the control, clipped to it). While the drawing is
  // held (TMMDrawHold) the latest paint procedure runs once when the hold ends.
  void DrawDirect(const TMMPaintProc& paint);

protected:
  void Loaded() override;
  // Copies the whole DIB onto the control.
  void Paint() override;

private:
  void BackgroundChanged();
  void ApplyBackground();
  TBitmap FBackGroundDIB;
  std::unique_ptr<TMMDIBCanvas> FDIBCanvas; // goes first
  bool FBackgroundOn = false;
  bool FUseBackGroundDIB = false;
};

// What lies under an info box: one store per kind of display, shared by all of that kind (one
// box is up at a time: it lives while the left button is held).
struct TMMInfoStore {
  // A memory DC with a bitmap selected for its life.
  struct TSurface {
    TSurface(HDC reference, int width, int height);
    TMemoryDC DC;
    TGdiObject<HBITMAP> Bitmap;
    TSelectObject Selected;
  };
  std::unique_ptr<TSurface> Surface;
  int Width = 0, Height = 0;
  RECT Box{0, 0, 0, 0};
  bool HasBox = false;
  bool Need(HDC reference, int width, int height, HPALETTE palette);
  // Puts back what lay under the last box; then, for a text, saves what lies under the new box
  // (left edge at x, 15 rows under y, kept inside width x height) and draws it on dc.
  void Show(HDC dc, int x, int y, int width, int height, const std::string& text, HPALETTE palette);
  void Free();
};

// The info mode of a sound display, up while the left button is held on it: the cursor kept
// inside the display, the hint silenced, and the parent watched so that a lost capture (a
// message box, another window) ends the mode even though the button-up never arrives.
class TMMInfoMode {
public:
  using TClipProc = BOOL (*)(const RECT* rect);
  using TDrawBox = std::function<void(POINT)>;
  // store is the display kind's box store, clip its cursor seam; drawBox draws the display's box
  // for a point of the control, or takes it away for {-1, -1}.
  TMMInfoMode(TControl* control, TMMInfoStore& store, TClipProc clip, TDrawBox drawBox)
      : FControl(control), FStore(store), FClip(clip), FDrawBox(std::move(drawBox)) {}
  TMMInfoMode(const TMMInfoMode&) = delete;
  TMMInfoMode& operator=(const TMMInfoMode&) = delete;

  // Read by timer threads too.
  bool Active() const { return FActive; }
  // Whether Begin silenced the control's hint.
  bool HintSilenced() const { return FSavedShowHint; }
  TMMInfoStore& Store() { return FStore; }
  // Where the box stands in the display's bitmap (empty when none).
  RECT BoxRect() const { return FActive && FStore.HasBox ? FStore.Box : RECT{0, 0, 0, 0}; }
  // Starts the mode with the cursor held to clip (control coordinates); false when already up
  // or when the control has no parent window.
  bool Begin(const RECT& clip);
  // Copies what the screen shows of area (control coordinates) to (0, 0) of into: a scrolled
  // picture differs from the bitmap, and the box must save what the user sees.
  void CopyScreen(HDC into, const RECT& area);
  // Leaves the mode (nothing when not up); hideBox puts the picture back while the control
  // still shows, before the cursor and the hint are released.
  void End(const std::function<void()>& hideBox);
  // Leaves the mode on every road (button up, lost capture, disabled, hidden, freed), taking the
  // box away first.
  void End();

  // The mouse on the display. The left button, when the box is wanted, starts the mode held to
  // clip; prepare (if any) then saves what the box will cover, and the box shows at p.
  void Press(TMouseButton button, bool wanted, POINT p, const RECT& clip,
             const std::function<void()>& prepare = {});
  // A move while the mode is up moves the box.
  void Move(POINT p);
  // The left button up ends the mode.
  void Release(TMouseButton button);
  // New data while the mode is up: the control is let go as if the button came up here.
  void LetGo();

private:
  friend LRESULT CALLBACK InfoModeParentProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  TControl* FControl;
  TMMInfoStore& FStore;
  TClipProc FClip;
  TDrawBox FDrawBox;
  std::atomic<bool> FActive{false};
  bool FSavedShowHint = false, FHooked = false;
};

void RegisterMMDIBClasses();
