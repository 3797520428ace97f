// The extended list view: styles, owner data, column sorting and saved column settings.
#include "ExtListView.h"
#include <commctrl.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "Registry.h"
#include "SysUtils.h"

namespace {

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t comma = text.find(',', start);
    parts.push_back(Trim(text.substr(start, comma == std::string::npos ? comma : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

// A text is a number only when it is made of number characters and parses completely; the
// empty text counts as 0. Anything else ("-", "2001-05-03") compares as text.
bool NumericValue(const std::string& text, double& value) {
  if (text.empty()) {
    value = 0;
    return true;
  }
  for (char c : text)
    if (!isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' && c != 'E' &&
        c != 'e')
      return false;
  char* end = nullptr;
  value = strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

} // namespace

std::vector<int> ParseColumnOrder(const std::string& text, int count) {
  if (count <= 0 || Trim(text).empty()) return {};
  std::vector<std::string> parts = SplitCommas(text);
  if (static_cast<int>(parts.size()) < count) return {};
  std::vector<int> order;
  std::vector<bool> seen(count, false);
  for (int i = 0; i < count; ++i) {
    int v;
    if (!TryStrToInt(parts[i], v) || v < 0 || v >= count || seen[v]) return {};
    seen[v] = true;
    order.push_back(v);
  }
  return order;
}

std::vector<int> ParseColumnSizes(const std::string& text, int count) {
  std::vector<int> sizes(std::max(count, 0), -1);
  if (Trim(text).empty()) return sizes;
  std::vector<std::string> parts = SplitCommas(text);
  for (int i = 0; i < count && i < static_cast<int>(parts.size()); ++i) {
    int v;
    if (TryStrToInt(parts[i], v) && v >= 0 && v <= 0x7FFF) sizes[i] = v;
  }
  return sizes;
}

int CompareColumnTexts(const std::string& a, const std::string& b, int column, int direction) {
  double x, y;
  if (NumericValue(a, x) && NumericValue(b, y)) {
    // Values less than 1 apart compare equal.
    double diff = std::trunc(x - y);
    return (diff > 0 ? 1 : diff < 0 ? -1 : 0) * direction;
  }
  int r;
  if (column == 0) {
    r = CompareText(a, b);
  } else {
    r = CompareStringA(LOCALE_USER_DEFAULT, 0, a.c_str(), -1, b.c_str(), -1) - CSTR_EQUAL;
  }
  return (r > 0 ? 1 : r < 0 ? -1 : 0) * direction;
}

TExtListView::TExtListView(TComponent* AOwner) : TListView(AOwner) {}

TExtListView::~TExtListView() {
  // Save while the columns are still ours to read.
  if (FHandle) DestroyWnd();
}

TLVExtendedStyles TExtListView::ExtendedStyles() {
  if (FHandle)
    FExtendedStyles = TLVExtendedStyles::FromBits(
        static_cast<uint32_t>(SendMessageA(FHandle, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)) & 0xFF);
  return FExtendedStyles;
}

void TExtListView::SetExtendedStyles(TLVExtendedStyles value) {
  FExtendedStyles = value;
  if (FHandle) SendMessageA(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, 0xFF, value.Bits());
}

void TExtListView::SetVirtualMode(bool value) {
  if (value == FOwnerData) return;
  FOwnerData = value;
  RecreateWnd();
}

void TExtListView::SetAutoSortAscending(bool value) {
  FAutoSortAscending = value;
  FCurrentSortAscending = value;
}

void TExtListView::InitWnd() {
  TListView::InitWnd();
  if (!FExtendedStyles.Empty())
    SendMessageA(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, 0xFF, FExtendedStyles.Bits());
}

bool TExtListView::SettingsApply() const {
  return FSaveSettings.AutoSave() && !ComponentState().Contains(csDesigning) && ColumnCount() > 0;
}

void TExtListView::DestroyWnd() {
  if (FHandle) {
    ExtendedStyles(); // keep them for the next window
    if (SettingsApply()) {
      try {
        SaveColumnSettings();
      } catch (const std::exception& e) {
        OutputDebugStringA(("Column settings not saved: " + std::string(e.what())).c_str());
      }
    }
  }
  TListView::DestroyWnd();
}

void TExtListView::Loaded() {
  TListView::Loaded();
  if (SettingsApply()) LoadColumnSettings();
}

void TExtListView::SaveColumnSettings() {
  TRegistry reg;
  if (!reg.OpenKey(FSaveSettings.RegistryKey() + "\\Columns", true))
    throw ERegistryException("Cannot open the registry key " + FSaveSettings.RegistryKey());
  std::string order, sizes;
  if (FSaveSettings.SaveColumnOrder()) {
    for (int v : ColumnOrder())
      order += (order.empty() ? "" : ",") + IntToStr(v);
    reg.WriteString("Order", order);
  }
  if (FSaveSettings.SaveColumnSizes()) {
    for (int i = 0; i < ColumnCount(); ++i)
      sizes += (i ? "," : "") + IntToStr(Columns(i).Width());
    reg.WriteString("Sizes", sizes);
  }
}

void TExtListView::LoadColumnSettings() {
  TRegistry reg;
  if (!reg.OpenKeyReadOnly(FSaveSettings.RegistryKey() + "\\Columns")) return;
  auto read = [&](const char* name) {
    try {
      return reg.ReadString(name);
    } catch (const ERegistryException&) {
      return std::string(); // not text: as if nothing were stored
    }
  };
  int n = ColumnCount();
  if (FSaveSettings.SaveColumnOrder()) {
    std::vector<int> order = ParseColumnOrder(read("Order"), n);
    if (order.empty())
      for (int i = 0; i < n; ++i)
        order.push_back(i);
    SetColumnOrder(order);
    Invalidate();
  }
  if (FSaveSettings.SaveColumnSizes()) {
    std::vector<int> sizes = ParseColumnSizes(read("Sizes"), n);
    for (int i = 0; i < n; ++i)
      if (sizes[i] >= 0) Columns(i).SetWidth(sizes[i]);
  }
}

bool TExtListView::MarqueeBegin() {
  bool can = true;
  if (OnMarqueeBegin) OnMarqueeBegin(this, can);
  return can;
}

void TExtListView::ItemActivate() {
  if (OnItemActivate) OnItemActivate(this);
}

void TExtListView::ODGetItemInfo(LVITEMA& item) {
  if (item.iItem == -1) return;
  TLVODMaskItems mask;
  if (item.mask & LVIF_TEXT) mask.Include(lvifText);
  if (item.mask & LVIF_IMAGE) mask.Include(lvifImage);
  if (item.mask & LVIF_PARAM) mask.Include(lvifParam);
  if (item.mask & LVIF_STATE) mask.Include(lvifState);
  if (item.mask & LVIF_INDENT) mask.Include(lvifIndent);
  int image = item.iImage, param = static_cast<int>(item.lParam), state = 0, indent = item.iIndent;
  std::string text;
  if (OnODGetItemInfo)
    OnODGetItemInfo(this, item.iItem, item.iSubItem, mask, image, param, state, indent, text);
  item.iImage = image;
  item.lParam = param;
  item.iIndent = indent;
  // The buffer holds cchTextMax bytes with its terminator: never more.
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    memcpy(item.pszText, text.data(), n);
    item.pszText[n] = '\0';
  }
}

void TExtListView::ODCacheHint(TLVCacheHint& hint) {
  if (OnODCacheHint) OnODCacheHint(this, hint);
}

bool TExtListView::ODFindItem(TLVFindItem& find) {
  bool found = false;
  if (OnODFindItem) OnODFindItem(this, find, found);
  return found;
}

void TExtListView::ODStateChanged(TLVODStateChange& change) {
  if (OnODStateChanged) OnODStateChanged(this, change);
}

void TExtListView::SortColumn(int column, bool ascending) {
  int direction = ascending ? 1 : -1;
  CustomSort([column, direction](const TListItem& a, const TListItem& b) {
    auto cell = [column](const TListItem& i) -> std::string {
      if (column == 0) return i.Caption();
      return column - 1 < i.SubItemCount() ? i.SubItems(column - 1) : std::string();
    };
    return CompareColumnTexts(cell(a), cell(b), column, direction);
  });
}

void TExtListView::ColumnClick(TListColumn& column) {
  TListView::ColumnClick(column);
  int index = column.Index();
  if (FAutoColumnSort == acsSortToggle)
    FCurrentSortAscending =
        index == FLastColumnSorted ? !FCurrentSortAscending : FAutoSortAscending;
  if (FAutoColumnSort != acsNoSort && index >= 0 && index < ColumnCount()) {
    SortColumn(index, FCurrentSortAscending);
    FLastColumnSorted = index;
  }
}

void TExtListView::WndProc(TMessage& m) {
  if (DragMouseMessage(this, m)) return;
  if (m.Msg == CN_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
    // A list that detects the drag itself (holding the mouse in its press) reports it here.
    if (hdr->code == LVN_BEGINDRAG && DragPending(this)) {
      BeginDrag(this, true);
      return;
    }
    // The list handles the button's release itself and tells of the click, and of Enter, only
    // by these notices: a click reaches OnClick through them alone.
    if (hdr->code == NM_CLICK) {
      Click();
      m.Result = 0;
      return;
    }
    if (hdr->code == NM_RETURN) {
      if (OnReturn) OnReturn(this);
      m.Result = 0;
      return;
    }
    if (!FOwnerData) {
      if (hdr->code == LVN_MARQUEEBEGIN) {
        m.Result = MarqueeBegin() ? 0 : 1;
        return;
      }
      if (hdr->code == LVN_ITEMACTIVATE) {
        ItemActivate();
        m.Result = 0;
        return;
      }
    } else {
      switch (hdr->code) {
      case LVN_GETDISPINFOA:
        ODGetItemInfo(reinterpret_cast<NMLVDISPINFOA*>(m.LParam)->item);
        return;
      case LVN_GETDISPINFOW: {
        // A Unicode request: answer through an ANSI copy of the record.
        LVITEMW& w = reinterpret_cast<NMLVDISPINFOW*>(m.LParam)->item;
        LVITEMA a{};
        std::memcpy(&a, &w, sizeof a);
        std::string buf(w.pszText && w.cchTextMax > 0 ? w.cchTextMax : 1, '\0');
        a.pszText = buf.data();
        a.cchTextMax = static_cast<int>(buf.size());
        ODGetItemInfo(a);
        w.iImage = a.iImage;
        w.lParam = a.lParam;
        w.iIndent = a.iIndent;
        if ((w.mask & LVIF_TEXT) && w.pszText && w.cchTextMax > 0) {
          int n = MultiByteToWideChar(CP_ACP, 0, a.pszText, -1, w.pszText, w.cchTextMax);
          if (n <= 0) w.pszText[0] = 0;
          w.pszText[w.cchTextMax - 1] = 0;
        }
        return;
      }
      case LVN_ODCACHEHINT:
        ODCacheHint(*reinterpret_cast<TLVCacheHint*>(m.LParam));
        return;
      case LVN_ODFINDITEMA:
        m.Result = ODFindItem(*reinterpret_cast<TLVFindItem*>(m.LParam))
                       ? reinterpret_cast<TLVFindItem*>(m.LParam)->iStart
                       : -1;
        return;
      case LVN_ODSTATECHANGED:
        ODStateChanged(*reinterpret_cast<TLVODStateChange*>(m.LParam));
        return;
      }
    }
  }
  TListView::WndProc(m);
}
