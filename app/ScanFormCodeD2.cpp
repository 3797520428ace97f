// The system scan window.
#include "ScanFormCodeD2.h"
#include <windows.h>
#include "FolderTools.h"
#include "FeatureHost.h"
#include "ScanCommands.h"
#include "Messages.h"
#include "SysUtils.h"

TScanStatus* ScanStatus = nullptr;

namespace {

TBitBtn* MakeButton(TForm* form, TWinControl* parent, const char* name, const char* caption,
                    int left, int top, int width) {
  auto* b = new TBitBtn(form);
  b->SetName(name);
  b->SetCaption(caption);
  b->SetBounds(left, top, width, 25);
  b->SetParent(parent);
  return b;
}

} // namespace

TScanStatus::TScanStatus(TComponent* AOwner) : TForm(AOwner) {
  SetName("ScanStatus");
  SetCaption("Scan system for MIDI files");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetPosition(poMainFormCenter);
  SetClientWidth(452);
  SetClientHeight(330);

  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetName("GroupBox1");
  GroupBox1->SetCaption(" Scanning status ");
  GroupBox1->SetBounds(8, 4, 436, 164);
  GroupBox1->SetParent(this);
  ExtListView1 = new TExtListView(this);
  ExtListView1->SetName("ExtListView1");
  ExtListView1->SetBounds(10, 18, 416, 104);
  ExtListView1->SetParent(GroupBox1);
  ExtListView1->AddColumn("Drive", 44);
  ExtListView1->AddColumn("Type", 50);
  ExtListView1->AddColumn("Action", 74);
  ExtListView1->AddColumn("Directories scanned", 124, taRightJustify);
  ExtListView1->AddColumn("Files found", 96, taRightJustify);
  Label2 = MakeLabel(this, GroupBox1, "Label2", "Total", 10, 134);
  Label1 = MakeLabel(this, GroupBox1, "Label1", "Found", 44, 134);
  Label3 = MakeLabel(this, GroupBox1, "Label3", "0", 84, 134);
  Label3->Font().SetStyle({fsBold});
  BitBtn1 = MakeButton(this, GroupBox1, "BitBtn1", "Stop", 346, 128, 80);
  BitBtn1->SetEnabled(false);

  GroupBox2 = new TGroupBox(this);
  GroupBox2->SetName("GroupBox2");
  GroupBox2->SetCaption(" Importing status ");
  GroupBox2->SetBounds(8, 172, 436, 52);
  GroupBox2->SetParent(this);
  ExtProgressBar1 = new TExtProgressBar(this);
  ExtProgressBar1->SetName("ExtProgressBar1");
  ExtProgressBar1->SetBounds(10, 20, 326, 18);
  ExtProgressBar1->SetParent(GroupBox2);
  BitBtn2 = MakeButton(this, GroupBox2, "BitBtn2", "Stop", 346, 16, 80);
  BitBtn2->SetEnabled(false);

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetCaption("");
  Panel1->SetBounds(8, 228, 436, 94);
  Panel1->SetParent(this);
  RadioGroup1 = new TGroupBox(this);
  RadioGroup1->SetName("RadioGroup1");
  RadioGroup1->SetCaption(" If a MIDI file already exists in the database...  ");
  RadioGroup1->SetBounds(8, 6, 290, 80);
  RadioGroup1->SetParent(Panel1);
  RadioButton1 = new TRadioButton(this);
  RadioButton1->SetName("RadioButton1");
  RadioButton1->SetCaption("Ignore it (recommended)");
  RadioButton1->SetBounds(14, 22, 260, 20);
  RadioButton1->SetParent(RadioGroup1);
  RadioButton1->SetChecked(true);
  RadioButton2 = new TRadioButton(this);
  RadioButton2->SetName("RadioButton2");
  RadioButton2->SetCaption("Add it to the database anyway");
  RadioButton2->SetBounds(14, 48, 260, 20);
  RadioButton2->SetParent(RadioGroup1);
  OKBtn = MakeButton(this, Panel1, "OKBtn", "&Scan system", 318, 14, 104);
  CancelBtn = MakeButton(this, Panel1, "CancelBtn", "&Exit", 318, 52, 104);
  CancelBtn->SetModalResult(mrCancel);
  CancelBtn->SetCancel(true);
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetVisible(false);
  Image1->SetParent(this);

  OKBtn->OnClick = [this](TObject* s) { OKBtnClick(s); };
  BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
  BitBtn2->OnClick = [this](TObject* s) { BitBtn2Click(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
}

TScanStatus::~TScanStatus() {
  // The list view outlives these members: it must not keep their image lists.
  ExtListView1->SetLargeImages(nullptr);
  ExtListView1->SetSmallImages(nullptr);
}

void TScanStatus::MakeDriveImages() {
  // Each row shows the window's icon (the program's when the window has none of its own).
  HICON icon = Icon().Handle();
  if (!icon) icon = LoadIconA(HInstance(), "MAINICON");
  if (!icon) icon = LoadIconA(nullptr, IDI_APPLICATION);
  auto make = [icon](int size) {
    auto list = std::make_unique<TImageList>(nullptr, size, size);
    TBitmap picture(size, size);
    const TColor key = static_cast<TColor>(0xFF00FF);
    picture.Canvas().Brush().SetColor(key);
    RECT r{0, 0, size, size};
    picture.Canvas().FillRect(r);
    DrawIconEx(picture.Canvas().Handle(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    list->AddMasked(picture, key);
    return list;
  };
  FLargeImages = make(32);
  FSmallImages = make(16);
  Image1->Picture().Icon().SetHandle(CopyIcon(icon));
  ExtListView1->SetLargeImages(FLargeImages.get());
  ExtListView1->SetSmallImages(FSmallImages.get());
}

void TScanStatus::FormShow(TObject*) {
  if (!FLargeImages) MakeDriveImages();
  // Every showing starts afresh: a Stop of the last scan must not skip this one.
  ScanStopped = false;
  ImportStopped = false;
  FRow = 0;
  FFolderCount = 0;
  FFileCount = 0;
  ExtListView1->ClearItems();
  Label3->SetCaption("0");
  ExtProgressBar1->SetRange(0, 100);
  ExtProgressBar1->SetPosition(0);
  BitBtn1->SetEnabled(false);
  BitBtn2->SetEnabled(false);
  for (TControl* c :
       std::initializer_list<TControl*>{OKBtn, CancelBtn, RadioGroup1, RadioButton1, RadioButton2})
    c->SetEnabled(true);
}

bool TScanStatus::Stopped() const {
  return ScanStopped || (FHost && FHost->Aborted());
}

void TScanStatus::OKBtnClick(TObject*) {
  BitBtn1->SetEnabled(true);
  for (TControl* c :
       std::initializer_list<TControl*>{OKBtn, CancelBtn, RadioButton1, RadioButton2, RadioGroup1})
    c->SetEnabled(false);
  const bool checkDuplicates = RadioButton1->Checked();
  if (ScanWork)
    ScanWork(checkDuplicates);
  else if (FHost)
    FHost->AddFullScanResults(checkDuplicates);
}

void TScanStatus::BitBtn1Click(TObject*) {
  ScanStopped = true;
  BitBtn2->SetEnabled(true);
  BitBtn1->SetEnabled(false);
}

void TScanStatus::BitBtn2Click(TObject*) {
  ImportStopped = true;
  Hide();
  Close();
}

void TScanStatus::ListFixedDrives(const std::string& mask, TStringList& files) {
  std::vector<TDriveInfo> fixed;
  for (const TDriveInfo& d : ListDrives())
    if (d.Type == DRIVE_FIXED) fixed.push_back(d);
  for (const TDriveInfo& d : fixed)
    ExtListView1->AddItem(std::string(1, d.Letter), {Trim(mask), "Pending", "0", "0"})
        .SetImageIndex(0);
  FRow = 0;
  for (const TDriveInfo& d : fixed) {
    ScanDrive(d, mask, files);
    ++FRow;
  }
}

void TScanStatus::ScanDrive(const TDriveInfo& drive, const std::string& mask, TStringList& files) {
  if (Stopped() || FRow >= ExtListView1->ItemCount()) return;
  FFolderCount = 0;
  FFileCount = 0;
  TListItem& row = ExtListView1->Items(FRow);
  row.SetSubItem(1, "In process");
  ExtListView1->Repaint();
  if (DirectoryExists(drive.Root)) SearchFolder(drive.Root, mask, files);
  row.SetSubItem(1, "Done");
  ExtListView1->Repaint();
}

void TScanStatus::SearchFolder(const std::string& folder, const std::string& mask,
                               TStringList& files) {
  const bool hasRow = FRow < ExtListView1->ItemCount();
  TTreeWalkEvents events;
  events.OnFile = [&](const std::string& path) {
    files.Add(path);
    ++FFileCount;
    if (hasRow) ExtListView1->Items(FRow).SetSubItem(3, IntToStr(FFileCount));
    Label3->SetCaption(IntToStr(files.Count()));
  };
  events.OnFolderDone = [&](const std::string& done) {
    ++FFolderCount;
    if (hasRow) ExtListView1->Items(FRow).SetSubItem(2, IntToStr(FFolderCount));
    if (OnFolderWalked) OnFolderWalked(done);
  };
  events.Stopped = [this] { return Stopped(); };
  TLoopPump pump;
  events.OnBreak = [&pump] { pump.Run(); };
  WalkFolderTree(folder, Trim(mask), events);
}

void TScanStatus::SetImportRange(int min, int max) {
  ExtProgressBar1->SetRange(min, std::max(min, max));
  ExtProgressBar1->SetPosition(min);
}

void TScanStatus::SetImportPosition(int n) {
  ExtProgressBar1->SetPosition(n);
  if (OnImportPosition) OnImportPosition(n);
}

void TScanStatus::WndProc(TMessage& m) {
  // Closing the window stops the walk and the import, as both Stop buttons would.
  if (m.Msg == WM_CLOSE || (m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_CLOSE)) {
    ScanStopped = true;
    ImportStopped = true;
  }
  TForm::WndProc(m);
}
