// The page control, with tabs it lays out and draws itself, and the list view over the common
// list-view control.
#include "ComCtrls.h"
#include "Guard.h"
#include "Handles.h"
#include "SysUtils.h"
#include <commctrl.h>
#include <windowsx.h>
#include <algorithm>
#include <exception>

// --- TTabSheet -----------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  FVisible = false; // the page control shows the active page
}

TTabSheet::~TTabSheet() {
  if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.ExStyle |= WS_EX_CONTROLPARENT;
}

void TTabSheet::SetPageControl(TPageControl* value) {
  if (value == FPageControl) return;
  if (FPageControl) FPageControl->RemovePage(this);
  SetParent(value);
  if (value) value->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  auto& pages = FPageControl->FPages;
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

int TTabSheet::TabIndex() const {
  if (!FPageControl || !FTabVisible) return -1;
  int n = 0;
  for (TTabSheet* p : FPageControl->FPages) {
    if (p == this) return n;
    if (p->FTabVisible) ++n;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool value) {
  if (value == FTabVisible) return;
  if (!FPageControl) {
    FTabVisible = value;
    return;
  }
  if (value) {
    FTabVisible = true;
    FPageControl->TabItemInserted(this);
  } else {
    int tab = TabIndex();
    FTabVisible = false;
    FPageControl->TabItemDeleted(tab);
  }
}

void TTabSheet::SetImageIndex(int value) {
  FImageIndex = value;
  if (FPageControl) FPageControl->TabItemChanged(this);
}

void TTabSheet::SetCaption(const std::string& value) {
  FText = value;
  if (FPageControl) FPageControl->TabItemChanged(this);
}

void TTabSheet::SetVisible(bool value) {
  TWinControl::SetVisible(value);
  // The first show makes the windows the page put off.
  if (value && !HandleAllocated() && Parent() && Parent()->HandleAllocated()) HandleNeeded();
}

void TTabSheet::SetEnabled(bool value) {
  TWinControl::SetEnabled(value);
  if (FPageControl) FPageControl->Invalidate(); // the tab is drawn disabled
}

// --- TPageControl --------------------------------------------------------------------------------

namespace {

constexpr int TabPaddingAlong = 6, TabPaddingAcross = 3;

TTabSide SideOf(LONG style) {
  if (style & TCS_VERTICAL) return (style & TCS_RIGHT) ? TTabSide::Right : TTabSide::Left;
  return (style & TCS_BOTTOM) ? TTabSide::Bottom : TTabSide::Top;
}

bool Vertical(LONG style) {
  return (style & TCS_VERTICAL) != 0;
}

RECT ToRect(const TTabBox& b) {
  return RECT{b.Left, b.Top, b.Right, b.Bottom};
}

// The sides of a tab that show edges: all but the one towards the pages.
UINT TabEdges(TTabSide side) {
  switch (side) {
  case TTabSide::Top:
    return BF_LEFT | BF_TOP | BF_RIGHT;
  case TTabSide::Bottom:
    return BF_LEFT | BF_BOTTOM | BF_RIGHT;
  case TTabSide::Left:
    return BF_LEFT | BF_TOP | BF_BOTTOM;
  case TTabSide::Right:
    break;
  }
  return BF_RIGHT | BF_TOP | BF_BOTTOM;
}

} // namespace

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  InitCommonControlsOnce();
  FWidth = 289;
  FHeight = 193;
  FTabStop = true;
}

TPageControl::~TPageControl() {
  // The sheets are freed by the window core after this; they must not call back.
  for (TTabSheet* p : FPages)
    p->FPageControl = nullptr;
  FPages.clear();
}

void TPageControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.ExStyle |= WS_EX_CONTROLPARENT;
  p.Style |= WS_CLIPCHILDREN;
  p.ClassStyle |= CS_HREDRAW | CS_VREDRAW; // the tabs' rows depend on the whole width
  if (FTabSizeWidth > 0) p.Style |= TCS_FIXEDWIDTH;
  if (FMultiLine) p.Style |= TCS_MULTILINE;
}

void TPageControl::SetMultiLine(bool value) {
  if (value == FMultiLine) return;
  FMultiLine = value;
  if (!FHandle) return;
  LONG style = GetWindowLongA(FHandle, GWL_STYLE);
  SetWindowLongA(FHandle, GWL_STYLE, value ? style | TCS_MULTILINE : style & ~TCS_MULTILINE);
  // The rows of tabs change the display area: the pages follow it.
  PagesChanged();
}

void TPageControl::InitWnd() {
  FFirstShown = 0;
  FFirstRow = 0;
  UpdateTabs();
}

void TPageControl::InsertPage(TTabSheet* page) {
  FPages.push_back(page);
  page->FPageControl = this;
  if (!FActivePage && page->FTabVisible) {
    SetActivePage(page);
    PagesChanged();
    return;
  }
  if (page != FActivePage) page->SetVisible(false);
  PagesChanged();
}

