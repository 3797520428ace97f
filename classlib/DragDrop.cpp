// In-process drag manager: one drag at a time, followed through the source's captured mouse.
#include "DragDrop.h"
#include "Forms.h"
#include <windowsx.h>
#include <cstdlib>

namespace {

struct TDragState_ {
  TWinControl* Source = nullptr;
  TWinControl* Target = nullptr; // the accepting control last under the mouse
  bool Accepted = false;
  TCursor Cursor = crDrag;
};
TDragState_ gDrag;

// A drag armed by a press, waiting for the mouse to move far enough.
struct TPendingDrag {
  TWinControl* Source = nullptr;
  POINT Start{0, 0}; // screen
};
TPendingDrag gPending;

TDragClient* ClientOf(TWinControl* control) {
  return dynamic_cast<TDragClient*>(control);
}

bool OwnWindow(HWND w) {
  DWORD pid = 0;
  return w && GetWindowThreadProcessId(w, &pid) == GetCurrentThreadId() &&
         pid == GetCurrentProcessId();
}

// The deepest visible window of this thread under a screen point. Windows of other programs do
// not count, even where they cover ours: a drag here goes between our own controls only.
HWND OwnWindowAt(POINT screen) {
  HWND w = WindowFromPoint(screen);
  if (!OwnWindow(w)) {
    w = nullptr;
    // Top-level windows of this thread, topmost first.
    for (HWND top = GetTopWindow(nullptr); top; top = GetWindow(top, GW_HWNDNEXT)) {
      RECT r;
      if (OwnWindow(top) && IsWindowVisible(top) && GetWindowRect(top, &r) &&
          PtInRect(&r, screen)) {
        w = top;
        break;
      }
    }
    while (w) {
      POINT p = screen;
      ScreenToClient(w, &p);
      HWND child = ChildWindowFromPointEx(w, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
      if (!child || child == w) break;
      w = child;
    }
  }
  return w;
}

// The innermost control of this process under a screen point that takes part in drags.
TWinControl* TargetAt(POINT screen) {
  HWND w = OwnWindowAt(screen);
  if (!w) return nullptr;
  for (TWinControl* c = TWinControl::FindControl(w); c; c = c->Parent())
    if (ClientOf(c)) return c;
  return nullptr;
}

POINT ToClient(TWinControl* control, POINT screen) {
  ScreenToClient(control->Handle(), &screen);
  return screen;
}

void Leave(POINT screen) {
  if (TWinControl* t = gDrag.Target) {
    gDrag.Target = nullptr;
    bool accept = false;
    POINT p = ToClient(t, screen);
    ClientOf(t)->DragOver(gDrag.Source, p.x, p.y, dsDragLeave, accept);
  }
}

void Move(POINT screen) {
  TWinControl* target = TargetAt(screen);
  if (target != gDrag.Target) {
    Leave(screen);
    gDrag.Target = target;
    if (target) {
      bool accept = false;
      POINT p = ToClient(target, screen);
      ClientOf(target)->DragOver(gDrag.Source, p.x, p.y, dsDragEnter, accept);
    }
  }
  gDrag.Accepted = false;
  if (TWinControl* t = gDrag.Target) {
    bool accept = false;
    POINT p = ToClient(t, screen);
    ClientOf(t)->DragOver(gDrag.Source, p.x, p.y, dsDragMove, accept);
    gDrag.Accepted = accept;
  }
  SetCursor(Screen->Cursors(gDrag.Accepted ? gDrag.Cursor : crNoDrop));
}

void Finish(POINT screen, bool drop) {
  TWinControl* source = gDrag.Source;
  TWinControl* target = drop && gDrag.Accepted ? gDrag.Target : nullptr;
  if (!drop) Leave(screen);
  gDrag = TDragState_{};
  if (source && source->HandleAllocated() && GetCapture() == source->Handle()) ReleaseCapture();
  SetCursor(Screen->Cursors(crDefault));
  POINT p{};
  if (target) {
    p = ToClient(target, screen);
    ClientOf(target)->DragDrop(source, p.x, p.y);
  }
  if (source) {
    POINT s = ToClient(source, screen);
    ClientOf(source)->DoEndDrag(target, s.x, s.y);
  }
}

} // namespace

TDragClient::~TDragClient() {
  if (gPending.Source && ClientOf(gPending.Source) == this) gPending = TPendingDrag{};
  if (gDrag.Source && ClientOf(gDrag.Source) == this) gDrag = TDragState_{};
  if (gDrag.Target && ClientOf(gDrag.Target) == this) gDrag.Target = nullptr;
}

void TDragClient::DoStartDrag(TCursor& cursor) {
  (void)cursor;
  if (OnStartDrag) OnStartDrag(dynamic_cast<TObject*>(this));
}

void TDragClient::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = static_cast<bool>(OnDragOver);
  if (OnDragOver) OnDragOver(dynamic_cast<TObject*>(this), Source, X, Y, State, Accept);
}

