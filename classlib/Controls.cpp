// Controls: the window core, reflection of notifications, windowless children and utility windows.
#include "Controls.h"
#include "Forms.h"
#include "Guard.h"
#include "Handles.h"
#include "Menus.h"
#include "SysUtils.h"
#include <windowsx.h>
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include <map>

static const char* const kObjectProp = "TbControlObject";
static TWinControl* gCreating = nullptr; // the control whose window CreateWindowEx is making
static int gDispatchDepth = 0;           // window procedures of ours now running, nested

namespace {
struct TDispatching {
  TDispatching() { ++gDispatchDepth; }
  ~TDispatching() { --gDispatchDepth; }
};
} // namespace

int DispatchDepth() {
  return gDispatchDepth;
}
static std::map<int, TWinControl*>& ControlIds() {
  static std::map<int, TWinControl*> ids;
  return ids;
}
static int gNextControlId = 1000;

void InitCommonControlsOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                            ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
}

TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s.Include(ssShift);
  if (keys & MK_CONTROL) s.Include(ssCtrl);
  if (keys & MK_LBUTTON) s.Include(ssLeft);
  if (keys & MK_RBUTTON) s.Include(ssRight);
  if (keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyboardShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

std::string GetShortHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

TForm* GetParentForm(TControl* control) {
  TForm* form = nullptr;
  for (TControl* c = control; c; c = c->Parent())
    if (auto f = dynamic_cast<TForm*>(c)) form = f;
  return form;
}

// --- the window procedure ---------------------------------------------------------------------

LRESULT CALLBACK TbWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* control = static_cast<TWinControl*>(GetPropA(hwnd, kObjectProp));
  if (!control && gCreating) {
    control = gCreating;
    gCreating = nullptr;
    control->FHandle = hwnd;
    control->FDefWndProc = DefWindowProcA;
    SetPropA(hwnd, kObjectProp, control);
  }
  if (!control) return DefWindowProcA(hwnd, msg, wp, lp);
  TDispatching dispatching;
  return Guard<LRESULT>(0, [&]() -> LRESULT {
    TMessage m{msg, wp, lp, 0};
    control->WndProc(m);
    return m.Result;
  });
}

// --- TControl -----------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  FFont.OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl() {
  Destroying();
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* value) {
  if (value == FParent) return;
  if (value == this) throw Exception("A control cannot be its own parent");
  if (FParent) FParent->RemoveControl(this);
  if (value) value->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  bool resized = width != FWidth || height != FHeight;
  if (FParent && Visible()) FParent->Invalidate(); // the old place, for windowless controls
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
  if (resized) Resize();
  RequestAlign();
}

void TControl::UpdateBoundsFields(int left, int top, int width, int height) {
  bool resized = width != FWidth || height != FHeight;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (resized) Resize();
}

RECT TControl::ClientRect() {
  return {0, 0, FWidth, FHeight};
}

// A window's frame is known only once it exists.
void TControl::SetClientWidth(int v) {
  if (auto w = dynamic_cast<TWinControl*>(this)) w->HandleNeeded();
  SetWidth(FWidth - ClientWidth() + v);
}
void TControl::SetClientHeight(int v) {
  if (auto w = dynamic_cast<TWinControl*>(this)) w->HandleNeeded();
  SetHeight(FHeight - ClientHeight() + v);
}

POINT TControl::ClientToScreen(POINT p) {
  if (auto w = dynamic_cast<TWinControl*>(this)) {
    ::ClientToScreen(w->Handle(), &p);
    return p;
  }
  if (!FParent) return p;
  return FParent->ClientToScreen({p.x + FLeft, p.y + FTop});
}

POINT TControl::ScreenToClient(POINT p) {
  if (auto w = dynamic_cast<TWinControl*>(this)) {
    ::ScreenToClient(w->Handle(), &p);
    return p;
  }
  if (!FParent) return p;
  POINT q = FParent->ScreenToClient(p);
  return {q.x - FLeft, q.y - FTop};
}

void TControl::SetAlign(TAlign value) {
  if (value == FAlign) return;
  FAlign = value;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (FParent && (FAlign != alNone || FParent->FAligning == 0)) FParent->Realign();
}

void TControl::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  if (FParent) FParent->Invalidate();
  VisibleChanged();
  RequestAlign();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FVisible) return false;
  return true;
}

void TControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Invalidate();
  EnabledChanged();
}

void TControl::SetCaption(const std::string& value) {
  if (value == FText) return;
  FText = value;
  Invalidate();
  TextChanged();
}

void TControl::SetParentFont(bool value) {
  FParentFont = value;
  if (value && FParent) {
    FFontFromParent = true;
    FFont.Assign(FParent->FFont);
    FFontFromParent = false;
  }
}

TColor TControl::Color() const {
  return FParentColor && FParent ? FParent->Color() : FColor;
}

void TControl::SetColor(TColor value) {
  FParentColor = false;
  if (value == FColor) return;
  FColor = value;
  ColorChanged();
}

void TControl::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  ColorChanged();
}

void TControl::FontChanged() {
  if (!FFontFromParent) FParentFont = false;
  Invalidate();
}

void TControl::ColorChanged() {
  Invalidate();
}

void TControl::SetPopupMenu(TPopupMenu* value) {
  if (FPopupMenu) RemoveFreeNotification(FPopupMenu);
  FPopupMenu = value;
  if (value) FreeNotification(value);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::Invalidate() {
  if (FParent && FParent->HandleAllocated() && FVisible) {
    RECT r = BoundsRect();
    InvalidateRect(FParent->FHandle, &r, TRUE);
  }
}

void TControl::Update() {
  if (FParent && FParent->HandleAllocated()) UpdateWindow(FParent->FHandle);
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (!FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::find(list.begin(), list.end(), this));
  list.push_back(this);
  if (auto w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

void TControl::SendToBack() {
  if (!FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin(), this);
  if (auto w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->FHandle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

LRESULT TControl::Perform(UINT msg, WPARAM wp, LPARAM lp) {
  TMessage m{msg, wp, lp, 0};
  WndProc(m);
  return m.Result;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
void TControl::MouseMove(TShiftState s, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, s, x, y);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// Mouse messages in client coordinates; windowless controls get them from their parent.
void TControl::WndProc(TMessage& m) {
  int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  TShiftState shift = KeysToShiftState(m.WParam);
  switch (m.Msg) {
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDBLCLK:
  case WM_MBUTTONDBLCLK: {
    TMouseButton b = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK   ? mbLeft
                     : m.Msg == WM_RBUTTONDOWN || m.Msg == WM_RBUTTONDBLCLK ? mbRight
                                                                            : mbMiddle;
    bool dbl = m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK;
    if (dbl) shift.Include(ssDouble);
    if (b == mbLeft) FMouseDownInside = true;
    if (dbl && b == mbLeft) DblClick();
    MouseDown(b, shift, x, y);
    break;
  }
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
  case WM_MBUTTONUP: {
    TMouseButton b = m.Msg == WM_LBUTTONUP ? mbLeft : m.Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
    bool click = b == mbLeft && FMouseDownInside && x >= 0 && y >= 0 && x < FWidth && y < FHeight;
    if (b == mbLeft) FMouseDownInside = false;
    if (click && FControlStyle.Contains(csClickEvents)) Click();
    MouseUp(b, shift, x, y);
    // Windowed controls get WM_CONTEXTMENU for this; windowless ones do not.
    if (b == mbRight && FPopupMenu && !dynamic_cast<TWinControl*>(this)) {
      bool handled = false;
      if (OnContextPopup) OnContextPopup(this, {x, y}, handled);
      POINT p = ClientToScreen({x, y});
      FPopupMenu->SetPopupComponent(this);
      if (!handled) FPopupMenu->Popup(p.x, p.y);
    }
    break;
  }
  case WM_MOUSEMOVE:
    MouseMove(shift, x, y);
    break;
  }
}

// --- TWinControl ---------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  FControlId = gNextControlId++;
  ControlIds()[FControlId] = this;
}

TWinControl::~TWinControl() {
  Destroying();
  // Children that remain are freed with their parent; they leave FControls as they go.
  while (!FControls.empty())
    delete FControls.back();
  if (FHandle) DestroyWnd();
  ControlIds().erase(FControlId);
}

TWinControl* TWinControl::FindControl(HWND window) {
  return window ? static_cast<TWinControl*>(GetPropA(window, kObjectProp)) : nullptr;
}

TWinControl* TWinControl::FindControlById(int id) {
  auto it = ControlIds().find(id);
  return it == ControlIds().end() ? nullptr : it->second;
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle) return;
  if (FParent) FParent->HandleNeeded();
  if (!FHandle) CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = FText;
  p.X = FLeft;
  p.Y = FTop;
  p.Width = FWidth;
  p.Height = FHeight;
  p.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (FParent) {
    p.Style |= WS_CHILD;
    p.WndParent = FParent->Handle();
  }
  if (FVisible && FParent) p.Style |= WS_VISIBLE; // forms show themselves
  if (!FEnabled) p.Style |= WS_DISABLED;
  if (FTabStop) p.Style |= WS_TABSTOP;
  p.WinClassName = ClassName();
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  HINSTANCE inst = HInstance();
  HMENU id =
      (p.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(FControlId)) : nullptr;
  HWND w;
  if (!p.SysClassName.empty()) {
    w = CreateWindowExA(p.ExStyle, p.SysClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y,
                        p.Width, p.Height, p.WndParent, id, inst, nullptr);
    if (!w) RaiseLastOSError();
    FHandle = w;
    SetPropA(w, kObjectProp, this);
    FDefWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TbWndProc)));
  } else {
    WNDCLASSA wc{};
    if (!GetClassInfoA(inst, p.WinClassName.c_str(), &wc)) {
      wc = WNDCLASSA{};
      wc.style = p.ClassStyle;
      wc.lpfnWndProc = TbWndProc;
      wc.hInstance = inst;
      wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
      wc.hIcon = (p.Style & WS_CHILD) ? nullptr : LoadIconA(inst, "MAINICON");
      if (!wc.hIcon && !(p.Style & WS_CHILD)) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
      wc.lpszClassName = p.WinClassName.c_str();
      if (!RegisterClassA(&wc)) RaiseLastOSError();
    }
    gCreating = this;
    w = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y,
                        p.Width, p.Height, p.WndParent, id, inst, nullptr);
    gCreating = nullptr;
    if (!w) {
      FHandle = nullptr;
      RaiseLastOSError();
    }
  }
  SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
  InitWnd();
  UpdateBoundsFromWindow();
  for (TControl* c : FControls)
    if (auto wc = dynamic_cast<TWinControl*>(c)) wc->HandleNeeded();
  // Keep the stacking order of the list.
  for (TControl* c : FControls)
    if (auto wc = dynamic_cast<TWinControl*>(c); wc && wc->FHandle)
      SetWindowPos(wc->FHandle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Realign();
}

void TWinControl::DestroyChildWindows() {
  for (TControl* c : FControls)
    if (auto wc = dynamic_cast<TWinControl*>(c)) {
      wc->DestroyChildWindows();
      if (wc->FHandle) wc->DestroyWnd();
    }
}

void TWinControl::DestroyWnd() {
  HWND w = FHandle;
  if (!w) return;
  DestroyChildWindows();
  // Detach first: the object may already be half destroyed.
  RemovePropA(w, kObjectProp);
  if (FDefWndProc && FDefWndProc != DefWindowProcA)
    SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
  FHandle = nullptr;
  DestroyWindow(w);
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  DestroyWnd();
  HandleNeeded();
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  control->FParent = this;
  if (control->FParentFont) {
    control->FFontFromParent = true;
    control->FFont.Assign(FFont);
    control->FFontFromParent = false;
  }
  if (auto wc = dynamic_cast<TWinControl*>(control)) {
    if (FHandle) wc->HandleNeeded();
  } else {
    control->Invalidate();
  }
  if (control->FAlign != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* control) {
  if (FCaptureControl == control) FCaptureControl = nullptr;
  if (FMouseControl == control) FMouseControl = nullptr;
  if (auto wc = dynamic_cast<TWinControl*>(control); wc && wc->FHandle)
    wc->DestroyWnd();
  else
    control->Invalidate();
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  control->FParent = nullptr;
  if (auto form = GetParentForm(this)) form->ControlRemoved(control);
  if (control->FAlign != alNone && !ComponentState().Contains(csDestroying)) Realign();
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (!c->FVisible || (!allowDisabled && !c->FEnabled)) continue;
    if (p.x >= c->FLeft && p.y >= c->FTop && p.x < c->FLeft + c->FWidth &&
        p.y < c->FTop + c->FHeight)
      return c;
  }
  return nullptr;
}

bool TWinControl::Focused() {
  return FHandle && GetFocus() == FHandle;
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FVisible || !c->FEnabled) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (auto form = GetParentForm(this); form && form != this) form->SetActiveControl(this);
  if (CanFocus()) ::SetFocus(Handle());
}

