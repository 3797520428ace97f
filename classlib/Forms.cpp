// Forms, the application object, the screen and the modal loop.
#include "Forms.h"
#include "ComCtrls.h"
#include "Guard.h"
#include "Handles.h"
#include "Menus.h"
#include "MessageBox.h"
#include "Messages.h"
#include "SysUtils.h"
#include <algorithm>
#include <cstdint>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {
struct TGlobalsInit {
  TGlobalsInit() {
    Screen = new TScreen();
    Application = new TApplication();
  }
} gGlobalsInit;

TModalHook& ModalHook() {
  static TModalHook hook;
  return hook;
}
} // namespace

void SetModalHook(TModalHook hook) {
  ModalHook() = std::move(hook);
}

// --- TForm ---------------------------------------------------------------------------------------

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner), FCanvas(*this) {
  FVisible = false;
  FOwnPaint = true;
  FParentFont = false;
  FLeft = 100;
  FTop = 100;
  FWidth = 400;
  FHeight = 300;
  FControlStyle = {csClickEvents, csAcceptsControls};
  if (Screen) Screen->FForms.push_back(this);
}

TForm::~TForm() {
  Destroying();
  GuardVoid([&] {
    if (OnDestroy) OnDestroy(this);
  });
  if (FModal) EnableTaskWindows();
  if (Screen) {
    auto& forms = Screen->FForms;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (Screen->FActiveForm == this) Screen->FActiveForm = nullptr;
  }
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
  // The menu may outlive us; the window must not keep its handle.
  if (FHandle && FMenu) ::SetMenu(FHandle, nullptr);
}

void TForm::AfterConstruction() {
  if (FCreated) return;
  FCreated = true;
  DoCreate();
}

// Creation and first showing run outside any window procedure (from the program's entry or a
// command): their handlers' exceptions go to the application's handler here.
void TForm::DoCreate() {
  if (OnCreate) GuardVoid([&] { OnCreate(this); });
}
void TForm::DoShow() {
  if (OnShow) GuardVoid([&] { OnShow(this); });
}
void TForm::DoHide() {
  if (OnHide) OnHide(this);
}
void TForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}
void TForm::Activate() {
  if (OnActivate) OnActivate(this);
}
void TForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}
void TForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style &= ~(WS_CHILD | WS_VISIBLE);
  p.ExStyle |= WS_EX_CONTROLPARENT;
  switch (FBorderStyle) {
  case bsNone:
    p.Style |= WS_POPUP;
    break;
  case bsSingle:
    p.Style |= WS_CAPTION | WS_BORDER;
    break;
  case bsSizeable:
    p.Style |= WS_CAPTION | WS_THICKFRAME;
    break;
  case bsDialog:
    p.Style |= WS_POPUP | WS_CAPTION;
    p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    break;
  case bsToolWindow:
    p.Style |= WS_CAPTION;
    p.ExStyle |= WS_EX_TOOLWINDOW;
    break;
  case bsSizeToolWin:
    p.Style |= WS_CAPTION | WS_THICKFRAME;
    p.ExStyle |= WS_EX_TOOLWINDOW;
    break;
  }
  if (FBorderStyle != bsNone) {
    if (FBorderIcons.Contains(biSystemMenu)) p.Style |= WS_SYSMENU;
    bool plain = FBorderStyle == bsSingle || FBorderStyle == bsSizeable;
    if (plain && FBorderIcons.Contains(biMinimize)) p.Style |= WS_MINIMIZEBOX;
    if (plain && FBorderIcons.Contains(biMaximize)) p.Style |= WS_MAXIMIZEBOX;
    if (FBorderIcons.Contains(biHelp) &&
        (FBorderStyle == bsDialog ||
         !(FBorderIcons.Contains(biMinimize) || FBorderIcons.Contains(biMaximize))))
      p.ExStyle |= WS_EX_CONTEXTHELP;
  }
  if (FFormStyle == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  TForm* main = Application ? Application->MainForm() : nullptr;
  if (main && main != this) {
    p.WndParent = main->Handle();
  } else {
    p.WndParent = nullptr;
    p.ExStyle |= WS_EX_APPWINDOW;
  }
}

