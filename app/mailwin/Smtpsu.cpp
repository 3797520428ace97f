// The mail setup dialog.
#include "Smtpsu.h"
#include "agRasCmp.h"
#include "mssmtp.h"
#include <memory>

TSetupDlg* SetupDlg = nullptr;

namespace {

TLabel* MakeLabel(TForm* form, const char* name, const char* caption, int top) {
  auto* l = new TLabel(form);
  l->SetName(name);
  l->SetCaption(caption);
  l->SetBounds(12, top + 3, 110, 14);
  l->SetParent(form);
  return l;
}

template <class T> T* MakeField(TForm* form, const char* name, int top) {
  auto* c = new T(form);
  c->SetName(name);
  c->SetBounds(128, top, 200, 21);
  c->SetParent(form);
  return c;
}

} // namespace

TSetupDlg::TSetupDlg(TComponent* AOwner) : TForm(AOwner) {
  SetName("SetupDlg");
  SetCaption(Application->Title() + " mail setup");
  SetBorderStyle(bsDialog);
  SetClientWidth(344);
  SetClientHeight(246);
  SetPosition(poOwnerFormCenter);
  Label1 = MakeLabel(this, "Label1", "SMTP server", 10);
  ServerEdit = MakeField<TEdit>(this, "ServerEdit", 10);
  Label2 = MakeLabel(this, "Label2", "EMail address", 38);
  UserAddressEdit = MakeField<TEdit>(this, "UserAddressEdit", 38);
  Label3 = MakeLabel(this, "Label3", "Name", 66);
  UserNameEdit = MakeField<TEdit>(this, "UserNameEdit", 66);
  Label4 = MakeLabel(this, "Label4", "Log File Name", 94);
  LogFileNameEdit = MakeField<TEdit>(this, "LogFileNameEdit", 94);
  Label5 = MakeLabel(this, "Label5", "Character Set", 122);
  CharSetComboBox = MakeField<TComboBox>(this, "CharSetComboBox", 122);
  CharSetComboBox->SetStyle(csDropDownList);
  CharSetComboBox->Items().Add("US-ASCII");
  CharSetComboBox->Items().Add("ISO-8859-1");
  Label6 = MakeLabel(this, "Label6", "Encoding", 150);
  EncodingComboBox = MakeField<TComboBox>(this, "EncodingComboBox", 150);
  EncodingComboBox->SetStyle(csDropDownList);
  EncodingComboBox->Items().Add("MIME");
  EncodingComboBox->Items().Add("UUCode");
  Label7 = MakeLabel(this, "Label7", "RAS service", 178);
  RASComboBox = MakeField<TComboBox>(this, "RASComboBox", 178);
  RASComboBox->SetStyle(csDropDownList);

  // OK and Cancel centred, 15 pixels apart.
  const int width = 75, gap = 15, left = (344 - 2 * width - gap) / 2;
  OKBtn = new TButton(this);
  OKBtn->SetName("OKBtn");
  OKBtn->SetCaption("OK");
  OKBtn->SetDefault(true);
  OKBtn->SetModalResult(mrOk);
  OKBtn->SetBounds(left, 210, width, 25);
  OKBtn->SetParent(this);
  CancelBtn = new TButton(this);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetCaption("Cancel");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  CancelBtn->SetBounds(left + width + gap, 210, width, 25);
  CancelBtn->SetParent(this);
}

void TSetupDlg::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  // A taskbar button of its own, like the mail window.
  params.ExStyle |= WS_EX_APPWINDOW;
  params.WndParent = GetDesktopWindow();
}

void TSetupDlg::Fill(TmsSMTP& smtp, TmsMessage& message, TagRas& ras, int rasIndex) {
  ServerEdit->SetText(smtp.Server());
  UserAddressEdit->SetText(message.Sender().Address());
  UserNameEdit->SetText(message.Sender().Name());
  LogFileNameEdit->SetText(smtp.LogFileName());
  CharSetComboBox->SetItemIndex(message.CharSet() == csISO8859 ? 1 : 0);
  EncodingComboBox->SetItemIndex(message.Encoding() == meUU ? 1 : 0);
  RASComboBox->Items().Clear();
  RASComboBox->Items().Add("None");
  TStringList& entries = ras.GetEntries();
  for (int i = 0; i < entries.Count(); ++i)
    RASComboBox->Items().Add(entries[i]);
  RASComboBox->SetItemIndex(rasIndex >= 0 && rasIndex <= entries.Count() ? rasIndex : 0);
}

int TSetupDlg::Apply(TmsSMTP& smtp, TmsMessage& message, TagRas& ras) {
  smtp.SetServer(ServerEdit->Text());
  message.Sender().SetAddress(UserAddressEdit->Text());
  message.Sender().SetName(UserNameEdit->Text());
  smtp.SetLogFileName(LogFileNameEdit->Text());
  message.SetCharSet(CharSetComboBox->ItemIndex() == 1 ? csISO8859 : csUSASCII);
  message.SetEncoding(EncodingComboBox->ItemIndex() == 1 ? meUU : meMIME);
  int index = RASComboBox->ItemIndex();
  if (index < 0) index = 0;
  // "None" must stop the dialling of a former entry.
  ras.SetService(index > 0 ? RASComboBox->Items()[index] : std::string());
  return index;
}

bool RunMailSetup(TForm* owner, TmsSMTP& smtp, TmsMessage& message, TagRas& ras, int& rasIndex) {
  std::unique_ptr<TSetupDlg> dialog(new TSetupDlg(owner));
  dialog->Fill(smtp, message, ras, rasIndex);
  if (dialog->ShowModal() != mrOk) return false;
  rasIndex = dialog->Apply(smtp, message, ras);
  return true;
}
