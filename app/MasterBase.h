// The main window's shared services: its message box, the busy state of long operations, centring
// a window over it, the play road's trace box and the application's exception handler. The main
// window class derives from TMasterFrmBase and names its command controls as listed below.
#pragma once
#include "CommandGate.h"
#include "GradForm.h"
#include "MsgDlg.h"
#include "midi.h"
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

// Kinds of ShowMessageBox.
constexpr int mbkWarning = 0, mbkError = 1, mbkInformation = 2, mbkConfirmation = 3;
// Buttons of ShowMessageBox, as bits.
constexpr uint16_t mbbYes = 1, mbbNo = 2, mbbOK = 4, mbbCancel = 8, mbbAbort = 16, mbbHelp = 1024;

class TMasterFrmBase : public TGradientForm {
public:
  explicit TMasterFrmBase(TComponent* AOwner);

  // The main window's message dialog.
  TMessageDialog* MD1;

  // Shows text as given (no line-separator markers) with a kind (0 warning, 1 error,
  // 2 information, 3 confirmation), a help context (0 none) and a set of buttons (1 Yes, 2 No,
  // 4 OK, 8 Cancel, 16 Abort, 1024 Help). Answers 1 OK, 2 Cancel, 3 Abort, 6 Yes or 7 No.
  int ShowMessageBox(const std::string& text, int kind, int helpContext, uint16_t buttons);

  // The busy state: the catalogue commands, the player's step buttons, the position slider and
  // the main menus disabled, the hourglass on the main window; EnableCommands undoes it (the
  // step buttons only while a title plays or is paused). Prefer TBusyState, which cannot leave
  // the commands disabled when an exception passes.
  void DisableCommands();
  void EnableCommands();
  bool CommandsDisabled() const { return FCommandsDisabled; }

  // Centres window over this window (halves rounded toward zero).
  void CenterOverMainWindow(TControl& window);

  // Shows text as information while the hidden menu item DEBUGMODE1 is ticked.
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
  // An exception from the sound input: the main window closes its input and answers true;
  // nothing is shown then.
  virtual bool SoundInputFailed(TObject* Sender) {
    (void)Sender;
    return false;
  }

private:
  friend class TBusyState;
  void SetCommandsEnabled(bool enabled);
  TCommandGate FCommandGate;
  bool FCommandsDisabled = false;
  int FBusyDepth = 0;
};

// Holds the busy state for its lifetime. Nested holders keep it until the outermost ends.
class TBusyState {
public:
  explicit TBusyState(TMasterFrmBase& master);
  ~TBusyState();
  TBusyState(const TBusyState&) = delete;
  TBusyState& operator=(const TBusyState&) = delete;

private:
  TMasterFrmBase& FMaster;
};

// The message the exception handler shows.
std::string AppExceptionText(const std::exception& E);