void TForm::InitWnd() {
  // The menu learns its window here too, or its later changes would not redraw the bar.
  if (FMenu) {
    ::SetMenu(FHandle, FMenu->Handle());
    FMenu->SetWindowHandle(FHandle);
  }
  if (FIcon.Handle())
    SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon.Handle()));
}

void TForm::PaintWindow(HDC dc) {
  PaintThrough(FCanvas, dc, *this, [this] { Paint(); });
}

void TForm::PlaceOnFirstShow() {
  if (FPlaced) return;
  FPlaced = true;
  TForm* center = nullptr;
  switch (FPosition) {
  case poMainFormCenter:
    center = Application->MainForm();
    break;
  case poOwnerFormCenter:
    center = dynamic_cast<TForm*>(Owner());
    if (!center) center = Application->MainForm();
    break;
  case poScreenCenter:
  case poDesktopCenter:
    break;
  default:
    return;
  }
  RECT area;
  if (center && center != this && center->Visible())
    area = center->BoundsRect();
  else
    area = {0, 0, Screen->Width(), Screen->Height()};
  int left = area.left + (area.right - area.left - FWidth) / 2;
  int top = area.top + (area.bottom - area.top - FHeight) / 2;
  // Keep it on the screen.
  left = std::max(0, std::min(left, Screen->Width() - FWidth));
  top = std::max(0, std::min(top, Screen->Height() - FHeight));
  SetBounds(left, top, FWidth, FHeight);
}

void TForm::SetVisible(bool value) {
  if (value) {
    AfterConstruction();
    HandleNeeded();
    PlaceOnFirstShow();
    if (!FVisible) DoShow();
    FVisible = true;
    int cmd = FWindowState == wsMaximized   ? SW_SHOWMAXIMIZED
              : FWindowState == wsMinimized ? SW_SHOWMINIMIZED
                                            : SW_SHOWNORMAL;
    ShowWindow(FHandle, cmd);
    if (FFormStyle == fsStayOnTop)
      SetWindowPos(FHandle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(FHandle);
  } else {
    if (!FVisible) return;
    FVisible = false;
    if (FHandle) ShowWindow(FHandle, SW_HIDE);
    DoHide();
  }
}

void TForm::Show() {
  SetVisible(true);
  if (FHandle) SetForegroundWindow(FHandle);
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = FFormStyle == fsMDIChild ? caMinimize : caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && this == Application->MainForm()) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

bool TForm::CloseModal() {
  if (!CloseQuery()) return false;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return false;
  if (action == caFree) Release();
  return true;
}

void TForm::Release() {
  if (FHandle)
    PostMessageA(FHandle, CM_RELEASE, 0, 0);
  else
    delete this;
}

namespace {
// The windows found so far and the exception that stopped the search, raised again once the
// enumeration has returned: it may not unwind through the system's own frames.
struct TTaskWindows {
  std::vector<HWND>& List;
  std::exception_ptr Failure;
};

BOOL CALLBACK CollectTaskWindow(HWND w, LPARAM lp) {
  auto* found = reinterpret_cast<TTaskWindows*>(lp);
  try {
    if (IsWindowVisible(w) && IsWindowEnabled(w)) found->List.push_back(w);
    return TRUE;
  } catch (...) {
    found->Failure = std::current_exception();
    return FALSE;
  }
}
} // namespace

void TForm::DisableTaskWindows() {
  FDisabledWindows.clear();
  TTaskWindows found{FDisabledWindows, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), CollectTaskWindow, reinterpret_cast<LPARAM>(&found));
  if (found.Failure) {
    FDisabledWindows.clear();
    std::rethrow_exception(found.Failure);
  }
  std::erase(FDisabledWindows, FHandle);
  for (HWND w : FDisabledWindows)
    EnableWindow(w, FALSE);
}

void TForm::EnableTaskWindows() {
  for (HWND w : FDisabledWindows)
    if (IsWindow(w)) EnableWindow(w, TRUE);
  FDisabledWindows.clear();
}

