// The archive creation window, and the frame both archive windows share.
#include "CreateArchiveCodeD2.h"
#include <windows.h>
#include "Handles.h"
#include "FeatureHost.h"
#include "SysUtils.h"

TCreateArchiveForm* CreateArchiveFrm = nullptr;

void BuildArchiveProgressForm(TForm& form, TGroupBox*& box1, TExtProgressBar*& bar1,
                              TGroupBox*& box2, TExtProgressBar*& bar2, TBitBtn*& cancel,
                              TTimer*& timer) {
  form.SetBorderStyle(bsDialog);
  form.SetBorderIcons({biSystemMenu});
  form.SetFormStyle(fsStayOnTop);
  form.SetClientWidth(493);
  form.SetClientHeight(163);
  form.SetVisible(false);
  auto group = [&form](const char* name, int top, TExtProgressBar*& bar, const char* barName) {
    auto* box = new TGroupBox(&form);
    box->SetName(name);
    box->SetBounds(8, top, 477, 52);
    box->SetParent(&form);
    bar = new TExtProgressBar(&form);
    bar->SetName(barName);
    bar->SetBounds(12, 20, 453, 20);
    bar->SetExtendedStyles({pbxSmooth});
    bar->SetParent(box);
    return box;
  };
  box1 = group("GroupBox1", 8, bar1, "EPB1");
  box2 = group("GroupBox2", 66, bar2, "EPB2");
  cancel = new TBitBtn(&form);
  cancel->SetName("BitBtn1");
  cancel->SetCaption("Cancel");
  cancel->SetBounds(202, 128, 89, 27);
  cancel->SetParent(&form);
  timer = new TTimer(&form);
  timer->SetName("Timer1");
  timer->SetEnabled(false);
  timer->SetInterval(50);
}

TCreateArchiveForm::TCreateArchiveForm(TComponent* AOwner) : TForm(AOwner) {
  SetName("CreateArchiveForm");
  SetCaption("Archiving...");
  BuildArchiveProgressForm(*this, GroupBox1, EPB1, GroupBox2, EPB2, BitBtn1, Timer1);
  BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  // Hidden before its first tick (a modal answer in tests): the work must not start later.
  OnHide = [this](TObject*) { Timer1->SetEnabled(false); };
}

void TCreateArchiveForm::StartArchiving(const std::string& targetName, const TStringList& keys) {
  FCancelled = false;
  FTargetName = targetName;
  FKeys = std::make_unique<TStringList>();
  for (int i = 0; i < keys.Count(); ++i)
    FKeys->Add(keys.Strings(i));
  const int n = keys.Count();
  GroupBox1->SetCaption(" Preparing " + IntToStr(n) + " files for archiving ");
  GroupBox2->SetCaption(" Archiving " + IntToStr(n) + " files ");
  for (TExtProgressBar* bar : {EPB1, EPB2}) {
    bar->SetRange(0, n);
    bar->SetPosition(0);
  }
}

void TCreateArchiveForm::FormShow(TObject*) {
  Timer1->SetEnabled(true);
}

void TCreateArchiveForm::Timer1Timer(TObject*) {
  Timer1->SetEnabled(false);
  TFlagHold working(FWorking);
  if (ArchiveTitlesWork && FKeys) ArchiveTitlesWork(FTargetName, *FKeys);
  FKeys.reset();
  FWorking = false;
  Hide();
  if (FHost) FHost->RepaintMain();
  Close();
}

void TCreateArchiveForm::BitBtn1Click(TObject*) {
  FCancelled = true;
  if (!FWorking) {
    Timer1->SetEnabled(false);
    FKeys.reset();
    Close();
  }
}

void TCreateArchiveForm::WndProc(TMessage& m) {
  // Closing the window while the work runs is a Cancel; it closes itself when the work ends.
  if (m.Msg == WM_CLOSE || (m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_CLOSE)) {
    BitBtn1Click(this);
    m.Result = 0;
    return;
  }
  TForm::WndProc(m);
}
