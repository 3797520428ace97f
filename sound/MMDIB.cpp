// The DIB graphic control.
#include "Handles.h"
#include "MMDIB.h"
#include "MMProps.h"

TMMDIBGraphicControl::TMMDIBGraphicControl(TComponent* AOwner)
    : TMMGraphicControl(AOwner), FDIBCanvas(new TMMDIBCanvas) {
  FBackGroundDIB.OnChange = [this](TObject*) { BackgroundChanged(); };
  FDIBCanvas->SetBounds(0, 0, Width(), Height());
}

TMMDIBGraphicControl::~TMMDIBGraphicControl() {
  FBackGroundDIB.OnChange = nullptr;
  delete FDIBCanvas;
}

void TMMDIBGraphicControl::SetBounds(int left, int top, int width, int height) {
  TMMGraphicControl::SetBounds(left, top, width, height);
  if (FDIBCanvas) FDIBCanvas->SetBounds(0, 0, Width(), Height());
}

void TMMDIBGraphicControl::SetBitsPerPixel(int value) {
  FDIBCanvas->SetBitsPerPixel(value);
  Invalidate();
}

void TMMDIBGraphicControl::SetPaletteRealize(bool value) {
  if (value == PaletteRealize()) return;
  FDIBCanvas->SetPaletteRealize(value);
  Invalidate();
}

void TMMDIBGraphicControl::SetPaletteMapped(bool value) {
  if (value == PaletteMapped()) return;
  FDIBCanvas->SetPaletteMapped(value);
  Invalidate();
}

void TMMDIBGraphicControl::BackgroundChanged() {
  if (LoadingOrReading(this)) return;
  if (ComponentState().Contains(csDesigning)) {
    FBackgroundOn = !FBackGroundDIB.Empty();
    FDIBCanvas->SetPaletteRealize(FBackgroundOn);
    if (!FBackgroundOn) FDIBCanvas->SetPaletteMapped(false);
  }
  FDIBCanvas->SetBackground(FBackgroundOn ? &FBackGroundDIB : nullptr);
  Invalidate();
}

void TMMDIBGraphicControl::ApplyBackground() {
  FBackgroundOn = FUseBackGroundDIB && !FBackGroundDIB.Empty();
  FDIBCanvas->SetPaletteRealize(FBackgroundOn);
  FDIBCanvas->SetBackground(FBackgroundOn ? &FBackGroundDIB : nullptr);
  Invalidate();
}

void TMMDIBGraphicControl::SetUseBackGroundDIB(bool value) {
  if (LoadingOrReading(this)) {
    FUseBackGroundDIB = value;
    return;
  }
  if (value == FUseBackGroundDIB) return;
  FUseBackGroundDIB = value;
  ApplyBackground();
}

void TMMDIBGraphicControl::Loaded() {
  TMMGraphicControl::Loaded();
  ApplyBackground();
}

void TMMDIBGraphicControl::ClearBackground() {
  TMMDIBCanvas& c = *FDIBCanvas;
  if (c.HasBackgroundBits()) {
    DIB_CopyRect(c.BackgroundBits(), 0, 0, c.Width(), c.Height(), 0, 0, c);
    return;
  }
  c.SetColor(Color());
  DIB_Clear(c);
}

void TMMDIBGraphicControl::DrawDirect(const TMMPaintProc& paint) {
  if (!Visible() || !Parent() || !Parent()->HandleAllocated()) return;
  HWND window = Parent()->Handle();
  TClientDC dc(window);
  if (!dc) return;
  FDIBCanvas->Lock();
  TScopeExit unlock([&] { FDIBCanvas->Unlock(); });
  RECT r = BoundsRect();
  if (!RectVisible(dc, &r)) return;
  int saved = SaveDC(dc);
  TScopeExit restore([&] {
    Canvas().SetHandle(nullptr);
    RestoreDC(dc, saved);
  });
  SetWindowOrgEx(dc, -r.left, -r.top, nullptr);
  IntersectClipRect(dc, 0, 0, Width(), Height());
  Canvas().SetHandle(dc);
  paint();
}

void TMMDIBGraphicControl::Paint() {
  FDIBCanvas->DrawTo(Canvas().Handle(), {0, 0, Width(), Height()}, 0, 0);
}

void RegisterMMDIBClasses() {
  if (FindMMClass("TMMDIBGraphicControl")) return;
  RegisterMMBaseClasses();
  using K = TMMPropKind;
  using C = TMMDIBGraphicControl;
  TMMClassInfo& c = RegisterMMClass<C>("TMMDIBGraphicControl", "TMMGraphicControl");
  c.Props = {
      OrdProp("PaletteRealize", K::pkBoolean, &C::PaletteRealize, &C::SetPaletteRealize, 0),
      OrdProp("PaletteMapped", K::pkBoolean, &C::PaletteMapped, &C::SetPaletteMapped, 0),
      OrdProp("UseBackGroundDIB", K::pkBoolean, &C::UseBackGroundDIB, &C::SetUseBackGroundDIB, 0)};
}