int TForm::ShowModal() {
  AfterConstruction();
  if (FVisible || FModal) throw EInvalidOperation("Cannot make a visible window modal");
  if (!FEnabled) throw EInvalidOperation("Cannot make a disabled window modal");
  FModalResult = mrNone;
  bool shown = false;
  if (ModalHook()) {
    FModal = true;
    DoShow();
    shown = true;
    int result = mrNone;
    bool answered;
    try {
      answered = ModalHook()(*this, result);
    } catch (...) {
      FModal = false;
      throw;
    }
    if (answered) {
      FModalResult = result;
      TCloseAction action = caHide;
      DoClose(action);
      FModal = false;
      DoHide();
      if (action == caFree) Release();
      return result;
    }
    FModal = false;
  }
  if (GetCapture()) ReleaseCapture();
  FSavedActive = GetActiveWindow();
  DisableTaskWindows();
  FModal = true;
  try {
    HandleNeeded();
    // Over a stay-on-top window of ours (a progress window, say) the modal window is owned by
    // it: owned, it stays above it instead of hiding behind it.
    if (FSavedActive && FSavedActive != FHandle && IsWindowVisible(FSavedActive) &&
        GetWindowThreadProcessId(FSavedActive, nullptr) == GetCurrentThreadId() &&
        (GetWindowLongA(FSavedActive, GWL_EXSTYLE) & WS_EX_TOPMOST))
      SetWindowLongPtrA(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(FSavedActive));
    PlaceOnFirstShow();
    if (!shown) DoShow();
    FVisible = true;
    ShowWindow(FHandle, SW_SHOWNORMAL);
    if (FFormStyle == fsStayOnTop)
      SetWindowPos(FHandle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(FHandle);
    SetActiveWindow(FHandle);
    while (FModalResult == mrNone) {
      Application->HandleMessage();
      if (Application->Terminated())
        FModalResult = mrCancel;
      else if (FModalResult != mrNone && !CloseModal())
        FModalResult = mrNone;
    }
  } catch (...) {
    FModal = false;
    EnableTaskWindows();
    throw;
  }
  EnableTaskWindows();
  if (FSavedActive && IsWindow(FSavedActive)) SetActiveWindow(FSavedActive);
  FModal = false;
  FVisible = false;
  if (FHandle) ShowWindow(FHandle, SW_HIDE);
  DoHide();
  return FModalResult;
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  RecreateWnd();
}

void TForm::SetBorderIcons(TBorderIcons value) {
  if (value == FBorderIcons) return;
  FBorderIcons = value;
  RecreateWnd();
}

void TForm::SetFormStyle(TFormStyle value) {
  if (value == FFormStyle) return;
  FFormStyle = value;
  if (FHandle)
    SetWindowPos(FHandle, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TForm::WindowState() {
  if (FHandle && FVisible)
    FWindowState = IsIconic(FHandle) ? wsMinimized : IsZoomed(FHandle) ? wsMaximized : wsNormal;
  return FWindowState;
}

void TForm::SetWindowState(TWindowState value) {
  FWindowState = value;
  if (FHandle && FVisible)
    ShowWindow(FHandle, value == wsMaximized   ? SW_MAXIMIZE
                        : value == wsMinimized ? SW_MINIMIZE
                                               : SW_RESTORE);
}

void TForm::SetActiveControl(TWinControl* value) {
  if (value == FActiveControl) return;
  if (FActiveControl) RemoveFreeNotification(FActiveControl);
  FActiveControl = value;
  if (value) {
    FreeNotification(value);
    if (FVisible && FActive && value->CanFocus() && value->HandleAllocated() &&
        GetFocus() != value->Handle())
      ::SetFocus(value->Handle());
  }
}

void TForm::SetFocus() {
  if (FHandle && FVisible) SetActiveWindow(FHandle);
}

void TForm::KeepReachable() {
  const RECT bounds = BoundsRect();
  const POINT place =
      ReachablePlace(bounds, Screen->WorkAreas(),
                     GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME));
  if (place.x != bounds.left || place.y != bounds.top)
    SetBounds(place.x, place.y, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void TForm::FocusChanged(TWinControl* control) {
  if (control == FActiveControl) return;
  if (FActiveControl) RemoveFreeNotification(FActiveControl);
  FActiveControl = control;
  if (control) FreeNotification(control);
}

void TForm::ControlRemoved(TControl* control) {
  if (control == FActiveControl) {
    RemoveFreeNotification(FActiveControl);
    FActiveControl = nullptr;
  }
}

void TForm::SetMenu(TMainMenu* value) {
  if (FMenu) RemoveFreeNotification(FMenu);
  FMenu = value;
  if (value) FreeNotification(value);
  if (FHandle) {
    ::SetMenu(FHandle, value ? value->Handle() : nullptr);
    if (value) value->SetWindowHandle(FHandle);
  }
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FActiveControl) FActiveControl = nullptr;
  if (component == FMenu) {
    FMenu = nullptr;
    if (FHandle) ::SetMenu(FHandle, nullptr);
  }
}

void TForm::KeyDown(WORD& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
}
void TForm::KeyUp(WORD& key, TShiftState shift) {
  TWinControl::KeyUp(key, shift);
}
void TForm::KeyPress(char& key) {
  TWinControl::KeyPress(key);
}

bool TForm::IsShortCut(WORD key, TShiftState shift) {
  return FMenu && FMenu->IsShortCut(key, shift);
}

static void CollectControls(TWinControl* parent, std::vector<TControl*>& out) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    out.push_back(c);
    if (auto w = dynamic_cast<TWinControl*>(c)) CollectControls(w, out);
  }
}

bool TForm::PageKey(HWND focus, WORD key, TShiftState shift) {
  if (key != VK_TAB && key != VK_NEXT && key != VK_PRIOR) return false;
  // The innermost page control that holds the focus, on its tabs or in one of its pages.
  for (HWND w = focus; w && w != FHandle; w = GetParent(w))
    if (auto* pages = dynamic_cast<TPageControl*>(FindControl(w))) {
      pages->SelectNextPage(key == VK_TAB ? !shift.Contains(ssShift) : key == VK_NEXT);
      return true;
    }
  return false;
}

bool TForm::DialogKey(HWND focus, WORD key, TShiftState shift) {
  // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown and Ctrl+PageUp turn the pages, as in every tab
  // control, before the focused control sees them.
  if (shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) return PageKey(focus, key, shift);
  if (shift.Contains(ssAlt) || shift.Contains(ssCtrl)) return false;
  if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE) return false;
  LRESULT code = focus ? SendMessageA(focus, WM_GETDLGCODE, key, 0) : 0;
  if (key == VK_TAB) {
    if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
    HWND next = GetNextDlgTabItem(FHandle, focus, shift.Contains(ssShift));
    if (next && next != focus) {
      ::SetFocus(next);
      if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageA(next, EM_SETSEL, 0, -1);
    }
    return true;
  }
  if (code & DLGC_WANTALLKEYS) return false;
  // The focus may sit in a window inside a control (the edit of a combo box): that control has it.
  TWinControl* focused = nullptr;
  for (HWND w = focus; w && w != FHandle && !focused; w = GetParent(w))
    focused = FindControl(w);
  if (focused && focused->DialogKeyAction(key, true)) return true;
  std::vector<TControl*> all;
  CollectControls(this, all);
  for (TControl* c : all)
    if (c != focused && c->Showing() && c->Enabled() && c->DialogKeyAction(key, false)) return true;
  return false;
}

