// What the command groups ask of the main window: its message box, status line and progress bar,
// the busy state and the command gate, centring a window over it, and whether an import runs or
// the window is closing.
#pragma once
#include <string>
#include "BusyState.h"
#include "CommandGate.h"
#include "MessageKinds.h"

class TControl;

// The main window provides it; a group's tests stand in for it.
class TMainServices {
public:
  virtual ~TMainServices() = default;

  // The main window's message box (text as given, a help context, 0 none); answers the button.
  virtual TMessageAnswer ShowMessageBox(const std::string& text, TMessageKind kind, int helpContext,
                                        TMessageButtons buttons) = 0;
  virtual void Beep() = 0;
  // The status line's first panel, and the progress bar beside it.
  virtual void SetStatus(const std::string& text, bool bold) = 0;
  virtual void ProgressStart(int max) = 0; // range 0..max, position 0, shown
  virtual void ProgressPosition(int position) = 0;
  virtual void ProgressDone() = 0; // position 0, hidden
  // The hourglass alone, without the busy state.
  virtual void SetBusyCursor(bool busy) = 0;
  virtual void RepaintMain() = 0;
  // Centres window over the main window; the main window's centre on the screen.
  virtual void CenterOverMainWindow(TControl& window) = 0;
  struct TCentre {
    int X = 0, Y = 0;
  };
  virtual TCentre Centre() const = 0;

  // The busy state (held with TBusyState on Busy()) and the gate of commands not built yet.
  virtual TBusyHolder& Busy() = 0;
  virtual bool CommandsDisabled() const = 0;
  virtual TCommandGate& CommandGate() = 0;

  // The window is closing for good: nothing new starts.
  virtual bool Closed() const = 0;
  // The catalogue is being loaded at start-up.
  virtual bool Loading() const = 0;
  // An import runs (its pump may run other messages); an import scope enters and leaves it, and
  // the end of the last runs what waited for it.
  virtual bool Importing() const = 0;
  virtual void EnterImport() = 0;
  virtual void LeaveImport() = 0;
  // Lets messages run between the files of an import: input at every file, repaints paced.
  virtual void RunImportPump() = 0;
};
