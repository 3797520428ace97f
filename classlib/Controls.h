// Controls: the window core. One window procedure serves every window of the library; it finds the
// control object attached at creation and runs its WndProc behind the exception boundary.
#pragma once
#include "Components.h"
#include "Graphics.h"
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;

// Cursors by number: the screen's table holds these and any a program adds.
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                  crSize = -22, crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9,
                  crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14,
                  crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19,
                  crHelp = -20, crHandPoint = -21, crSizeAll = -22;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

// Messages a parent reflects to the child that sent them: CN_BASE + the original message.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND, CN_NOTIFY = CN_BASE + WM_NOTIFY,
               CN_DRAWITEM = CN_BASE + WM_DRAWITEM, CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM,
               CN_HSCROLL = CN_BASE + WM_HSCROLL, CN_VSCROLL = CN_BASE + WM_VSCROLL,
               CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX,
               CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
// The library's own messages.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_RELEASE = CM_BASE + 1, CM_MOUSELEAVE = CM_BASE + 2;
// Sent to the window that shows a menu after the menu's entries changed (LParam: the TMenu).
constexpr UINT CM_MENUCHANGED = CM_BASE + 3;
// How many of the program's window procedures are running, nested (1: a message straight from a
// message loop).
int DispatchDepth();

TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyboardShiftState();
// The first part of a hint "short|long" and the second (the whole hint when there is no bar).
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

class TWinControl;
class TPopupMenu;

enum TControlStyleFlag { csClickEvents, csOpaque, csAcceptsControls, csCaptureMouse };
using TControlStyle = TSet<TControlStyleFlag>;

class TControl : public TComponent {
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* value);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  virtual RECT ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  POINT ClientToScreen(POINT p);
  POINT ScreenToClient(POINT p);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent up to the form too.
  bool Showing() const;
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool value);
  virtual std::string Caption() const { return FText; }
  virtual void SetCaption(const std::string& value);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& value) { SetCaption(value); }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value) { FShowHint = value; }
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int value) { FHelpContext = value; }
  TFont& Font() { return FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  TColor Color() const;
  virtual void SetColor(TColor value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value) { FCursor = value; }
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* value);
  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle value) { FControlStyle = value; }

  virtual void Invalidate();
  void Update();
  void Repaint();
  void BringToFront();
  void SendToBack();
  // Runs a message through the control's own handling, as if the window had received it.
  LRESULT Perform(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
  virtual void WndProc(TMessage& message);

  TNotifyEvent OnClick, OnDblClick, OnResize;
  TMouseEvent OnMouseDown, OnMouseUp;
  // Asked before the control's pop-up menu opens; setting handled keeps it closed.
  std::function<void(TObject* sender, POINT mouse, bool& handled)> OnContextPopup;
  TMouseMoveEvent OnMouseMove;

  // Simulates a click as the user's would: fires OnClick (and whatever the control does).
  virtual void Click();
  // Enter or Escape reached the form and this control may act on it (a default or cancel
  // button); focused tells whether the control has the focus. True when it acted.
  virtual bool DialogKeyAction(WORD key, bool focused) {
    (void)key, (void)focused;
    return false;
  }

protected:
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void Resize();
  virtual void FontChanged();
  virtual void ColorChanged();
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void TextChanged() {}
  void Notification(TComponent* component, TOperation operation) override;
  // Stores new bounds without moving anything (the window moved itself).
  void UpdateBoundsFields(int left, int top, int width, int height);
  void RequestAlign();

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true, FEnabled = true;
  std::string FText;
  std::string FHint;
  bool FShowHint = false;
  int FHelpContext = 0;
  TFont FFont;
  bool FParentFont = true, FParentColor = false, FFontFromParent = false;
  TColor FColor = clBtnFace;
  TCursor FCursor = crDefault;
  TPopupMenu* FPopupMenu = nullptr;
  TControlStyle FControlStyle;
  bool FMouseDownInside = false;

  friend class TWinControl;
};

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  // Our own window class, registered on first use with the library's window procedure...
  std::string WinClassName;
  UINT ClassStyle = CS_DBLCLKS;
  // ... or, when set, a system class whose window is subclassed instead.
  std::string SysClassName;
};

