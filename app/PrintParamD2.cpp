// The print options window.
#include "PrintParamD2.h"
#include "Dialogs.h"
#include "Printers.h"

TPrintParamFrm* PrintParamFrm = nullptr;

TPrintParamFrm::TPrintParamFrm(TComponent* AOwner) : TForm(AOwner) {
  SetName("PrintParamFrm");
  SetCaption("Set printing parameters");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetClientWidth(372);
  SetClientHeight(318);

  auto group = [this](const char* name, const char* caption, int top, int height) {
    auto* g = new TGroupBox(this);
    g->SetName(name);
    g->SetCaption(caption);
    g->SetBounds(8, top, 356, height);
    g->SetParent(this);
    return g;
  };
  GroupBox1 = group("GroupBox1", " Information to print ", 6, 128);
  auto box = [this](const char* name, const char* caption, bool ticked, int help, int col,
                    int row) {
    auto* c = new TCheckBox(this);
    c->SetName(name);
    c->SetCaption(caption);
    c->SetChecked(ticked);
    c->SetHelpContext(help);
    c->SetBounds(14 + col * 172, 20 + row * 20, 160, 18);
    c->SetParent(GroupBox1);
    return c;
  };
  Cat = box("Cat", "Category", true, 34, 0, 0);
  Art = box("Art", "Artist", true, 34, 0, 1);
  tit = box("tit", "Title", true, 34, 0, 2);
  Dur = box("Dur", "Duration", true, 34, 0, 3);
  Orig = box("Orig", "Origin", false, 34, 0, 4);
  Dat = box("Dat", "Date obtained", false, 34, 1, 0);
  FileType = box("FileType", "File &type", false, 0, 1, 1);
  FileSize = box("FileSize", "File &size", false, 0, 1, 2);
  FileDate = box("FileDate", "File &date", false, 0, 1, 3);
  Orig->OnClick = [this](TObject* s) { OrigClick(s); };

  GroupBox2 = group("GroupBox2", " Report title ", 140, 52);
  Edit1 = new TEdit(this);
  Edit1->SetName("Edit1");
  Edit1->SetHelpContext(33);
  Edit1->SetBounds(12, 20, 332, 21);
  Edit1->SetParent(GroupBox2);

  GroupBox3 = group("GroupBox3", " Page orientation ", 198, 72);
  auto radio = [this](const char* name, const char* caption, int top) {
    auto* r = new TRadioButton(this);
    r->SetName(name);
    r->SetCaption(caption);
    r->SetBounds(14, top, 240, 20);
    r->SetParent(GroupBox3);
    r->OnClick = [this](TObject* s) { RadioButtonClick(s); };
    return r;
  };
  RadioButton1 = radio("RadioButton1", "&Portrait", 20);
  RadioButton2 = radio("RadioButton2", "&Landscape", 44);
  RadioButton1->SetChecked(true);

  auto button = [this](const char* name, const char* caption, int left) {
    auto* b = new TBitBtn(this);
    b->SetName(name);
    b->SetCaption(caption);
    b->SetBounds(left, 280, 100, 28);
    b->SetParent(this);
    return b;
  };
  BitBtn1 = button("BitBtn1", "&Print!", 22);
  BitBtn1->SetModalResult(mrOk);
  BitBtn1->SetDefault(true);
  BitBtn1->Font().SetStyle({fsBold});
  BitBtn2 = button("BitBtn2", "&Setup...", 136);
  BitBtn2->OnClick = [this](TObject* s) { BitBtn2Click(s); };
  BitBtn3 = button("BitBtn3", "&Cancel", 250);
  BitBtn3->SetModalResult(mrCancel);
  BitBtn3->SetCancel(true);

  OnShow = [this](TObject* s) { FormShow(s); };
}

std::vector<TCheckBox*> TPrintParamFrm::ColumnBoxes() const {
  return {Cat, Art, tit, Dur, FileType, FileSize, FileDate, Orig, Dat};
}

void TPrintParamFrm::FormShow(TObject*) {
  SetActiveControl(Edit1);
  Printer().SetOrientation(RadioButton2->Checked() ? poLandscape : poPortrait);
}

void TPrintParamFrm::RadioButtonClick(TObject*) {
  Printer().SetOrientation(RadioButton2->Checked() ? poLandscape : poPortrait);
}

void TPrintParamFrm::OrigClick(TObject*) {
  // Origins are long: the wider page is worth suggesting, not forcing.
  if (Orig->Checked()) {
    RadioButton2->SetCaption("Landscape (recommended)");
    RadioButton2->Font().SetColor(clRed);
  } else {
    RadioButton2->SetCaption("Landscape");
    RadioButton2->Font().SetColor(clBlack);
  }
  RadioButton2->Invalidate();
}

void TPrintParamFrm::BitBtn2Click(TObject*) {
  TPrinterSetupDialog dialog(this);
  try {
    dialog.Execute();
  } catch (const EPrinter& e) {
    MessageDlg(e.what(), mtWarning, {mbOK}, 0);
  }
  if (Printer().Orientation() == poPortrait)
    RadioButton1->SetChecked(true);
  else
    RadioButton2->SetChecked(true);
}
