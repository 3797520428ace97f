// The MIDI output port chooser: the user picks the sequencer's output device and, while a title
// plays, when the new port takes effect.
#pragma once
#include <functional>
#include "Buttons.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "midi.h"

class TMIDIOPortFrm;
// The chooser made in the program's creation order (none in tests); each use makes a fresh one.
extern TMIDIOPortFrm* MIDIOPortFrm;

class TMIDIOPortFrm : public TForm {
public:
  explicit TMIDIOPortFrm(TComponent* AOwner);

  TGroupBox* GroupBox1;
  TComboBox* ComboBox1;
  TGroupBox* RadioGroup1;
  TRadioButton *RestartRB, *RadioButton2, *RadioButton1;
  TBitBtn *BitBtn1, *BitBtn2;

  // What the chooser works on; set before it is shown.
  TMyMidi* Player = nullptr;
  std::function<TMidiMode()> PlayerMode;
  bool DoRestartOnPortChange = false;
  bool RestartPosOnPortChange = false;

  void FormShow(TObject* Sender);
  void ComboBox1Change(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  // Ticks and enables the restart options for a port that changed or not.
  void SetupRestartOptions(bool changed);
};
