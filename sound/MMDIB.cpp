// The DIB graphic control, and the info box and info mode its displays share.
#include "Handles.h"
#include "MMDIB.h"
#include "Forms.h"
#include "Guard.h"
#include "MMProps.h"
#include <algorithm>
#include <commctrl.h>

TMMDIBGraphicControl::TMMDIBGraphicControl(TComponent* AOwner)
    : TMMGraphicControl(AOwner), FDIBCanvas(std::make_unique<TMMDIBCanvas>()) {
  FBackGroundDIB.OnChange = [this](TObject*) { BackgroundChanged(); };
  FDIBCanvas->SetBounds(0, 0, Width(), Height());
}

TMMDIBGraphicControl::~TMMDIBGraphicControl() {
  FBackGroundDIB.OnChange = nullptr;
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
  if (HoldDrawing([this, paint] { DrawDirect(paint); })) return;
  if (!Visible() || !Parent() || !Parent()->HandleAllocated()) return;
  HWND window = Parent()->Handle();
  TClientDC dc(window);
  if (!dc) return;
  FDIBCanvas->Lock();
  TScopeExit unlock([&] { FDIBCanvas->Unlock(); });
  RECT r = BoundsRect();
  if (!RectVisible(dc, &r)) return;
  TSaveDC saved(dc);
  TScopeExit release([&] { Canvas().SetHandle(nullptr); });
  SetWindowOrgEx(dc, -r.left, -r.top, nullptr);
  IntersectClipRect(dc, 0, 0, Width(), Height());
  Canvas().SetHandle(dc);
  paint();
}

void TMMDIBGraphicControl::Paint() {
  FDIBCanvas->DrawTo(Canvas().BlitHandle(), {0, 0, Width(), Height()}, 0, 0);
}

// --- the info box -------------------------------------------------------------------------------

TMMInfoStore::TSurface::TSurface(HDC reference, int width, int height)
    : DC(reference), Bitmap(CreateCompatibleBitmap(reference, width, height)),
      Selected(DC, DC ? Bitmap.Get() : nullptr) {}

bool TMMInfoStore::Need(HDC reference, int width, int height, HPALETTE palette) {
  if (Surface && Width >= width && Height >= height) return true;
  const int w = std::max(width, Width), h = std::max(height, Height);
  Free();
  auto surface = std::make_unique<TSurface>(reference, w, h);
  if (!surface->DC || !surface->Bitmap) return false;
  if (palette) SelectPalette(surface->DC, palette, TRUE);
  Surface = std::move(surface);
  Width = w;
  Height = h;
  return true;
}

void TMMInfoStore::Free() {
  *this = TMMInfoStore{};
}

void TMMInfoStore::Show(HDC dc, int x, int y, int width, int height, const std::string& text,
                        HPALETTE palette) {
  if (HasBox && Surface) {
    BitBlt(dc, Box.left, Box.top, Box.right - Box.left, Box.bottom - Box.top, Surface->DC, 0, 0,
           SRCCOPY);
    HasBox = false;
  }
  if (!text.empty()) {
    TGdiObject<HFONT> font(CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                                       FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                       "MS Sans Serif"));
    TSelectObject selectFont(dc, font.Get());
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
    RECT box{x, y + 15, x + size.cx + 4, y + 15 + size.cy + 2};
    if (box.bottom > height) OffsetRect(&box, 0, -40);
    if (box.right > width) OffsetRect(&box, width - box.right, 0);
    if (box.top < 0) box.top = 0, box.bottom = size.cy + 2;
    const int bw = box.right - box.left, bh = box.bottom - box.top;
    // The store fits the box itself, so a long text leaves nothing unsaved behind it.
    if (Need(dc, bw, bh, palette)) {
      BitBlt(Surface->DC, 0, 0, bw, bh, dc, box.left, box.top, SRCCOPY);
      Box = box;
      HasBox = true;
    }
    FillRect(dc, &box, TGdiObject<HBRUSH>(CreateSolidBrush(0xFFFFFF)).Get());
    FrameRect(dc, &box, TGdiObject<HBRUSH>(CreateSolidBrush(0)).Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(clInfoText));
    DrawTextA(dc, text.c_str(), int(text.size()), &box,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  GdiFlush();
}

// --- the info mode ------------------------------------------------------------------------------

LRESULT CALLBACK InfoModeParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                    DWORD_PTR data) {
  auto* mode = reinterpret_cast<TMMInfoMode*>(data);
  if ((msg == WM_CAPTURECHANGED && reinterpret_cast<HWND>(lp) != hwnd) || msg == WM_CANCELMODE)
    GuardVoid([&] { mode->End(); });
  return DefSubclassProc(hwnd, msg, wp, lp);
}

bool TMMInfoMode::Begin(const RECT& clip) {
  TWinControl* parent = FControl->Parent();
  if (FActive || !parent || !parent->HandleAllocated()) return false;
  const POINT tl = FControl->ClientToScreen({clip.left, clip.top});
  const RECT screen{tl.x, tl.y, tl.x + clip.right - clip.left, tl.y + clip.bottom - clip.top};
  FClip(&screen);
  FActive = true;
  FSavedShowHint = FControl->ShowHint();
  if (FSavedShowHint) {
    FControl->SetShowHint(false);
    if (Application) Application->CancelHint();
  }
  FHooked =
      SetWindowSubclass(parent->Handle(), InfoModeParentProc, reinterpret_cast<UINT_PTR>(this),
                        reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  return true;
}

void TMMInfoMode::CopyScreen(HDC into, const RECT& area) {
  TWinControl* parent = FControl->Parent();
  if (!parent || !parent->HandleAllocated()) return;
  HWND window = parent->Handle();
  if (TClientDC screen(window); screen) {
    BitBlt(into, 0, 0, area.right - area.left, area.bottom - area.top, screen,
           FControl->Left() + area.left, FControl->Top() + area.top, SRCCOPY);
    GdiFlush();
  }
}

void TMMInfoMode::End(const std::function<void()>& hideBox) {
  if (!FActive) return;
  FActive = false;
  TWinControl* parent = FControl->Parent();
  if (FHooked && parent && parent->HandleAllocated())
    RemoveWindowSubclass(parent->Handle(), InfoModeParentProc, reinterpret_cast<UINT_PTR>(this));
  FHooked = false;
  if (FControl->Enabled() && FControl->Visible() &&
      !FControl->ComponentState().Contains(csDestroying))
    hideBox();
  FStore.Free();
  FClip(nullptr);
  if (FSavedShowHint) FControl->SetShowHint(true);
  FSavedShowHint = false;
}

void TMMInfoMode::End() {
  End([this] { FDrawBox({-1, -1}); });
}

void TMMInfoMode::Press(TMouseButton button, bool wanted, POINT p, const RECT& clip,
                        const std::function<void()>& prepare) {
  if (button != mbLeft || !wanted || !Begin(clip)) return;
  if (prepare) prepare();
  FDrawBox(p);
}

void TMMInfoMode::Move(POINT p) {
  if (FActive) FDrawBox(p);
}

void TMMInfoMode::Release(TMouseButton button) {
  if (FActive && button == mbLeft) End();
}

void TMMInfoMode::LetGo() {
  if (!FActive) return;
  POINT p{0, 0};
  GetCursorPos(&p);
  p = FControl->ScreenToClient(p);
  FControl->Perform(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  End();
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
