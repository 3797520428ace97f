// Bitmap menus: the window-procedure hook, measuring and drawing of owner-drawn menu items.
#include "CoolMenu.h"
#include <algorithm>
#include <vector>
#include "Guard.h"
#include "Handles.h"

namespace {

// The system's menu font.
void AssignMenuFont(TFont& font) {
  NONCLIENTMETRICSA m{};
  m.cbSize = sizeof(m);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0))
    font.AssignLogFont(m.lfMenuFont);
}

int CheckMarkWidth() {
  return LOWORD(GetMenuCheckMarkDimensions());
}

SIZE TextSize(HDC dc, const std::string& text) {
  RECT r{0, 0, 0, 0};
  if (text.empty()) {
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    return {0, tm.tmHeight};
  }
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
  return {r.right - r.left, r.bottom - r.top};
}

void Fill(HDC dc, const RECT& r, COLORREF c) {
  TGdiObject<HBRUSH> b(CreateSolidBrush(c));
  FillRect(dc, &r, b.Get());
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF c) {
  TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, c));
  TSelectObject select(dc, pen.Get());
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

// A per-instance entry point in front of ThunkTarget: it puts the component's address where the
// window handle was and jumps on. Each component has its own, so that hooks stacked on one window
// can tell one another apart by address.
#pragma pack(push, 1)
struct TThunkCode {
  uint8_t Mov[4]; // mov dword ptr [esp+4], imm32
  uint32_t Self;
  uint8_t Jmp; // jmp rel32
  int32_t Rel;
};
#pragma pack(pop)

void* MakeThunk(void* self, void* target) {
  void* mem =
      VirtualAlloc(nullptr, sizeof(TThunkCode), MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
  if (!mem) throw ECoolMenuError("Out of memory for the menu hook");
  auto* code = static_cast<TThunkCode*>(mem);
  code->Mov[0] = 0xC7;
  code->Mov[1] = 0x44;
  code->Mov[2] = 0x24;
  code->Mov[3] = 0x04;
  code->Self = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(self));
  code->Jmp = 0xE9;
  code->Rel = static_cast<int32_t>(reinterpret_cast<intptr_t>(target) -
                                   reinterpret_cast<intptr_t>(code + 1));
  FlushInstructionCache(GetCurrentProcess(), mem, sizeof(TThunkCode));
  return mem;
}

// The check and radio marks when the program carries none: a tick and a dot on the mark's
// transparent colour.
void DrawFallbackMark(TBitmap& b, bool radio) {
  b.SetSize(16, 16);
  HDC dc = b.Canvas().Handle();
  Fill(dc, {0, 0, 16, 16}, RGB(0x80, 0, 0)); // the mark's transparent $000080
  if (radio) {
    TGdiObject<HBRUSH> br(CreateSolidBrush(RGB(0, 0, 0)));
    TSelectObject brush(dc, br.Get());
    TSelectObject pen(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 5, 5, 12, 12);
  } else {
    for (int i = 0; i < 3; ++i) {
      Line(dc, 4, 7 + i, 6, 9 + i, RGB(0, 0, 0));
      Line(dc, 6, 9 + i, 12, 3 + i, RGB(0, 0, 0));
    }
  }
}

const TColor MarkTrColor = 0x000080;

// The check or radio mark every item copies: loaded (or drawn) once, as a window's menus make
// hundreds of items and each would otherwise look for the resource again.
const TBitmap& MarkBitmap(bool radio) {
  static std::unique_ptr<TBitmap> marks[2];
  std::unique_ptr<TBitmap>& mark = marks[radio ? 1 : 0];
  if (!mark) {
    auto b = std::make_unique<TBitmap>();
    try {
      b->LoadFromResourceName(HInstance(), radio ? "BMP_RADIO" : "BMP_CHECK");
    } catch (const std::exception&) {
      DrawFallbackMark(*b, radio);
    }
    mark = std::move(b);
  }
  return *mark;
}

} // namespace

// --- gradient -----------------------------------------------------------------------------------

RECT GradientBand(int k, int n, int width, int height) {
  return {0, MulDiv(n - k - 1, height, n), width, MulDiv(n - k, height, n)};
}

COLORREF GradientColor(COLORREF from, COLORREF to, int k, int n) {
  if (n < 2) return from;
  auto ch = [&](int shift) {
    int a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
    return static_cast<COLORREF>(a + MulDiv(k, b - a, n)) << shift;
  };
  return ch(0) | ch(8) | ch(16);
}

void RegisterCoolMenuCursor() {
  static bool done = false;
  if (done) return;
  done = true;
  if (HCURSOR c = LoadCursorA(HInstance(), "CUR_MENU")) Screen->SetCursors(crCoolMenu, c);
}

// --- TCoolMenuItem ------------------------------------------------------------------------------

TCoolMenuItem::TCoolMenuItem(TCoolMenu* AOwner) : TComponent(AOwner), FCoolMenu(AOwner) {
  AssignMenuFont(FFont);
  FLayout.CheckWidth = CheckMarkWidth();
  FCheckBitmap.Assign(MarkBitmap(false));
  FRadioBitmap.Assign(MarkBitmap(true));
}

TCoolMenuItem::~TCoolMenuItem() {
  Destroying();
  if (FCoolMenu) FCoolMenu->ItemDestroyed(this);
}

void TCoolMenuItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FMenuItem) FMenuItem = nullptr;
  if (component == FMenu) FMenu = nullptr;
}

void TCoolMenuItem::SetMenuItem(TMenuItem* value) {
  if (value == FMenuItem) return;
  if (FMenuItem && FCoolMenu) FCoolMenu->RefreshItem(*this, RA_RESTORE);
  if (FMenuItem) RemoveFreeNotification(FMenuItem);
  if (FMenu) RemoveFreeNotification(FMenu);
  FMenuItem = value;
  FMenu = value ? value->RootMenu() : nullptr;
  if (FMenuItem) FreeNotification(FMenuItem);
  if (FMenu) FreeNotification(FMenu);
}

