// The local-file loader window.
#include "GetLocalCodeD2.h"
#include <windows.h>
#include <algorithm>
#include "AddInfo.h"
#include "HourGlass.h"
#include "ImportCommands.h"
#include "FeatureHost.h"
#include "ProgramWide.h"
#include "EditCommands.h"
#include "SysUtils.h"
#include "DataCodeD2.h"

TGetLocalF* GetLocalF = nullptr;

namespace {

TGroupBox* MakeGroup(TForm* form, const char* name, const char* caption, int help, int left,
                     int top, int width, int height) {
  auto* g = MakeChild<TGroupBox>(form, form, name, left, top, width, height);
  g->SetCaption(caption);
  g->SetHelpContext(help);
  return g;
}

} // namespace

TGetLocalF::TGetLocalF(TComponent* AOwner) : TForm(AOwner) {
  SetName("GetLocalF");
  SetCaption(" Select MIDI files to add");
  SetHelpContext(1600);
  SetBorderStyle(bsSingle);
  SetBorderIcons({biSystemMenu, biHelp});
  SetClientWidth(584);
  SetClientHeight(404);

  GroupBox1 = MakeGroup(this, "GroupBox1", " 1.  Select drive, directory and file type  ", 1603, 8,
                        4, 240, 306);
  DriveComboBox1 = MakeChild<TDriveComboBox>(this, GroupBox1, "DriveComboBox1", 10, 20, 220, 21);
  DriveComboBox1->SetHelpContext(1608);
  DirectoryListBox1 =
      MakeChild<TDirectoryListBox>(this, GroupBox1, "DirectoryListBox1", 10, 48, 220, 218);
  DirectoryListBox1->SetHelpContext(1609);
  FilterComboBox1 =
      MakeChild<TFilterComboBox>(this, GroupBox1, "FilterComboBox1", 10, 274, 220, 21);
  FilterComboBox1->SetHelpContext(1610);

  GroupBox2 =
      MakeGroup(this, "GroupBox2", " 2.  Drag files from here...  ", 1605, 256, 4, 156, 306);
  FileListBox1 = MakeChild<TFileListBox>(this, GroupBox2, "FileListBox1", 10, 20, 136, 276);
  FileListBox1->SetHelpContext(1606);
  FileListBox1->SetMultiSelect(true);
  FileListBox1->SetMask("*.mid;*.rmi");

  GroupBox3 = MakeGroup(this, "GroupBox3", " 3.  ... to here  ", 1607, 420, 4, 156, 306);
  ListBox1 = MakeChild<TDropListBox>(this, GroupBox3, "ListBox1", 10, 20, 136, 276);
  ListBox1->SetHelpContext(1604);
  ListBox1->SetMultiSelect(true);
  ListBox1->SetSorted(true);

  GroupBox4 = MakeGroup(this, "GroupBox4", " 4.  Enter information for added file(s)  ", 1611, 8,
                        314, 404, 82);
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetCaption("Artist");
  Label1->SetBounds(10, 18, 60, 14);
  Label1->SetParent(GroupBox4);
  Artists = MakeChild<TComboBox>(this, GroupBox4, "Artists", 10, 34, 184, 21);
  Artists->SetHelpContext(1002);
  Artists->SetText("Various");
  Label2 = new TLabel(this);
  Label2->SetName("Label2");
  Label2->SetCaption("Category");
  Label2->SetBounds(206, 18, 60, 14);
  Label2->SetParent(GroupBox4);
  Categories = MakeChild<TComboBox>(this, GroupBox4, "Categories", 206, 34, 188, 21);
  Categories->SetHelpContext(1003);
  Categories->SetText("Unknown");
  DupCheck = MakeChild<TCheckBox>(this, GroupBox4, "DupCheck", 10, 60, 300, 18);
  DupCheck->SetCaption("Do not allow duplicates (recommended)");
  DupCheck->SetChecked(true);

  BitBtn1 = MakeChild<TBitBtn>(this, this, "BitBtn1", 420, 334, 75, 27);
  BitBtn1->SetCaption("OK");
  BitBtn1->SetEnabled(false);
  BitBtn2 = MakeChild<TBitBtn>(this, this, "BitBtn2", 501, 334, 75, 27);
  BitBtn2->SetKind(bkCancel);
  MD2 = new TMessageDialog(this);
  MD2->SetName("MD2");
  MD2->SetCaption(AppTitleText);

  DriveComboBox1->SetDirList(DirectoryListBox1);
  DirectoryListBox1->SetFileList(FileListBox1);
  FilterComboBox1->SetFilter("MIDI files (*.mid; *.rmi)|*.mid;*.rmi|Zip archive files (*.zip)|"
                             "*.zip|MIDI and Zip files|*.mid;*.rmi;*.zip|All files (*.*)|*.*");
  FilterComboBox1->SetFileList(FileListBox1);

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  FileListBox1->OnDblClick = [this](TObject* s) { FileListBox1DblClick(s); };
  ListBox1->OnDragOver = [this](TObject* s, TObject* src, int x, int y, TDragState st,
                                bool& accept) { ListBox1DragOver(s, src, x, y, st, accept); };
  ListBox1->OnDragDrop = [this](TObject* s, TObject* src, int x, int y) {
    ListBox1DragDrop(s, src, x, y);
  };
  Artists->OnKeyPress = [this](TObject* s, char& k) { ArtistsKeyPress(s, k); };
  Categories->OnKeyPress = [this](TObject* s, char& k) { CategoriesKeyPress(s, k); };
  BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
  DriveComboBox1->OnEnter = [this](TObject* s) { DriveComboBox1Enter(s); };
  DriveComboBox1->OnChange = [this](TObject* s) { DriveComboBox1Change(s); };
}

