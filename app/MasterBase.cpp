// The main window's message box, busy state, centring, trace box and exception handler.
#include "MasterBase.h"
#include "Menus.h"
#include "SysUtils.h"

namespace {

// Controls of the main window that long operations disable.
const char* const kCommandControls[] = {"NewAlb",  "GetLocal", "GetWeb", "BitBtn1",
                                        "BitBtn2", "OutPort",  "Volume", "MMSlider1"};
const char* const kPlayerSteps[] = {"Back", "PlayNext"};
const char* const kMainMenus[] = {"File", "View", "Albums", "Categories", "Titles", "Help"};

std::string WithoutAccel(const std::string& caption) {
  std::string s;
  for (char c : caption)
    if (c != '&') s += c;
  return s;
}

} // namespace

TMasterFrmBase::TMasterFrmBase(TComponent* AOwner) : TGradientForm(AOwner) {
  MD1 = new TMessageDialog(this);
  MD1->SetName("MD1");
}

TMessageAnswer TMasterFrmBase::ShowMessageBox(const std::string& text, TMessageKind kind,
                                              int helpContext, TMessageButtons buttons) {
  MD1->SetText(text);
  // Texts are shown as given: a path such as C:\Music\new.mid keeps its backslash and n.
  MD1->SetLineSeparator("");
  MD1->SetButtonSet(buttons);
  MD1->SetKind(kind);
  MD1->SetHelpContext(helpContext);
  return static_cast<TMessageAnswer>(MD1->Execute());
}

void TMasterFrmBase::SetCommandsEnabled(bool enabled) {
  for (const char* name : kCommandControls)
    if (auto* c = dynamic_cast<TControl*>(FindComponent(name))) c->SetEnabled(enabled);
  bool steps = enabled;
  if (enabled) {
    TMidiMode mode = PlayerMode ? PlayerMode() : mdNotReady;
    steps = mode == mdPlaying || mode == mdPaused;
  }
  for (const char* name : kPlayerSteps)
    if (auto* c = dynamic_cast<TControl*>(FindComponent(name))) c->SetEnabled(steps);
  if (TMainMenu* menu = Menu()) {
    TMenuItem& items = menu->Items();
    for (int i = 0; i < items.Count(); ++i) {
      std::string caption = WithoutAccel(items.Items(i)->Caption());
      for (const char* name : kMainMenus)
        if (caption == name) items.Items(i)->SetEnabled(enabled);
    }
  }
  SetCursor(enabled ? crDefault : crHourGlass);
  if (HandleAllocated()) {
    // Show the new cursor at once when the mouse is over the window.
    POINT p;
    GetCursorPos(&p);
    if (WindowFromPoint(p) == Handle()) ::SetCursor(Screen->Cursors(Cursor()));
  }
  FCommandsDisabled = !enabled;
}

void TMasterFrmBase::DisableCommands() {
  SetCommandsEnabled(false);
}

void TMasterFrmBase::EnableCommands() {
  SetCommandsEnabled(true);
}

void TMasterFrmBase::CenterOverMainWindow(TControl& window) {
  window.SetBounds(Left() + (Width() - window.Width()) / 2,
                   Top() + (Height() - window.Height()) / 2, window.Width(), window.Height());
}

void TMasterFrmBase::DebugTrace(const std::string& text) {
  auto* item = dynamic_cast<TMenuItem*>(FindComponent("DEBUGMODE1"));
  if (!item || !item->Checked()) return;
  ShowMessageBox(text, TMessageKind::Information, 0, TMessageButtons::OK);
  Repaint();
}

std::string AppExceptionText(const std::exception& E) {
  return std::string("Application exception:") + "\r\n\r\n" + E.what();
}

void TMasterFrmBase::AppException(TObject* Sender, const std::exception& E) {
  if (SoundInputFailed(Sender)) return;
  ShowMessageBox(AppExceptionText(E), TMessageKind::Error, 0, TMessageButtons::OK);
}

TBusyState::TBusyState(TMasterFrmBase& master) : FMaster(master) {
  if (FMaster.FBusyDepth++ == 0) FMaster.DisableCommands();
}

TBusyState::~TBusyState() {
  if (--FMaster.FBusyDepth == 0) FMaster.EnableCommands();
}