void TCoolMenuItem::SetOptions(TMenuOptions value) {
  bool special = FOptions.Contains(omRightJustified) || FOptions.Contains(omNoImageAttached) ||
                 value.Contains(omRightJustified) || value.Contains(omNoImageAttached);
  if (special && FCoolMenu) {
    if (value.Contains(omNoImageAttached)) FCoolMenu->SetHSpace(3);
    FOptions = value;
    FCoolMenu->Refresh(this, RA_REFRESHWITHBAR);
  } else {
    FOptions = value;
  }
}

void TCoolMenuItem::SetImageIndex(int value) {
  TImageList* images = FCoolMenu ? FCoolMenu->Images() : nullptr;
  TImageList* disabled = FCoolMenu ? FCoolMenu->DisabledImages() : nullptr;
  // Checked before anything changes: a refused index leaves both pictures alone.
  for (TImageList* list : {images, disabled})
    if (list && (value < 0 || value >= list->Count())) throw ECoolMenuError("Index out of bounds");
  FImageIndex = value;
  if (images) {
    TBitmap b;
    images->GetBitmap(value, b);
    FPicture.Assign(b);
    FTrColor = b.Pixel(0, b.Height() - 1);
  }
  if (disabled) {
    TBitmap b;
    disabled->GetBitmap(value, b);
    FDisabledPicture.Assign(b);
  }
}

bool TCoolMenuItem::IsBarItem() const {
  return FMenuItem && FMenu && !FMenu->IsPopup() && FMenuItem->Parent() == &FMenu->Items();
}

bool TCoolMenuItem::IsDefaultItem() const {
  return FMenuItem && FMenuItem->Default();
}

void TCoolMenuItem::MeasureItem(HDC, UINT& width, UINT& height) {
  TCoolMenu& cm = *FCoolMenu;
  const int hSpace = cm.HSpace(), vSpace = cm.VSpace(), checkWidth = FLayout.CheckWidth;
  const int barWidth = cm.BarWidth(*this);
  TClientDC dc(nullptr); // the screen's
  TFont font;
  AssignItemFont(font);
  TSelectObject selectFont(dc, font.Handle());
  std::string caption = FMenuItem->Caption();
  SIZE capSize = TextSize(dc, caption);
  int capWidth = capSize.cx, capHeight = capSize.cy;
  std::string shortcut = ShortCutToText(FMenuItem->ShortCut());
  int shortcutWidth = shortcut.empty() ? 0 : TextSize(dc, shortcut).cx;
  bool bar = IsBarItem();
  if (!bar) {
    capWidth = std::max(capWidth, cm.FMaxCaption);
    cm.FMaxCaption = capWidth;
  }
  int picSize = FOptions.Contains(omFixedImgSize) ? FCustomImgSize : capHeight;
  int itemHeight, itemWidth;
  if (FTextAlign == 1 || FTextAlign == 2) {
    itemHeight = 2 * picSize + 3 * vSpace;
    itemWidth = capWidth + checkWidth;
  } else {
    itemHeight = picSize + 2 * vSpace;
    if (FOptions.Contains(omNoImageAttached))
      itemWidth = bar ? capWidth : capWidth + 2 * hSpace + checkWidth;
    else if (bar)
      itemWidth = capWidth + picSize + vSpace;
    else if (FMenuItem->Count() > 0)
      itemWidth = capWidth + picSize + checkWidth;
    else
      itemWidth = capWidth + picSize + hSpace;
  }
  itemWidth += barWidth;
  if (FMenuItem->IsLine()) itemHeight = TextSize(dc, "-").cy;
  cm.FMaxWidth = std::max(cm.FMaxWidth, itemWidth);
  shortcutWidth = std::max(shortcutWidth, cm.FMaxShortcut);
  cm.FMaxShortcut = shortcutWidth;
  if (!bar) itemWidth = cm.FMaxWidth + cm.FMaxShortcut + hSpace;
  FLayout.CapWidth = capWidth;
  FLayout.CapHeight = capHeight;
  FLayout.PicSize = picSize;
  FLayout.ShortcutWidth = shortcutWidth;
  FLayout.ItemHeight = itemHeight;
  FLayout.ItemWidth = itemWidth + checkWidth;
  cm.FTotalHeight += itemHeight;
  width = static_cast<UINT>(itemWidth);
  height = static_cast<UINT>(itemHeight);
}

void TCoolMenuItem::Paint(HDC dc, const RECT& rect, TBitmap& wallpaper, bool tiled, bool inverted,
                          int fromX) {
  HDC src = wallpaper.Canvas().Handle();
  if (tiled) {
    for (int y = rect.top; y < rect.bottom; y += wallpaper.Height())
      for (int x = fromX; x < rect.right; x += wallpaper.Width())
        BitBlt(dc, x, y, std::min(wallpaper.Width(), static_cast<int>(rect.right) - x),
               std::min(wallpaper.Height(), static_cast<int>(rect.bottom) - y), src, 0, 0, SRCCOPY);
  } else {
    // The wallpaper lies under the whole pop-up: the item's own part of it.
    BitBlt(dc, fromX, rect.top, rect.right - fromX, rect.bottom - rect.top, src, fromX, rect.top,
           inverted ? NOTSRCCOPY : SRCCOPY);
  }
}

