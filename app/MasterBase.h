// The main window's shared services: its message box, the busy state of long operations, centring
// a window over it, the play road's trace box and the application's exception handler. The main
// window class derives from TMasterFrmBase and names its command controls as listed below.
#pragma once
#include "BusyState.h"
#include "CommandGate.h"
#include "GradForm.h"
#include "MsgDlg.h"
#include "MessageKinds.h"
#include "midi.h"
#include <exception>
#include <functional>
#include <string>
#include <vector>

class TMenuItem;

class TMasterFrmBase : public TGradientForm, public TBusyHolder {
public:
  explicit TMasterFrmBase(TComponent* AOwner);

  // The main window's message dialog.
  TMessageDialog* MD1;

  // Shows text as given (no line-separator markers) with a kind, a help context (0 none) and a
  // set of buttons; answers the button pressed.
  TMessageAnswer ShowMessageBox(const std::string& text, TMessageKind kind, int helpContext,
                                TMessageButtons buttons);

  // What the busy state disables, handed over by the main window once its parts are built.
  struct TBusyParts {
    std::vector<TControl*> Commands;    // the catalogue command buttons and the position slider
    std::vector<TControl*> PlayerSteps; // enabled only while a title plays or is paused
    std::vector<TMenuItem*> Menus;      // the main menus
  };
  void SetBusyParts(TBusyParts parts) { FBusyParts = std::move(parts); }
  // The hidden menu item whose tick turns the trace box on.
  void SetTraceItem(TMenuItem* item) { FTraceItem = item; }

  // The busy state: the catalogue commands, the player's step buttons, the position slider and
  // the main menus disabled, the hourglass on the main window; EnableCommands undoes it (the
  // step buttons only while a title plays or is paused). Prefer TBusyState, which cannot leave
  // the commands disabled when an exception passes.
  void DisableCommands();
  virtual void EnableCommands();
  bool CommandsDisabled() const { return FCommandsDisabled; }
  void BeginBusy() override;
  void EndBusy() override;

  // Centres window over this window (halves rounded toward zero).
  void CenterOverMainWindow(TControl& window);

  // Shows text as information while the trace item (DEBUGMODE1) is ticked.
  void DebugTrace(const std::string& text);

  // The application's exception handler: install with
  //   Application->OnException = [this](TObject* s, const std::exception& e) { AppException(s, e);
  //   };
  void AppException(TObject* Sender, const std::exception& E);

  // The player's mode, asked by EnableCommands; the main window links it to its player.
  std::function<TMidiMode()> PlayerMode;

  // Buttons and menu items whose command may not be built yet: disabled while they have no
  // OnClick, whatever the busy state says. Looked at again at every change of the busy state.
  TCommandGate& CommandGate() { return FCommandGate; }

protected:
  // An exception from the sound input (by its sender or its kind): the main window closes its
  // input and answers true; nothing is shown then.
  virtual bool SoundInputFailed(TObject* Sender, const std::exception& E) {
    (void)Sender;
    (void)E;
    return false;
  }

private:
  void SetCommandsEnabled(bool enabled);
  TCommandGate FCommandGate;
  TBusyParts FBusyParts;
  TMenuItem* FTraceItem = nullptr;
  bool FCommandsDisabled = false;
  int FBusyDepth = 0;
};

// The message the exception handler shows.
std::string AppExceptionText(const std::exception& E);