namespace {
constexpr UINT_PTR ReleaseTimerId = 0x7B01;
}

void TForm::WndProc(TMessage& m) {
  switch (m.Msg) {
  case CM_RELEASE:
    // A handler further down the stack may still use this form (a command that let messages
    // run): the form goes once only this message is being handled.
    if (DispatchDepth() > 1) {
      SetTimer(FHandle, ReleaseTimerId, 20, nullptr);
      return;
    }
    delete this;
    return;
  case WM_TIMER:
    if (m.WParam == ReleaseTimerId) {
      if (DispatchDepth() > 1) return;
      KillTimer(FHandle, ReleaseTimerId);
      delete this;
      return;
    }
    break;
  case WM_ENTERMENULOOP:
    FInMenuLoop = true;
    break;
  case WM_EXITMENULOOP:
    FInMenuLoop = false;
    if (FCloseAfterMenu) {
      FCloseAfterMenu = false;
      PostMessageA(FHandle, WM_CLOSE, 0, 0);
    }
    break;
  case WM_CLOSE:
    // Closing inside the menu's own loop leaves that loop running over a window that is gone
    // (a close posted from outside): end the menu first and close once it has.
    if (FInMenuLoop && !FCloseAfterMenu) {
      FCloseAfterMenu = true;
      EndMenu();
      return;
    }
    Close();
    return;
  case WM_ACTIVATE:
    if (LOWORD(m.WParam) != WA_INACTIVE) {
      FActive = true;
      Screen->FActiveForm = this;
      Activate();
      if (FActiveControl && FActiveControl->CanFocus() && FActiveControl->HandleAllocated() &&
          !HIWORD(m.WParam)) {
        ::SetFocus(FActiveControl->Handle());
        return;
      }
    } else {
      FActive = false;
      Deactivate();
    }
    break;
  case WM_COMMAND:
    if (m.LParam == 0 && HIWORD(m.WParam) <= 1) {
      if (TMenuItem::DispatchCommand(LOWORD(m.WParam))) return;
    }
    break;
  case WM_INITMENUPOPUP:
    TMenuItem::DispatchPopup(reinterpret_cast<HMENU>(m.WParam));
    break;
  case WM_SIZE:
    if (Application && this == Application->MainForm()) {
      if (m.WParam == SIZE_MINIMIZED && Application->OnMinimize)
        Application->OnMinimize(Application);
      if (m.WParam == SIZE_RESTORED && FWindowState == wsMinimized && Application->OnRestore)
        Application->OnRestore(Application);
    }
    if (m.WParam == SIZE_MINIMIZED)
      FWindowState = wsMinimized;
    else if (m.WParam == SIZE_MAXIMIZED)
      FWindowState = wsMaximized;
    else if (m.WParam == SIZE_RESTORED)
      FWindowState = wsNormal;
    break;
  }
  TWinControl::WndProc(m);
}