void TPageControl::RemovePage(TTabSheet* page) {
  FPages.erase(std::remove(FPages.begin(), FPages.end(), page), FPages.end());
  page->FPageControl = nullptr;
  if (FActivePage == page) {
    FActivePage = nullptr;
    for (TTabSheet* p : FPages)
      if (p->FTabVisible) {
        FActivePage = p;
        break;
      }
  }
  PagesChanged();
  ShowActivePage();
}

void TPageControl::TabItemInserted(TTabSheet*) {
  PagesChanged();
}

void TPageControl::TabItemDeleted(int) {
  PagesChanged();
}

void TPageControl::TabItemChanged(TTabSheet* page) {
  if (!page->FTabVisible) return;
  PagesChanged();
}

void TPageControl::PagesChanged() {
  FMeasureStale = true;
  if (!FHandle || FPagesUpdate > 0) return;
  Realign(); // the rows of tabs may have changed the display area
  Invalidate();
}

void TPageControl::UpdateTabs() {
  PagesChanged();
}

void TPageControl::BeginUpdate() {
  ++FPagesUpdate;
}

void TPageControl::EndUpdate() {
  if (FPagesUpdate == 0) return;
  if (--FPagesUpdate > 0) return;
  // What was put off: the tabs are laid out once, the sheets take the display area once, and
  // the active one shows.
  FMeasureStale = true;
  ShowActivePage();
  Invalidate();
}

int TPageControl::TabCount() const {
  int n = 0;
  for (TTabSheet* p : FPages)
    if (p->FTabVisible) ++n;
  return n;
}

TTabSheet* TPageControl::PageForTab(int tabIndex) const {
  if (tabIndex < 0) return nullptr;
  for (TTabSheet* p : FPages)
    if (p->FTabVisible && tabIndex-- == 0) return p;
  return nullptr;
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? FPages[index] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->FPageControl != this) return;
  if (page == FActivePage) return;
  FActivePage = page;
  ShowTab(SelectedTab());
  Invalidate(); // the selected tab stands out, and its row moves next to the pages
  ShowActivePage();
}

void TPageControl::ShowActivePage() {
  // The focus in a page that goes out of sight goes into the page that shows, not to the tabs.
  HWND focus = GetFocus();
  bool focusLeaves = false;
  for (TTabSheet* p : FPages)
    if (focus && p != FActivePage && p->HandleAllocated() &&
        (p->Handle() == focus || IsChild(p->Handle(), focus)))
      focusLeaves = true;
  Realign(); // every sheet gets the display area
  if (FActivePage) {
    FActivePage->SetVisible(true);
    FActivePage->BringToFront();
  }
  for (TTabSheet* p : FPages)
    if (p != FActivePage) p->SetVisible(false);
  if (focusLeaves) FocusActivePage();
}

namespace {
// The first control in w, in tab order, that takes the focus.
HWND FirstTabStop(HWND w) {
  for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c) || !IsWindowEnabled(c)) continue;
    if (GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP) return c;
    if (GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
      if (HWND inner = FirstTabStop(c)) return inner;
  }
  return nullptr;
}
} // namespace

void TPageControl::FocusActivePage() {
  if (!FHandle) return;
  HWND target = nullptr;
  if (FActivePage && FActivePage->HandleAllocated()) target = FirstTabStop(FActivePage->Handle());
  ::SetFocus(target ? target : FHandle);
}

void TPageControl::SelectNextPage(bool forward) {
  int count = TabCount(), tab = SelectedTab();
  if (count == 0) return;
  // Round from the selected tab to the next one whose page is enabled, in either direction.
  int start = tab >= 0 ? tab : (forward ? count - 1 : 0);
  for (int k = 1; k < count + (tab < 0 ? 1 : 0); ++k) {
    int next = (start + (forward ? k : count - k)) % count;
    TTabSheet* page = PageForTab(next);
    if (page && page->Enabled()) {
      ChooseTab(next);
      return;
    }
  }
}

