// Menus over Windows menu handles; items keep their entries up to date as they change.
#include "Menus.h"
#include "Forms.h"
#include "Guard.h"
#include "SysUtils.h"
#include <algorithm>
#include <map>

namespace {
std::map<UINT, TMenuItem*>& Commands() {
  static std::map<UINT, TMenuItem*> commands;
  return commands;
}
UINT gNextCommand = 100; // clear of IDOK, IDCANCEL and the other dialog commands

struct TKeyName {
  WORD Key;
  const char* Name;
};
const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},    {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},    {VK_END, "End"},
    {VK_HOME, "Home"},   {VK_LEFT, "Left"},  {VK_UP, "Up"},        {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

TPopupMenu::TPopupHook& PopupHook() {
  static TPopupMenu::TPopupHook hook;
  return hook;
}

// The caption an entry shows: its item's own for entries of ours (owner-drawn ones carry no
// text in the menu), else the menu's text.
std::string EntryCaption(HMENU popup, int pos) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_ID | MIIM_DATA | MIIM_FTYPE;
  if (!GetMenuItemInfoA(popup, static_cast<UINT>(pos), TRUE, &info)) return std::string();
  if (info.fType & MFT_SEPARATOR) return std::string();
  auto* item = reinterpret_cast<TMenuItem*>(info.dwItemData);
  if (item && TMenuItem::FindByCommand(info.wID) == item) return item->Caption();
  char text[512] = {};
  GetMenuStringA(popup, static_cast<UINT>(pos), text, sizeof text, MF_BYPOSITION);
  return text;
}

// The pop-up the user types into: the topmost shown menu window of this thread.
BOOL CALLBACK FindOpenPopup(HWND w, LPARAM lp) {
  char name[16] = {};
  GetClassNameA(w, name, sizeof name);
  if (std::string(name) != "#32768" || !IsWindowVisible(w)) return TRUE;
  *reinterpret_cast<HWND*>(lp) = w;
  return FALSE;
}

// Wine's menus run the first plain entry with a typed letter without asking the window: the
// letters of an open menu pass here first so that a shared one selects in turn everywhere.
LRESULT CALLBACK MenuLetterFilter(int code, WPARAM wParam, LPARAM lParam) {
  try {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == MSGF_MENU && msg && msg->message == WM_CHAR) {
      HWND window = nullptr;
      EnumThreadWindows(GetCurrentThreadId(), FindOpenPopup, reinterpret_cast<LPARAM>(&window));
      auto popup =
          window ? reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0)) : nullptr;
      GUITHREADINFO gui{};
      gui.cbSize = sizeof(gui);
      HWND owner = GetGUIThreadInfo(GetCurrentThreadId(), &gui) && gui.hwndMenuOwner
                       ? gui.hwndMenuOwner
                       : msg->hwnd;
      if (popup && IsMenu(popup) &&
          SelectNextSharingLetter(owner, popup, static_cast<char>(msg->wParam)) >= 0)
        return TRUE; // the menu does not see the letter
    }
  } catch (...) {
    // A letter that cannot be looked at goes to the menu as it is.
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Once per thread that makes menus, for the life of the thread.
void InstallMenuLetterFilter() {
  thread_local HHOOK filter = nullptr;
  if (!filter)
    filter = SetWindowsHookExA(WH_MSGFILTER, MenuLetterFilter, nullptr, GetCurrentThreadId());
}
} // namespace

char AccelCharOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return caption[i + 1];
    ++i;
  }
  return 0;
}

bool SameLetter(char a, char b) {
  auto upper = [](char c) {
    return CharUpperA(
        reinterpret_cast<LPSTR>(static_cast<uintptr_t>(static_cast<unsigned char>(c))));
  };
  return a && upper(a) == upper(b);
}

int SelectNextSharingLetter(HWND owner, HMENU popup, char typed) {
  int count = GetMenuItemCount(popup);
  int selected = -1;
  std::vector<int> matches;
  for (int pos = 0; pos < count; ++pos) {
    if (GetMenuState(popup, static_cast<UINT>(pos), MF_BYPOSITION) & MF_HILITE) selected = pos;
    if (SameLetter(AccelCharOf(EntryCaption(popup, pos)), typed)) matches.push_back(pos);
  }
  if (matches.size() < 2) return -1;
  auto after = std::find_if(matches.begin(), matches.end(), [&](int p) { return p > selected; });
  int next = after == matches.end() ? matches.front() : *after;
  // Wine's menus ignore MNC_SELECT: the highlight moved here is what Enter runs there.
  if (selected >= 0)
    HiliteMenuItem(owner, popup, static_cast<UINT>(selected), MF_BYPOSITION | MF_UNHILITE);
  HiliteMenuItem(owner, popup, static_cast<UINT>(next), MF_BYPOSITION | MF_HILITE);
  return next;
}

