// The extended page control: owner-drawn tabs, glyphs, hot tracking, tab hints, buffered paint.
#include "ExtPage.h"
#include <windowsx.h>
#include <commctrl.h>
#include <algorithm>
#include <cmath>
#include "Forms.h"
#include "Guard.h"
#include "Handles.h"

// --- TExtHottrack, TExtGlyphs --------------------------------------------------------------------

void TExtHottrack::Assign(const TExtHottrack& s) {
  FEnabled = s.FEnabled;
  FTabActiveColor = s.FTabActiveColor;
  FTabInactiveColor = s.FTabInactiveColor;
}

TExtGlyphs::TExtGlyphs()
    : FGlyph(std::make_unique<TBitmap>()), FImages(std::make_unique<TImageList>(nullptr)) {
  FGlyph->OnChange = [this](TObject*) { GlyphChanged(); };
}

TExtGlyphs::~TExtGlyphs() {
  FGlyph->OnChange = nullptr;
}

void TExtGlyphs::Assign(const TExtGlyphs& s) {
  FNumGlyphs = s.FNumGlyphs;
  FPosition = s.FPosition;
  FSpacing = s.FSpacing;
  FTransparentColor = s.FTransparentColor;
  SetGlyph(*s.FGlyph);
}

void TExtGlyphs::SetGlyph(const TBitmap& value) {
  FGlyph->Assign(value);
  GlyphChanged();
}

void TExtGlyphs::SetNumGlyphs(int value) {
  value = std::clamp(value, 0, 0xFFFF);
  if (value == FNumGlyphs) return;
  FNumGlyphs = value;
  GlyphChanged();
}

void TExtGlyphs::SetPosition(TExtGlyphPosition value) {
  FPosition = value;
  if (OnChange) OnChange(this);
}

void TExtGlyphs::SetSpacing(int value) {
  FSpacing = value;
  if (OnChange) OnChange(this);
}

void TExtGlyphs::SetTransparentColor(TColor value) {
  FTransparentColor = value;
  GlyphChanged();
}

void TExtGlyphs::GlyphChanged() {
  FImages->Clear();
  if (FNumGlyphs > 0 && !FGlyph->Empty() && FGlyph->Width() / FNumGlyphs > 0) {
    FImages->SetSize(FGlyph->Width() / FNumGlyphs, FGlyph->Height());
    FImages->AddMasked(*FGlyph, FTransparentColor);
  }
  if (OnChange) OnChange(this);
}

// --- TExtPageControl -----------------------------------------------------------------------------

TExtPageControl::TExtPageControl(TComponent* AOwner) : TPageControl(AOwner) {
  FTabActiveFont.OnChange = [this](TObject*) { RedrawTabs(); };
  FTabInactiveFont.OnChange = [this](TObject*) { RedrawTabs(); };
  FTabGlyphs.OnChange = [this](TObject*) {
    if (!FHandle) return;
    bool any = FTabGlyphs.Images().Count() > 0;
    SetImages(any ? FTabGlyphs.Images().Handle() : nullptr);
    RedrawTabs();
  };
  FTabHeight = FTabSizeHeight;
  FTabWidth = FTabSizeWidth;
}

TExtPageControl::~TExtPageControl() {
  FTabActiveFont.OnChange = nullptr;
  FTabInactiveFont.OnChange = nullptr;
  FTabGlyphs.OnChange = nullptr;
}

void TExtPageControl::CreateParams(TCreateParams& p) {
  TPageControl::CreateParams(p);
  p.Style |= TCS_OWNERDRAWFIXED;
  switch (FTabPosition) {
  case tabPosLeft:
    p.Style |= TCS_VERTICAL | TCS_MULTILINE;
    break;
  case tabPosRight:
    p.Style |= TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE;
    break;
  case tabPosBottom:
    p.Style |= TCS_BOTTOM;
    break;
  case tabPosTop:
    break;
  }
  if (FTabStyle == tabStButton) p.Style |= TCS_BUTTONS;
}

void TExtPageControl::InitWnd() {
  TPageControl::InitWnd();
  ApplyTabFont();
  bool any = FTabGlyphs.Images().Count() > 0;
  SetImages(any ? FTabGlyphs.Images().Handle() : nullptr);
}

void TExtPageControl::Loaded() {
  TPageControl::Loaded();
  FDesignedHint = Hint();
}

void TExtPageControl::FontChanged() {
  TPageControl::FontChanged(); // invalidates and passes the font to the children
  ApplyTabFont();
}