void TWinControl::SetTabStop(bool value) {
  FTabStop = value;
  if (FHandle) {
    LONG s = GetWindowLongA(FHandle, GWL_STYLE);
    SetWindowLongA(FHandle, GWL_STYLE, value ? (s | WS_TABSTOP) : (s & ~WS_TABSTOP));
  }
}

int TWinControl::TabOrder() const {
  if (!FParent) return -1;
  int n = 0;
  for (TControl* c : FParent->FControls) {
    if (c == this) return n;
    if (dynamic_cast<TWinControl*>(c)) ++n;
  }
  return -1;
}

// Tab order is window order: the place among the windowed siblings.
void TWinControl::SetTabOrder(int value) {
  if (!FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::find(list.begin(), list.end(), this));
  int n = 0;
  auto it = list.begin();
  for (; it != list.end(); ++it)
    if (dynamic_cast<TWinControl*>(*it) && n++ == value) break;
  list.insert(it, this);
  if (FParent->FHandle) {
    HWND after = HWND_TOP;
    for (TControl* c : list) {
      auto wc = dynamic_cast<TWinControl*>(c);
      if (!wc || !wc->FHandle) continue;
      SetWindowPos(wc->FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      after = wc->FHandle;
    }
  }
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (FHandle) {
    if (left != FLeft || top != FTop || width != FWidth || height != FHeight)
      SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // WM_WINDOWPOSCHANGED brought the fields up to date; a window may refuse a size.
  } else {
    TControl::SetBounds(left, top, width, height);
  }
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!FHandle) return;
  RECT r;
  GetWindowRect(FHandle, &r);
  if (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD)
    MapWindowPoints(nullptr, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
  else if (IsIconic(FHandle) || IsZoomed(FHandle)) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    GetWindowPlacement(FHandle, &wp);
    if (IsIconic(FHandle)) r = wp.rcNormalPosition;
  }
  bool moved =
      r.left != FLeft || r.top != FTop || r.right - r.left != FWidth || r.bottom - r.top != FHeight;
  UpdateBoundsFields(r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (moved && FParent && FParent->FAligning == 0 && FAlign != alNone) FParent->Realign();
}

RECT TWinControl::ClientRect() {
  if (FHandle) {
    RECT r;
    GetClientRect(FHandle, &r);
    return r;
  }
  return TControl::ClientRect();
}

void TWinControl::SetVisible(bool value) {
  if (value == FVisible) return;
  TControl::SetVisible(value);
  if (FHandle) ShowWindow(FHandle, value ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (FHandle) EnableWindow(FHandle, value);
  EnabledChanged();
}

std::string TWinControl::Caption() const {
  if (!FHandle) return FText;
  int n = GetWindowTextLengthA(FHandle);
  std::string s(n + 1, '\0');
  n = GetWindowTextA(FHandle, s.data(), n + 1);
  s.resize(std::max(n, 0));
  return s;
}

void TWinControl::SetCaption(const std::string& value) {
  if (FHandle) {
    if (Caption() == value) return;
    FText = value;
    SetWindowTextA(FHandle, value.c_str());
    TextChanged();
  } else {
    TControl::SetCaption(value);
  }
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  if (FHandle) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
  for (TControl* c : FControls)
    if (c->FParentFont) {
      c->FFontFromParent = true;
      c->FFont.Assign(FFont);
      c->FFontFromParent = false;
    }
}

void TWinControl::ColorChanged() {
  Invalidate();
  for (TControl* c : FControls)
    if (c->FParentColor) c->ColorChanged();
}

HBRUSH TWinControl::BackgroundBrush() {
  FBackBrush.SetColor(Color());
  return FBackBrush.Handle();
}

void TWinControl::Realign() {
  if (!FHandle && FControls.empty()) return;
  if (FAligning) return;
  RECT r = ClientRect();
  ++FAligning;
  try {
    AlignControls(r);
  } catch (...) {
    --FAligning;
    throw;
  }
  --FAligning;
}

// Docked children in list order: top, bottom, left, right, then client.
void TWinControl::AlignControls(RECT& r) {
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : FControls) {
      if (c->FAlign != a || !c->FVisible) continue;
      int w = std::max<int>(r.right - r.left, 0), h = std::max<int>(r.bottom - r.top, 0);
      switch (a) {
      case alTop:
        c->SetBounds(r.left, r.top, w, c->FHeight);
        r.top += c->FHeight;
        break;
      case alBottom:
        c->SetBounds(r.left, r.bottom - c->FHeight, w, c->FHeight);
        r.bottom -= c->FHeight;
        break;
      case alLeft:
        c->SetBounds(r.left, r.top, c->FWidth, h);
        r.left += c->FWidth;
        break;
      case alRight:
        c->SetBounds(r.right - c->FWidth, r.top, c->FWidth, h);
        r.right -= c->FWidth;
        break;
      default:
        c->SetBounds(r.left, r.top, w, h);
        break;
      }
    }
  }
}