void TGetLocalF::FormCreate(TObject*) {
  Application->SetHelpFile(ChangeFileExt(ParamStr(0), ".hlp"));
}

std::vector<std::string> TGetLocalF::Paths() const {
  std::vector<std::string> paths;
  for (int i = 0; i < ListBox1->Items().Count(); ++i)
    paths.push_back(ListBox1->Items()[i]);
  return paths;
}

void TGetLocalF::FormShow(TObject*) {
  DupCheck->SetChecked(true);
  ListBox1->Items().Clear();
  BitBtn1->SetEnabled(false);
  TCatList* categories = FHost ? FHost->Categories() : nullptr;
  TPerfList* artists = FHost ? FHost->Artists() : nullptr;
  // Filling a box empties its edit; the user's last text stays.
  std::string category = Categories->Text(), artist = Artists->Text();
  FillCategoryBox(*Categories, categories, FCategoryKeys);
  FillArtistBox(*Artists, artists, FArtistKeys);
  Categories->SetText(category);
  Artists->SetText(artist);
  FOldDrive = DriveComboBox1->Drive();
  FileListBox1->Update();
}

void TGetLocalF::AddSelectedFiles() {
  std::string folder = IncludeTrailingBackslash(FileListBox1->Directory());
  std::vector<std::string> paths = Paths();
  for (const std::string& name : FileListBox1->SelectedNames()) {
    std::string path = folder + name;
    if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
  }
  std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  });
  TStringList lines;
  for (const auto& p : paths)
    lines.Add(p);
  ListBox1->Items().Assign(lines);
  if (ListBox1->Items().Count() > 0) BitBtn1->SetEnabled(true);
}

void TGetLocalF::FileListBox1DblClick(TObject*) {
  AddSelectedFiles();
}

void TGetLocalF::ListBox1DragOver(TObject*, TObject* Source, int, int, TDragState, bool& Accept) {
  Accept = dynamic_cast<TFileListBox*>(Source) != nullptr;
}

void TGetLocalF::ListBox1DragDrop(TObject*, TObject* Source, int, int) {
  if (dynamic_cast<TFileListBox*>(Source)) AddSelectedFiles();
}

void TGetLocalF::ArtistsKeyPress(TObject*, char& Key) {
  if (Key != '\r') return;
  Key = 0;
  Categories->SetFocus();
}

void TGetLocalF::CategoriesKeyPress(TObject*, char& Key) {
  if (Key != '\r') return;
  Key = 0;
  if (ListBox1->Items().Count() > 0) ResolveAddInfo();
}

bool TGetLocalF::ResolveAddInfo() {
  int32_t categoryKey = PickedKey(*Categories, FCategoryKeys);
  int32_t artistKey = PickedKey(*Artists, FArtistKeys);
  std::string category = Trim(Categories->Text()), last, first;
  SplitAtComma(Artists->Text(), last, first);
  // A blank name would make a category or artist that nothing can show and that the next start
  // drops while titles keep its key.
  if ((!categoryKey && category.empty()) || (!artistKey && last.empty() && first.empty())) {
    MD2->SetText("Please enter a category and an artist that are not blank");
    MD2->SetLineSeparator("");
    MD2->SetMsgType(mtInformation);
    MD2->SetButtons({mbOK});
    MD2->Execute();
    return false;
  }
  auto hourglass = HourGlass();
  TCatList* categories = FHost ? FHost->Categories() : nullptr;
  TPerfList* artists = FHost ? FHost->Artists() : nullptr;
  if (!categoryKey && categories) categoryKey = categories->FindOrAddCategory(category);
  if (!artistKey && artists) artistKey = artists->FindOrAddPerformer(first, last);
  FCategoryKey = categoryKey;
  FArtistKey = artistKey;
  return true;
}

void TGetLocalF::BitBtn1Click(TObject*) {
  if (ResolveAddInfo()) SetModalResult(mrOk);
}

void TGetLocalF::DriveComboBox1Enter(TObject*) {
  FOldDrive = DriveComboBox1->Drive();
}

void TGetLocalF::DriveComboBox1Change(TObject*) {
  char chosen = DriveComboBox1->Drive();
  if (chosen == FOldDrive) return;
  if (AcceptChosenDrive(*MD2, chosen))
    FOldDrive = chosen;
  else
    DriveComboBox1->SetDrive(FOldDrive);
}

void TGetLocalF::FormClose(TObject*, TCloseAction&) {
  // The next opening must not touch removable media.
  std::string root = std::string(1, DriveComboBox1->Drive()) + ":\\";
  if (GetDriveTypeA(root.c_str()) != DRIVE_FIXED) {
    std::string program = ProgramFolder();
    if (program.size() > 1 && program[1] == ':') DriveComboBox1->SetDrive(program[0]);
  }
}
