// The device-busy notice: another program holds the MIDI output, and what the user can do.
#pragma once
#include "Buttons.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TUnMIDIFrm;
// The notice made in the program's creation order (none in tests).
extern TUnMIDIFrm* UnMIDIFrm;

class TUnMIDIFrm : public TForm {
public:
  explicit TUnMIDIFrm(TComponent* AOwner);

  TMemo* Memo1;
  TBitBtn* BitBtn1;
  TTimer* Timer1; // nothing starts it; kept as the notice's own way to close after 20 s
  TTimer* Timer2; // the 2 s after the Close button in which the notice stays quiet

  // Shows the notice, without waiting, centred over mainWindow (the screen when nullptr).
  // Answers false and shows nothing in the 2 s after its Close button was pressed.
  bool ShowNotice(TForm* mainWindow);
  bool ClosedByButton() const { return FClosedByButton; }

  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormHide(TObject* Sender);
  void FormDeactivate(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void Timer2Timer(TObject* Sender);
  void Button1Click(TObject* Sender);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  bool FClosedByButton = false;
};

// The memo's text, line by line.
const std::vector<std::string>& UnMIDINoticeLines();
