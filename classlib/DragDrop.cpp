// In-process drag manager: one drag at a time, followed through the source's captured mouse.
#include "DragDrop.h"
#include "Forms.h"
#include <windowsx.h>

namespace {

struct TDragState_ {
  TWinControl* Source = nullptr;
  TWinControl* Target = nullptr; // the accepting control last under the mouse
  bool Accepted = false;
  TCursor Cursor = crDrag;
};
TDragState_ gDrag;

TDragClient* ClientOf(TWinControl* control) {
  return dynamic_cast<TDragClient*>(control);
}

// The innermost control of this process under a screen point that takes part in drags.
TWinControl* TargetAt(POINT screen) {
  HWND w = WindowFromPoint(screen);
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

void BeginDrag(TWinControl* source) {
  TDragClient* client = ClientOf(source);
  if (!client || gDrag.Source) return;
  gDrag.Source = source;
  gDrag.Cursor = client->DragCursor;
  client->DoStartDrag(gDrag.Cursor);
  if (gDrag.Source != source) return; // the start handler cancelled it
  SetCapture(source->Handle());
  POINT p;
  GetCursorPos(&p);
  SetCursor(Screen->Cursors(gDrag.Cursor));
}

bool Dragging() {
  return gDrag.Source != nullptr;
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

bool DragMouseMessage(TWinControl* source, const TMessage& m) {
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