TShortCut MakeShortCut(WORD key, bool shift, bool ctrl, bool alt) {
  return static_cast<TShortCut>((key & 0xFF) | (shift ? scShift : 0) | (ctrl ? scCtrl : 0) |
                                (alt ? scAlt : 0));
}

static std::string KeyName(WORD key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
  if (key >= VK_F1 && key <= VK_F24) return "F" + IntToStr(key - VK_F1 + 1);
  for (const auto& k : kKeyNames)
    if (k.Key == key) return k.Name;
  return std::string();
}

std::string ShortCutToText(TShortCut sc) {
  std::string name = KeyName(sc & 0xFF);
  if (name.empty()) return name;
  std::string text;
  if (sc & scShift) text += "Shift+";
  if (sc & scCtrl) text += "Ctrl+";
  if (sc & scAlt) text += "Alt+";
  return text + name;
}

TShortCut TextToShortCut(const std::string& text) {
  std::string rest = text;
  TShortCut mods = 0;
  for (;;) {
    if (rest.size() > 6 && SameText(rest.substr(0, 6), "Shift+")) {
      mods |= scShift;
      rest.erase(0, 6);
    } else if (rest.size() > 5 && SameText(rest.substr(0, 5), "Ctrl+")) {
      mods |= scCtrl;
      rest.erase(0, 5);
    } else if (rest.size() > 4 && SameText(rest.substr(0, 4), "Alt+")) {
      mods |= scAlt;
      rest.erase(0, 4);
    } else {
      break;
    }
  }
  for (WORD key = 1; key < 256; ++key)
    if (!KeyName(key).empty() && SameText(KeyName(key), rest))
      return static_cast<TShortCut>(key | mods);
  return 0;
}

// --- TMenuItem ----------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(gNextCommand++) {
  Commands()[FCommand] = this;
}

TMenuItem::~TMenuItem() {
  Destroying();
  if (FParent) FParent->Remove(this);
  Clear();
  Commands().erase(FCommand);
  if (FHandle) DestroyMenu(FHandle);
}

TMenuItem* TMenuItem::FindByCommand(UINT command) {
  auto it = Commands().find(command);
  return it == Commands().end() ? nullptr : it->second;
}

bool TMenuItem::DispatchCommand(UINT command) {
  TMenuItem* item = FindByCommand(command);
  if (!item) return false;
  if (item->FEnabled) item->Click();
  return true;
}