void TCoolMenuItem::DrawCaption(HDC dc, const RECT& r, const std::string& text, TColor color,
                                bool selected, bool enabled) {
  RECT box = r;
  const unsigned flags = DT_LEFT | DT_SINGLELINE | DT_NOCLIP;
  SetBkMode(dc, TRANSPARENT);
  if (!enabled) {
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    if (selected && GetSysColor(COLOR_MENU) == RGB(0xC0, 0xC0, 0xC0)) {
      DrawTextA(dc, text.c_str(), -1, &box, flags);
    } else {
      UINT state = selected ? DSS_UNION : DSS_DISABLED;
      DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(text.c_str()),
                 static_cast<WPARAM>(text.size()), box.left, box.top, 0, 0, DST_PREFIXTEXT | state);
    }
    return;
  }
  const TShadowText& sh = FShadow;
  bool shadow = sh.Active && !(selected && sh.Options.Contains(soNoShadowIfSel)) &&
                !(!selected && sh.Options.Contains(soNoShadowIfNormal));
  if (shadow) {
    int size = selected ? sh.SelShadowSize : sh.ShadowSize;
    TShadowPosition pos = selected ? sh.SelShadowPos : sh.ShadowPos;
    int tx = 0, ty = 0, sx = 0, sy = 0;
    switch (pos) {
    case spLeftTop:
      tx = ty = size;
      break;
    case spRightBottom:
      sx = sy = size;
      break;
    case spLeftBottom:
      tx = size, sy = size;
      break;
    case spRightTop:
      ty = size, sx = size;
      break;
    }
    RECT sr = box;
    OffsetRect(&sr, sx, sy);
    SetTextColor(dc, ColorToRGB(selected ? sh.SelShadowColor : sh.ShadowColor));
    DrawTextA(dc, text.c_str(), -1, &sr, flags);
    OffsetRect(&box, tx, ty);
  }
  SetTextColor(dc, ColorToRGB(color));
  DrawTextA(dc, text.c_str(), -1, &box, flags);
}

void TCoolMenuItem::DrawBevel(HDC dc, const RECT& itemRect, bool selected, TColor keptSel,
                              bool keepRound) {
  if (FBevelInner == bvNone && FBevelOuter == bvNone) return;
  if (FMenuItem->IsLine()) return;
  if (FOptions.Contains(omBevelOnlyIfSel) && !(selected && FMenuItem->Enabled())) return;
  const int P = FLayout.PicSize, V = FCoolMenu->VSpace(), H = FCoolMenu->HSpace();
  bool hasPicture = FPicture.Graphic() || FMenuItem->Checked();
  RECT r = itemRect;
  r.top += 1;
  if (hasPicture && FBevelStyle == TBevelStyle::bsBevelOnlyImage) {
    r = {FLayout.PicLeft - V, FLayout.PicTop - V, FLayout.PicLeft + P + V, FLayout.PicTop + P + V};
  } else if (hasPicture && FBevelStyle == TBevelStyle::bsBevelOnlyText) {
    if (FTextAlign == 4)
      r = {FLayout.PicLeft + P + 4, itemRect.top, itemRect.right, itemRect.bottom};
    else if (FTextAlign == 3)
      r = {itemRect.left, itemRect.top, FLayout.PicLeft, itemRect.bottom};
    else
      r = {FLayout.CapLeft - H, FLayout.CapTop - 1, FLayout.CapLeft + FLayout.CapWidth + H,
           FLayout.CapTop + P + 1};
  }
  if (FBevelType == btRectangle) {
    UINT edge = 0;
    if (FBevelInner == bvLowered) edge |= BDR_SUNKENINNER;
    if (FBevelInner == bvRaised) edge |= BDR_RAISEDINNER;
    if (FBevelOuter == bvLowered) edge |= BDR_SUNKENOUTER;
    if (FBevelOuter == bvRaised) edge |= BDR_RAISEDOUTER;
    DrawEdge(dc, &r, edge, BF_RECT);
    return;
  }
  TSelectObject hollow(dc, GetStockObject(NULL_BRUSH));
  auto round = [&](int l, int t, int rr, int b, COLORREF c) {
    TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, c));
    TSelectObject select(dc, pen.Get());
    RoundRect(dc, l, t, rr, b, 18, 18);
  };
  COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), lo = GetSysColor(COLOR_BTNSHADOW);
  if (FBevelInner != bvNone)
    round(r.left, r.top, r.right - 2, r.bottom - 2, FBevelInner == bvRaised ? hi : lo);
  if (FBevelOuter != bvNone)
    round(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, FBevelOuter == bvRaised ? lo : hi);
  COLORREF item = keepRound ? ColorToRGB(keptSel) : GetDCBrushColor(dc);
  round(r.left + 1, r.top + 1, r.right - 2, r.bottom - 2, item);
}

