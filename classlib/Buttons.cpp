// Buttons with glyphs.
#include "Buttons.h"
#include "Forms.h"
#include "Handles.h"
#include <algorithm>

namespace {

// A glyph without a picture of its own for the disabled state is drawn embossed in the button's
// highlight and shadow colours, as the system draws disabled pictures: a disabled button must
// not look like one that can be pressed.
void DrawDisabledGlyph(HDC dest, int x, int y, int w, int h, HDC src, int srcX,
                       COLORREF transparent) {
  TMemoryDC maskDC(dest);
  TGdiObject<HBITMAP> mask(CreateBitmap(w, h, 1, 1, nullptr));
  if (!maskDC.Get() || !mask) return;
  TSelectObject maskSelected(maskDC, mask.Get());
  // Colour to monochrome: the transparent colour becomes white, the picture black.
  COLORREF oldSrcBk = SetBkColor(src, transparent);
  BitBlt(maskDC, 0, 0, w, h, src, srcX, 0, SRCCOPY);
  SetBkColor(src, oldSrcBk);
  COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
  COLORREF oldBk = SetBkColor(dest, RGB(255, 255, 255));
  const DWORD PaintWhereBlack = 0x00B8074A; // PSDPxax: the brush where the mask is black
  for (int pass = 0; pass < 2; ++pass) {
    TSelectObject brush(dest, GetSysColorBrush(pass == 0 ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
    const int offset = pass == 0 ? 1 : 0;
    BitBlt(dest, x + offset, y + offset, w, h, maskDC, 0, 0, PaintWhereBlack);
  }
  SetBkColor(dest, oldBk);
  SetTextColor(dest, oldText);
}

} // namespace

int CaptionWidth(TCanvas& canvas, const std::string& caption) {
  if (caption.empty()) return 0;
  RECT calc{0, 0, 0, 0};
  canvas.DrawText(caption, calc, DT_CALCRECT | DT_SINGLELINE);
  // Drawn black on white with a line's height to spare each side: how far its ink reaches past
  // the advances (a smoothed edge counts; the font's metrics do not tell of it).
  const int advance = calc.right, spare = calc.bottom;
  TBitmap ink(advance + 2 * spare, calc.bottom);
  TCanvas& c = ink.Canvas();
  c.Brush().SetColor(clWhite);
  RECT all{0, 0, ink.Width(), ink.Height()};
  c.FillRect(all);
  c.Font().Assign(canvas.Font());
  c.Font().SetColor(clBlack);
  c.Brush().SetStyle(bsClear);
  RECT at{spare, 0, spare + advance, calc.bottom};
  c.DrawText(caption, at, DT_SINGLELINE | DT_NOCLIP);
  GdiFlush();
  int first = ink.Width(), last = -1;
  for (int y = 0; y < ink.Height(); ++y) {
    const uint32_t* row = ink.ScanLine(y);
    for (int x = 0; x < ink.Width(); ++x)
      if ((row[x] & 0xFFFFFF) != 0xFFFFFF) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
  }
  const int lean = last < 0 ? 0 : std::max({0, spare - first, last + 1 - (spare + advance)});
  return advance + 2 * lean;
}

void DrawButtonFace(TCanvas& canvas, const RECT& rect, TBitmap& glyph, int numGlyphs,
                    const std::string& caption, TButtonLayout layout, int spacing, bool enabled,
                    int offset) {
  int gw = glyph.Empty() ? 0 : glyph.Width() / std::max(1, numGlyphs);
  int gh = glyph.Empty() ? 0 : glyph.Height();
  RECT calc{0, 0, 0, 0};
  if (!caption.empty()) canvas.DrawText(caption, calc, DT_CALCRECT | DT_SINGLELINE);
  int tw = calc.right, th = calc.bottom;
  int gap = gw && tw ? spacing : 0;
  bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  int totalW = horizontal ? gw + gap + tw : std::max(gw, tw);
  int totalH = horizontal ? std::max(gh, th) : gh + gap + th;
  int x = (rect.left + rect.right - totalW) / 2 + offset;
  int y = (rect.top + rect.bottom - totalH) / 2 + offset;
  int gx, gy, tx, ty;
  switch (layout) {
  case blGlyphLeft:
    gx = x, gy = y + (totalH - gh) / 2, tx = x + gw + gap, ty = y + (totalH - th) / 2;
    break;
  case blGlyphRight:
    tx = x, ty = y + (totalH - th) / 2, gx = x + tw + gap, gy = y + (totalH - gh) / 2;
    break;
  case blGlyphTop:
    gx = x + (totalW - gw) / 2, gy = y, tx = x + (totalW - tw) / 2, ty = y + gh + gap;
    break;
  default:
    tx = x + (totalW - tw) / 2, ty = y, gx = x + (totalW - gw) / 2, gy = y + th + gap;
    break;
  }
  if (gw) {
    int part = !enabled && numGlyphs > 1 ? 1 : 0;
    bool wasTransparent = glyph.Transparent();
    glyph.SetTransparent(true);
    HDC src = glyph.Canvas().Handle();
    if (!enabled && numGlyphs <= 1)
      DrawDisabledGlyph(canvas.Handle(), gx, gy, gw, gh, src, 0,
                        ColorToRGB(glyph.TransparentColor()));
    else
      TransparentBlt(canvas.Handle(), gx, gy, gw, gh, src, part * gw, 0, gw, gh,
                     ColorToRGB(glyph.TransparentColor()));
    glyph.SetTransparent(wasTransparent);
  }
  if (tw) {
    canvas.Brush().SetStyle(bsClear);
    // The measured box holds the letters' advances, not their ink: a last letter that leans
    // past its advance (the "e" of "Shuffle") would lose its edge to a clip at the box.
    RECT tr{tx, ty, tx + tw, ty + th};
    if (!enabled) {
      canvas.Font().SetColor(clBtnHighlight);
      RECT shadow{tr.left + 1, tr.top + 1, tr.right + 1, tr.bottom + 1};
      canvas.DrawText(caption, shadow, DT_SINGLELINE | DT_NOCLIP);
      canvas.Font().SetColor(clBtnShadow);
    }
    canvas.DrawText(caption, tr, DT_SINGLELINE | DT_NOCLIP);
  }
}

// --- TBitBtn
// --------------------------------------------------------------------------------------

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {
  FGlyph.OnChange = [this](TObject*) { Invalidate(); };
}

void TBitBtn::CreateParams(TCreateParams& p) {
  TButton::CreateParams(p);
  p.Style = (p.Style & ~(BS_DEFPUSHBUTTON | BS_PUSHBUTTON)) | BS_OWNERDRAW;
}

void TBitBtn::SetNumGlyphs(int v) {
  FNumGlyphs = std::clamp(v, 1, 4);
  Invalidate();
}
void TBitBtn::SetLayout(TButtonLayout v) {
  FLayout = v;
  Invalidate();
}
void TBitBtn::SetSpacing(int v) {
  FSpacing = v;
  Invalidate();
}

void TBitBtn::SetKind(TBitBtnKind v) {
  static const char* const captions[] = {"",       "OK",    "Cancel", "&Help",   "&Yes", "&No",
                                         "&Close", "Abort", "&Retry", "&Ignore", "&All"};
  static const int results[] = {mrNone, mrOk,    mrCancel, mrNone,   mrYes, mrNo,
                                mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};
  FKind = v;
  if (v == bkCustom) return;
  SetCaption(captions[v]);
  SetModalResult(results[v]);
  if (v == bkOK || v == bkYes) SetDefault(true);
  if (v == bkCancel || v == bkNo) SetCancel(true);
}

void TBitBtn::Click() {
  if (FKind == bkClose) {
    if (TForm* form = GetParentForm(this)) {
      form->Close();
      TControl::Click();
      return;
    }
  }
  if (FKind == bkHelp && HelpContext()) Application->HelpContext(HelpContext());
  TButton::Click();
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& d) {
  FCanvas.SetHandle(d.hDC);
  RECT r = d.rcItem;
  bool pressed = d.itemState & ODS_SELECTED;
  bool focused = d.itemState & ODS_FOCUS;
  bool isDefault = Default() || focused;
  if (isDefault) {
    FCanvas.Brush().SetColor(clWindowFrame);
    FCanvas.FrameRect(r);
    InflateRect(&r, -1, -1);
  }
  DrawFrameControl(d.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  FCanvas.Font().Assign(Font());
  DrawButtonFace(FCanvas, r, FGlyph, FNumGlyphs, Caption(), FLayout, FSpacing, Enabled(),
                 pressed ? 1 : 0);
  if (focused) {
    RECT f = r;
    InflateRect(&f, -3, -3);
    FCanvas.DrawFocusRect(f);
  }
  FCanvas.SetHandle(nullptr);
}

void TBitBtn::WndProc(TMessage& m) {
  if (m.Msg == CN_DRAWITEM) {
    DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam));
    m.Result = TRUE;
    return;
  }
  TButton::WndProc(m);
}

// --- TSpeedButton
// ------------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 23;
  FHeight = 22;
  FControlStyle = {csClickEvents};
  FGlyph.OnChange = [this](TObject*) { Invalidate(); };
}