// --- TApplication
// ----------------------------------------------------------------------------------

static bool AppKeyHook(MSG& msg) {
  return Application && Application->IsKeyMsg(msg);
}

TApplication::TApplication() : TComponent(nullptr) {
  FTitle = ChangeFileExt(ExtractFileName(ParamStr(0)), "");
  SetBoundaryHandler([this](std::exception_ptr e) { HandleException(e); });
  TbIsDialogMessageHook = AppKeyHook;
  InitCommonControlsOnce();
}

TApplication::~TApplication() {
  TbIsDialogMessageHook = nullptr;
  if (FHintWindow) DeallocateHWnd(FHintWindow);
  if (FHintTimer) DeallocateHWnd(FHintTimer);
}

bool TApplication::HelpContext(int context) {
  return HelpCommand(HELP_CONTEXT, static_cast<ULONG_PTR>(context));
}

bool TApplication::HelpCommand(unsigned command, ULONG_PTR data) {
  if (FHelpFile.empty()) return false;
  HWND owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
  if (!FileExists(FHelpFile)) {
    // The help system would only say that it cannot find the file; say so plainly instead.
    if (command == HELP_QUIT) return false;
    HWND active = GetActiveWindow();
    PlainMessageBox("The help file is not installed:\r\n" + FHelpFile, FTitle,
                    TMessageKind::Information, TMessageButtons::OK, active ? active : owner);
    return false;
  }
  return WinHelpA(owner, FHelpFile.c_str(), command, data) != FALSE;
}

void TApplication::Run() {
  if (FMainForm) {
    FMainForm->AfterConstruction();
    FMainForm->Show();
  }
  while (!FTerminated)
    HandleMessage();
}

void TApplication::ProcessMessages() {
  ::ProcessMessages();
}

void TApplication::HandleMessage() {
  int quitCode = 0;
  switch (PumpOneMessage(quitCode)) {
  case TPumpResult::Quit:
    FTerminated = true;
    break;
  case TPumpResult::Empty:
    WaitMessage();
    break;
  case TPumpResult::Handled:
    break;
  }
}

void TApplication::Terminate() {
  if (FTerminated) return;
  FTerminated = true;
  PostQuitMessage(0);
}

void TApplication::Minimize() {
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_MINIMIZE);
}

void TApplication::Restore() {
  if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->Handle(), SW_RESTORE);
}

void TApplication::HandleException(std::exception_ptr e) {
  if (FHandlingException) {
    OutputDebugStringA(("Exception while handling an exception: " + ExceptionMessage(e)).c_str());
    return;
  }
  FHandlingException = true;
  try {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& ex) {
      if (OnException)
        OnException(this, ex);
      else
        ShowException(ex);
    } catch (...) {
      Exception unknown("Unknown exception");
      if (OnException)
        OnException(this, unknown);
      else
        ShowException(unknown);
    }
  } catch (...) {
    OutputDebugStringA("Exception in the application's exception handler");
  }
  FHandlingException = false;
}

