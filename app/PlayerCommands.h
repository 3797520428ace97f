// The player's buttons and the position slider.
#pragma once
#include <windows.h>
#include <string>
#include "Controls.h"

class TBitBtn;
class TCanvas;
class TMainMenu;
class TMasterFrm;
class TMenuItem;
class TMMSlider;
class TObject;
class TPanel;
class TPlayRoadView;

// The window's parts the player commands use. The position slider's slot is the window's: the
// busy state and the play commands use it too; the player builds the slider into it.
struct TPlayerParts {
  TPanel*& TopPanel;
  TMMSlider*& MMSlider1;
  TPanel*& ListPanel;
  TPanel*& PlayPanel;
  TBitBtn*& Back;
  TBitBtn*& PlayNext;
  TBitBtn*& Shuffle;
  TBitBtn*& MusicClear;
  TBitBtn*& Pause;
  TBitBtn*& AllStop;
  TBitBtn*& OutPort;
  TBitBtn*& Volume;
  TMenuItem*& Viewtitles1;
  TMainMenu*& MainMenu1;
  TMenuItem*& Options1;
};

// The main window's player commands.
class TPlayerCommands {
public:
  TPlayerCommands(TMasterFrm& frm, const TPlayerParts& parts);
  ~TPlayerCommands();
  TPlayerCommands(const TPlayerCommands&) = delete;
  TPlayerCommands& operator=(const TPlayerCommands&) = delete;

  // Player commands and the position slider.
  void OneStopClick(TObject* Sender);
  void PauseClick(TObject* Sender);
  void AllStopClick(TObject* Sender);
  void RepeatSBClick(TObject* Sender);
  void VolumeClick(TObject* Sender);
  void Volume2Click(TObject* Sender);
  void N19Click(TObject* Sender);
  void OutPortClick(TObject* Sender);
  void TrackBar1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void MMSlider1Track(TObject* Sender);
  void MMSlider1TrackEnd(TObject* Sender);
  void MMSlider1DrawThumb(TObject* Sender, TCanvas& aCanvas, RECT aRect, bool Dragged,
                          bool Focused);
  void MMSlider1DrawGroove(TObject* Sender, TCanvas& aCanvas, RECT& aRect);
  void MMSlider1Change(TObject* Sender);

  // The command line that the volume control was last run with.
  const std::string& VolumeCommand() const { return FVolumeCommand; }
  void BuildPlayerCommands();
  void RunVolumeControl();
  void ShowRoadTexts();
  // The player buttons follow the program: the step buttons, shuffle and erase.
  void UpdatePlayControls();
  // Follows the player without seeking.
  void SetSlider(int position, int maximum);
  // Places the slider (its height kept) and the played part over it.
  void PlaceSlider(int left, int top, int width);

  // The buttons, pictures and menus the player commands build.
  TPanel* SelPanel() const { return FSelPanel; }
  TBitBtn* RepeatSB() const { return FRepeatSB; }
  TBitBtn* OneStop() const { return FOneStop; }
  TBitBtn* ProgView() const { return FProgView; }
  TBitBtn* TempPause() const { return FTempPause; }
  TBitBtn* TempGo() const { return FTempGo; }
  TMenuItem* Music1() const { return FMusic1; }
  TMenuItem* N19() const { return FN19; }
  TMenuItem* Volume2() const { return FVolume2; }

private:
  // The road's view, which the window is: its notices go through it.
  TPlayRoadView& View();
  // The player commands' making, step by step in this order.
  void BuildSlider();
  void BuildButtons();
  void MakeGlyphs();
  void WireButtons();
  void BuildMenus();

  TMasterFrm& FFrm;
  TPlayerParts FParts;
  TPanel* FSelPanel = nullptr; // the played part, laid over the slider
  TBitBtn *FRepeatSB = nullptr, *FOneStop = nullptr, *FProgView = nullptr;
  // Picture holders of the pause and stop buttons' two looks.
  TBitBtn *FTempPause = nullptr, *FTempGo = nullptr, *FTempOneStop = nullptr;
  TMenuItem *FMusic1 = nullptr, *FN19 = nullptr, *FVolume2 = nullptr;
  std::string FVolumeCommand;
};
