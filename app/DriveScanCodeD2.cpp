// The drive scan window.
#include "DriveScanCodeD2.h"
#include <windows.h>
#include "AddInfo.h"
#include "FolderTools.h"
#include "ImportCommands.h"
#include "FeatureHost.h"
#include "ProgramWide.h"
#include "ScanCommands.h"
#include "Messages.h"
#include "SysUtils.h"
#include "DataCodeD2.h"

TDriveScanFrm* DriveScanFrm = nullptr;

namespace {} // namespace

TDriveScanFrm::TDriveScanFrm(TComponent* AOwner) : TForm(AOwner) {
  SetName("DriveScanFrm");
  SetCaption(" Scan a drive for MIDI files");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetPosition(poMainFormCenter);
  SetClientWidth(520);
  SetClientHeight(432);

  GroupBox1 = MakeChild<TGroupBox>(this, this, "GroupBox1", 8, 4, 504, 52);
  GroupBox1->SetCaption(" Scanning status ");
  Label1 = MakeLabel(this, GroupBox1, "Label1", "Directories scanned", 10, 22);
  Edit1 = MakeChild<TEdit>(this, GroupBox1, "Edit1", 124, 18, 70, 21);
  Label2 = MakeLabel(this, GroupBox1, "Label2", "MIDI files found", 206, 22);
  Edit2 = MakeChild<TEdit>(this, GroupBox1, "Edit2", 300, 18, 70, 21);
  for (TEdit* e : {Edit1, Edit2}) {
    e->SetReadOnly(true);
    e->SetTabStop(false);
    e->SetText("0");
  }
  BitBtn1 = MakeChild<TBitBtn>(this, GroupBox1, "BitBtn1", 414, 16, 80, 25);
  BitBtn1->SetCaption("Stop");

  GroupBox2 = MakeChild<TGroupBox>(this, this, "GroupBox2", 8, 60, 504, 50);
  GroupBox2->SetCaption(" Importing status ");
  ExtProgressBar1 = MakeChild<TExtProgressBar>(this, GroupBox2, "ExtProgressBar1", 10, 20, 394, 18);
  BitBtn2 = MakeChild<TBitBtn>(this, GroupBox2, "BitBtn2", 414, 16, 80, 25);
  BitBtn2->SetCaption("Stop");

  GroupBox3 = MakeChild<TGroupBox>(this, this, "GroupBox3", 8, 114, 504, 236);
  GroupBox3->SetCaption(" Select drive, top level directory and options ");
  DriveComboBox1 = MakeChild<TDriveComboBox>(this, GroupBox3, "DriveComboBox1", 10, 20, 220, 21);
  DriveComboBox1->SetHelpContext(1608);
  DirectoryListBox1 =
      MakeChild<TDirectoryListBox>(this, GroupBox3, "DirectoryListBox1", 10, 48, 220, 178);
  DirectoryListBox1->SetHelpContext(1609);
  DriveComboBox1->SetDirList(DirectoryListBox1);
  GroupBox5 = MakeChild<TGroupBox>(this, GroupBox3, "GroupBox5", 240, 14, 254, 112);
  GroupBox5->SetCaption("Provide information for added MIDIs ");
  Label6 = MakeLabel(this, GroupBox5, "Label6", "Artist", 10, 20);
  Artists = MakeChild<TComboBox>(this, GroupBox5, "Artists", 10, 36, 234, 21);
  Artists->SetHelpContext(1002);
  Label7 = MakeLabel(this, GroupBox5, "Label7", "Category", 10, 62);
  Categories = MakeChild<TComboBox>(this, GroupBox5, "Categories", 10, 78, 234, 21);
  Categories->SetHelpContext(1003);
  RadioGroup1 = MakeChild<TGroupBox>(this, GroupBox3, "RadioGroup1", 240, 132, 254, 94);
  RadioGroup1->SetCaption(" If a MIDI already exists in database... ");
  RadioButton1 = MakeChild<TRadioButton>(this, RadioGroup1, "RadioButton1", 12, 26, 230, 20);
  RadioButton1->SetCaption("Ignore it (recommended)");
  RadioButton1->SetChecked(true);
  RadioButton2 = MakeChild<TRadioButton>(this, RadioGroup1, "RadioButton2", 12, 56, 230, 20);
  RadioButton2->SetCaption("Add it to the database anyway");

  GroupBox4 = MakeChild<TGroupBox>(this, this, "GroupBox4", 8, 354, 504, 70);
  GroupBox4->SetCaption(" Execute scan ");
  Label3 = MakeLabel(this, GroupBox4, "Label3", "Scan", 10, 22);
  Label4 = MakeLabel(this, GroupBox4, "Label4", "", 44, 22);
  Label4->SetAutoSize(false);
  Label4->SetBounds(44, 22, 270, 16);
  Label4->Font().SetStyle({fsBold});
  Label5 = MakeLabel(this, GroupBox4, "Label5", "and sub-directories", 10, 42);
  OKBtn = MakeChild<TBitBtn>(this, GroupBox4, "OKBtn", 324, 24, 80, 27);
  OKBtn->SetCaption("&Scan!");
  OKBtn->Font().SetStyle({fsBold});
  CancelBtn = MakeChild<TBitBtn>(this, GroupBox4, "CancelBtn", 414, 24, 80, 27);
  CancelBtn->SetKind(bkCancel);

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(100);
  MD1 = new TMessageDialog(this);
  MD1->SetName("MD1");
  MD1->SetCaption(AppTitleText);

  DriveComboBox1->OnEnter = [this](TObject* s) { DriveComboBox1Enter(s); };
  DriveComboBox1->OnChange = [this](TObject* s) { DriveComboBox1Change(s); };
  DirectoryListBox1->OnChange = [this](TObject*) { ShowChosenFolder(); };
  OKBtn->OnClick = [this](TObject* s) { OKBtnClick(s); };
  BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
  BitBtn2->OnClick = [this](TObject* s) { BitBtn2Click(s); };
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

int TDriveScanFrm::ShowBox(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons) {
  MD1->SetText(text);
  MD1->SetLineSeparator("");
  MD1->SetMsgType(kind);
  MD1->SetButtons(buttons);
  return MD1->Execute();
}

void TDriveScanFrm::ShowChosenFolder() {
  Label4->SetCaption(DirectoryListBox1->Directory());
}

void TDriveScanFrm::FormShow(TObject*) {
  TCatList* categories = FHost ? FHost->Categories() : nullptr;
  TPerfList* artists = FHost ? FHost->Artists() : nullptr;
  FillCategoryBox(*Categories, categories, FCategoryKeys);
  FillArtistBox(*Artists, artists, FArtistKeys);
  Categories->SetText(CategoryPlaceholder);
  Artists->SetText(ArtistPlaceholder);
  RadioButton1->SetEnabled(true);
  RadioButton2->SetEnabled(true);
  RadioButton1->SetChecked(true);
  ExtProgressBar1->SetRange(0, 100);
  ExtProgressBar1->SetPosition(0);
  ScanStopped = false;
  ImportStopped = false;
  FFolderCount = 0;
  OKBtn->SetEnabled(true);
  CancelBtn->SetEnabled(true);
  BitBtn1->SetEnabled(false);
  BitBtn2->SetEnabled(false);
  RadioGroup1->SetEnabled(true);
  Edit1->SetText("0");
  Edit2->SetText("0");
  if (DirectoryListBox1->Drive() != DriveComboBox1->Drive())
    DriveComboBox1->SetDrive(DirectoryListBox1->Drive());
  FOldDrive = DriveComboBox1->Drive();
  ShowChosenFolder();
}

void TDriveScanFrm::DriveComboBox1Enter(TObject*) {
  FOldDrive = DriveComboBox1->Drive();
}

void TDriveScanFrm::DriveComboBox1Change(TObject*) {
  char chosen = DriveComboBox1->Drive();
  if (chosen == FOldDrive) return;
  if (AcceptChosenDrive(*MD1, chosen))
    FOldDrive = chosen;
  else
    DriveComboBox1->SetDrive(FOldDrive);
}

bool TDriveScanFrm::ValidateScanInfo(const std::string& artistText, const std::string& categoryText,
                                     std::string& lastName, std::string& firstName,
                                     std::string& category) {
  bool artistOk = false, categoryOk = false;
  lastName.clear();
  firstName.clear();
  category.clear();
  if (artistText != ArtistPlaceholder) {
    int index = ExactItemIndex(*Artists, artistText);
    TPerfList* artists = FHost ? FHost->Artists() : nullptr;
    if (index >= 0 && index < FArtistKeys.Count() && artists) {
      // The kept key names the artist; splitting the shown text again would break a name that
      // holds a comma into a new artist.
      artists->GetPerformerNames(StrToIntDef(FArtistKeys[index], 0), firstName, lastName);
      artistOk = !Trim(lastName + firstName).empty();
    } else {
      std::string typed = Trim(artistText);
      SplitAtComma(typed, lastName, firstName);
      if (typed.size() == 1)
        artistOk = typed != ",";
      else
        artistOk = typed.size() >= 2 && !(lastName.empty() && firstName.empty());
    }
  }
  if (categoryText != CategoryPlaceholder) {
    if (int index = ExactItemIndex(*Categories, categoryText); index >= 0) {
      category = Categories->Items()[index];
      categoryOk = true;
    } else {
      category = Trim(categoryText);
      categoryOk = !category.empty() && category.find('&') == std::string::npos;
    }
  }
  if (artistOk && categoryOk) return true;
  ShowBox("Please enter a valid artist and category for scanned MIDIs", mtInformation, {mbOK});
  return false;
}

bool TDriveScanFrm::Stopped() const {
  return ScanStopped || (FHost && FHost->Aborted());
}

void TDriveScanFrm::SearchFolder(const std::string& folder, const std::string& mask,
                                 TStringList& files) {
  TTreeWalkEvents events;
  events.OnFile = [&](const std::string& path) {
    files.Add(path);
    Edit2->SetText(IntToStr(files.Count()));
  };
  events.OnFolderDone = [&](const std::string& done) {
    ++FFolderCount;
    Edit1->SetText(IntToStr(FFolderCount));
    if (OnFolderWalked) OnFolderWalked(done);
  };
  events.Stopped = [this] { return Stopped(); };
  TLoopPump pump;
  events.OnBreak = [&pump] { pump.Run(); };
  WalkFolderTree(folder, Trim(mask), events);
}

void TDriveScanFrm::SetImportRange(int min, int max) {
  ExtProgressBar1->SetRange(min, std::max(min, max));
  ExtProgressBar1->SetPosition(min);
}

void TDriveScanFrm::SetImportPosition(int n) {
  ExtProgressBar1->SetPosition(n);
  if (OnImportPosition) OnImportPosition(n);
}

void TDriveScanFrm::OKBtnClick(TObject*) {
  std::string last, first, category;
  if (!ValidateScanInfo(Artists->Text(), Categories->Text(), last, first, category)) return;
  Timer1->SetEnabled(true);
  BitBtn1->SetEnabled(true);
  for (TControl* c :
       std::initializer_list<TControl*>{OKBtn, CancelBtn, RadioButton1, RadioButton2, RadioGroup1})
    c->SetEnabled(false);
  const std::string folder = DirectoryListBox1->Directory();
  const bool checkDuplicates = RadioButton1->Checked();
  if (ScanWork)
    ScanWork(folder, checkDuplicates, last, first, category);
  else if (FHost)
    FHost->AddScannedFolder(folder, checkDuplicates, last, first, category);
  Timer1->SetEnabled(false);
  // Ends the modal showing; its close (FormClose) follows. A close during the scan stays a
  // Cancel.
  if (ModalResult() == mrNone) SetModalResult(mrOk);
}

void TDriveScanFrm::BitBtn1Click(TObject*) {
  ScanStopped = true;
  BitBtn2->SetEnabled(true);
  BitBtn1->SetEnabled(false);
}

void TDriveScanFrm::BitBtn2Click(TObject*) {
  ImportStopped = true;
  Hide();
  Close();
}

void TDriveScanFrm::Timer1Timer(TObject*) {
  LetMessagesRun();
}

void TDriveScanFrm::FormClose(TObject*, TCloseAction& Action) {
  ScanStopped = true;
  ImportStopped = true;
  Hide();
  Timer1->SetEnabled(false);
  Action = caHide;
}

void TDriveScanFrm::WndProc(TMessage& m) {
  // A modal window runs its close only when its loop regains control, which is after the walk:
  // the stop flags must be set now.
  if (m.Msg == WM_CLOSE || (m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_CLOSE)) {
    ScanStopped = true;
    ImportStopped = true;
  }
  TForm::WndProc(m);
}