void TApplication::ShowException(const std::exception& e) {
  std::string text = e.what();
  if (!text.empty() && text.back() > '.') text += '.';
  HWND owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
  PlainMessageBox(text, FTitle, TMessageKind::Error, TMessageButtons::OK, owner);
}

void TApplication::SetHint(const std::string& value) {
  if (value == FHint) return;
  FHint = value;
  if (OnHint) OnHint(this);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FHintControl) {
    FHintControl = nullptr;
    CancelHint();
  }
  if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::SetShowHint(bool value) {
  FShowHint = value;
  if (!value) CancelHint();
}

void TApplication::CancelHint() {
  if (FHintWindow) ShowWindow(FHintWindow, SW_HIDE);
  if (FHintTimer) KillTimer(FHintTimer, 1);
}

void TApplication::DoMouseMove(TControl* control) {
  if (control == FHintControl) return;
  if (FHintControl) RemoveFreeNotification(FHintControl);
  FHintControl = control;
  if (control) FreeNotification(control);
  // The nearest control with a hint speaks for the place.
  TControl* withHint = control;
  while (withHint && withHint->Hint().empty())
    withHint = withHint->Parent();
  SetHint(withHint ? GetLongHint(withHint->Hint()) : std::string());
  CancelHint();
  if (FShowHint && control && control->ShowHint() && !GetShortHint(control->Hint()).empty()) {
    if (!FHintTimer)
      FHintTimer = AllocateHWnd([this](UINT msg, WPARAM, LPARAM, LRESULT&) {
        if (msg != WM_TIMER) return false;
        KillTimer(FHintTimer, 1);
        if (FHintControl) ShowHintWindow(FHintControl);
        return true;
      });
    SetTimer(FHintTimer, 1, 500, nullptr);
  }
}

void TApplication::ShowHintWindow(TControl* control) {
  std::string text = GetShortHint(control->Hint());
  if (!FHintWindow) {
    FHintWindow = AllocateHWnd([this](UINT msg, WPARAM, LPARAM, LRESULT& result) {
      if (msg != WM_PAINT) return false;
      TPaint dc(FHintWindow);
      RECT r;
      GetClientRect(FHintWindow, &r);
      TGdiObject<HBRUSH> b(CreateSolidBrush(ColorToRGB(clInfoBk)));
      FillRect(dc, &r, b.Get());
      char buf[512];
      int n = GetWindowTextA(FHintWindow, buf, sizeof buf);
      TSelectObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, ColorToRGB(clInfoText));
      r.left += 2;
      DrawTextA(dc, buf, n, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      result = 0;
      return true;
    });
    SetWindowLongA(FHintWindow, GWL_STYLE, WS_POPUP | WS_BORDER);
    SetWindowLongA(FHintWindow, GWL_EXSTYLE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  }
  SetWindowTextA(FHintWindow, text.c_str());
  SIZE s{};
  {
    TClientDC dc(FHintWindow);
    TSelectObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &s);
  }
  POINT p;
  GetCursorPos(&p);
  SetWindowPos(FHintWindow, HWND_TOPMOST, p.x, p.y + 20, s.cx + 8, s.cy + 4,
               SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
  InvalidateRect(FHintWindow, nullptr, TRUE);
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  CancelHint();
  TWinControl* control = nullptr;
  for (HWND w = msg.hwnd; w && !control; w = GetParent(w))
    control = TWinControl::FindControl(w);
  if (!control) return false;
  TForm* form = GetParentForm(control);
  if (!form || !form->HandleAllocated()) return false;
  WORD key = static_cast<WORD>(msg.wParam);
  TShiftState shift = KeyboardShiftState();
  if (form->IsShortCut(key, shift)) return true;
  return msg.message == WM_KEYDOWN && form->DialogKey(msg.hwnd, key, shift);
}

int RunGuardedEntry(const std::function<int()>& body) {
  try {
    return body();
  } catch (...) {
    if (Application)
      Application->HandleException(std::current_exception());
    else
      HandleBoundaryException(std::current_exception());
    return 1;
  }
}

// --- TScreen
// ------------------------------------------------------------------------------------------

TScreen::TScreen() : TComponent(nullptr) {
  struct {
    TCursor index;
    LPCSTR id;
  } const standard[] = {
      {crDefault, IDC_ARROW},
      {crArrow, IDC_ARROW},
      {crCross, IDC_CROSS},
      {crIBeam, IDC_IBEAM},
      {crSizeNESW, IDC_SIZENESW},
      {crSizeNS, IDC_SIZENS},
      {crSizeNWSE, IDC_SIZENWSE},
      {crSizeWE, IDC_SIZEWE},
      {crUpArrow, IDC_UPARROW},
      {crHourGlass, IDC_WAIT},
      {crDrag, IDC_ARROW},
      {crNoDrop, IDC_NO},
      {crHSplit, IDC_SIZEWE},
      {crVSplit, IDC_SIZENS},
      {crMultiDrag, IDC_ARROW},
      {crSQLWait, IDC_WAIT},
      {crNo, IDC_NO},
      {crAppStart, IDC_APPSTARTING},
      {crHelp, IDC_HELP},
      {crHandPoint, IDC_HAND},
      {crSizeAll, IDC_SIZEALL},
  };
  for (const auto& s : standard)
    FCursors[s.index] = LoadCursorA(nullptr, s.id);
  FCursors[crNone] = nullptr;
}

HCURSOR TScreen::Cursors(TCursor index) const {
  auto it = FCursors.find(index);
  return it != FCursors.end() ? it->second : FCursors.at(crDefault);
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
  // A cursor that could not be loaded leaves the default in its place.
  FCursors[index] = cursor ? cursor : FCursors.at(crDefault);
}

void TScreen::SetCursor(TCursor value) {
  if (value == FCursor) return;
  FCursor = value;
  POINT p;
  GetCursorPos(&p);
  HWND w = WindowFromPoint(p);
  if (value == crDefault) {
    if (w && GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId())
      SendMessageA(
          w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w),
          MAKELPARAM(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), WM_MOUSEMOVE));
  } else {
    ::SetCursor(Cursors(value));
  }
}