bool TMenuItem::DispatchPopup(HMENU menu) {
  for (auto& [command, item] : Commands())
    if (item->FHandle == menu) {
      if (!item->FMenu) item->Click();
      return true;
    }
  return false;
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

std::string TMenuItem::DisplayText() const {
  std::string text = FCaption;
  if (FShortCut) text += "\t" + ShortCutToText(FShortCut);
  return text;
}

HMENU TMenuItem::ParentHandle() const {
  return FParent ? FParent->FHandle : nullptr;
}

HMENU TMenuItem::Handle() {
  if (!FHandle) {
    InstallMenuLetterFilter();
    bool bar = FMenu && !FMenu->IsPopup();
    FHandle = bar ? CreateMenu() : CreatePopupMenu();
    Rebuild();
  }
  return FHandle;
}

int TMenuItem::MenuIndex() const {
  if (!FParent) return -1;
  int n = 0;
  for (TMenuItem* i : FParent->FItems) {
    if (i == this) return FVisible ? n : -1;
    if (i->FVisible) ++n;
  }
  return -1;
}

void TMenuItem::Rebuild() {
  if (!FHandle) return;
  while (GetMenuItemCount(FHandle) > 0)
    RemoveMenu(FHandle, 0, MF_BYPOSITION);
  UINT pos = 0;
  for (TMenuItem* item : FItems) {
    if (!item->FVisible) continue;
    std::string text = item->DisplayText();
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU | MIIM_STRING;
    mi.fType = item->IsLine() ? MFT_SEPARATOR : MFT_STRING;
    if (item->FRadioItem) mi.fType |= MFT_RADIOCHECK;
    if (item->FOwnerDraw) mi.fType |= MFT_OWNERDRAW;
    mi.fState = (item->FChecked ? MFS_CHECKED : 0) | (item->FEnabled ? 0 : MFS_GRAYED) |
                (item->FDefault ? MFS_DEFAULT : 0);
    mi.wID = item->FCommand;
    mi.dwItemData = reinterpret_cast<ULONG_PTR>(item);
    mi.hSubMenu = item->FItems.empty() ? nullptr : item->Handle();
    if (!item->IsLine() && !item->FOwnerDraw) {
      mi.dwTypeData = text.data();
      mi.cch = static_cast<UINT>(text.size());
    } else {
      mi.fMask &= ~MIIM_STRING;
    }
    InsertMenuItemA(FHandle, pos++, TRUE, &mi);
  }
  if (FMenu) FMenu->MenuChanged();
}

void TMenuItem::UpdateEntry(bool sizeKept) {
  HMENU parent = ParentHandle();
  if (!parent || !FVisible) return;
  MENUITEMINFOA mi{};
  mi.cbSize = sizeof(mi);
  mi.fMask = MIIM_FTYPE;
  if (!GetMenuItemInfoA(parent, FCommand, FALSE, &mi)) return;
  // Keep what others made of the entry (breaks, right justification), change only our own flags.
  mi.fType &= ~(MFT_RADIOCHECK | MFT_SEPARATOR | MFT_OWNERDRAW);
  if (FRadioItem) mi.fType |= MFT_RADIOCHECK;
  if (IsLine()) mi.fType |= MFT_SEPARATOR;
  if (FOwnerDraw) mi.fType |= MFT_OWNERDRAW;
  std::string text = DisplayText();
  mi.fMask = MIIM_FTYPE | MIIM_STATE;
  if (!IsLine() && !(mi.fType & MFT_OWNERDRAW)) {
    mi.fMask |= MIIM_STRING;
    mi.dwTypeData = text.data();
    mi.cch = static_cast<UINT>(text.size());
  }
  mi.fState =
      (FChecked ? MFS_CHECKED : 0) | (FEnabled ? 0 : MFS_GRAYED) | (FDefault ? MFS_DEFAULT : 0);
  SetMenuItemInfoA(parent, FCommand, FALSE, &mi);
  // Only the bar shows its entries all the time; an item deeper down is drawn as its menu
  // opens, and redrawing the bar for each of those would cost a frame recalculation each.
  if (FParent && FParent->FMenu && !FParent->FMenu->IsPopup()) {
    if (sizeKept)
      FParent->FMenu->MenuStateChanged();
    else
      FParent->FMenu->MenuChanged();
  }
}

void TMenuItem::SetOwnerDraw(bool value) {
  if (value == FOwnerDraw) return;
  FOwnerDraw = value;
  Changed(false);
}

TMenu* TMenuItem::RootMenu() const {
  const TMenuItem* i = this;
  while (i->FParent)
    i = i->FParent;
  return i->FMenu;
}

void TMenuItem::Changed(bool rebuild) {
  if (rebuild) {
    if (FParent) FParent->Rebuild();
  } else {
    UpdateEntry();
  }
}

void TMenuItem::SetCaption(const std::string& value) {
  if (value == FCaption) return;
  bool lineChange = (value == "-") != IsLine();
  FCaption = value;
  Changed(lineChange);
}

void TMenuItem::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  if (value && FRadioItem && FParent)
    for (TMenuItem* sibling : FParent->FItems)
      if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex &&
          sibling->FChecked) {
        sibling->FChecked = false;
        sibling->Changed(false);
      }
  Changed(false);
}

void TMenuItem::SetRadioItem(bool value) {
  if (value == FRadioItem) return;
  FRadioItem = value;
  Changed(false);
}

void TMenuItem::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  UpdateEntry(true);
}

void TMenuItem::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Changed(true);
}

void TMenuItem::SetDefault(bool value) {
  if (value == FDefault) return;
  FDefault = value;
  Changed(false);
}

void TMenuItem::SetShortCut(TShortCut value) {
  if (value == FShortCut) return;
  FShortCut = value;
  Changed(false);
}

void TMenuItem::Add(TMenuItem* item) {
  Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item->FParent) throw Exception("Menu inserted twice");
  index = std::clamp(index, 0, Count());
  bool becomesSubMenu = FItems.empty();
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  Rebuild();
  if (becomesSubMenu) Changed(true);
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  item->FParent = nullptr;
  Rebuild();
  if (FItems.empty() && FParent) FParent->Rebuild();
}

void TMenuItem::Clear() {
  while (!FItems.empty())
    delete FItems.back();
}

int TMenuItem::IndexOf(TMenuItem* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
  auto plain = [](std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
    return s;
  };
  for (TMenuItem* i : FItems)
    if (SameText(plain(i->FCaption), plain(caption))) return i;
  return nullptr;
}

// --- TMenu
// ------------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) {
  FItems->FMenu = this;
}