void TCoolMenuItem::DrawDisabled(HDC dc, TGraphic& graphic, TColor trColor, bool selected) {
  const int P = FLayout.PicSize;
  int gw = std::max(graphic.Width(), 1), gh = std::max(graphic.Height(), 1);
  TBitmap source(gw, gh);
  COLORREF tr = trColor == clNone ? CLR_INVALID : ColorToRGB(trColor);
  if (auto* icon = dynamic_cast<TIcon*>(&graphic)) {
    tr = ColorToRGB(trColor == clNone ? clMenu : trColor);
    Fill(source.Canvas().Handle(), {0, 0, gw, gh}, tr);
    DrawIconEx(source.Canvas().Handle(), 0, 0, icon->Handle(), gw, gh, 0, nullptr, DI_NORMAL);
  } else {
    graphic.Draw(source.Canvas(), {0, 0, gw, gh});
  }
  GdiFlush();
  COLORREF brush = GetDCBrushColor(dc);
  TBitmap out(gw + 1, gh + 1);
  HDC o = out.Canvas().Handle();
  Fill(o, {0, 0, gw + 1, gh + 1}, brush);
  GdiFlush();
  bool menuSilver = GetSysColor(COLOR_MENU) == RGB(0xC0, 0xC0, 0xC0);
  const bool selectedInk = selected && !FOptions.Contains(omNoHighlightDisabled) &&
                           !FOptions.Contains(omNoHighlightImage);
  const COLORREF ink = selectedInk ? RGB(0x80, 0x80, 0x80) : GetSysColor(COLOR_BTNSHADOW);
  // Under the shadow colour the highlight copy is always there.
  const bool highlight = !selectedInk || !(selected && menuSilver);
  auto dark = [&](int x, int y) {
    uint32_t p = source.ScanLine(y)[x];
    COLORREF c = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    if (c == tr) return false;
    int lum = (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
    return lum < 0xC0;
  };
  auto put = [&](int x, int y, COLORREF c) {
    out.ScanLine(y)[x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  };
  if (highlight)
    for (int y = 0; y < gh; ++y)
      for (int x = 0; x < gw; ++x)
        if (dark(x, y)) put(x + 1, y + 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  for (int y = 0; y < gh; ++y)
    for (int x = 0; x < gw; ++x)
      if (dark(x, y)) put(x, y, ink);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, FLayout.PicLeft, FLayout.PicTop, P, P, o, 0, 0, gw, gh, SRCCOPY);
}

void TCoolMenuItem::DrawPicture(HDC dc, bool selected, bool enabled) {
  const int P = FLayout.PicSize;
  if (FOptions.Contains(omNoHighlightImage)) SetDCBrushColor(dc, GetSysColor(COLOR_MENU));
  bool checked = FMenuItem->Checked() && !FMenuItem->IsLine();
  TGraphic* graphic = FPicture.Graphic();
  TColor tr = FTrColor;
  if (checked) {
    graphic = FMenuItem->RadioItem() ? &FRadioBitmap : &FCheckBitmap;
    tr = MarkTrColor;
  }
  if (!enabled) {
    if (TGraphic* d = FDisabledPicture.Graphic()) {
      graphic = d;
    } else {
      if (!FPicture.Graphic()) return; // neither picture: no mark either
      if (dynamic_cast<TMetafile*>(graphic))
        throw ECoolMenuError("Metafile can't be attached to disabled menu item");
      DrawDisabled(dc, *graphic, tr, selected);
      return;
    }
  }
  if (!graphic) return;
  RECT sq{FLayout.PicLeft, FLayout.PicTop, FLayout.PicLeft + P, FLayout.PicTop + P};
  if (auto* icon = dynamic_cast<TIcon*>(graphic)) {
    // Drawn over the brush off screen, then copied in one piece.
    TBitmap work(P, P);
    Fill(work.Canvas().Handle(), {0, 0, P, P}, GetDCBrushColor(dc));
    DrawIconEx(work.Canvas().Handle(), 0, 0, icon->Handle(), P, P, 0, nullptr, DI_NORMAL);
    GdiFlush();
    BitBlt(dc, sq.left, sq.top, P, P, work.Canvas().Handle(), 0, 0, SRCCOPY);
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) {
    HDC src = bitmap->Canvas().Handle();
    if (tr != clNone)
      TransparentBlt(dc, sq.left, sq.top, P, P, src, 0, 0, bitmap->Width(), bitmap->Height(),
                     ColorToRGB(tr));
    else {
      SetStretchBltMode(dc, COLORONCOLOR);
      StretchBlt(dc, sq.left, sq.top, P, P, src, 0, 0, bitmap->Width(), bitmap->Height(), SRCCOPY);
    }
  } else if (auto* meta = dynamic_cast<TMetafile*>(graphic)) {
    PlayEnhMetaFile(dc, meta->Handle(), &sq);
  }
}

TCoolMenuItem::TKeptHighlight TCoolMenuItem::KeptHighlight(bool selected) const {
  TKeptHighlight kept;
  if (selected && FOptions.Contains(omNoHighlightEnabledButDoText)) {
    kept.KeepText = true;
    kept.TextColor = FSelTextColor;
  }
  if (selected && FOptions.Contains(omNoHighlightEnabledButDoRoundRect)) kept.SelColor = FSelColor;
  kept.KeepRound = kept.SelColor != clNone && FOptions.Contains(omNoHighlightEnabled);
  return kept;
}

bool TCoolMenuItem::ShownSelected(bool selected) const {
  const bool enabled = FMenuItem->Enabled();
  if ((!enabled && FOptions.Contains(omNoHighlightDisabled)) ||
      (enabled && FOptions.Contains(omNoHighlightEnabled)))
    return false;
  return selected;
}

void TCoolMenuItem::AssignItemFont(TFont& font) const {
  font.Assign(FFont);
  if (IsDefaultItem()) {
    TFontStyles style = font.Style();
    style.Include(fsBold);
    font.SetStyle(style);
  }
}

void TCoolMenuItem::PlaceParts(const RECT& rect) {
  TCoolMenu& cm = *FCoolMenu;
  const int hSpace = cm.HSpace(), vSpace = cm.VSpace(), checkWidth = FLayout.CheckWidth;
  const int barWidth = cm.BarWidth(*this);
  const int picSize = FLayout.PicSize, capWidth = FLayout.CapWidth;
  const int itemWidth = FLayout.ItemWidth;
  // Pictures and captions stacked (alignments 1 and 2) are centred in the item.
  const int middle = rect.left + barWidth + itemWidth / 2;
  int capLeft = 0, capTop = 0, picLeft = 0, picTop = 0;
  switch (FTextAlign) {
  case 1:
    capLeft = middle - capWidth / 2;
    capTop = rect.top + vSpace;
    picLeft = middle - picSize / 2;
    picTop = capTop + picSize + vSpace;
    break;
  case 2:
    picLeft = middle - picSize / 2;
    picTop = rect.top + vSpace;
    capLeft = middle - capWidth / 2;
    capTop = picTop + picSize + vSpace;
    break;
  case 3:
    capLeft = rect.left + hSpace + barWidth;
    picLeft = capLeft + capWidth + hSpace;
    picTop = rect.top + vSpace;
    break;
  default:
    picLeft = rect.left + hSpace + barWidth;
    picTop = rect.top + vSpace;
    capLeft = FOptions.Contains(omNoImageAttached) ? picLeft + (IsBarItem() ? hSpace : checkWidth)
                                                   : picLeft + picSize + hSpace;
    break;
  }
  if (FTextAlign >= 3)
    capTop = FOptions.Contains(omFixedImgSize) && !FMenuItem->IsLine()
                 ? rect.top + FLayout.ItemHeight / 2 - FLayout.CapHeight / 2 - 1
                 : rect.top + vSpace;
  FLayout.PicLeft = picLeft;
  FLayout.PicTop = picTop;
  FLayout.CapLeft = capLeft;
  FLayout.CapTop = capTop;
}

TCoolMenuItem::TItemLook TCoolMenuItem::PaintWallpaper(HDC dc, const RECT& rect, bool selected,
                                                       const TKeptHighlight& kept) {
  TCoolMenu& cm = *FCoolMenu;
  const int fromX = rect.left + cm.BarWidth(*this);
  TItemLook look;
  if (selected) {
    look.Brush = ColorToRGB(FSelColor);
    look.TextColor = FSelTextColor;
    if (FOptions.Contains(omPaintWallpaper) && !FOptions.Contains(omTileWallpaper) &&
        !cm.Wallpaper().Empty()) {
      Paint(dc, rect, cm.Wallpaper(), false, true, fromX);
      look.Papered = true;
      if (FSelTextColor == clHighlightText) {
        COLORREF f = ColorToRGB(FFont.Color());
        look.TextColor =
            static_cast<TColor>(RGB(255 - GetRValue(f), 255 - GetGValue(f), 255 - GetBValue(f)));
      }
    }
    if (FOptions.Contains(omPaintSelWallpaper) && !cm.SelWallpaper().Empty()) {
      Paint(dc, rect, cm.SelWallpaper(), FOptions.Contains(omTileSelWallpaper), false, fromX);
      look.Papered = true;
    }
  } else {
    look.Brush = ColorToRGB(FNormColor);
    if (FOptions.Contains(omPaintWallpaper) && !cm.Wallpaper().Empty()) {
      Paint(dc, rect, cm.Wallpaper(), FOptions.Contains(omTileWallpaper), false, fromX);
      look.Papered = true;
    }
    if (FOptions.Contains(omAlwaysDefFontColor)) FFont.SetColor(clMenuText);
    look.TextColor = FOptions.Contains(omAlwaysDefFont) ? clMenuText : FFont.Color();
    if (FOptions.Contains(omAlwaysDefFontColor)) look.TextColor = clMenuText;
    if (kept.KeepText) look.TextColor = kept.TextColor;
  }
  return look;
}

void TCoolMenuItem::FillBackground(HDC dc, const RECT& rect) {
  const int barRight = rect.left + FCoolMenu->BarWidth(*this);
  int fillFrom = barRight;
  bool hasPicture = FPicture.Graphic() || FMenuItem->Checked();
  if (FOptions.Contains(omNoHighlightImage) && hasPicture) {
    if (FTextAlign == 1 || FTextAlign == 2)
      throw ECoolMenuError("Advanced features available only for horizontal aligned items");
    fillFrom = (FTextAlign == 4 ? FLayout.CapLeft : FLayout.PicLeft) - 1;
    bool bevel = FBevelInner != bvNone || FBevelOuter != bvNone;
    if (bevel && (FBevelStyle == TBevelStyle::bsBevelBoth ||
                  (FBevelStyle == TBevelStyle::bsBevelOnlyImage && FTextAlign == 4)))
      Fill(dc, {barRight, rect.top, fillFrom, rect.bottom + 1}, ColorToRGB(FNormColor));
  }
  RECT fill{fillFrom, rect.top, rect.right, rect.bottom + 1};
  FillRect(dc, &fill, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void TCoolMenuItem::DrawSeparator(HDC dc, const RECT& rect) {
  const int barRight = rect.left + FCoolMenu->BarWidth(*this);
  int y = rect.top + FLayout.ItemHeight / 2;
  Line(dc, barRight, y, rect.right, y, RGB(0x80, 0x80, 0x80));
  Line(dc, barRight, y + 1, rect.right, y + 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  if (FSeparatorText.empty()) return;
  TGdiObject<HFONT> sepFont(CreateFontA(10, 10, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                        OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                                        VARIABLE_PITCH | FF_SWISS, "MS Serif"));
  TSelectObject select(dc, sepFont.Get());
  SIZE sz{};
  GetTextExtentPoint32A(dc, FSeparatorText.c_str(), static_cast<int>(FSeparatorText.size()), &sz);
  const int capLeft = FLayout.CapLeft, capTop = FLayout.CapTop;
  RECT r{capLeft, capTop - 1, capLeft + sz.cx, capTop + 8};
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, ColorToRGB(FNormColor));
  SetTextColor(dc, (FOptions.Contains(omAlwaysDefFont) || FOptions.Contains(omAlwaysDefFontColor))
                       ? GetSysColor(COLOR_MENUTEXT)
                       : ColorToRGB(FFont.Color()));
  ExtTextOutA(dc, r.left, r.top, ETO_OPAQUE, &r, FSeparatorText.c_str(),
              static_cast<UINT>(FSeparatorText.size()), nullptr);
}

void TCoolMenuItem::DrawCaptionAndShortcut(HDC dc, const RECT& rect, TColor textColor,
                                           bool selected, bool enabled) {
  const int capLeft = FLayout.CapLeft, capTop = FLayout.CapTop, picSize = FLayout.PicSize;
  DrawCaption(dc, {capLeft, capTop, capLeft + FLayout.CapWidth, capTop + picSize},
              FMenuItem->Caption(), textColor, selected, enabled);
  std::string shortcut = ShortCutToText(FMenuItem->ShortCut());
  if (shortcut.empty()) return;
  int left = rect.right - FCoolMenu->ShortcutColumn() - FLayout.CheckWidth;
  DrawCaption(dc, {left, capTop, rect.right, capTop + picSize}, shortcut, textColor, selected,
              enabled);
}

void TCoolMenuItem::DrawBarStrip(HDC dc, const RECT& rect) {
  const int barWidth = FCoolMenu->BarWidth(*this);
  if (barWidth <= 0) return;
  BitBlt(dc, rect.left, rect.top - 10, barWidth, (rect.bottom - rect.top) + 20,
         FCoolMenu->BarBitmap().Canvas().Handle(), 0, rect.top - 10, SRCCOPY);
}

void TCoolMenuItem::DrawItem(HDC dc, const RECT& rect, bool selected) {
  TCoolMenu& cm = *FCoolMenu;
  const bool enabled = FMenuItem->Enabled(), isLine = FMenuItem->IsLine();

  // What highlighting is kept and whether the item counts as selected.
  const TKeptHighlight kept = KeptHighlight(selected);
  selected = ShownSelected(selected);

  TFont font;
  AssignItemFont(font);
  // Every way out, a throw included, gives the DC back as it came: its state, then its font.
  TSelectObject selectFont(dc, font.Handle());
  TSaveDC saved(dc);

  PlaceParts(rect);

  const TItemLook look = PaintWallpaper(dc, rect, selected, kept);
  TSelectObject dcBrush(dc, GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc, look.Brush);
  if (!look.Papered) FillBackground(dc, rect);

  DrawBevel(dc, {rect.left + cm.BarWidth(*this), rect.top, rect.right, rect.bottom}, selected,
            kept.SelColor, kept.KeepRound);
  if (isLine)
    DrawSeparator(dc, rect);
  else
    DrawCaptionAndShortcut(dc, rect, look.TextColor, selected, enabled);
  DrawBarStrip(dc, rect);
  if (!isLine) DrawPicture(dc, selected, enabled);
  if (dynamic_cast<TMetafile*>(FPicture.Graphic()) && cm.FWindow)
    InvalidateRect(cm.FWindow, nullptr, FALSE);
  // The former font and DC state: the holders above.
}

// --- TCoolMenu ----------------------------------------------------------------------------------

TCoolMenu::TCoolMenu(TComponent* AOwner) : TComponent(AOwner) {
  RegisterCoolMenuCursor();
  FMenuBar.OnChanged = [this](TObject*) {
    if (FShowBar) RebuildBar();
    if (FActive) Refresh(this, RA_REFRESH);
  };
  Hook();
}

TCoolMenu::~TCoolMenu() {
  Destroying();
  Unhook();
  // Items left owner-drawn with nobody to draw them would show as empty entries: plain text
  // again, unless the whole form is going.
  if (!(Owner() && Owner()->ComponentState().Contains(csDestroying))) {
    FActive = false;
    Refresh(this, RA_RESTORE);
  }
  std::vector<TCoolMenuItem*> items = FItems;
  for (TCoolMenuItem* item : items) {
    item->FCoolMenu = nullptr;
    FreeAndNil(item);
  }
  FItems.clear();
}

LRESULT CALLBACK TCoolMenu::ThunkTarget(HWND self, UINT msg, WPARAM wp, LPARAM lp) {
  auto* menu = reinterpret_cast<TCoolMenu*>(self);
  TMessage m{msg, wp, lp, 0};
  try {
    menu->WndProc(m);
  } catch (...) {
    HandleBoundaryException(std::current_exception());
    // A drawing that failed is answered; anything else goes on to the form.
    if (msg != WM_DRAWITEM && msg != WM_MEASUREITEM) return menu->CallFormer(m);
    return TRUE;
  }
  return m.Result;
}

void TCoolMenu::Hook() {
  auto* form = dynamic_cast<TForm*>(Owner());
  if (!form) return;
  FWindow = form->Handle();
  FThunk = MakeThunk(this, reinterpret_cast<void*>(&TCoolMenu::ThunkTarget));
  FThunkProc = reinterpret_cast<WNDPROC>(FThunk);
  FOldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(FWindow, GWLP_WNDPROC));
  SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FThunkProc));
}

void TCoolMenu::Unhook() {
  if (!FThunk) return;
  bool freeThunk = true;
  if (FWindow && IsWindow(FWindow)) {
    LRESULT taken = SendMessageA(FWindow, WM_COOLMENU_UNHOOK, reinterpret_cast<WPARAM>(FOldProc),
                                 reinterpret_cast<LPARAM>(FThunkProc));
    if (taken == 0) {
      if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(FWindow, GWLP_WNDPROC)) == FThunkProc)
        SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOldProc));
      else
        freeThunk = false; // someone outside the protocol sits in front and still calls us
    }
  }
  // A thunk still called by a window that outlives us would jump into freed memory: it stays.
  if (freeThunk) VirtualFree(FThunk, 0, MEM_RELEASE);
  FThunk = nullptr;
  FThunkProc = nullptr;
  FOldProc = nullptr;
  FWindow = nullptr;
}