bool TWinControl::HasGraphicChildren() const {
  for (TControl* c : FControls)
    if (c->FVisible && !dynamic_cast<TWinControl*>(c)) return true;
  return false;
}

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC dc) {
  for (TControl* c : FControls) {
    auto g = dynamic_cast<TGraphicControl*>(c);
    if (!g || !g->FVisible) continue;
    RECT r = g->BoundsRect();
    if (!RectVisible(dc, &r)) continue;
    TSaveDC saved(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    SetWindowOrgEx(dc, -r.left, -r.top, nullptr);
    g->FCanvas.SetHandle(dc);
    TScopeExit release([g] { g->FCanvas.SetHandle(nullptr); });
    g->Paint();
  }
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (m.Msg >= CN_BASE && m.Msg < CN_BASE + 0x400) {
    // Nobody wanted the reflected message: colour messages still get the control's colours.
    if (m.Msg >= CN_CTLCOLORMSGBOX && m.Msg <= CN_CTLCOLORSTATIC) {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      SetTextColor(dc, ColorToRGB(FFont.Color()));
      SetBkColor(dc, ColorToRGB(Color()));
      m.Result = reinterpret_cast<LRESULT>(BackgroundBrush());
    }
    return;
  }
  if (!FHandle) return;
  m.Result = CallWindowProcA(FDefWndProc ? FDefWndProc : DefWindowProcA, FHandle, m.Msg, m.WParam,
                             m.LParam);
}

bool TWinControl::ReflectMessage(TMessage& m) {
  HWND child = nullptr;
  switch (m.Msg) {
  case WM_COMMAND:
  case WM_HSCROLL:
  case WM_VSCROLL:
    child = reinterpret_cast<HWND>(m.LParam);
    break;
  case WM_NOTIFY:
    child = reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom;
    break;
  case WM_DRAWITEM: {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
    if (d->CtlType != ODT_MENU) child = d->hwndItem;
    break;
  }
  case WM_MEASUREITEM: {
    auto* d = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
    if (d->CtlType != ODT_MENU) {
      // Sent while the child's window is being made, before it carries its object.
      if (TWinControl* c = FindControlById(static_cast<int>(d->CtlID))) {
        m.Result = c->Perform(CN_MEASUREITEM, m.WParam, m.LParam);
        return true;
      }
    }
    break;
  }
  default:
    if (m.Msg >= WM_CTLCOLORMSGBOX && m.Msg <= WM_CTLCOLORSTATIC)
      child = reinterpret_cast<HWND>(m.LParam);
  }
  if (!child || child == FHandle) return false;
  TWinControl* c = FindControl(child);
  if (!c) return false;
  m.Result = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
  return true;
}

void TWinControl::HandleMouse(TMessage& m) {
  POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  TControl* target = FCaptureControl;
  if (!target) {
    TControl* c = ControlAtPos(p);
    if (c && !dynamic_cast<TWinControl*>(c)) target = c;
  }
  if (m.Msg == WM_MOUSEMOVE && target != FMouseControl) {
    if (FMouseControl) FMouseControl->Perform(CM_MOUSELEAVE);
    FMouseControl = target;
  }
  if (target) {
    bool down = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN || m.Msg == WM_MBUTTONDOWN ||
                m.Msg == WM_LBUTTONDBLCLK;
    bool up = m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP || m.Msg == WM_MBUTTONUP;
    if (down) {
      FCaptureControl = target;
      SetCapture(FHandle);
    }
    if (m.Msg == WM_MOUSEMOVE) Application->DoMouseMove(target);
    // The press ends before the click runs: a click that waits (a transfer, a dialog) must not
    // keep the mouse, or the next press would go to this control instead of where it falls.
    if (up && !(m.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
      FCaptureControl = nullptr;
      if (GetCapture() == FHandle) ReleaseCapture();
    }
    TMessage cm = m;
    cm.LParam = MAKELPARAM(p.x - target->FLeft, p.y - target->FTop);
    target->WndProc(cm);
    return;
  }
  if (m.Msg == WM_MOUSEMOVE) Application->DoMouseMove(this);
  if (FControlStyle.Contains(csCaptureMouse)) {
    if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) SetCapture(FHandle);
    if (m.Msg == WM_LBUTTONUP && GetCapture() == FHandle) ReleaseCapture();
  }
  TControl::WndProc(m);
  DefaultHandler(m);
}

bool TWinControl::DoKeyDown(TMessage& m) {
  WORD key = static_cast<WORD>(m.WParam);
  TShiftState shift = KeyboardShiftState();
  TForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    form->KeyDown(key, shift);
    if (key == 0) return true;
  }
  KeyDown(key, shift);
  m.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& m) {
  WORD key = static_cast<WORD>(m.WParam);
  TShiftState shift = KeyboardShiftState();
  TForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    form->KeyUp(key, shift);
    if (key == 0) return true;
  }
  KeyUp(key, shift);
  m.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& m) {
  char ch = static_cast<char>(m.WParam);
  TForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    form->KeyPress(ch);
    if (ch == 0) return true;
  }
  KeyPress(ch);
  m.WParam = static_cast<unsigned char>(ch);
  return ch == 0;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}
