// The player's buttons and the position slider.
#pragma once
#include <windows.h>
#include <string>
#include "Controls.h"

class TMasterFrm;
class TCanvas;
class TObject;

// The main window's player commands.
class TPlayerCommands {
public:
  explicit TPlayerCommands(TMasterFrm& frm);
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

private:
  TMasterFrm& FFrm;
  std::string FVolumeCommand;
};