void TCoolMenu::Rehook() {
  Unhook();
  Hook();
}

LRESULT TCoolMenu::CallFormer(TMessage& m) {
  if (!FOldProc) return DefWindowProcA(FWindow, m.Msg, m.WParam, m.LParam);
  m.Result = CallWindowProcA(FOldProc, FWindow, m.Msg, m.WParam, m.LParam);
  return m.Result;
}

TCoolMenuItem* TCoolMenu::AddItem(TMenuItem* menuItem) {
  auto* item = new TCoolMenuItem(this);
  FItems.push_back(item);
  item->SetMenuItem(menuItem);
  if (FActive && menuItem) RefreshItem(*item, RA_REFRESH);
  return item;
}

TCoolMenuItem* TCoolMenu::FindItem(const TMenuItem* menuItem) const {
  for (TCoolMenuItem* i : FItems)
    if (i->FMenuItem == menuItem && i->Bound()) return i;
  return nullptr;
}

void TCoolMenu::ItemDestroyed(TCoolMenuItem* item) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), item), FItems.end());
}

void TCoolMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) FImages = nullptr;
  if (component == FDisabledImages) FDisabledImages = nullptr;
}

void TCoolMenu::Loaded() {
  TComponent::Loaded();
  if (FActive) Refresh(this, RA_REFRESH);
}