void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::WndProc(TMessage& m) {
  if (ReflectMessage(m)) return;
  switch (m.Msg) {
  case WM_PAINT:
    if (HasGraphicChildren() || FOwnPaint) {
      if (m.WParam) {
        PaintWindow(reinterpret_cast<HDC>(m.WParam));
        PaintControls(reinterpret_cast<HDC>(m.WParam));
      } else {
        TPaint dc(FHandle);
        PaintWindow(dc);
        PaintControls(dc);
      }
      return;
    }
    break;
  case WM_PRINTCLIENT:
    if (HasGraphicChildren() || FOwnPaint) {
      PaintWindow(reinterpret_cast<HDC>(m.WParam));
      PaintControls(reinterpret_cast<HDC>(m.WParam));
      return;
    }
    break;
  case WM_ERASEBKGND:
    if (FDefWndProc == DefWindowProcA) {
      RECT r;
      GetClientRect(FHandle, &r);
      FillRect(reinterpret_cast<HDC>(m.WParam), &r, BackgroundBrush());
      m.Result = 1;
      return;
    }
    break;
  case WM_WINDOWPOSCHANGED:
    DefaultHandler(m);
    UpdateBoundsFromWindow();
    Realign();
    return;
  case WM_SETFOCUS:
    if (auto form = GetParentForm(this); form && form != this) form->FocusChanged(this);
    DefaultHandler(m);
    DoEnter();
    return;
  case WM_KILLFOCUS:
    DefaultHandler(m);
    DoExit();
    return;
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
    if (DoKeyDown(m)) return;
    break;
  case WM_KEYUP:
  case WM_SYSKEYUP:
    if (DoKeyUp(m)) return;
    break;
  case WM_CHAR:
    if (DoKeyPress(m)) return;
    break;
  case WM_SETCURSOR:
    if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == FHandle) {
      TCursor cursor = Screen->Cursor();
      if (cursor == crDefault) {
        POINT p;
        GetCursorPos(&p);
        ::ScreenToClient(FHandle, &p);
        TControl* c = ControlAtPos(p);
        cursor = c && !dynamic_cast<TWinControl*>(c) ? c->Cursor() : FCursor;
      }
      if (cursor != crDefault) {
        ::SetCursor(Screen->Cursors(cursor));
        m.Result = 1;
        return;
      }
    }
    break;
  case WM_CONTEXTMENU:
    if (FPopupMenu && reinterpret_cast<HWND>(m.WParam) == FHandle) {
      int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
      if (x == -1 && y == -1) {
        POINT p = ClientToScreen({0, 0});
        x = p.x;
        y = p.y;
      }
      bool handled = false;
      if (OnContextPopup) OnContextPopup(this, ScreenToClient({x, y}), handled);
      if (handled) return;
      FPopupMenu->SetPopupComponent(this);
      FPopupMenu->Popup(x, y);
      return;
    }
    break;
  case WM_NCDESTROY:
    DefaultHandler(m);
    RemovePropA(FHandle, kObjectProp);
    FHandle = nullptr;
    return;
  case CM_RELEASE:
    return;
  }
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK) {
    HandleMouse(m);
    return;
  }
  DefaultHandler(m);
}