void TPageControl::AlignControls(RECT&) {
  if (FPagesUpdate > 0) return; // placed once when the update ends
  RECT r = DisplayRect();
  for (TTabSheet* p : FPages)
    p->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TPageControl::MeasureTabs() {
  FTabPages.clear();
  for (TTabSheet* p : FPages)
    if (p->FTabVisible) FTabPages.push_back(p);
  int imageW = 0, imageH = 0;
  if (FImages) ImageList_GetIconSize(FImages, &imageW, &imageH);
  TClientDC dc(nullptr);
  TSelectObject font(dc, FTabFont ? FTabFont : Font().Handle());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  FTabThickness = FTabSizeHeight > 0
                      ? FTabSizeHeight
                      : std::max<int>(tm.tmHeight, imageH) + 2 * TabPaddingAcross + 1;
  FTabLengths.clear();
  FTabLengths.reserve(FTabPages.size());
  for (TTabSheet* p : FTabPages) {
    if (FTabSizeWidth > 0) {
      FTabLengths.push_back(FTabSizeWidth);
      continue;
    }
    RECT text{0, 0, 0, 0};
    DrawTextA(dc, p->FText.c_str(), static_cast<int>(p->FText.size()), &text,
              DT_CALCRECT | DT_SINGLELINE);
    FTabLengths.push_back(text.right + 2 * TabPaddingAlong +
                          (imageW ? imageW + TabPaddingAlong : 0));
  }
  FMeasureStale = false;
}

bool TPageControl::LaidOut() {
  if (!FHandle) return false;
  RECT client = ClientRect();
  LONG style = GetWindowLongA(FHandle, GWL_STYLE);
  int selected = SelectedTab();
  if (!FLayoutStale && !FMeasureStale && style == FLaidStyle && client.right == FLaidWidth &&
      client.bottom == FLaidHeight && selected == FLaidSelected)
    return true;
  // A new selection, size or scroll only arranges the tabs again; their texts are measured
  // when they or the font change.
  if (FMeasureStale) MeasureTabs();
  TTabLayoutInput in;
  in.Lengths = FTabLengths;
  in.Thickness = FTabThickness;
  in.Width = client.right;
  in.Height = client.bottom;
  in.Side = SideOf(style);
  in.MultiLine = (style & TCS_MULTILINE) != 0;
  in.Buttons = (style & TCS_BUTTONS) != 0;
  in.Justify = FTabSizeWidth <= 0;
  in.Selected = selected;
  in.FirstShown = FFirstShown;
  in.FirstRow = FFirstRow;
  FLayout = LayOutTabs(in);
  FFirstShown = FLayout.FirstShown;
  FFirstRow = FLayout.FirstRow;
  FLayoutStale = false;
  FLaidStyle = style;
  FLaidWidth = client.right;
  FLaidHeight = client.bottom;
  FLaidSelected = selected;
  return true;
}

RECT TPageControl::DisplayRect() {
  if (!LaidOut()) return ClientRect();
  return ToRect(FLayout.Display);
}

int TPageControl::RowCount() {
  return LaidOut() ? FLayout.Rows : 0;
}

int TPageControl::IndexOfTabAt(int x, int y) {
  if (!LaidOut()) return -1;
  if (FLayout.Scrolls && FLayout.Arrows.Contains(x, y)) return -1;
  // The selected tab stands out over its neighbours: it is found first.
  int selected = SelectedTab();
  if (selected >= 0 && selected < static_cast<int>(FLayout.Tabs.size())) {
    TTabBox b = FLayout.Tabs[selected];
    b = {b.Left - SelectedTabRise, b.Top - SelectedTabRise, b.Right + SelectedTabRise,
         b.Bottom + SelectedTabRise};
    if (b.Contains(x, y)) return selected;
  }
  for (size_t i = 0; i < FLayout.Tabs.size(); ++i)
    if (FLayout.Tabs[i].Contains(x, y)) return static_cast<int>(i);
  return -1;
}

RECT TPageControl::ItemRect(int tabIndex) {
  if (!LaidOut() || tabIndex < 0 || tabIndex >= static_cast<int>(FLayout.Tabs.size()))
    return RECT{0, 0, 0, 0};
  return ToRect(FLayout.Tabs[tabIndex]);
}

void TPageControl::SetTabSize(int width, int height) {
  bool fixedChanged = (width > 0) != (FTabSizeWidth > 0);
  FTabSizeWidth = width;
  FTabSizeHeight = height;
  if (!FHandle) return;
  if (fixedChanged) {
    RecreateWnd();
    return;
  }
  PagesChanged();
}

void TPageControl::SetImages(HIMAGELIST images) {
  FImages = images;
  PagesChanged();
}

void TPageControl::ShowTab(int tab) {
  // Rows that scroll always show the selected tab's row.
  if (!LaidOut() || !FLayout.Scrolls || FLayout.ScrollsRows || tab < 0) return;
  bool vertical = Vertical(FLaidStyle);
  auto start = [vertical](const TTabBox& b) { return vertical ? b.Top : b.Left; };
  auto end = [vertical](const TTabBox& b) { return vertical ? b.Bottom : b.Right; };
  if (tab < FFirstShown) {
    FFirstShown = tab;
  } else {
    // Forward until the tab ends before the arrows: the room is what lies between the first
    // tab shown and the arrows.
    int room = start(FLayout.Arrows) - start(FLayout.Tabs[FFirstShown]);
    while (FFirstShown < tab) {
      if (end(FLayout.Tabs[tab]) - start(FLayout.Tabs[FFirstShown]) <= room) break;
      ++FFirstShown;
    }
  }
  FLayoutStale = true;
}

void TPageControl::ScrollTabs(bool forward) {
  if (!LaidOut() || !FLayout.Scrolls) return;
  int& first = FLayout.ScrollsRows ? FFirstRow : FFirstShown;
  if (forward && !FLayout.LastShown) ++first;
  if (!forward && !FLayout.AtStart) --first;
  FLayoutStale = true;
  Invalidate();
}

void TPageControl::ChooseTab(int tab) {
  TTabSheet* page = PageForTab(tab);
  if (!page || page == FActivePage || !page->Enabled()) return;
  if (!CanChange()) return;
  FActivePage = page;
  ShowTab(tab);
  Invalidate();
  ShowActivePage();
  Change();
}

void TPageControl::KeyDown(WORD& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  int count = TabCount(), tab = SelectedTab(), next = tab;
  if (key == VK_LEFT || key == VK_UP) next = tab - 1;
  if (key == VK_RIGHT || key == VK_DOWN) next = tab + 1;
  if (key == VK_HOME) next = 0;
  if (key == VK_END) next = count - 1;
  if (next == tab || next < 0 || next >= count) return;
  key = 0;
  ChooseTab(next);
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

// --- drawing the tabs ---

void TPageControl::PaintTabs(HDC dc) {
  if (!LaidOut()) return;
  TSaveDC saved(dc);
  bool buttons = (FLaidStyle & TCS_BUTTONS) != 0;
  if (!buttons) {
    RECT frame = ToRect(FLayout.Frame);
    DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
  }
  if (FLayout.Scrolls) {
    // The arrows stay clear of the tabs that scroll under them.
    RECT a = ToRect(FLayout.Arrows), back = a, forward = a;
    bool vertical = Vertical(FLaidStyle);
    if (vertical)
      back.bottom = forward.top = (a.top + a.bottom) / 2;
    else
      back.right = forward.left = (a.left + a.right) / 2;
    DrawFrameControl(dc, &back, DFC_SCROLL,
                     (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) |
                         (FLayout.AtStart ? DFCS_INACTIVE : 0));
    DrawFrameControl(dc, &forward, DFC_SCROLL,
                     (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) |
                         (FLayout.LastShown ? DFCS_INACTIVE : 0));
    ExcludeClipRect(dc, a.left, a.top, a.right, a.bottom);
  }
  bool focused = GetFocus() == FHandle;
  int selected = SelectedTab();
  for (int i = 0; i < static_cast<int>(FLayout.Tabs.size()); ++i)
    if (i != selected && !FLayout.Tabs[i].Empty()) DrawTab(dc, i, false, false);
  if (selected >= 0 && selected < static_cast<int>(FLayout.Tabs.size()))
    DrawTab(dc, selected, true, focused);
}

void TPageControl::DrawTab(HDC dc, int tab, bool selected, bool focused) {
  RECT r = ToRect(FLayout.Tabs[tab]);
  bool buttons = (FLaidStyle & TCS_BUTTONS) != 0;
  if (selected && !buttons) InflateRect(&r, SelectedTabRise, SelectedTabRise);
  if (!RectVisible(dc, &r)) return;
  if (buttons) {
    if (selected) FillRect(dc, &r, GetSysColorBrush(COLOR_3DHILIGHT));
    DrawEdge(dc, &r, selected ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  } else {
    // The selected tab covers the frame's edge below it: it joins its page.
    if (selected) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, EDGE_RAISED, TabEdges(SideOf(FLaidStyle)));
  }
  RECT inside = r;
  InflateRect(&inside, -2, -2);
  DrawTabInside(dc, tab, inside, selected, focused);
}

void TPageControl::DrawTabInside(HDC dc, int tab, const RECT& inside, bool selected, bool focused) {
  TTabSheet* page = FTabPages[tab];
  if (FLaidStyle & TCS_OWNERDRAWFIXED) {
    // As the common control does: the parent draws it (and reflects it back to its owner).
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_TAB;
    d.CtlID = static_cast<UINT>(GetDlgCtrlID(FHandle));
    d.itemID = static_cast<UINT>(tab);
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = (selected ? ODS_SELECTED : 0) | (focused ? ODS_FOCUS : 0);
    d.hwndItem = FHandle;
    d.hDC = dc;
    d.rcItem = inside;
    d.itemData = reinterpret_cast<ULONG_PTR>(page);
    TSaveDC kept(dc);
    SendMessageA(GetParent(FHandle), WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
    return;
  }
  RECT text = inside;
  if (FImages && page->FImageIndex >= 0) {
    int w = 0, h = 0;
    ImageList_GetIconSize(FImages, &w, &h);
    ImageList_Draw(FImages, page->FImageIndex, dc, text.left + TabPaddingAlong - 2,
                   (text.top + text.bottom - h) / 2, ILD_TRANSPARENT);
    text.left += w + TabPaddingAlong;
  }
  TSelectObject font(dc, FTabFont ? FTabFont : Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(page->Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  DrawTextA(dc, page->FText.c_str(), static_cast<int>(page->FText.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  if (focused) {
    RECT f = inside;
    InflateRect(&f, -1, -1);
    DrawFocusRect(dc, &f);
  }
}

// --- messages ---

// The tab control's queries, for whoever reads the control as one.
bool TPageControl::QueryMessage(TMessage& m) {
  switch (m.Msg) {
  case TCM_GETITEMCOUNT:
    m.Result = TabCount();
    return true;
  case TCM_GETCURSEL:
    m.Result = SelectedTab();
    return true;
  case TCM_SETCURSEL: {
    m.Result = SelectedTab();
    // No notification, as with the common control.
    if (TTabSheet* page = PageForTab(static_cast<int>(m.WParam))) TPageControl::SetActivePage(page);
    return true;
  }
  case TCM_GETROWCOUNT:
    m.Result = RowCount();
    return true;
  case TCM_GETITEMRECT: {
    RECT r = ItemRect(static_cast<int>(m.WParam));
    if (m.LParam) *reinterpret_cast<RECT*>(m.LParam) = r;
    m.Result = r.right > r.left ? TRUE : FALSE;
    return true;
  }
  case TCM_HITTEST: {
    auto* hit = reinterpret_cast<TCHITTESTINFO*>(m.LParam);
    m.Result = hit ? IndexOfTabAt(hit->pt.x, hit->pt.y) : -1;
    if (hit) hit->flags = m.Result >= 0 ? TCHT_ONITEM : TCHT_NOWHERE;
    return true;
  }
  case TCM_GETITEMA: {
    TTabSheet* page = PageForTab(static_cast<int>(m.WParam));
    auto* item = reinterpret_cast<TCITEMA*>(m.LParam);
    m.Result = page && item ? TRUE : FALSE;
    if (!m.Result) return true;
    if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0)
      lstrcpynA(item->pszText, page->FText.c_str(), item->cchTextMax);
    if (item->mask & TCIF_IMAGE) item->iImage = page->FImageIndex;
    if (item->mask & TCIF_PARAM) item->lParam = reinterpret_cast<LPARAM>(page);
    return true;
  }
  case TCM_ADJUSTRECT: {
    auto* r = reinterpret_cast<RECT*>(m.LParam);
    if (!r || !LaidOut()) return true;
    RECT client = ClientRect(), display = DisplayRect();
    int sign = m.WParam ? -1 : 1; // TRUE: from a display area to the window's
    r->left += sign * display.left;
    r->top += sign * display.top;
    r->right -= sign * (client.right - display.right);
    r->bottom -= sign * (client.bottom - display.bottom);
    return true;
  }
  }
  return false;
}

void TPageControl::WndProc(TMessage& m) {
  if (QueryMessage(m)) return;
  switch (m.Msg) {
  case WM_PAINT: {
    if (m.WParam) {
      PaintTabs(reinterpret_cast<HDC>(m.WParam));
    } else {
      TPaint dc(FHandle);
      PaintTabs(dc);
    }
    return;
  }
  case WM_SETFONT:
    FTabFont = reinterpret_cast<HFONT>(m.WParam);
    FMeasureStale = true;
    if (m.LParam) PagesChanged();
    return;
  case WM_GETFONT:
    m.Result = reinterpret_cast<LRESULT>(FTabFont);
    return;
  case WM_GETDLGCODE:
    m.Result = DLGC_WANTARROWS;
    return;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    Invalidate(); // the focus shows on the selected tab
    break;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK: {
    int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
    if (LaidOut() && FLayout.Scrolls && FLayout.Arrows.Contains(x, y)) {
      const TTabBox& a = FLayout.Arrows;
      bool back = Vertical(FLaidStyle) ? y < (a.Top + a.Bottom) / 2 : x < (a.Left + a.Right) / 2;
      ScrollTabs(!back);
    } else if (int tab = IndexOfTabAt(x, y); tab >= 0) {
      if (!(GetWindowLongA(FHandle, GWL_STYLE) & TCS_FOCUSNEVER)) ::SetFocus(FHandle);
      ChooseTab(tab);
    }
    break;
  }
  }
  TWinControl::WndProc(m);
}

TPagesUpdate::~TPagesUpdate() {
  // Laying out may fail like any window work; a destructor must not let it escape.
  GuardVoid([this] { FPages.EndUpdate(); });
}

// --- TListView -----------------------------------------------------------------------------------

void TListColumn::SetCaption(const std::string& value) {
  FCaption = value;
  if (FView && FView->FHandle) {
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT;
    c.pszText = const_cast<char*>(FCaption.c_str());
    SendMessageA(FView->FHandle, LVM_SETCOLUMNA, FIndex, reinterpret_cast<LPARAM>(&c));
  }
}

int TListColumn::Width() const {
  if (FView && FView->FHandle)
    return static_cast<int>(SendMessageA(FView->FHandle, LVM_GETCOLUMNWIDTH, FIndex, 0));
  return FWidth;
}

void TListColumn::SetWidth(int value) {
  FWidth = value;
  if (FView && FView->FHandle)
    SendMessageA(FView->FHandle, LVM_SETCOLUMNWIDTH, FIndex, MAKELPARAM(value, 0));
}

void TListItem::SetCaption(const std::string& value) {
  FCaption = value;
  if (FView) FView->RefreshItemInWindow(*this);
}

void TListItem::SetImageIndex(int value) {
  FImageIndex = value;
  if (FView) FView->RefreshItemInWindow(*this);
}

void TListItem::SetSubItem(int index, const std::string& value) {
  if (index < 0) return;
  if (index >= SubItemCount()) FSubItems.resize(index + 1);
  FSubItems[index] = value;
  if (FView) FView->RefreshItemInWindow(*this);
}

int TListItem::Index() const {
  if (!FView) return -1;
  auto& items = FView->FItems;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].get() == this) return static_cast<int>(i);
  return -1;
}

bool TListItem::Selected() const {
  int i = FView && FView->FHandle ? Index() : -1;
  if (i < 0) return FSelected;
  return SendMessageA(FView->FHandle, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED;
}

void TListItem::SetSelected(bool value) {
  FSelected = value;
  int i = FView && FView->FHandle ? Index() : -1;
  if (i < 0) return;
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = value ? LVIS_SELECTED : 0;
  SendMessageA(FView->FHandle, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
}

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner) {
  InitCommonControlsOnce();
  FWidth = 250;
  FHeight = 150;
  FTabStop = true;
  FColor = clWindow;
}

TListView::~TListView() = default;

void TListView::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SysClassName = WC_LISTVIEWA;
  p.ExStyle |= WS_EX_CLIENTEDGE;
  static const DWORD styles[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  // The image lists belong to their owners: the window must not destroy them with itself.
  p.Style |= styles[FViewStyle] | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
  if (FOwnerData) p.Style |= LVS_OWNERDATA;
}

void TListView::SetLargeImages(TImageList* value) {
  FLargeImages = value;
  if (FHandle)
    SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(value ? value->Handle() : nullptr));
}

void TListView::SetSmallImages(TImageList* value) {
  FSmallImages = value;
  if (FHandle)
    SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL,
                 reinterpret_cast<LPARAM>(value ? value->Handle() : nullptr));
}

void TListView::InitWnd() {
  SetLargeImages(FLargeImages);
  SetSmallImages(FSmallImages);
  for (int i = 0; i < ColumnCount(); ++i)
    InsertColumnInWindow(i);
  if (FOwnerData)
    SendMessageA(FHandle, LVM_SETITEMCOUNT, FOwnerDataCount, 0);
  else
    for (int i = 0; i < static_cast<int>(FItems.size()); ++i)
      InsertItemInWindow(i);
  if (static_cast<int>(FColumnOrder.size()) == ColumnCount() && !FColumnOrder.empty())
    SendMessageA(FHandle, LVM_SETCOLUMNORDERARRAY, FColumnOrder.size(),
                 reinterpret_cast<LPARAM>(FColumnOrder.data()));
}

void TListView::DestroyWnd() {
  // Keep what the user changed for the next window.
  if (FHandle) {
    for (auto& c : FColumns)
      c->FWidth = c->Width();
    FColumnOrder = ColumnOrder();
    for (auto& it : FItems)
      it->FSelected = it->Selected();
  }
  TWinControl::DestroyWnd();
}

void TListView::SetViewStyle(TViewStyle value) {
  if (value == FViewStyle) return;
  FViewStyle = value;
  if (FHandle) {
    LONG style = GetWindowLongA(FHandle, GWL_STYLE) & ~LVS_TYPEMASK;
    static const DWORD styles[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    SetWindowLongA(FHandle, GWL_STYLE, style | styles[value]);
    Invalidate();
  }
}

TListColumn& TListView::AddColumn(const std::string& caption, int width, TAlignment alignment) {
  auto c = std::make_unique<TListColumn>();
  c->FView = this;
  c->FIndex = ColumnCount();
  c->FCaption = caption;
  c->FWidth = width;
  c->FAlignment = alignment;
  FColumns.push_back(std::move(c));
  FColumnOrder.clear();
  if (FHandle) InsertColumnInWindow(ColumnCount() - 1);
  return *FColumns.back();
}

void TListView::InsertColumnInWindow(int index) {
  TListColumn& col = *FColumns[index];
  LVCOLUMNA c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  c.fmt = col.FAlignment == taCenter                      ? LVCFMT_CENTER
          : col.FAlignment == taRightJustify && index > 0 ? LVCFMT_RIGHT
                                                          : LVCFMT_LEFT;
  c.cx = col.FWidth;
  c.pszText = const_cast<char*>(col.FCaption.c_str());
  c.iSubItem = index;
  SendMessageA(FHandle, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&c));
}

std::vector<int> TListView::ColumnOrder() {
  int n = ColumnCount();
  std::vector<int> order(n);
  if (FHandle && n > 0) {
    SendMessageA(FHandle, LVM_GETCOLUMNORDERARRAY, n, reinterpret_cast<LPARAM>(order.data()));
  } else if (static_cast<int>(FColumnOrder.size()) == n) {
    order = FColumnOrder;
  } else {
    for (int i = 0; i < n; ++i)
      order[i] = i;
  }
  return order;
}

void TListView::SetColumnOrder(const std::vector<int>& order) {
  if (static_cast<int>(order.size()) != ColumnCount()) return;
  FColumnOrder = order;
  if (FHandle && !order.empty()) {
    SendMessageA(FHandle, LVM_SETCOLUMNORDERARRAY, order.size(),
                 reinterpret_cast<LPARAM>(order.data()));
    Invalidate();
  }
}

int TListView::ItemCount() const {
  return FOwnerData ? FOwnerDataCount : static_cast<int>(FItems.size());
}

void TListView::BeginUpdate() {
  if (FItemsUpdate++ == 0 && FHandle) SendMessageA(FHandle, WM_SETREDRAW, FALSE, 0);
}

void TListView::EndUpdate() {
  if (FItemsUpdate == 0 || --FItemsUpdate > 0) return;
  if (!FHandle) return;
  SendMessageA(FHandle, WM_SETREDRAW, TRUE, 0);
  Invalidate();
}

TListItem& TListView::AddItem(const std::string& caption, const std::vector<std::string>& subs,
                              int imageIndex) {
  auto item = std::make_unique<TListItem>();
  item->FView = this;
  item->FCaption = caption;
  item->FSubItems = subs;
  item->FImageIndex = imageIndex;
  FItems.push_back(std::move(item));
  if (FHandle && !FOwnerData) InsertItemInWindow(static_cast<int>(FItems.size()) - 1);
  return *FItems.back();
}

void TListView::DeleteItem(TListItem& item) {
  int i = item.Index();
  if (i < 0) return;
  if (FHandle && !FOwnerData) SendMessageA(FHandle, LVM_DELETEITEM, i, 0);
  FItems.erase(FItems.begin() + i);
}

// With a window the list answers at once: asking each item costs a message and a search of the
// items, which with hundreds of albums made every update of the commands take tens of ms.
TListItem* TListView::Selected() {
  if (FHandle && !FOwnerData) {
    int i = static_cast<int>(SendMessageA(FHandle, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    return i >= 0 && i < static_cast<int>(FItems.size()) ? FItems[i].get() : nullptr;
  }
  for (auto& it : FItems)
    if (it->Selected()) return it.get();
  return nullptr;
}

int TListView::SelCount() {
  if (FHandle && !FOwnerData)
    return static_cast<int>(SendMessageA(FHandle, LVM_GETSELECTEDCOUNT, 0, 0));
  int n = 0;
  for (auto& it : FItems)
    n += it->Selected() ? 1 : 0;
  return n;
}

TListItem* TListView::GetItemAt(int x, int y) {
  if (!FHandle || FOwnerData) return nullptr;
  LVHITTESTINFO hit{};
  hit.pt = {x, y};
  int i = static_cast<int>(SendMessageA(FHandle, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (i < 0 || !(hit.flags & LVHT_ONITEM)) {
    // In the report view a line is also hit beside its first column, on its other columns.
    LVHITTESTINFO sub{};
    sub.pt = {x, y};
    i = static_cast<int>(
        SendMessageA(FHandle, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&sub)));
    if (i < 0 || !(sub.flags & LVHT_ONITEM)) return nullptr;
  }
  if (i >= static_cast<int>(FItems.size())) return nullptr;
  return FItems[i].get();
}

void TListView::ClearItems() {
  if (FHandle && !FOwnerData) SendMessageA(FHandle, LVM_DELETEALLITEMS, 0, 0);
  FItems.clear();
}

void TListView::SetOwnerDataCount(int count) {
  FOwnerDataCount = std::max(count, 0);
  if (FHandle && FOwnerData) SendMessageA(FHandle, LVM_SETITEMCOUNT, FOwnerDataCount, 0);
}

void TListView::InsertItemInWindow(int index) {
  TListItem& it = *FItems[index];
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE | LVIF_IMAGE;
  item.stateMask = LVIS_SELECTED;
  item.state = it.FSelected ? LVIS_SELECTED : 0;
  item.iImage = it.FImageIndex;
  item.iItem = index;
  item.pszText = const_cast<char*>(it.FCaption.c_str());
  item.lParam = reinterpret_cast<LPARAM>(&it);
  int at =
      static_cast<int>(SendMessageA(FHandle, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  for (int s = 0; s < it.SubItemCount(); ++s) {
    if (it.FSubItems[s].empty()) continue; // a new item's sub-items are empty already
    LVITEMA sub{};
    sub.iSubItem = s + 1;
    sub.pszText = const_cast<char*>(it.FSubItems[s].c_str());
    SendMessageA(FHandle, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
  }
}

void TListView::RefreshItemInWindow(const TListItem& it) {
  if (!FHandle || FOwnerData) return;
  LVFINDINFOA find{};
  find.flags = LVFI_PARAM;
  find.lParam = reinterpret_cast<LPARAM>(&it);
  int at =
      static_cast<int>(SendMessageA(FHandle, LVM_FINDITEMA, -1, reinterpret_cast<LPARAM>(&find)));
  if (at < 0) return;
  LVITEMA image{};
  image.mask = LVIF_IMAGE;
  image.iItem = at;
  image.iImage = it.FImageIndex;
  SendMessageA(FHandle, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&image));
  for (int s = 0; s <= it.SubItemCount(); ++s) {
    LVITEMA sub{};
    sub.iSubItem = s;
    sub.pszText = const_cast<char*>(s == 0 ? it.FCaption.c_str() : it.FSubItems[s - 1].c_str());
    SendMessageA(FHandle, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
  }
}

std::string TListView::CellText(int item, int column) {
  if (FHandle) {
    char buf[1024] = {};
    LVITEMA it{};
    it.iSubItem = column;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    SendMessageA(FHandle, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&it));
    buf[sizeof buf - 1] = '\0';
    return buf;
  }
  if (FOwnerData || item < 0 || item >= static_cast<int>(FItems.size())) return "";
  TListItem& it = *FItems[item];
  if (column == 0) return it.FCaption;
  return column - 1 < it.SubItemCount() ? it.FSubItems[column - 1] : "";
}

namespace {
// The comparison and the first exception it raised; the exception may not unwind through the
// list view's own sorting, so it is kept and raised again once the sort has returned.
struct TSortContext {
  const TLVCompare& Compare;
  std::exception_ptr Failure;
};

int CALLBACK SortCallback(LPARAM a, LPARAM b, LPARAM param) {
  auto* context = reinterpret_cast<TSortContext*>(param);
  if (context->Failure) return 0;
  try {
    return context->Compare(*reinterpret_cast<TListItem*>(a), *reinterpret_cast<TListItem*>(b));
  } catch (...) {
    context->Failure = std::current_exception();
    return 0;
  }
}
} // namespace

void TListView::CustomSort(const TLVCompare& compare) {
  if (FOwnerData) return;
  if (!FHandle) {
    std::stable_sort(FItems.begin(), FItems.end(),
                     [&](const auto& a, const auto& b) { return compare(*a, *b) < 0; });
    return;
  }
  TSortContext context{compare, nullptr};
  SendMessageA(FHandle, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context),
               reinterpret_cast<LPARAM>(SortCallback));
  // Our list follows the window's new order.
  std::vector<std::unique_ptr<TListItem>> sorted;
  std::vector<std::unique_ptr<TListItem>> old = std::move(FItems);
  int n = static_cast<int>(SendMessageA(FHandle, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    LVITEMA it{};
    it.mask = LVIF_PARAM;
    it.iItem = i;
    SendMessageA(FHandle, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    for (auto& p : old)
      if (p && reinterpret_cast<LPARAM>(p.get()) == it.lParam) {
        sorted.push_back(std::move(p));
        break;
      }
  }
  for (auto& p : old) // anything the window did not know keeps its place at the end
    if (p) sorted.push_back(std::move(p));
  FItems = std::move(sorted);
  // Raised once our list matches the window again, whatever order the cut-short sort left.
  if (context.Failure) std::rethrow_exception(context.Failure);
}

void TListView::ColumnClick(TListColumn& column) {
  if (OnColumnClick) OnColumnClick(this, column);
}

void TListView::WndProc(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
    if (hdr->code == LVN_COLUMNCLICK) {
      int col = reinterpret_cast<NMLISTVIEW*>(m.LParam)->iSubItem;
      if (col >= 0 && col < ColumnCount()) ColumnClick(*FColumns[col]);
      return;
    }
  }
  TWinControl::WndProc(m);
}
