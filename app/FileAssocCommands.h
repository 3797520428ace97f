// The Options menu's commands for the default MIDI player and the start with Windows.
#pragma once
#include "Menus.h"
#include "MessageKinds.h"
#include <cstdint>
#include <functional>
#include <string>

// The main window owns one and routes its menu items' clicks here.
class TFileAssocCommands {
public:
  struct TItems {
    TMenuItem* MIDIdefault = nullptr;
    TMenuItem* MIDIrestore = nullptr;
    TMenuItem* LaunchOnWinStart = nullptr;
    TMenuItem* Normal1 = nullptr;
    TMenuItem* Minimized1 = nullptr;
    TMenuItem* Not1 = nullptr;
  };

  TFileAssocCommands(const TItems& items, const std::string& programPath);

  // The main window's message box (text, kind, help context, buttons) -> the answer.
  std::function<TMessageAnswer(const std::string& text, TMessageKind kind, int helpContext,
                               TMessageButtons buttons)>
      ShowMessageBox;
  // True while the program is ending: no boxes then.
  std::function<bool()> Ending;
  std::function<void()> RepaintMainWindow;
  // Opens a web page with the shell's "open" verb and answers ShellExecute's result; a seam so that
  // tests open nothing.
  std::function<intptr_t(const std::string& url)> OpenWebPage;

  void MIDIdefaultClick();
  void MIDIrestoreClick();
  void Normal1Click();
  void Minimized1Click();
  void Not1Click();
  void OfferSupportOnFailure(const std::string& text);

  static constexpr const char* SupportPage = "https://www.tonalbrook.example/support";

private:
  void ApplyLaunchChoice();
  TMessageAnswer Box(const std::string& text, TMessageKind kind, TMessageButtons buttons);

  TItems FItems;
  std::string FProgramPath;
  std::string FProgramFolder;
};