TFont& TExtPageControl::TabMeasureFont() {
  TClientDC dc(nullptr);
  SIZE a{}, i{};
  {
    TSelectObject font(dc, FTabActiveFont.Handle());
    GetTextExtentPoint32A(dc, "W", 1, &a);
  }
  {
    TSelectObject font(dc, FTabInactiveFont.Handle());
    GetTextExtentPoint32A(dc, "W", 1, &i);
  }
  return i.cx > a.cx ? FTabInactiveFont : FTabActiveFont;
}

void TExtPageControl::ApplyTabFont() {
  if (!FHandle) return;
  SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(TabMeasureFont().Handle()), TRUE);
  Realign();
}

void TExtPageControl::RedrawTabs() {
  ApplyTabFont();
  Invalidate();
}

void TExtPageControl::SetTabActiveColor(TColor value) {
  FTabActiveColor = value;
  if (FHandle) Invalidate();
}

void TExtPageControl::SetTabInactiveColor(TColor value) {
  FTabInactiveColor = value;
  if (FHandle) Invalidate();
}

void TExtPageControl::SetTabHints(const TStringList& value) {
  FTabHints.Clear();
  for (int i = 0; i < value.Count(); ++i)
    FTabHints.Add(value[i]);
}

void TExtPageControl::SetTabWordWrap(bool value) {
  FTabWordWrap = value;
  Invalidate();
}

void TExtPageControl::ApplyTabSize() {
  // Tabs on the left or right lie across: their height is the control's tab width.
  if (Vertical())
    SetTabSize(FTabHeight, FTabWidth);
  else
    SetTabSize(FTabWidth, FTabHeight);
  PlaceSheets();
}

void TExtPageControl::SetTabHeight(int value) {
  FTabHeight = std::clamp(value, 0, 0xFFFF);
  ApplyTabSize();
}

void TExtPageControl::SetTabWidth(int value) {
  FTabWidth = std::clamp(value, 0, 0xFFFF);
  ApplyTabSize();
}

void TExtPageControl::SetTabPosition(TExtTabPosition value) {
  if (value == FTabPosition) return;
  FTabPosition = value;
  if (Vertical()) {
    if (FTabHeight == 0) FTabHeight = 35;
    if (FTabWidth == 0) FTabWidth = 70;
  }
  if (value != tabPosTop) FTabStyle = tabStDefault;
  if (Vertical())
    TPageControl::FTabSizeWidth = FTabHeight, TPageControl::FTabSizeHeight = FTabWidth;
  else
    TPageControl::FTabSizeWidth = FTabWidth, TPageControl::FTabSizeHeight = FTabHeight;
  RecreateWnd();
  PlaceSheets();
}

void TExtPageControl::SetTabStyle(TExtTabStyle value) {
  if (value == FTabStyle) return;
  if (value == tabStButton && FTabPosition != tabPosTop) SetTabPosition(tabPosTop);
  FTabStyle = value;
  if (FHandle) {
    LONG style = GetWindowLongA(FHandle, GWL_STYLE);
    style = value == tabStButton ? style | TCS_BUTTONS : style & ~TCS_BUTTONS;
    SetWindowLongA(FHandle, GWL_STYLE, style);
    PlaceSheets();
  }
}

void TExtPageControl::SetActivePage(TTabSheet* page) {
  if (!page) {
    TPageControl::SetActivePage(nullptr);
    return;
  }
  if (page == FActivePage) return;
  if (!page->Enabled() && !ComponentState().Contains(csDesigning)) return;
  if (ComponentState().Contains(csLoading)) {
    TPageControl::SetActivePage(page);
    return;
  }
  if (!CanChange()) return;
  TPageControl::SetActivePage(page);
  PlaceSheets();
  Change();
}

int TExtPageControl::GetPageIndexByTabIndex(int tabIndex) const {
  TTabSheet* page = PageForTab(tabIndex);
  if (!page)
    throw EExtPageInvalidCall(
        Format("Function GetPageIndexByTabIndex of component %s of class %s was called with an "
               "invalid parameter (CurrentTabIndex = %d).",
               Name().c_str(), ClassName().c_str(), tabIndex));
  return page->PageIndex();
}

RECT TExtPageControl::PageDisplayRect() {
  RECT r = DisplayRect();
  switch (FTabPosition) {
  case tabPosTop:
    OffsetRect(&r, 0, 2);
    break;
  case tabPosBottom:
    OffsetRect(&r, 0, -2);
    break;
  case tabPosLeft:
    OffsetRect(&r, 2, 0);
    break;
  case tabPosRight:
    OffsetRect(&r, -2, 0);
    break;
  }
  InflateRect(&r, 4, 4);
  return r;
}

