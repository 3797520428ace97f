// The MIDI output port chooser.
#include "MIDIOPortCode.h"
#include "Classes.h"

TMIDIOPortFrm* MIDIOPortFrm = nullptr;

TMIDIOPortFrm::TMIDIOPortFrm(TComponent* AOwner) : TForm(AOwner) {
  SetName("MIDIOPortFrm");
  SetCaption(" MIDI output port");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetClientWidth(372);
  SetClientHeight(236);

  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetName("GroupBox1");
  GroupBox1->SetCaption(" Select a MIDI output port ");
  GroupBox1->Font().SetStyle({fsBold});
  GroupBox1->SetBounds(8, 6, 356, 56);
  GroupBox1->SetParent(this);
  ComboBox1 = new TComboBox(this);
  ComboBox1->SetName("ComboBox1");
  ComboBox1->SetStyle(csDropDownList);
  ComboBox1->SetParentFont(false);
  ComboBox1->SetBounds(12, 22, 332, 21);
  ComboBox1->SetParent(GroupBox1);
  ComboBox1->OnChange = [this](TObject* s) { ComboBox1Change(s); };

  RadioGroup1 = new TGroupBox(this);
  RadioGroup1->SetName("RadioGroup1");
  RadioGroup1->SetBounds(8, 68, 356, 116);
  RadioGroup1->SetParent(this);
  auto radio = [this](const char* name, const char* caption, int top) {
    auto* r = new TRadioButton(this);
    r->SetName(name);
    r->SetCaption(caption);
    r->SetBounds(12, top, 332, 20);
    r->SetParent(RadioGroup1);
    return r;
  };
  RestartRB = radio("RestartRB", "&Restart play now at beginning of title", 22);
  RadioButton2 = radio("RadioButton2", "Activate port after current title &ends play", 52);
  RadioButton1 = radio("RadioButton1", "Restart play at current &position in title", 82);
  RadioButton2->SetChecked(true);

  BitBtn1 = new TBitBtn(this);
  BitBtn1->SetName("BitBtn1");
  BitBtn1->SetKind(bkOK);
  BitBtn1->SetCaption("&OK");
  BitBtn1->SetBounds(96, 196, 84, 28);
  BitBtn1->SetParent(this);
  BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
  BitBtn2 = new TBitBtn(this);
  BitBtn2->SetName("BitBtn2");
  BitBtn2->SetKind(bkCancel);
  BitBtn2->SetCaption("&Cancel");
  BitBtn2->SetBounds(192, 196, 84, 28);
  BitBtn2->SetParent(this);

  OnShow = [this](TObject* s) { FormShow(s); };
}

void TMIDIOPortFrm::SetupRestartOptions(bool changed) {
  RestartRB->SetChecked(DoRestartOnPortChange && changed);
  RadioButton1->SetChecked(RestartPosOnPortChange);
  TMidiMode mode = PlayerMode ? PlayerMode() : mdNotReady;
  bool offer = changed && (mode == mdPlaying || mode == mdPaused);
  RadioGroup1->SetCaption(offer ? " When to use new MIDI output port? " : "");
  RadioGroup1->SetEnabled(offer);
  for (TRadioButton* r : {RestartRB, RadioButton2, RadioButton1})
    r->SetEnabled(offer);
}

void TMIDIOPortFrm::FormShow(TObject*) {
  SetupRestartOptions(false);
  ComboBox1->Items().Clear();
  TStringList devices;
  if (Player) Player->ListOutputDevices(&devices);
  for (int i = 0; i < devices.Count(); ++i) {
    const std::string& line = devices[i];
    size_t comma = line.find(',');
    ComboBox1->Items().Add(comma == std::string::npos ? line : line.substr(comma + 1));
  }
  if (Player && Player->MidiOutPort() >= 0 && Player->MidiOutPort() < devices.Count())
    ComboBox1->SetItemIndex(Player->MidiOutPort());
}

void TMIDIOPortFrm::ComboBox1Change(TObject*) {
  SetupRestartOptions(Player && ComboBox1->ItemIndex() != Player->MidiOutPort());
}

void TMIDIOPortFrm::BitBtn1Click(TObject*) {
  // Device numbers and list places agree.
  if (Player && ComboBox1->Items().Count() > 0 && ComboBox1->ItemIndex() >= 0)
    Player->SetMidiOutPort(ComboBox1->ItemIndex());
}
