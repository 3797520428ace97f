// The device-busy notice.
#include "UnMIDICode.h"

const std::vector<std::string>& UnMIDINoticeLines() {
  static const std::vector<std::string> lines = {
      "Windows allows only one MIDI player to PLAY music on the MIDI sub-system at any point in "
      "time ",
      "(of course, you can have many different players INSTALLED on your PC).  Tonalbrook has ",
      "detected that another MIDI player currently is playing or active.",
      "",
      "Please try one of the following options, A, B or C:",
      "A.  Choose another MIDI output port, from the 'Settings' menu command, ",
      "B.  Shut down the other MIDI player if you can find it,",
      "C.  1. Set Tonalbrook as the default Windows MIDI player (under the 'File' menu command),",
      "     2. Shut down and restart your system.",
  };
  return lines;
}

TUnMIDIFrm* UnMIDIFrm = nullptr;

TUnMIDIFrm::TUnMIDIFrm(TComponent* AOwner) : TForm(AOwner) {
  SetName("UnMIDIFrm");
  SetCaption("MIDI device unavailable");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetClientWidth(600);
  SetClientHeight(196);

  Memo1 = new TMemo(this);
  Memo1->SetName("Memo1");
  Memo1->SetBounds(8, 8, 584, 142);
  Memo1->SetReadOnly(true);
  Memo1->SetWordWrap(true);
  Memo1->SetTabStop(false);
  Memo1->SetParent(this);
  TStringList lines;
  for (const std::string& line : UnMIDINoticeLines())
    lines.Add(line);
  Memo1->SetLines(lines);

  BitBtn1 = new TBitBtn(this);
  BitBtn1->SetName("BitBtn1");
  BitBtn1->SetCaption("&Close");
  BitBtn1->SetBounds(255, 160, 89, 27);
  BitBtn1->SetParent(this);
  BitBtn1->OnClick = [this](TObject* s) { Button1Click(s); };
  SetActiveControl(BitBtn1);

  Timer1 = new TTimer(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(20000);
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
  Timer2 = new TTimer(this);
  Timer2->SetEnabled(false);
  Timer2->SetInterval(2000);
  Timer2->OnTimer = [this](TObject* s) { Timer2Timer(s); };

  OnShow = [this](TObject* s) { FormShow(s); };
  OnActivate = [this](TObject* s) { FormActivate(s); };
  OnHide = [this](TObject* s) { FormHide(s); };
  OnDeactivate = [this](TObject* s) { FormDeactivate(s); };
}

void TUnMIDIFrm::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  // Owned by the desktop: the notice has its own place apart from the main window.
  params.WndParent = GetDesktopWindow();
}

bool TUnMIDIFrm::ShowNotice(TForm* mainWindow) {
  if (FClosedByButton) return false;
  RECT area = mainWindow ? mainWindow->BoundsRect() : Screen->WorkAreaRect();
  SetBounds(area.left + (area.right - area.left - Width()) / 2,
            area.top + (area.bottom - area.top - Height()) / 2, Width(), Height());
  Show();
  return true;
}

void TUnMIDIFrm::FormShow(TObject*) {
  FClosedByButton = false;
  const int client = ClientWidth();
  BitBtn1->SetLeft((client - BitBtn1->Width()) / 2);
  Memo1->SetLeft((client - Memo1->Width()) / 2);
  BitBtn1->Font().SetStyle({fsBold});
  SetForegroundWindow(Handle());
}

void TUnMIDIFrm::FormActivate(TObject*) {
  SetForegroundWindow(Handle());
}

void TUnMIDIFrm::FormHide(TObject*) {
  Close();
}

void TUnMIDIFrm::FormDeactivate(TObject*) {
  Close();
}

void TUnMIDIFrm::Timer1Timer(TObject*) {
  Timer1->SetEnabled(false);
  Close();
}

void TUnMIDIFrm::Timer2Timer(TObject*) {
  Timer2->SetEnabled(false);
  FClosedByButton = false;
}

void TUnMIDIFrm::Button1Click(TObject*) {
  FClosedByButton = true;
  Timer2->SetEnabled(true);
  Timer1->SetEnabled(false);
  Close();
}
