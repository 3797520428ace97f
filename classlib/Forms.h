// Forms, the application object, the screen and the modal loop (with its test seam).
#pragma once
#include "Controls.h"
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

class TMainMenu;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT,
                       mrRetry = IDRETRY, mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO,
                       mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

TB_DECLARE_EXCEPTION(EInvalidOperation, Exception);

class TForm : public TWinControl {
public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;

  // Fires OnCreate once; Application->CreateForm calls it, and so do Show and ShowModal.
  void AfterConstruction();

  void Show();
  void Hide() { SetVisible(false); }
  void Close();
  bool CloseQuery();
  // Runs the form modally and answers its ModalResult. While a test answers modal windows
  // (TModalAnswers), the answer is taken from there and no window shows.
  int ShowModal();
  bool Modal() const { return FModal; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }
  // Frees the form once the messages now queued have been handled.
  void Release();

  void SetVisible(bool value) override;
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle value);
  TWindowState WindowState();
  void SetWindowState(TWindowState value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition value) { FPosition = value; }
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool value) { FKeyPreview = value; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* value);
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* value);
  TIcon& Icon() { return FIcon; }
  bool Active() const { return FActive; }
  void SetFocus() override;
  // Moves the form back onto the monitors when its place leaves its caption out of reach (a
  // place stored for a screen that is no longer there).
  void KeepReachable();

  // Menu short cuts, Tab, Enter and Escape for the controls of this form, and the page keys
  // of its page controls; true when handled.
  bool IsShortCut(WORD key, TShiftState shift);
  bool DialogKey(HWND focus, WORD key, TShiftState shift);

  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate, OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void WndProc(TMessage& message) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyUp(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;
  void PaintWindow(HDC dc) override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();
  virtual void Paint();
  TCanvas& Canvas() { return FCanvas; }

private:
  friend class TWinControl;
  friend class TApplication;
  void ControlRemoved(TControl* control);
  void FocusChanged(TWinControl* control);
  // Ctrl with Tab, PageDown or PageUp: the page control holding the focus turns its page.
  bool PageKey(HWND focus, WORD key, TShiftState shift);
  void PlaceOnFirstShow();
  bool CloseModal();
  void DisableTaskWindows();
  void EnableTaskWindows();

  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TFormStyle FFormStyle = fsNormal;
  TWindowState FWindowState = wsNormal;
  TPosition FPosition = poDesigned;
  bool FKeyPreview = false;
  TWinControl* FActiveControl = nullptr;
  TMainMenu* FMenu = nullptr;
  TIcon FIcon;
  TControlCanvas FCanvas;
  bool FCreated = false, FPlaced = false, FModal = false, FActive = false;
  // A close asked for while a menu of this window is open waits for the menu to end.
  bool FInMenuLoop = false, FCloseAfterMenu = false;
  TModalResult FModalResult = mrNone;
  std::vector<HWND> FDisabledWindows;
  HWND FSavedActive = nullptr;
};

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

class TApplication : public TComponent {
public:
  TApplication();
  ~TApplication() override;

  template <class T> T* CreateForm() {
    T* form = new T(this);
    if (!FMainForm) FMainForm = form;
    form->AfterConstruction();
    return form;
  }
  TForm* MainForm() const { return FMainForm; }
  void SetMainForm(TForm* value) { FMainForm = value; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }
  const std::string& HelpFile() const { return FHelpFile; }
  void SetHelpFile(const std::string& value) { FHelpFile = value; }
  bool HelpContext(int context);
  bool HelpCommand(unsigned command, ULONG_PTR data);

  void Run();
  void ProcessMessages();
  // Handles one message, or waits for one when none is queued.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  void Minimize();
  void Restore();

  // The boundary handler: OnException, or a message box with the exception's text.
  void HandleException(std::exception_ptr e);
  void ShowException(const std::exception& e);

  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  void CancelHint();
  // Called as the mouse moves over a control: updates Hint (the long part) and the hint window.
  void DoMouseMove(TControl* control);
  // Keyboard handling that comes before a message is dispatched; true when consumed.
  bool IsKeyMsg(MSG& msg);

  TExceptionEvent OnException;
  TNotifyEvent OnHint, OnMinimize, OnRestore;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TForm;
  void ShowHintWindow(TControl* control);
  TForm* FMainForm = nullptr;
  std::string FTitle, FHelpFile, FHint;
  bool FTerminated = false, FShowHint = true, FHandlingException = false;
  TControl* FHintControl = nullptr;
  HWND FHintWindow = nullptr;
  HWND FHintTimer = nullptr;
};

class TScreen : public TComponent {
public:
  TScreen();
  HCURSOR Cursors(TCursor index) const;
  void SetCursors(TCursor index, HCURSOR cursor);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  int PixelsPerInch() const;
  RECT WorkAreaRect() const;
  // The work area of every monitor (each less its task bars); the primary one's alone when the
  // monitors cannot be asked.
  std::vector<RECT> WorkAreas() const;
  TForm* ActiveForm() const { return FActiveForm; }
  int FormCount() const { return static_cast<int>(FForms.size()); }
  TForm* Forms(int index) const { return FForms.at(index); }

private:
  friend class TForm;
  std::map<TCursor, HCURSOR> FCursors;
  TCursor FCursor = crDefault;
  TForm* FActiveForm = nullptr;
  std::vector<TForm*> FForms;
};

// Where a window of these bounds stays within reach: where it is while a stretch of its caption
// (the top captionHeight pixels) of at least MinReachableCaption pixels, or its whole width when
// narrower, lies in one of the work areas; else the least move that brings it wholly into the
// area nearest to it (its top left corner into the area when it is the larger).
constexpr int MinReachableCaption = 48;
POINT ReachablePlace(const RECT& window, const std::vector<RECT>& areas, int captionHeight);

extern TApplication* Application;
extern TScreen* Screen;

// Runs the program's entry body; what it raises goes to the application's exception handler and
// the answer is then 1, so that nothing on the way to or from the message loop ends the program
// through std::terminate.
int RunGuardedEntry(const std::function<int()>& body);

// The test seam for modal windows: while set, ShowModal asks it instead of running the form.
// It answers true with the modal result when it answered.
using TModalHook = std::function<bool(TForm& form, int& result)>;
void SetModalHook(TModalHook hook);