TMenu::~TMenu() {
  Destroying();
  if (FWindow && IsWindow(FWindow) && FItems->FHandle && GetMenu(FWindow) == FItems->FHandle)
    ::SetMenu(FWindow, nullptr);
  FItems->FMenu = nullptr;
  delete FItems;
}

void TMenu::EndUpdate() {
  if (FUpdateDepth == 0 || --FUpdateDepth > 0) return;
  bool changed = FChangedInUpdate, stateChanged = FStateChangedInUpdate;
  FChangedInUpdate = FStateChangedInUpdate = false;
  if (changed)
    MenuChanged();
  else if (stateChanged)
    MenuStateChanged();
}

void TMenu::MenuStateChanged() {
  if (FUpdateDepth > 0) {
    FStateChangedInUpdate = true;
    return;
  }
  if (!FWindow || !IsWindow(FWindow)) return;
  // The strip above the client area (caption and bar) is drawn again: DrawMenuBar would
  // recalculate the frame and erase every child window at once, where the entries' places stay.
  RECT window{}, client{};
  POINT origin{0, 0};
  if (!IsPopup() && GetWindowRect(FWindow, &window) && GetClientRect(FWindow, &client) &&
      ClientToScreen(FWindow, &origin) && origin.y > window.top) {
    RECT strip{window.left - origin.x, window.top - origin.y, window.right - origin.x, 0};
    RedrawWindow(FWindow, &strip, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  } else if (!IsPopup()) {
    DrawMenuBar(FWindow);
  }
  SendMessageA(FWindow, CM_MENUCHANGED, 0, reinterpret_cast<LPARAM>(this));
}

void TMenu::MenuChanged() {
  if (FUpdateDepth > 0) {
    FChangedInUpdate = true;
    return;
  }
  if (!IsPopup() && FWindow && IsWindow(FWindow)) DrawMenuBar(FWindow);
  // Components that draw the menu's items hear of it through the window.
  if (FWindow && IsWindow(FWindow))
    SendMessageA(FWindow, CM_MENUCHANGED, 0, reinterpret_cast<LPARAM>(this));
}

static TMenuItem* FindShortCut(TMenuItem& parent, TShortCut sc) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (!item->Visible() || !item->Enabled()) continue;
    if (item->ShortCut() == sc) return item;
    if (TMenuItem* found = FindShortCut(*item, sc)) return found;
  }
  return nullptr;
}

bool TMenu::DispatchShortCut(TShortCut sc) {
  if (!sc || !(sc & 0xFF)) return false;
  TMenuItem* item = FindShortCut(*FItems, sc);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::IsShortCut(WORD key, TShiftState shift) {
  if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
  return DispatchShortCut(
      MakeShortCut(key, shift.Contains(ssShift), shift.Contains(ssCtrl), shift.Contains(ssAlt)));
}

// --- TPopupMenu
// ----------------------------------------------------------------------------------------

void TPopupMenu::SetPopupHook(TPopupHook hook) {
  PopupHook() = std::move(hook);
}

void TPopupMenu::DoPopup() {
  if (OnPopup) OnPopup(this);
}

void TPopupMenu::Popup(int x, int y) {
  DoPopup();
  HMENU menu = Handle();
  if (PopupHook()) {
    if (TMenuItem* item = PopupHook()(*this); item && item->Enabled()) item->Click();
    return;
  }
  // The form that owns the menu hears its messages (owner drawing, selection).
  HWND owner = nullptr;
  for (TComponent* c = Owner(); c && !owner; c = c->Owner())
    if (auto w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated())
      if (TForm* f = GetParentForm(w); f && f->HandleAllocated()) owner = f->Handle();
  static HWND utility = nullptr;
  if (!owner) {
    if (!utility)
      utility = AllocateHWnd([](UINT msg, WPARAM wp, LPARAM, LRESULT&) {
        if (msg == WM_INITMENUPOPUP) TMenuItem::DispatchPopup(reinterpret_cast<HMENU>(wp));
        return false;
      });
    owner = utility;
  }
  SetForegroundWindow(owner);
  UINT command = TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0,
                                owner, nullptr);
  PostMessageA(owner, WM_NULL, 0, 0);
  if (command) TMenuItem::DispatchCommand(command);
}

TMenuItem* NewMenuItem(TComponent* owner, TMenuItem& parent, const std::string& name,
                       const std::string& caption, std::function<void()> action) {
  auto* m = new TMenuItem(owner);
  m->SetName(name);
  m->SetCaption(caption);
  if (action) m->OnClick = [action = std::move(action)](TObject*) { action(); };
  parent.Add(m);
  return m;
}
