// The player's buttons and the position slider.
#pragma once
#include <windows.h>
#include <string>
#include "Controls.h"

#include <functional>

class TBitBtn;
class TCanvas;
class TComponent;
class TContextHelp;
class TMainMenu;
class TMainServices;
class TMenuItem;
class TMMSlider;
class TObject;
class TPanel;
class TPlayCommands;
class TPlayRoad;
class TPlayRoadView;
class TVisualEffects;
class TSettings;

// What the player commands work with: the window's message box, busy state and command gate, the
// owner of the buttons and menus they build, the play road with its player and the view it shows
// on, the settings (the restart choices of a port change), the visual effects that follow play,
// help mode, the play commands' erase, and the window's program viewer and sequencer.
struct TPlayerContext {
  TMainServices& Window;
  TComponent& Owner;
  TPlayRoad& Road;
  TPlayRoadView& RoadView;
  TSettings& Settings;
  TVisualEffects& VisualEffects;
  TContextHelp& ContextHelp;
  TPlayCommands& PlayCommands;
  // Shows the program viewer over the window, filled (the ProgView button and "&View titles").
  std::function<void(TObject*)> ShowProgramViewer;
  // Closes the sequencer: play ends and the device is free.
  std::function<void()> CloseSequencer;
};

// The window's parts the player commands build into and act on.
struct TPlayerParts {
  TPanel* TopPanel = nullptr;
  TPanel* ListPanel = nullptr;
  TPanel* PlayPanel = nullptr;
  TBitBtn* Back = nullptr;
  TBitBtn* PlayNext = nullptr;
  TBitBtn* Shuffle = nullptr;
  TBitBtn* MusicClear = nullptr;
  TBitBtn* Pause = nullptr;
  TBitBtn* AllStop = nullptr;
  TBitBtn* OutPort = nullptr;
  TBitBtn* Volume = nullptr;
  TMenuItem* Viewtitles1 = nullptr;
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* Options1 = nullptr;
};

// The main window's player commands.
class TPlayerCommands {
public:
  explicit TPlayerCommands(const TPlayerContext& context);
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
  // Builds the position slider, the player's buttons and menus into the parts.
  void BuildPlayerCommands(const TPlayerParts& parts);
  void RunVolumeControl();
  void ShowRoadTexts();
  // The player buttons follow the program: the step buttons, shuffle and erase.
  void UpdatePlayControls();
  // Follows the player without seeking.
  void SetSlider(int position, int maximum);
  // Places the slider (its height kept) and the played part over it.
  void PlaceSlider(int left, int top, int width);

  // What the player commands build that others take part: the position slider (the busy state
  // and the play commands use it too) and the commands that take part in help mode.
  TMMSlider* Slider() const { return FMMSlider1; }
  TBitBtn* RepeatSB() const { return FRepeatSB; }
  TBitBtn* OneStop() const { return FOneStop; }
  TBitBtn* ProgView() const { return FProgView; }
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

  TPlayerContext FContext;
  TPlayerParts FParts;
  TMMSlider* FMMSlider1 = nullptr;
  TPanel* FSelPanel = nullptr; // the played part, laid over the slider
  TBitBtn *FRepeatSB = nullptr, *FOneStop = nullptr, *FProgView = nullptr;
  // Picture holders of the pause and stop buttons' two looks.
  TBitBtn *FTempPause = nullptr, *FTempGo = nullptr, *FTempOneStop = nullptr;
  TMenuItem *FMusic1 = nullptr, *FN19 = nullptr, *FVolume2 = nullptr;
  std::string FVolumeCommand;
};