void TExtPageControl::AlignControls(RECT&) {
  PlaceSheets(true);
}

void TExtPageControl::PlaceSheets(bool force) {
  if (!FHandle || !(Visible() || force) || Updating()) return;
  RECT r = PageDisplayRect();
  for (int i = 0; i < PageCount(); ++i)
    Pages(i)->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  Invalidate();
}

int TExtPageControl::TabIndexAt(POINT p) {
  return FHandle ? IndexOfTabAt(p.x, p.y) : -1;
}

RECT TExtPageControl::TabRect(int index) {
  return ItemRect(index);
}

void TExtPageControl::RepaintTabs() {
  FFullRepaint = true;
  Invalidate();
  if (FHandle) UpdateWindow(FHandle);
}

void TExtPageControl::HideInactivePages() {
  for (int i = 0; i < PageCount(); ++i)
    if (Pages(i) != FActivePage) Pages(i)->SetVisible(false);
}

void TExtPageControl::BeginUpdate() {
  ++FUpdateCount;
  ++FPaintLock;
  TPageControl::BeginUpdate();
}

void TExtPageControl::EndUpdate() {
  FUpdateCount = std::max(FUpdateCount - 1, 0);
  FPaintLock = std::max(FPaintLock - 1, 0);
  TPageControl::EndUpdate(); // places the sheets when the last update ends
  if (FUpdateCount == 0 && FPaintLock == 0) Invalidate();
}

bool TExtPageControl::DialogChar(char key) {
  char up = static_cast<char>(toupper(static_cast<unsigned char>(key)));
  for (int i = 0; i < PageCount(); ++i) {
    TTabSheet* page = Pages(i);
    if (!page->TabVisible()) continue;
    const std::string& c = page->Caption();
    for (size_t k = 0; k + 1 < c.size(); ++k) {
      if (c[k] != '&') continue;
      if (c[k + 1] == '&') {
        ++k;
        continue;
      }
      if (toupper(static_cast<unsigned char>(c[k + 1])) != up) break;
      if (!page->Enabled()) return false;
      SetActivePage(page);
      return FActivePage == page;
    }
  }
  return false;
}

// --- drawing -------------------------------------------------------------------------------------

void TExtPageControl::FillTabRect(const RECT& r, bool active) {
  TGdiObject<HBRUSH> b(CreateSolidBrush(ColorToRGB(active ? FTabActiveColor : FTabInactiveColor)));
  ::FillRect(FCanvas.Handle(), &r, b.Get());
}

void TExtPageControl::DrawItem(const DRAWITEMSTRUCT& d) {
  int tab = static_cast<int>(d.itemID);
  TTabSheet* page = Pages(GetPageIndexByTabIndex(tab));
  TOwnerDrawState state;
  if (d.itemState & ODS_SELECTED) state.Include(odSelected);
  if (d.itemState & ODS_GRAYED) state.Include(odGrayed);
  if (d.itemState & ODS_FOCUS) state.Include(odFocused);
  if ((d.itemState & ODS_DISABLED) || !page->Enabled()) state.Include(odDisabled);
  bool active = page == FActivePage;

  RECT bg = TabRect(tab);
  RECT fg = bg;
  if (!active || FTabStyle == tabStButton) {
    if (FTabPosition == tabPosTop) OffsetRect(&fg, 0, 1);
    if (FTabPosition == tabPosBottom) OffsetRect(&fg, 0, -2);
  } else {
    fg = d.rcItem;
    if (FTabPosition == tabPosLeft) OffsetRect(&fg, -2, 0);
    if (FTabPosition == tabPosRight) OffsetRect(&fg, 2, 0);
    if (FTabPosition == tabPosTop) OffsetRect(&fg, 0, -1);
  }

  FCanvas.SetHandle(d.hDC);
  FCanvas.Brush().SetStyle(bsSolid);
  FCanvas.Brush().SetColor(active ? FTabActiveColor : FTabInactiveColor);
  FCanvas.Font().Assign(active ? FTabActiveFont : FTabInactiveFont);
  if (FHottrack.FEnabled && FHottrack.FHotTab == tab) {
    TColor hot = active ? FHottrack.FTabActiveColor : FHottrack.FTabInactiveColor;
    if (hot != clNone) FCanvas.Font().SetColor(hot);
  }
  DrawTab(tab, active, fg, bg, state);
}