// --- canvases, custom and graphic controls -------------------------------------------------------

void TControlCanvas::CreateHandle() {
  TControl* c = &FControl;
  int dx = 0, dy = 0;
  while (c && !dynamic_cast<TWinControl*>(c)) {
    dx += c->Left();
    dy += c->Top();
    c = c->Parent();
  }
  auto* w = static_cast<TWinControl*>(c);
  if (!w || !w->HandleAllocated()) return;
  FWindow = w->Handle();
  HDC dc = GetDC(FWindow);
  if (dx || dy) {
    SetWindowOrgEx(dc, -dx, -dy, nullptr);
    IntersectClipRect(dc, 0, 0, FControl.Width(), FControl.Height());
  }
  SetHandle(dc);
}

void TControlCanvas::FreeHandle() {
  if (!FWindow) return;
  HDC dc = FHandle;
  SetHandle(nullptr);
  ReleaseDC(FWindow, dc);
  FWindow = nullptr;
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(*this) {
  FControlStyle = {csClickEvents, csCaptureMouse};
  FOwnPaint = true;
}

void PaintThrough(TControlCanvas& canvas, HDC dc, TControl& control,
                  const std::function<void()>& paint) {
  canvas.FreeHandle();
  canvas.SetHandle(dc);
  canvas.Font().Assign(control.Font());
  canvas.Brush().SetColor(control.Color());
  try {
    paint();
  } catch (...) {
    canvas.SetHandle(nullptr);
    throw;
  }
  canvas.SetHandle(nullptr);
}

void TCustomControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.ExStyle |= WS_EX_CONTROLPARENT; // Tab walks into its children
}