void TCoolMenu::SetActive(bool value) {
  if (value == FActive) return;
  FActive = value;
  Refresh(this, value ? RA_REFRESH : RA_RESTORE);
}

void TCoolMenu::SetShowBar(bool value) {
  FShowBar = value;
  if (!value)
    FBarBitmap.SetSize(0, 0);
  else
    RebuildBar();
  if (FActive) Refresh(this, RA_REFRESH);
}

void TCoolMenu::SetImages(TImageList* value) {
  if (FImages) {
    RemoveFreeNotification(FImages);
    for (TCoolMenuItem* i : FItems)
      i->FPicture.Clear();
  }
  FImages = value;
  if (!FImages) return;
  FreeNotification(FImages);
  for (TCoolMenuItem* i : FItems)
    if (i->FImageIndex >= 0 && i->FImageIndex < FImages->Count()) i->SetImageIndex(i->FImageIndex);
  if (FActive) Refresh(this, RA_REFRESH);
}

int TCoolMenu::BarWidth(const TCoolMenuItem& item) {
  return !FBarBitmap.Empty() && item.FOptions.Contains(omDrawBarIfNeeded) ? FBarBitmap.Width() : 0;
}

void TCoolMenu::RebuildBar() {
  const char* face = FMenuBar.IsSerif() ? "Times New Roman" : "Arial";
  SIZE text{};
  const std::string& caption = FMenuBar.Caption();
  int height;
  {
    TClientDC screen(nullptr); // the screen's
    height = -MulDiv(FMenuBar.Size(), GetDeviceCaps(screen, LOGPIXELSY), 72);
    // Measured upright: the rotated text is as wide as this is high.
    TGdiObject<HFONT> upright(CreateFontA(height, 0, 0, 0, 700, FALSE, FALSE, FALSE,
                                          DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                                          PROOF_QUALITY, DEFAULT_PITCH, face));
    TSelectObject select(screen, upright.Get());
    GetTextExtentPoint32A(screen, caption.c_str(), static_cast<int>(caption.size()), &text);
    if (caption.empty()) {
      TEXTMETRICA tm{};
      GetTextMetricsA(screen, &tm);
      text.cy = tm.tmHeight;
    }
  }
  int barW = text.cy + 4;
  int barH = std::max(static_cast<int>(text.cx) + 8, FTotalHeight);
  int total = barW + (FMenuBar.IsSeparator() ? 6 : 0);
  FBarBitmap.SetSize(total, barH);
  HDC dc = FBarBitmap.Canvas().Handle();
  COLORREF from = ColorToRGB(FMenuBar.BackFrom()), to = ColorToRGB(FMenuBar.BackTo());
  if (FMenuBar.IsGradient()) {
    const int n = 32;
    for (int k = 0; k < n; ++k) {
      RECT band = GradientBand(k, n, barW, barH);
      Fill(dc, band, GradientColor(from, to, k, n));
    }
  } else {
    Fill(dc, {0, 0, barW, barH}, from);
  }
  int y;
  switch (FMenuBar.CaptionAlign()) {
  case alUp:
    y = text.cx + 4 + FMenuBar.Space();
    break;
  case alCenter:
    y = (barH + text.cx) / 2;
    break;
  default:
    y = barH - 4 - FMenuBar.Space();
    break;
  }
  {
    TGdiObject<HFONT> font(CreateFontA(height, 0, 900, 900, 700, FALSE, FALSE, FALSE,
                                       DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                                       PROOF_QUALITY, DEFAULT_PITCH, face));
    TSelectObject select(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(FMenuBar.Fore()));
    TextOutA(dc, 2, y, caption.c_str(), static_cast<int>(caption.size()));
  }
  if (FMenuBar.IsSeparator()) {
    Fill(dc, {barW, 0, total, barH}, GetSysColor(COLOR_MENU));
    Line(dc, total - 4, 0, total - 4, barH, RGB(0x80, 0x80, 0x80));
    Line(dc, total - 3, 0, total - 3, barH, GetSysColor(COLOR_BTNHIGHLIGHT));
  }
  GdiFlush();
}

