// The main window's message box, busy state, centring, trace box and exception handler.
#include "MasterBase.h"
#include <algorithm>
#include "Handles.h"
#include "Menus.h"
#include "SysUtils.h"

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
  for (TControl* c : FBusyParts.Commands)
    FCommandGate.SetEnabled(c, enabled);
  bool steps = enabled;
  if (enabled) {
    TMidiMode mode = PlayerMode ? PlayerMode() : mdNotReady;
    steps = mode == mdPlaying || mode == mdPaused;
  }
  for (TControl* c : FBusyParts.PlayerSteps)
    c->SetEnabled(steps);
  {
    // The menus' changes show together once all are made.
    std::vector<TMenu*> menus;
    for (TMenuItem* m : FBusyParts.Menus) {
      TMenu* root = m->RootMenu();
      if (root && std::find(menus.begin(), menus.end(), root) == menus.end()) menus.push_back(root);
    }
    for (TMenu* menu : menus)
      menu->BeginUpdate();
    TScopeExit shown([&] {
      for (TMenu* menu : menus)
        menu->EndUpdate();
    });
    for (TMenuItem* m : FBusyParts.Menus)
      m->SetEnabled(enabled);
    // Handlers may have come since the last look; the ones still missing keep their items off.
    FCommandGate.Apply();
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
  if (!FTraceItem || !FTraceItem->Checked()) return;
  ShowMessageBox(text, TMessageKind::Information, 0, TMessageButtons::OK);
  Repaint();
}

std::string AppExceptionText(const std::exception& E) {
  return std::string("Application exception:") + "\r\n\r\n" + E.what();
}

void TMasterFrmBase::AppException(TObject* Sender, const std::exception& E) {
  if (SoundInputFailed(Sender, E)) return;
  ShowMessageBox(AppExceptionText(E), TMessageKind::Error, 0, TMessageButtons::OK);
}

void TMasterFrmBase::BeginBusy() {
  if (FBusyDepth++ == 0) DisableCommands();
}

void TMasterFrmBase::EndBusy() {
  if (--FBusyDepth == 0) EnableCommands();
}
