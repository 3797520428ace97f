// Help mode, the help contexts of the controls and commands that take part, and the Help menu.
#pragma once
#include <windows.h>
#include <functional>
#include <map>
#include "Controls.h"

class TMasterFrm;
class TObject;

// The main window's help: the help cursor's clicks and the Help menu's commands.
class TContextHelp {
public:
  explicit TContextHelp(TMasterFrm& frm);
  ~TContextHelp();
  TContextHelp(const TContextHelp&) = delete;
  TContextHelp& operator=(const TContextHelp&) = delete;

  // The help cursor's click on a control or command that takes part; true when help took the
  // click (help mode was on, or force): help mode ends and the sender's help context, if any,
  // shows as a pop-up. The caller acts only on false.
  bool ContextHelpClick(TObject* Sender, bool Force = false);

  // Help mode is on while the screen shows this cursor.
  static constexpr TCursor HelpCursor = 5;

  // The help context of a menu command that takes part in help mode (0 none).
  int MenuHelpContext(TObject* item) const;

  // The Help menu.
  void Contextsensitive1Click(TObject* Sender);
  void Hintlevel1Click(TObject* Sender);
  void Viewhelpfile1Click(TObject* Sender);
  void Nosound1Click(TObject* Sender);
  void Email1Click(TObject* Sender);
  void Phone1Click(TObject* Sender);
  void Web1Click(TObject* Sender);

  // The application's help call (command, data); a seam so that tests record what it is asked.
  std::function<bool(unsigned command, ULONG_PTR data)> HelpCall;
  static constexpr const char* SupportMail = "mailto:support@tonalbrook.example";
  static constexpr const char* SupportPhones = "+1 555 0100 (Americas)\n+44 20 7946 0000 (Europe)";

  // The Help menu's items, the help contexts and help mode's first look in the taking-part
  // controls and commands.
  void BuildHelpMenu();
  void WireContextHelp();

private:
  TMasterFrm& FFrm;
  std::map<TObject*, int> FMenuHelpContexts;
};