void TCoolMenu::RefreshItem(TCoolMenuItem& item, TRefreshAction action) {
  TMenuItem* mi = item.FMenuItem;
  if (!mi || action == RA_NONE) return;
  bool former = FRefreshing;
  FRefreshing = true;
  if (action == RA_RESTORE) {
    mi->SetOwnerDraw(false);
  } else {
    if (item.FOptions.Contains(omAlwaysDefFont)) {
      AssignMenuFont(item.FFont);
    } else if (item.FOptions.Contains(omAlwaysDefFontSize)) {
      TFont menuFont;
      AssignMenuFont(menuFont);
      item.FFont.SetHeight(menuFont.Height());
    }
    mi->SetOwnerDraw(true);
    if (item.IsBarItem() && item.FOptions.Contains(omRightJustified) && mi->ParentHandle()) {
      MENUITEMINFOA info{};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_FTYPE;
      if (GetMenuItemInfoA(mi->ParentHandle(), mi->Command(), FALSE, &info)) {
        info.fType |= MFT_RIGHTJUSTIFY;
        SetMenuItemInfoA(mi->ParentHandle(), mi->Command(), FALSE, &info);
      }
    }
    if (action == RA_REFRESHWITHBAR && FWindow && IsWindow(FWindow)) DrawMenuBar(FWindow);
  }
  FRefreshing = former;
}

void TCoolMenu::Refresh(TObject* target, TRefreshAction action) {
  if (action == RA_NONE) return;
  if (auto* item = dynamic_cast<TCoolMenuItem*>(target)) {
    RefreshItem(*item, action);
    return;
  }
  std::vector<TCoolMenuItem*> items = FItems;
  for (TCoolMenuItem* i : items)
    RefreshItem(*i, action);
}