void TExtPageControl::DrawTab(int index, bool active, const RECT& rectFg, const RECT& rectBg,
                              TOwnerDrawState state) {
  FCanvas.FillRect(rectBg);
  if (OnDrawTab)
    OnDrawTab(this, index, active, rectFg, rectBg, state);
  else
    DrawTabDefault(index, rectFg, state);
}

POINT TExtPageControl::DrawTabText(const RECT& rect, POINT offset, bool disabled,
                                   TAlignment alignment, const std::string& text) {
  unsigned flags = FTabWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
  flags |= alignment == taLeftJustify    ? DT_LEFT
           : alignment == taRightJustify ? DT_RIGHT
                                         : DT_CENTER;
  RECT r = rect;
  InflateRect(&r, -2, -2);
  OffsetRect(&r, offset.x, offset.y);
  RECT calc = r;
  FCanvas.DrawText(text, calc, flags | DT_CALCRECT);
  int textH = calc.bottom - calc.top, textW = calc.right - calc.left;
  r.top += std::max(0, static_cast<int>((r.bottom - r.top - textH) / 2));
  int left = alignment == taLeftJustify    ? r.left
             : alignment == taRightJustify ? r.right - textW
                                           : r.left + (r.right - r.left - textW) / 2;
  TBrushStyle oldStyle = FCanvas.Brush().Style();
  FCanvas.Brush().SetStyle(bsClear);
  if (disabled) {
    TColor old = FCanvas.Font().Color();
    RECT h = r;
    OffsetRect(&h, 1, 1);
    FCanvas.Font().SetColor(clBtnHighlight);
    FCanvas.DrawText(text, h, flags);
    FCanvas.Font().SetColor(clBtnShadow);
    FCanvas.DrawText(text, r, flags);
    FCanvas.Font().SetColor(old);
  } else {
    FCanvas.DrawText(text, r, flags);
  }
  FCanvas.Brush().SetStyle(oldStyle);
  return {left, r.top};
}

void TExtPageControl::DrawTabDefault(int index, const RECT& rect, TOwnerDrawState state) {
  int pageIndex = GetPageIndexByTabIndex(index);
  const std::string caption = Pages(pageIndex)->Caption();
  bool disabled = state.Contains(odDisabled);
  TImageList& images = FTabGlyphs.Images();
  bool glyphs = FTabGlyphs.NumGlyphs() > 0 && images.Count() > 0;
  int gw = images.Width(), gh = images.Height(), sp = FTabGlyphs.Spacing();
  if (!glyphs || disabled) {
    if (Vertical() && !glyphs) {
      RECT r = rect;
      r.left += 8;
      DrawTabText(r, {0, 0}, disabled, taLeftJustify, caption);
    } else {
      DrawTabText(rect, {0, 0}, disabled, taCenter, caption);
    }
    return;
  }
  if (FTabGlyphs.Position() == glPosLeft) {
    if (!Vertical()) {
      RECT r = rect;
      r.left += gw + sp;
      POINT t = DrawTabText(r, {0, 0}, false, taCenter, caption);
      images.Draw(FCanvas, t.x - sp - gw, rect.top + (rect.bottom - rect.top - gh) / 2, pageIndex);
    } else {
      images.Draw(FCanvas, rect.left + 8, rect.top + (rect.bottom - rect.top - gh) / 2, pageIndex);
      RECT r = rect;
      r.left += 8 + gw + sp;
      DrawTabText(r, {0, 0}, false, taLeftJustify, caption);
    }
  } else {
    RECT r = rect;
    r.top += gh + sp;
    POINT t = DrawTabText(r, {0, 0}, false, taCenter, caption);
    images.Draw(FCanvas, rect.left + (rect.right - rect.left - gw) / 2, t.y - sp - gh, pageIndex);
  }
}