void TSpeedButton::SetNumGlyphs(int v) {
  FNumGlyphs = std::clamp(v, 1, 4);
  Invalidate();
}
void TSpeedButton::SetFlat(bool v) {
  FFlat = v;
  Invalidate();
}
void TSpeedButton::SetLayout(TButtonLayout v) {
  FLayout = v;
  Invalidate();
}

void TSpeedButton::SetDown(bool value) {
  if (FGroupIndex == 0) value = false;
  if (value == FDown) return;
  if (FDown && !FAllowAllUp) {
    // The last button down in a group stays down unless the group allows all up.
    bool otherDown = false;
    if (FParent)
      for (int i = 0; i < FParent->ControlCount(); ++i)
        if (auto s = dynamic_cast<TSpeedButton*>(FParent->Controls(i));
            s && s != this && s->FGroupIndex == FGroupIndex && s->FDown)
          otherDown = true;
    if (!otherDown) return;
  }
  FDown = value;
  if (value && FParent)
    for (int i = 0; i < FParent->ControlCount(); ++i)
      if (auto s = dynamic_cast<TSpeedButton*>(FParent->Controls(i));
          s && s != this && s->FGroupIndex == FGroupIndex && s->FDown) {
        s->FDown = false;
        s->Invalidate();
      }
  Invalidate();
}