// A control with a window of its own.
class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  void RecreateWnd();
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const { return FControls.at(index); }
  TControl* ControlAtPos(POINT p, bool allowDisabled = false);
  // The window's control object, or nullptr for a window that is not ours.
  static TWinControl* FindControl(HWND window);
  static TWinControl* FindControlById(int id);
  int ControlId() const { return FControlId; }

  bool Focused();
  bool CanFocus() const;
  virtual void SetFocus();
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  int TabOrder() const;
  void SetTabOrder(int value);

  void SetBounds(int left, int top, int width, int height) override;
  RECT ClientRect() override;
  void SetVisible(bool value) override;
  void SetEnabled(bool value) override;
  std::string Caption() const override;
  void SetCaption(const std::string& value) override;
  void Invalidate() override;
  void Realign();
  void WndProc(TMessage& message) override;

  TNotifyEvent OnEnter, OnExit;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;

protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  // After the window exists: push the state kept while there was none.
  virtual void InitWnd() {}
  // True while the window is made only on demand (shown, or its handle read), not with the
  // parent's: a control that may never show need not cost a window.
  virtual bool WindowDeferred() const { return false; }
  void DefaultHandler(TMessage& message);
  virtual void AlignControls(RECT& rect);
  virtual void PaintWindow(HDC dc); // WM_PAINT with a DC; standard controls paint themselves
  void PaintControls(HDC dc);
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();
  void FontChanged() override;
  void ColorChanged() override;
  HBRUSH BackgroundBrush();
  bool HasGraphicChildren() const;

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  bool FTabStop = false;
  bool FOwnPaint = false; // paints through PaintWindow even without windowless children

private:
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void UpdateBoundsFromWindow();
  bool DoKeyDown(TMessage& m);
  bool DoKeyPress(TMessage& m);
  bool DoKeyUp(TMessage& m);
  bool ReflectMessage(TMessage& m);
  void HandleMouse(TMessage& m);
  void DestroyChildWindows();

  std::vector<TControl*> FControls;
  int FControlId = 0;
  int FAligning = 0;
  TControl* FCaptureControl = nullptr; // windowless child holding the mouse
  TControl* FMouseControl = nullptr;   // windowless child last under the mouse
  TBrush FBackBrush;

  friend class TControl;
  friend LRESULT CALLBACK TbWndProc(HWND, UINT, WPARAM, LPARAM);
};

// A canvas on a control: the paint DC while painting, else a DC of the window taken on demand.
class TControlCanvas : public TCanvas {
public:
  explicit TControlCanvas(TControl& control) : FControl(control) {}
  ~TControlCanvas() override { FreeHandle(); }
  void FreeHandle();

protected:
  void CreateHandle() override;

private:
  TControl& FControl;
  HWND FWindow = nullptr;
};

// Runs paint with canvas on dc in the control's font and colour, and lets the dc go afterwards.
void PaintThrough(TControlCanvas& canvas, HDC dc, TControl& control,
                  const std::function<void()>& paint);

// A windowed control that paints itself on a canvas.
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* AOwner);
  TCanvas& Canvas() { return FCanvas; }

protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;
  void CreateParams(TCreateParams& params) override;

private:
  TControlCanvas FCanvas;
};

// A control without a window: its parent paints it and passes it the mouse.
class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* AOwner);
  TCanvas& Canvas() { return FCanvas; }
  void WndProc(TMessage& message) override;

protected:
  virtual void Paint() {}

private:
  TControlCanvas FCanvas;
  friend class TWinControl;
};

// A hidden window whose messages go to a handler; for timers and other non-visual components.
// The handler answers true when it handled the message (with result set).
using TWndMethod = std::function<bool(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)>;
HWND AllocateHWnd(TWndMethod handler);
void DeallocateHWnd(HWND window);

// The form a control sits on (its topmost windowed parent that is a form), or nullptr.
class TForm;
TForm* GetParentForm(TControl* control);

// Makes a named child control at its design bounds, as forms built in code do for each part.
template <class T>
T* MakeChild(TComponent* owner, TWinControl* parent, const std::string& name, int left, int top,
             int width, int height) {
  auto* c = new T(owner);
  c->SetName(name);
  c->SetBounds(left, top, width, height);
  c->SetParent(parent);
  return c;
}

// Makes sure the common controls are registered (called by the controls that need them).
void InitCommonControlsOnce();

// Answers WM_GETTEXT (the text, cut to the caller's buffer) or WM_GETTEXTLENGTH for a window
// whose text is not its caption.
LRESULT AnswerTextMessage(const TMessage& message, const std::string& text);
