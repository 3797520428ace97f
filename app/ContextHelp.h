// Help mode, the help contexts of the controls and commands that take part, and the Help menu.
#pragma once
#include <windows.h>
#include <functional>
#include <cstdint>
#include <map>
#include <string>
#include "Controls.h"

class TBitBtn;
class TExtListView;
class TExtPageControl;
class TMainServices;
class TMenuItem;
class TMyStringGrid;
class TObject;
class TPanel;

// The controls and commands that take part in help mode, as the window has built them.
struct TContextHelpParts {
  TMyStringGrid* AllCatGrid;
  TExtPageControl *Categories, *Albums;
  TBitBtn *Play, *PlayReplace, *NewAlb, *EditCat, *ExportTitle, *TrashCat, *Archive, *MailTitle,
      *PrintCat, *GetLocal, *BitBtn1, *BitBtn2;
  TPanel* TopPanel;
  TExtListView* AllAlbLV;
  // The program's and the player's buttons.
  TBitBtn *OutPort, *Back, *PlayNext, *RepeatSB, *Shuffle, *MusicClear, *Pause, *OneStop, *AllStop,
      *ProgView;
  TMenuItem *GetLocal2, *ScanadriveforMIDIfiles1, *ScansystemforMIDIfiles1, *Viewtitles1, *N19,
      *Volume2;
};

// What help works with: the window's message box, the owner of the Help menu's items (where the
// commands that take part are found by name), and the shell's "open" of a web page or mail
// address.
struct TContextHelpContext {
  TMainServices& Window;
  TComponent& Owner;
  std::function<intptr_t(const std::string& url)> OpenWebPage;
};

// The main window's help: the help cursor's clicks and the Help menu's commands.
class TContextHelp {
public:
  explicit TContextHelp(const TContextHelpContext& context);
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
  void BuildHelpMenu(TMenuItem& helpMenu);
  void WireContextHelp(const TContextHelpParts& parts);

  // The "&Show hints" item, ticked while every control shows its hint.
  TMenuItem* Hintlevel1() const { return FHintlevel1; }

private:
  TContextHelpContext FContext;
  TMenuItem* FHintlevel1 = nullptr;
  std::map<TObject*, int> FMenuHelpContexts;
};