void TCoolMenu::MeasureItem(MEASUREITEMSTRUCT& m) {
  auto* mi = reinterpret_cast<TMenuItem*>(m.itemData);
  TCoolMenuItem* item = FindItem(mi);
  HMENU popup = mi->ParentHandle();
  if (popup != FMeasuredPopup) {
    FMeasuredPopup = popup;
    FMaxWidth = FMaxCaption = FTotalHeight = FMaxShortcut = 0;
  }
  item->MeasureItem(nullptr, m.itemWidth, m.itemHeight);
  if (OnMeasure) OnMeasure(this, static_cast<int>(reinterpret_cast<intptr_t>(popup)), m.itemID);
}

void TCoolMenu::DrawItem(DRAWITEMSTRUCT& d) {
  auto* mi = reinterpret_cast<TMenuItem*>(d.itemData);
  FindItem(mi)->DrawItem(d.hDC, d.rcItem, (d.itemState & ODS_SELECTED) != 0);
}

void TCoolMenu::ShowSelectedHint(TMessage& m) {
  if ((HIWORD(m.WParam) & MF_POPUP) || HIWORD(m.WParam) == 0xFFFF) return;
  if (TMenuItem* mi = TMenuItem::FindByCommand(LOWORD(m.WParam)))
    if (FindItem(mi)) {
      Application->SetHint(mi->Hint());
      if (OnItemSelect)
        OnItemSelect(this, static_cast<int>(static_cast<intptr_t>(m.LParam)), LOWORD(m.WParam));
    }
}

bool TCoolMenu::AnswerMenuChar(TMessage& m) {
  // Owner-drawn entries show the system no text: the accelerator is looked up here. As the
  // system does for its own entries, a letter that several entries share moves the selection
  // to the next of them (Enter then runs it); the letter of one entry alone runs that entry.
  auto popup = reinterpret_cast<HMENU>(m.LParam);
  char typed = static_cast<char>(LOWORD(m.WParam));
  int count = GetMenuItemCount(popup);
  std::vector<int> matches;
  for (int pos = 0; pos < count; ++pos) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    if (!GetMenuItemInfoA(popup, pos, TRUE, &info)) continue;
    auto* mi = reinterpret_cast<TMenuItem*>(info.dwItemData);
    if (mi && FindItem(mi) && SameLetter(AccelCharOf(mi->Caption()), typed)) matches.push_back(pos);
  }
  if (matches.empty()) return false;
  if (matches.size() == 1) {
    m.Result = MAKELRESULT(matches.front(), MNC_EXECUTE);
    return true;
  }
  int next = SelectNextSharingLetter(FWindow, popup, typed);
  if (next < 0) return false;
  m.Result = MAKELRESULT(next, MNC_SELECT);
  return true;
}

void TCoolMenu::WndProc(TMessage& m) {
  switch (m.Msg) {
  case WM_COOLMENU_UNHOOK:
    // A hook behind which the leaving one sits takes over what the leaving one passed on to.
    if (reinterpret_cast<WNDPROC>(m.LParam) == FOldProc) {
      FOldProc = reinterpret_cast<WNDPROC>(m.WParam);
      m.Result = 1;
      return;
    }
    break;
  case CM_MENUCHANGED:
  case WM_SYSCOLORCHANGE:
    if (FActive && FMenuRefresh != RA_NONE && !FRefreshing) {
      bool designing = ComponentState().Contains(csDesigning);
      Refresh(this, designing ? RA_REFRESH : FMenuRefresh);
    }
    break;
  case WM_ENTERMENULOOP:
    if (FActive && FMenuRefresh != RA_NONE)
      for (TCoolMenuItem* i : std::vector<TCoolMenuItem*>(FItems))
        if (i->FMenu && i->FMenu->IsPopup()) RefreshItem(*i, FMenuRefresh);
    break;
  case WM_INITMENUPOPUP:
    if (!HIWORD(m.LParam)) {
      FOpeningPopup = reinterpret_cast<HMENU>(m.WParam);
      if (OnPopup)
        OnPopup(this, static_cast<int>(static_cast<intptr_t>(m.WParam)), LOWORD(m.LParam));
    }
    break;
  case WM_MENUSELECT:
    ShowSelectedHint(m);
    break;
  case WM_MENUCHAR:
    if (AnswerMenuChar(m)) return;
    break;
  case WM_MEASUREITEM: {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
    if (FActive && m.WParam == 0 && mis && mis->CtlType == ODT_MENU &&
        FindItem(reinterpret_cast<TMenuItem*>(mis->itemData))) {
      MeasureItem(*mis);
      m.Result = TRUE;
      return;
    }
    break;
  }
  case WM_DRAWITEM: {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
    if (FActive && m.WParam == 0 && dis && dis->CtlType == ODT_MENU &&
        FindItem(reinterpret_cast<TMenuItem*>(dis->itemData))) {
      DrawItem(*dis);
      m.Result = TRUE;
      return;
    }
    break;
  }
  case WM_SETCURSOR:
    if (FActive && FCursor != 0 && FCursor != -2 && LOWORD(m.LParam) == HTMENU) {
      ::SetCursor(Screen->Cursors(FCursor));
      m.Result = TRUE;
      return;
    }
    break;
  case WM_NCDESTROY:
    // The window goes (the form is freed or makes its window again): nothing calls the hook any
    // more, and a later unhook must not touch a window that may reuse the handle.
    CallFormer(m);
    if (FThunk) VirtualFree(FThunk, 0, MEM_RELEASE);
    FThunk = nullptr;
    FThunkProc = nullptr;
    FOldProc = nullptr;
    FWindow = nullptr;
    return;
  default:
    break;
  }
  CallFormer(m);
}