void TExtPageControl::EraseBackground(HDC dc) {
  // The owner's background events may raise: the canvas and the regions are given back anyway.
  FCanvas.SetHandle(dc);
  TScopeExit releaseCanvas([this] { FCanvas.SetHandle(nullptr); });
  RECT client = ClientRect();
  SetBrushOrgEx(dc, Left() % 8, Top() % 8, nullptr);
  RECT page = PageDisplayRect();
  ::FillRect(dc, &page, BackgroundBrush());
  if (OnDrawBkgndInside) OnDrawBkgndInside(this, dc, ActivePageIndex(), page);
  TGdiObject<HRGN> rgn(CreateRectRgnIndirect(&client));
  {
    TGdiObject<HRGN> pageRgn(CreateRectRgnIndirect(&page));
    CombineRgn(rgn.Get(), rgn.Get(), pageRgn.Get(), RGN_DIFF);
  }
  int current = FActivePage ? FActivePage->TabIndex() : -1;
  for (int i = 0; i < TabCount(); ++i) {
    RECT t = TabRect(i);
    FillTabRect(t, i == current);
    TGdiObject<HRGN> tr(CreateRectRgnIndirect(&t));
    CombineRgn(rgn.Get(), rgn.Get(), tr.Get(), RGN_DIFF);
  }
  TColor parentColor = Parent() ? Parent()->Color() : Color();
  {
    TGdiObject<HBRUSH> b(CreateSolidBrush(ColorToRGB(parentColor)));
    FillRgn(dc, rgn.Get(), b.Get());
  }
  if (OnDrawBkgndOutside) {
    SetBkColor(dc, ColorToRGB(parentColor));
    OnDrawBkgndOutside(this, dc, rgn.Get());
  }
}

void TExtPageControl::PaintBuffered() {
  TPaint dc(FHandle);
  RECT client = ClientRect();
  TMemoryDC mem(dc);
  TGdiObject<HBITMAP> bmp(
      CreateCompatibleBitmap(dc, std::max<int>(client.right, 1), std::max<int>(client.bottom, 1)));
  TSelectObject bmpSelected(mem, bmp.Get());
  EraseBackground(mem);
  PaintTabs(mem);
  RECT r = FFullRepaint ? client : dc.Info().rcPaint;
  FFullRepaint = false;
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, r.left, r.top, SRCCOPY);
}

// --- mouse and hints -----------------------------------------------------------------------------

void TExtPageControl::MouseMoved(int x, int y) {
  if (!FMouseInside) {
    FMouseInside = true;
    TRACKMOUSEEVENT t{sizeof(t), TME_LEAVE, FHandle, 0};
    TrackMouseEvent(&t);
  }
  int tab = TabIndexAt({x, y});
  if (FHottrack.FEnabled && tab != FHottrack.FHotTab) {
    FHottrack.FHotTab = tab;
    RepaintTabs();
  } else {
    FHottrack.FHotTab = tab;
  }
  if (tab != FHintTab) {
    FHintTab = tab;
    TTabSheet* page = PageForTab(tab);
    int pageIndex = page ? page->PageIndex() : -1;
    if (Application) Application->CancelHint();
    SetHint(pageIndex >= 0 && pageIndex < FTabHints.Count() ? FTabHints[pageIndex] : FDesignedHint);
    // Let the application take the new hint as if the mouse had just come in.
    if (Application) Application->DoMouseMove(nullptr);
  }
}

void TExtPageControl::MouseLeft() {
  FMouseInside = false;
  FHintTab = -1;
  if (FHottrack.FHotTab != -1) {
    FHottrack.FHotTab = -1;
    if (FHottrack.FEnabled) RepaintTabs();
  }
  SetHint(FDesignedHint);
}

void TExtPageControl::WndProc(TMessage& m) {
  if (DragMouseMessage(this, m)) return;
  switch (m.Msg) {
  case CN_DRAWITEM:
    // A failing owner draw goes to the application's handler but does not take the paint cycle
    // down: the other tabs still draw and this one stays filled.
    GuardVoid([&] { DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam)); });
    FCanvas.SetHandle(nullptr);
    m.Result = TRUE;
    return;
  case WM_PAINT:
    if (FUpdateCount > 0 || FPaintLock > 0) {
      ValidateRect(FHandle, nullptr);
      return;
    }
    if (m.WParam) break; // painting into a given DC (printing): no buffer needed
    PaintBuffered();
    return;
  case WM_ERASEBKGND:
    if (FUpdateCount == 0 && FPaintLock == 0) EraseBackground(reinterpret_cast<HDC>(m.WParam));
    m.Result = 1;
    return;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
    if (!ComponentState().Contains(csDesigning)) {
      TTabSheet* page = PageForTab(TabIndexAt({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}));
      if (page && !page->Enabled()) return;
    }
    break;
  case WM_MOUSEMOVE:
    MouseMoved(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
    break;
  case WM_MOUSELEAVE:
    MouseLeft();
    return;
  case WM_SYSCHAR:
    if (DialogChar(static_cast<char>(m.WParam))) return;
    break;
  case WM_SYSCOLORCHANGE:
    Invalidate();
    break;
  }
  TPageControl::WndProc(m);
}
