// The page control and the list view over the common tab and list-view controls.
#include "ComCtrls.h"
#include "Guard.h"
#include "SysUtils.h"
#include <commctrl.h>
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
  p.SysClassName = WC_TABCONTROLA;
  p.ExStyle |= WS_EX_CONTROLPARENT;
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
  Realign();
  Invalidate();
}

void TPageControl::InitWnd() {
  if (FImages) SendMessageA(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages));
  if (FTabSizeWidth > 0 || FTabSizeHeight > 0)
    SendMessageA(FHandle, TCM_SETITEMSIZE, 0, MAKELPARAM(FTabSizeWidth, FTabSizeHeight));
  UpdateTabs();
}

// Each page touches only its own tab item: the tab control lays out all its tabs again on every
// change, so rebuilding every item for each new page made loading many pages cost their cube.
void TPageControl::InsertPage(TTabSheet* page) {
  FPages.push_back(page);
  page->FPageControl = this;
  if (page->FTabVisible) SendTabItem(TCM_INSERTITEMA, page);
  if (!FActivePage && page->FTabVisible) {
    SetActivePage(page);
    return;
  }
  if (page != FActivePage) page->SetVisible(false);
  SyncSelection();
  PagesChanged();
}

void TPageControl::RemovePage(TTabSheet* page) {
  int tab = page->TabIndex();
  FPages.erase(std::remove(FPages.begin(), FPages.end(), page), FPages.end());
  page->FPageControl = nullptr;
  if (FHandle && tab >= 0 && !PutOffTabs()) SendMessageA(FHandle, TCM_DELETEITEM, tab, 0);
  if (FActivePage == page) {
    FActivePage = nullptr;
    for (TTabSheet* p : FPages)
      if (p->FTabVisible) {
        FActivePage = p;
        break;
      }
  }
  SyncSelection();
  PagesChanged();
  ShowActivePage();
}

bool TPageControl::PutOffTabs() {
  if (FPagesUpdate == 0 || !FHandle) return false;
  FTabsStale = true;
  return true;
}

void TPageControl::SendTabItem(UINT message, TTabSheet* page) {
  if (!FHandle || PutOffTabs()) return;
  TCITEMA item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
  item.pszText = const_cast<char*>(page->FText.c_str());
  item.iImage = page->FImageIndex;
  item.lParam = reinterpret_cast<LPARAM>(page);
  SendMessageA(FHandle, message, page->TabIndex(), reinterpret_cast<LPARAM>(&item));
}

void TPageControl::TabItemInserted(TTabSheet* page) {
  SendTabItem(TCM_INSERTITEMA, page);
  SyncSelection();
  PagesChanged();
}

void TPageControl::TabItemDeleted(int tabIndex) {
  if (FHandle && tabIndex >= 0 && !PutOffTabs()) SendMessageA(FHandle, TCM_DELETEITEM, tabIndex, 0);
  SyncSelection();
  PagesChanged();
}

void TPageControl::TabItemChanged(TTabSheet* page) {
  if (!page->FTabVisible) return;
  SendTabItem(TCM_SETITEMA, page);
  PagesChanged();
}

void TPageControl::SyncSelection() {
  if (!FHandle || FTabsStale) return; // the rebuild selects it
  int tab = FActivePage ? FActivePage->TabIndex() : -1;
  if (SendMessageA(FHandle, TCM_GETCURSEL, 0, 0) != tab)
    SendMessageA(FHandle, TCM_SETCURSEL, tab, 0);
}

void TPageControl::PagesChanged() {
  if (!FHandle) return;
  Realign(); // the rows of tabs may have changed the display area
  Invalidate();
}