void TSpeedButton::Click() {
  if (FGroupIndex != 0) SetDown(!FDown || !FAllowAllUp ? true : false);
  TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == mbLeft && FEnabled) {
    FPressed = true;
    Invalidate();
  }
  TGraphicControl::MouseDown(b, s, x, y);
}

void TSpeedButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (b == mbLeft && FPressed) {
    FPressed = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(b, s, x, y);
}

void TSpeedButton::WndProc(TMessage& m) {
  if (m.Msg == WM_MOUSEMOVE && !FMouseInside) {
    FMouseInside = true;
    if (FFlat) Invalidate();
  }
  if (m.Msg == CM_MOUSELEAVE) {
    FMouseInside = false;
    if (FFlat) Invalidate();
    return;
  }
  // A click needs the press to have started here; the parent passes us its captured mouse.
  if (m.Msg == WM_LBUTTONUP && !FEnabled) return;
  TGraphicControl::WndProc(m);
}

void TSpeedButton::Paint() {
  TCanvas& c = Canvas();
  RECT r{0, 0, FWidth, FHeight};
  bool sunken = FPressed || FDown;
  c.Brush().SetColor(FDown && !FPressed ? cl3DLight : clBtnFace);
  c.FillRect(r);
  if (!FFlat || FMouseInside || sunken)
    DrawEdge(c.Handle(), &r, sunken ? EDGE_SUNKEN : (FFlat ? BDR_RAISEDINNER : EDGE_RAISED),
             BF_RECT);
  c.Font().Assign(FFont);
  DrawButtonFace(c, r, FGlyph, FNumGlyphs, FText, FLayout, 4, FEnabled, sunken ? 1 : 0);
}