void TDragClient::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(dynamic_cast<TObject*>(this), Source, X, Y);
}

void TDragClient::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(dynamic_cast<TObject*>(this), Target, X, Y);
}

void BeginDrag(TWinControl* source, bool immediate) {
  TDragClient* client = ClientOf(source);
  if (!client || gDrag.Source) return;
  if (!immediate) {
    // Where the press that arms it happened, not where the mouse is by now.
    DWORD at = GetMessagePos();
    gPending.Source = source;
    gPending.Start = POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    return;
  }
  gPending = TPendingDrag{};
  gDrag.Source = source;
  gDrag.Cursor = client->DragCursor;
  client->DoStartDrag(gDrag.Cursor);
  if (gDrag.Source != source) return; // the start handler cancelled it
  SetCapture(source->Handle());
  SetCursor(Screen->Cursors(gDrag.Cursor));
}

bool Dragging() {
  return gDrag.Source != nullptr;
}

bool DragPending(const TWinControl* source) {
  return source && gPending.Source == source;
}

void SetDragCursor(TCursor cursor) {
  gDrag.Cursor = cursor;
  if (gDrag.Source && gDrag.Accepted) SetCursor(Screen->Cursors(cursor));
}

TWinControl* DragSource() {
  return gDrag.Source;
}

void CancelDrag() {
  if (!gDrag.Source) return;
  POINT p;
  GetCursorPos(&p);
  Finish(p, false);
}

namespace {

// A pending drag starts once the held mouse leaves the system's drag rectangle around the press;
// until then the source handles its messages as usual.
bool PendingMouseMessage(TWinControl* source, const TMessage& m) {
  switch (m.Msg) {
  case WM_MOUSEMOVE: {
    if (!(m.WParam & MK_LBUTTON)) {
      gPending = TPendingDrag{};
      return false;
    }
    POINT screen{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    ClientToScreen(source->Handle(), &screen);
    if (std::abs(screen.x - gPending.Start.x) <= GetSystemMetrics(SM_CXDRAG) &&
        std::abs(screen.y - gPending.Start.y) <= GetSystemMetrics(SM_CYDRAG))
      return false;
    BeginDrag(source, true);
    if (gDrag.Source != source) return false;
    Move(screen);
    return true;
  }
  case WM_LBUTTONUP:
  case WM_RBUTTONDOWN:
  case WM_CANCELMODE:
    gPending = TPendingDrag{};
    return false;
  }
  return false;
}

} // namespace

bool DragMouseMessage(TWinControl* source, const TMessage& m) {
  if (!gDrag.Source && gPending.Source && gPending.Source == source)
    return PendingMouseMessage(source, m);
  if (!gDrag.Source || gDrag.Source != source) return false;
  POINT screen{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  switch (m.Msg) {
  case WM_MOUSEMOVE:
    ClientToScreen(source->Handle(), &screen);
    Move(screen);
    return true;
  case WM_LBUTTONUP:
    ClientToScreen(source->Handle(), &screen);
    Move(screen);
    Finish(screen, true);
    return true;
  case WM_RBUTTONDOWN:
  case WM_CANCELMODE:
    GetCursorPos(&screen);
    Finish(screen, false);
    return true;
  case WM_CAPTURECHANGED:
    if (reinterpret_cast<HWND>(m.LParam) != source->Handle()) {
      GetCursorPos(&screen);
      Finish(screen, false);
    }
    return false;
  case WM_KEYDOWN:
    if (m.WParam == VK_ESCAPE) {
      GetCursorPos(&screen);
      Finish(screen, false);
      return true;
    }
    return false;
  }
  return false;
}