void TPageControl::UpdateTabs() {
  if (!FHandle) return;
  FTabsStale = false;
  // The tab control measures every tab's text again on each insert, which made many tabs cost
  // their square. With a fixed width it measures none; the font given again at the end lays
  // them all out once, as measured tabs. Not drawn meanwhile.
  LONG style = GetWindowLongA(FHandle, GWL_STYLE);
  bool measured = !(style & TCS_FIXEDWIDTH), drawn = (style & WS_VISIBLE) != 0;
  if (drawn) SendMessageA(FHandle, WM_SETREDRAW, FALSE, 0);
  if (measured) SetWindowLongA(FHandle, GWL_STYLE, style | TCS_FIXEDWIDTH);
  SendMessageA(FHandle, TCM_DELETEALLITEMS, 0, 0);
  for (TTabSheet* p : FPages)
    if (p->FTabVisible) SendTabItem(TCM_INSERTITEMA, p);
  if (measured) {
    SetWindowLongA(FHandle, GWL_STYLE, style);
    SendMessageA(FHandle, WM_SETFONT, SendMessageA(FHandle, WM_GETFONT, 0, 0), FALSE);
  }
  if (drawn) SendMessageA(FHandle, WM_SETREDRAW, TRUE, 0);
  SendMessageA(FHandle, TCM_SETCURSEL, FActivePage ? FActivePage->TabIndex() : -1, 0);
  PagesChanged();
}

void TPageControl::BeginUpdate() {
  ++FPagesUpdate;
}

void TPageControl::EndUpdate() {
  if (FPagesUpdate == 0) return;
  if (--FPagesUpdate > 0) return;
  // What was put off: the tabs are built in one pass, the sheets take the display area once,
  // and the active one shows.
  if (FTabsStale) UpdateTabs();
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
  if (FHandle && !FTabsStale) SendMessageA(FHandle, TCM_SETCURSEL, page ? page->TabIndex() : -1, 0);
  ShowActivePage();
}

void TPageControl::ShowActivePage() {
  Realign(); // every sheet gets the display area
  if (FActivePage) {
    FActivePage->SetVisible(true);
    FActivePage->BringToFront();
  }
  for (TTabSheet* p : FPages)
    if (p != FActivePage) p->SetVisible(false);
}

void TPageControl::AlignControls(RECT&) {
  if (FPagesUpdate > 0) return; // placed once when the update ends
  RECT r = DisplayRect();
  for (TTabSheet* p : FPages)
    p->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

RECT TPageControl::DisplayRect() {
  RECT r = ClientRect();
  if (FHandle) SendMessageA(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

int TPageControl::IndexOfTabAt(int x, int y) {
  if (!FHandle) return -1;
  TCHITTESTINFO hit{{x, y}, 0};
  return static_cast<int>(SendMessageA(FHandle, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

RECT TPageControl::ItemRect(int tabIndex) {
  RECT r{0, 0, 0, 0};
  if (FHandle && !SendMessageA(FHandle, TCM_GETITEMRECT, tabIndex, reinterpret_cast<LPARAM>(&r)))
    r = RECT{0, 0, 0, 0};
  return r;
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
  SendMessageA(FHandle, TCM_SETITEMSIZE, 0, MAKELPARAM(width, height));
  Realign();
  Invalidate();
}

void TPageControl::SetImages(HIMAGELIST images) {
  FImages = images;
  if (FHandle) SendMessageA(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
}

TPagesUpdate::~TPagesUpdate() {
  // Laying out may fail like any window work; a destructor must not let it escape.
  GuardVoid([this] { FPages.EndUpdate(); });
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

void TPageControl::WndProc(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
    if (hdr->code == TCN_SELCHANGING) {
      m.Result = CanChange() ? FALSE : TRUE;
      return;
    }
    if (hdr->code == TCN_SELCHANGE) {
      int tab = static_cast<int>(SendMessageA(FHandle, TCM_GETCURSEL, 0, 0));
      FActivePage = PageForTab(tab);
      ShowActivePage();
      Change();
      return;
    }
  }
  TWinControl::WndProc(m);
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

TListItem* TListView::Selected() {
  for (auto& it : FItems)
    if (it->Selected()) return it.get();
  return nullptr;
}

int TListView::SelCount() {
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