int TScreen::PixelsPerInch() const {
  TClientDC dc(nullptr);
  return GetDeviceCaps(dc, LOGPIXELSY);
}

RECT TScreen::WorkAreaRect() const {
  RECT r{0, 0, Width(), Height()};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

namespace {

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  return Guard<BOOL>(FALSE, [&]() -> BOOL {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info))
      reinterpret_cast<std::vector<RECT>*>(list)->push_back(info.rcWork);
    return TRUE;
  });
}

int64_t Overlap(const RECT& a, const RECT& b) {
  const int64_t w = std::min(a.right, b.right) - std::max(a.left, b.left);
  const int64_t h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

// How far a rectangle lies from an area: squared, 0 when they meet.
int64_t Distance(const RECT& r, const RECT& area) {
  const int64_t dx = std::max<int64_t>({0, area.left - r.right, r.left - area.right});
  const int64_t dy = std::max<int64_t>({0, area.top - r.bottom, r.top - area.bottom});
  return dx * dx + dy * dy;
}

} // namespace

std::vector<RECT> TScreen::WorkAreas() const {
  std::vector<RECT> areas;
  EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  if (areas.empty()) areas.push_back(WorkAreaRect());
  return areas;
}

POINT ReachablePlace(const RECT& window, const std::vector<RECT>& areas, int captionHeight) {
  const POINT here{window.left, window.top};
  if (areas.empty()) return here;
  const int width = window.right - window.left, height = window.bottom - window.top;
  const RECT caption{window.left, window.top, window.right, window.top + captionHeight};
  const int64_t grip = std::min(MinReachableCaption, width);
  for (const RECT& area : areas) {
    const int64_t w = std::min(caption.right, area.right) - std::max(caption.left, area.left);
    const int64_t h = std::min(caption.bottom, area.bottom) - std::max(caption.top, area.top);
    if (w >= grip && 2 * h >= captionHeight && h > 0) return here;
  }
  // The area it overlaps most, else the one it lies nearest to.
  const RECT* best = &areas.front();
  for (const RECT& area : areas) {
    const int64_t o = Overlap(window, area), bestO = Overlap(window, *best);
    if (o > bestO || (o == bestO && bestO == 0 && Distance(window, area) < Distance(window, *best)))
      best = &area;
  }
  POINT p = here;
  p.x = std::max<LONG>(best->left, std::min<LONG>(window.left, best->right - width));
  p.y = std::max<LONG>(best->top, std::min<LONG>(window.top, best->bottom - height));
  return p;
}
