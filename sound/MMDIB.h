// The base of the sound displays: a bevel-framed graphic control that draws into its own DIB
// canvas, sized with the control, and copies it to the screen outside the paint cycle.
#pragma once
#include "MMDIBCv.h"
#include "MMObj.h"
#include <functional>

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
  // procedure draws on Canvas() (origin at the control, clipped to it).
  void DrawDirect(const TMMPaintProc& paint);

protected:
  void Loaded() override;
  // Copies the whole DIB onto the control.
  void Paint() override;

private:
  void BackgroundChanged();
  void ApplyBackground();
  TMMDIBCanvas* FDIBCanvas;
  TBitmap FBackGroundDIB;
  bool FBackgroundOn = false;
  bool FUseBackGroundDIB = false;
};

void RegisterMMDIBClasses();