void TCustomControl::PaintWindow(HDC dc) {
  PaintThrough(FCanvas, dc, *this, [this] { Paint(); });
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(*this) {
  FControlStyle = {csClickEvents};
}

void TGraphicControl::WndProc(TMessage& m) {
  if (m.Msg == CM_MOUSELEAVE) return;
  TControl::WndProc(m);
}

// --- utility windows
// -------------------------------------------------------------------------------

namespace {
struct TUtilityHandler {
  TWndMethod Method;
};
LRESULT CALLBACK UtilityWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* holder =
      reinterpret_cast<std::shared_ptr<TUtilityHandler>*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!holder) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    delete holder;
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  // The handler may free its owner (and this window) while it runs; keep it alive until it ends.
  std::shared_ptr<TUtilityHandler> handler = *holder;
  TDispatching dispatching;
  return Guard<LRESULT>(0, [&]() -> LRESULT {
    LRESULT result = 0;
    if (handler->Method && handler->Method(msg, wp, lp, result)) return result;
    return DefWindowProcA(hwnd, msg, wp, lp);
  });
}
} // namespace

HWND AllocateHWnd(TWndMethod handler) {
  static bool registered = false;
  HINSTANCE inst = HInstance();
  if (!registered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = UtilityWndProc;
    wc.hInstance = inst;
    wc.lpszClassName = "TbUtilWindow";
    RegisterClassA(&wc);
    registered = true;
  }
  HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, "TbUtilWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, inst, nullptr);
  if (!w) RaiseLastOSError();
  auto* holder = new std::shared_ptr<TUtilityHandler>(
      std::make_shared<TUtilityHandler>(TUtilityHandler{std::move(handler)}));
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(holder));
  return w;
}

void DeallocateHWnd(HWND window) {
  if (window) DestroyWindow(window);
}

LRESULT AnswerTextMessage(const TMessage& message, const std::string& text) {
  if (message.Msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
  // At most the buffer size - 1 characters and the terminator; a zero-size buffer gets nothing.
  char* buf = reinterpret_cast<char*>(message.LParam);
  size_t size = message.WParam;
  if (!buf || size == 0) return 0;
  size_t n = std::min(text.size(), size - 1);
  memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return static_cast<LRESULT>(n);
}
