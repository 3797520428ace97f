// The name dialog: a name without "&" and not blank is handed over, anything else keeps it open.
#include "RenamerCodeD2.h"
#include <windows.h>
#include "Messages.h"
#include "SysUtils.h"

bool EditEntered = false;
TRenamer* Renamer = nullptr;
const char* const AmpersandWarning = "\"&\" not allowed!  Please retry...";

TRenamer::TRenamer(TComponent* AOwner) : TForm(AOwner) {
  SetName("Renamer");
  SetCaption("Rename \"Album\"");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetPosition(poDesigned);
  SetClientWidth(236);
  SetClientHeight(74);
  SetHelpContext(1300);

  Edit1 = new TEdit(this);
  Edit1->SetName("Edit1");
  Edit1->SetBounds(28, 10, 180, 21);
  Edit1->SetHelpContext(1301);
  Edit1->SetShowHint(true);
  Edit1->SetTabStop(true);
  Edit1->SetParent(this);
  Edit1->OnEnter = [](TObject*) { EditEntered = true; };

  BitBtn1 = new TBitBtn(this);
  BitBtn1->SetName("BitBtn1");
  BitBtn1->SetCaption("OK");
  BitBtn1->SetBounds(36, 42, 75, 25);
  BitBtn1->SetHelpContext(1302);
  BitBtn1->SetDefault(true); // Enter anywhere in the box acts as OK
  BitBtn1->SetTabStop(true);
  BitBtn1->SetParent(this);
  BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };

  BitBtn2 = new TBitBtn(this);
  BitBtn2->SetName("BitBtn2");
  BitBtn2->SetCaption("Cancel");
  BitBtn2->SetBounds(125, 42, 75, 25);
  BitBtn2->SetHelpContext(1303);
  BitBtn2->SetCancel(true);
  BitBtn2->SetTabStop(true);
  BitBtn2->SetParent(this);
  BitBtn2->OnClick = [this](TObject* s) { BitBtn2Click(s); };

  SetActiveControl(Edit1);
  EditEntered = false;
  OnShow = [this](TObject* s) { FormShow(s); };
}

void TRenamer::FormShow(TObject*) {
  Edit1->SetLeft((ClientWidth() - Edit1->Width()) / 2);
  SetActiveControl(Edit1);
  // The proposed name is selected: typing replaces it, an arrow key keeps it for editing.
  Edit1->SelectAll();
}

void TRenamer::BitBtn1Click(TObject*) {
  std::string text = Edit1->Text();
  if (text.find('&') != std::string::npos) {
    // The warning holds "&" itself, so OK on it warns again.
    MessageBeep(0);
    Edit1->SetText(AmpersandWarning);
    return;
  }
  std::string name = Trim(text);
  if (!EditEntered || name.empty()) return;
  *FResult = name;
  SetModalResult(mrOk);
}

void TRenamer::BitBtn2Click(TObject*) {
  EditEntered = false;
  LetMessagesRun();
  SetModalResult(mrCancel);
}

void CenterFormAt(TForm& form, int x, int y) {
  form.SetTop(y - form.Height() / 2);
  form.SetLeft(x - form.Width() / 2);
}

int AskName(TRenamer& form, const std::string& caption, const std::string& text,
            const std::string& hint) {
  form.SetCaption(caption);
  form.Edit1->SetText(text);
  form.Edit1->SetHint(hint);
  return form.ShowModal();
}
