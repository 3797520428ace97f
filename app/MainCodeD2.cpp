// The main window: its parts, start-up in three steps, requests from outside and shutdown.
#include "MainCodeD2.h"
#include <windows.h>
#include <shellapi.h>
#include <algorithm>
#include "AboutCodeD2.h"
#include "ArchiveCodeD2.h"
#include "CreateArchiveCodeD2.h"
#include "DriveScanCodeD2.h"
#include "GetLocalCodeD2.h"
#include "ScanFormCodeD2.h"
#include "FileAssoc.h"
#include "Guard.h"
#include "Handles.h"
#include "IniFiles.h"
#include "ManageNPICode.h"
#include "MessageBox.h"
#include "Messages.h"
#include "OnceOnly.h"
#include "PlugInDirs.h"
#include "FolderTools.h"
#include "Registry.h"
#include "SplashCodeD2.h"
#include "SysUtils.h"
#include "finalMain.h"

TQxMessages QxMessages;
std::string PendingRequest;
bool StartUpDone = false;
TMasterFrm* MasterFrm = nullptr;
TSplashFrm* SplashFrm = nullptr;
bool SplashAllowed = false;
const char* const WorkFolderNames[5] = {"TempTune", "TempZips", "TempMail", "TempTrash", "BackUp"};

namespace {

TMciDriver*& MainMciDriver() {
  static TMciDriver* driver = nullptr;
  return driver;
}

std::string& ProgramFolderOverride() {
  static std::string folder;
  return folder;
}

// The plug-in sends its request in a global atom with this message.
constexpr UINT WM_PLUGINREQUEST = WM_USER + 687;

// The start-up questions' buttons.
constexpr TMessageButtons YesNoHelp =
    TMessageButtons::Yes | TMessageButtons::No | TMessageButtons::Help;

// Masks by which the work folders are emptied at every start; "TempTrash" keeps its ".mid"
// files and "BackUp" is never emptied.
const std::vector<std::string> TuneMasks = {"*.mid", "*.rmi", "*.zip", "*.gif", "*.jpg"};
const std::vector<std::string> TrashMasks = {"*.dat", "*.rmi", "*.zip", "*.gif", "*.jpg"};

} // namespace

void InitMainUnit() {
  PendingRequest.clear();
  QxMessages.BringToFront = RegisterWindowMessageA("QX_BringToFront");
  QxMessages.TrackBarPerc = RegisterWindowMessageA("QX_TrackBar_Perc");
  QxMessages.TrackBarSetPos = RegisterWindowMessageA("QX_TrackBar_SetPos");
  QxMessages.ShowMixerWindow = RegisterWindowMessageA("QX_ShowMixerWindow");
  QxMessages.ShowBadFileBitmap = RegisterWindowMessageA("QX_ShowBadFileBitmap");
}

std::string ProgramFolder() {
  const std::string& o = ProgramFolderOverride();
  return o.empty() ? ExtractFilePath(ParamStr(0)) : o;
}

void SetMainMciDriver(TMciDriver* driver) {
  MainMciDriver() = driver;
}

void SetProgramFolder(const std::string& folder) {
  ProgramFolderOverride() = folder.empty() ? "" : IncludeTrailingBackslash(folder);
}

std::string WorkFolder(const char* name) {
  return ProgramFolder() + name + "\\";
}

// --- construction -------------------------------------------------------------------------------

TMasterFrm::TMasterFrm(TComponent* AOwner) : TMasterFrmBase(AOwner) {
  if (!QxMessages.BringToFront) InitMainUnit();
  MasterFrm = this;
  SetName("MasterFrm");
  SetCaption(AppTitleText);
  SetBounds(100, 100, 585, 400);
  for (int i = 1; i <= ParamCount(); ++i)
    FParams.push_back(ParamStr(i));

  FMyMidi = std::make_unique<TMyMidi>(MainMciDriver());
  FTuneFiles = std::make_unique<TTuneFiles>();
  FStore = std::make_unique<TCatalogueStore>();
  FRoad = std::make_unique<TPlayRoad>(ProgramFolder(), *FMyMidi, *FTuneFiles, *FStore, *this);
  PlayerMode = [this] { return FRoad->Mode(); };
  FTuneFiles->OnMessageBox = [this](const std::string& text, TMessageKind kind, int help,
                                    TMessageButtons buttons) {
    return ShowMessageBox(text, kind, help, buttons);
  };

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(100);
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
  Timer2 = new TTimer(this);
  Timer2->SetName("Timer2");
  Timer2->SetEnabled(false);
  Timer2->SetInterval(100);
  Timer2->OnTimer = [this](TObject* s) { Timer2Timer(s); };
  NavPITimer = new TTimer(this);
  NavPITimer->SetName("NavPITimer");
  NavPITimer->SetEnabled(false);
  NavPITimer->SetInterval(200);
  NavPITimer->OnTimer = [this](TObject* s) { NavPITimerTimer(s); };
  QueueTimer = new TTimer(this);
  QueueTimer->SetName("QueueTimer");
  QueueTimer->SetEnabled(false);
  QueueTimer->SetInterval(1);
  QueueTimer->OnTimer = [this](TObject* s) { QueueTimerTimer(s); };
  FTuneFiles->OnProgress = [this](int percent) {
    bool abort = false;
    AZ1ArchiveProgress(percent, abort);
  };
  FTuneFiles->OnAbortQuery = [this] {
    bool abort = false;
    AZ1ArchiveProgress(-1, abort);
    return abort;
  };

  BuildMenu();
  BuildPlayPopUp();
  StatusBar1 = new TStatusBar(this);
  StatusBar1->SetName("StatusBar1");
  StatusBar1->SetParent(this);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->SetHeight(20);
  StatusBar1->AddPanel().SetWidth(290);
  StatusBar1->AddPanel().SetWidth(50);
  ProgressBar1 = new TExtProgressBar(this);
  ProgressBar1->SetName("ProgressBar1");
  ProgressBar1->SetParent(StatusBar1);
  ProgressBar1->SetVisible(false);
  BuildTopArea();
  BuildCatalogueArea();
  // The right button on the tab rows opens the areas' own menus.
  Categories->SetPopupMenu(NewCatPopUp);
  Albums->SetPopupMenu(AlbPopUp);
  // Working in either area makes it the view in use.
  Categories->OnChange = [this](TObject*) { CategoriesChange(); };
  Albums->OnChange = [this](TObject*) { AlbumsChange(); };
  AllAlbLV->OnClick = [this](TObject*) { AlbumsChange(); };
  SetBusyParts({{NewAlb, GetLocal, GetWeb, BitBtn1, BitBtn2, OutPort, Volume, MMSlider1},
                {Back, PlayNext},
                {File1, View1, Albums1, Categories1, Titles1, Help1}});
  SetTraceItem(DEBUGMODE1);

  GateUnbuiltCommands();

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

TMasterFrm::~TMasterFrm() {
  NavPITimer->SetEnabled(false);
  QueueTimer->SetEnabled(false);
  // The list view outlives these members: it must not keep their image lists.
  AllAlbLV->SetLargeImages(nullptr);
  AllAlbLV->SetSmallImages(nullptr);
  if (!FClosed) {
    // Freed without a close (a test): the player must not keep the play file open.
    Timer1->SetEnabled(false);
    Timer2->SetEnabled(false);
    CloseSequencer();
  }
  if (MasterFrm == this) {
    MasterFrm = nullptr;
    Application->OnHint = nullptr;
    Application->OnException = nullptr;
  }
}

TBitBtn* TMasterFrm::MakeButton(TWinControl* parent, const std::string& name,
                                const std::string& caption, int width) {
  auto* b = new TBitBtn(this);
  b->SetName(name);
  b->SetCaption(caption);
  b->SetBounds(0, 0, width, 25);
  b->SetParent(parent);
  return b;
}

TPanel* TMasterFrm::MakePanel(TWinControl* parent, const std::string& name,
                              const std::string& caption) {
  auto* p = new TPanel(this);
  p->SetName(name);
  p->SetCaption(caption);
  p->SetParent(parent);
  return p;
}

void TMasterFrm::GateUnbuiltCommands() {
  // Each is enabled by the gate once its command is given a handler.
  for (TControl* c : std::initializer_list<TControl*>{
           Play, PlayReplace, Pause, AllStop, OutPort, Volume, EditCat, MailTitle, Archive,
           ExportTitle, PrintCat, TrashCat, NewAlb, GetWeb})
    CommandGate().Add(c);
  for (TMenuItem* m : {Contents1, Viewtitles1})
    CommandGate().Add(m);
}

void TMasterFrm::BuildMenu() {
  MainMenu1 = new TMainMenu(this);
  MainMenu1->SetName("MainMenu1");
  auto item = [this](TMenuItem* parent, const std::string& name, const std::string& caption) {
    auto* m = new TMenuItem(this);
    m->SetName(name);
    m->SetCaption(caption);
    parent->Add(m);
    return m;
  };
  auto check = [](TMenuItem* m) {
    m->OnClick = [m](TObject*) { m->SetChecked(!m->Checked()); };
    return m;
  };
  auto radio = [](TMenuItem* m, int group) {
    m->SetRadioItem(true);
    m->SetGroupIndex(group);
    m->OnClick = [m](TObject*) { m->SetChecked(true); };
    return m;
  };
  TMenuItem& root = MainMenu1->Items();
  File1 = item(&root, "File1", "&File");
  GetLocal2 = item(File1, "GetLocal2", "&Open");
  GetLocal2->OnClick = [this](TObject* s) { GetLocal2Click(s); };
  ScanadriveforMIDIfiles1 =
      item(File1, "ScanadriveforMIDIfiles1", "Scan a &drive for MIDI files...");
  ScanadriveforMIDIfiles1->OnClick = [this](TObject* s) { ScanadriveforMIDIfiles1Click(s); };
  ScansystemforMIDIfiles1 =
      item(File1, "ScansystemforMIDIfiles1", "&Scan system for MIDI files...");
  ScansystemforMIDIfiles1->OnClick = [this](TObject* s) { ScansystemforMIDIfiles1Click(s); };
  item(File1, "N0", "-");
  ManageNPISep = item(File1, "N1", "-");
  ManageNPI = item(File1, "ManageNPI", "&Manage browser plug-in...");
  ManageNPI->OnClick = [this](TObject* s) { ManageNPIClick(s); };
  item(File1, "N2", "-");
  Exit1 = item(File1, "Exit1", "E&xit");
  Exit1->OnClick = [this](TObject*) { Close(); };
  View1 = item(&root, "View1", "&View");
  Visualeffects1 = check(item(View1, "Visualeffects1", "&Visual effects"));
  Spectrumbars1 = check(item(View1, "Spectrumbars1", "Spectrum &bars"));
  Lights1 = check(item(View1, "Lights1", "&Oscilloscope"));
  Spectrograph1 = check(item(View1, "Spectrograph1", "&Spectrograph"));
  item(View1, "N3", "-");
  Showmusictoolbar1 = item(View1, "Showmusictoolbar1", "&Hide music toolbar");
  Showmusictoolbar1->OnClick = [this](TObject*) { SetShowTools(!FShowTools); };
  Hintlevel1 = check(item(View1, "Hintlevel1", "Show all &hints"));
  Albums1 = item(&root, "Albums1", "&Albums");
  Categories1 = item(&root, "Categories1", "&Categories");
  BuildPlayMenus(Albums1, Categories1);
  BuildViewMenus(Categories1, Albums1, View1);
  Titles1 = item(&root, "Titles1", "&Titles");
  Viewtitles1 = item(Titles1, "Viewtitles1", "&View titles");
  BuildEditMenus(Albums1, Categories1, Titles1);
  Options1 = item(&root, "Options1", "&Options");
  Looping1 = check(item(Options1, "Looping1", "&Looping"));
  auto* resets = item(Options1, "Resets1", "MIDI &reset before each title");
  None1 = radio(item(resets, "None1", "&None"), 1);
  GM1 = radio(item(resets, "GM1", "&GM"), 1);
  GS1 = radio(item(resets, "GS1", "G&S"), 1);
  GMGS1 = radio(item(resets, "GMGS1", "GM, &then GS"), 1);
  GSGM1 = radio(item(resets, "GSGM1", "GS, th&en GM"), 1);
  Remindtoscan1 = check(item(Options1, "Remindtoscan1", "&Remind to scan"));
  item(Options1, "N4", "-");
  MIDIdefault = item(Options1, "MIDIdefault", "");
  MIDIrestore = item(Options1, "MIDIrestore", "&Restore original default Windows MIDI player");
  LaunchOnWinStart = item(Options1, "LaunchOnWinStart", "&Launch on Windows start");
  Normal1 = radio(item(LaunchOnWinStart, "Normal1", "&Normal"), 2);
  Minimized1 = radio(item(LaunchOnWinStart, "Minimized1", "&Minimized"), 2);
  Not1 = radio(item(LaunchOnWinStart, "Not1", "No&t"), 2);
  // The Options menu's player and start-with-Windows commands live in their own unit (made in
  // FormCreate, once the program folder is known).
  MIDIdefault->OnClick = [this](TObject*) { FAssocCommands->MIDIdefaultClick(); };
  MIDIrestore->OnClick = [this](TObject*) { FAssocCommands->MIDIrestoreClick(); };
  Normal1->OnClick = [this](TObject*) { FAssocCommands->Normal1Click(); };
  Minimized1->OnClick = [this](TObject*) { FAssocCommands->Minimized1Click(); };
  Not1->OnClick = [this](TObject*) { FAssocCommands->Not1Click(); };
  DEBUGMODE1 = check(item(Options1, "DEBUGMODE1", "&Debug mode"));
  DEBUGMODE1->SetVisible(false);
  // Looping, the resets and the debug trace reach the player's road when they are clicked.
  auto thenTellRoad = [this](TMenuItem* m) {
    TNotifyEvent tick = m->OnClick;
    m->OnClick = [this, tick](TObject* s) {
      tick(s);
      FRoad->SetLooping(Looping1->Checked());
      FRoad->SetResetChoice(GMGS1->Checked()   ? TResetChoice::GMGS
                            : GSGM1->Checked() ? TResetChoice::GSGM
                            : GM1->Checked()   ? TResetChoice::GM
                            : GS1->Checked()   ? TResetChoice::GS
                                               : TResetChoice::None);
      FRoad->SetDebugMode(DEBUGMODE1->Checked());
    };
  };
  for (TMenuItem* m : {Looping1, None1, GM1, GS1, GMGS1, GSGM1, DEBUGMODE1})
    thenTellRoad(m);
  Help1 = item(&root, "Help1", "&Help");
  Contents1 = item(Help1, "Contents1", "&Contents");
  About1 = item(Help1, "About1", "&About...");
  About1->OnClick = [this](TObject* s) { About1Click(s); };
  SetMenu(MainMenu1);
}

void TMasterFrm::BuildTopArea() {
  TopPanel = MakePanel(this, "TopPanel", "");
  TopPanel->SetBevelOuter(bvNone);
  Panel11 = MakePanel(TopPanel, "Panel11", "");
  Panel11->SetBevelOuter(bvLowered);
  Panel11->SetBounds(4, 2, 400, 96);
  Panel11->SetColor(clBlack);
  Panel11->Font().SetColor(clLime);
  CDPanel = new TCDPanelP(this);
  CDPanel->SetName("CDPanel");
  CDPanel->SetParent(Panel11);
  CDPanel->SetAlign(alClient);
  PlayReplace = MakeButton(TopPanel, "PlayReplace", "&Replace", 80);
  Play = MakeButton(TopPanel, "Play", "&PLAY", 80);
  // Three small panels of two adjoining buttons each.
  auto pair = [this](const char* panel, TBitBtn*& left, const char* leftName,
                     const char* leftCaption, TBitBtn*& right, const char* rightName,
                     const char* rightCaption) {
    TPanel* p = MakePanel(TopPanel, panel, "");
    p->SetBounds(0, 0, 84, 26);
    left = MakeButton(p, leftName, leftCaption, 40);
    left->SetBounds(1, 1, 41, 24);
    right = MakeButton(p, rightName, rightCaption, 40);
    right->SetBounds(42, 1, 41, 24);
    return p;
  };
  ListPanel = pair("ListPanel", Back, "Back", "<<", PlayNext, "PlayNext", ">>");
  // The program's own commands beside the step buttons: shuffle it, erase it.
  ListPanel->SetWidth(184);
  Shuffle = MakeButton(ListPanel, "Shuffle", "Shuffle", 50);
  Shuffle->SetBounds(83, 1, 50, 24);
  Shuffle->SetHint("Shuffle|Shuffle the program and play it from its new first title");
  MusicClear = MakeButton(ListPanel, "MusicClear", "Erase", 50);
  MusicClear->SetBounds(133, 1, 50, 24);
  MusicClear->SetHint("Erase|Erase the program (the title playing plays on)");
  Shuffle->OnClick = [this](TObject* s) { Shuffle2Click(s); };
  MusicClear->OnClick = [this](TObject* s) { MusicClearClick(s); };
  // Nothing in the program yet.
  Shuffle->SetEnabled(false);
  MusicClear->SetEnabled(false);
  PlayPanel = pair("PlayPanel", Pause, "Pause", "||", AllStop, "AllStop", "[]");
  SoundPanel = pair("SoundPanel", OutPort, "OutPort", "Port", Volume, "Volume", "Vol");
  Back->OnClick = [this](TObject* s) { BackClick(s); };
  PlayNext->OnClick = [this](TObject* s) { PlayNextClick(s); };
  auto tool = [this](const std::string& name) {
    auto* b = new TSpeedButton(this);
    b->SetName(name);
    b->SetBounds(0, 0, 20, 20);
    b->SetCaption("^");
    b->SetParent(TopPanel);
    b->OnClick = [this](TObject*) { SetShowTools(!FShowTools); };
    return b;
  };
  BuildPlayerCommands();
  ToolsLeft = tool("ToolsLeft");
  ToolsLeft->SetLeft(7);
  ToolsRight = tool("ToolsRight");
  Play->Font().SetName("System");
  Play->Font().SetSize(8);
  Play->Font().SetStyle({fsBold});
  PlayReplace->Font().Assign(Play->Font());
}

void TMasterFrm::BuildCatalogueArea() {
  DBPanel = MakePanel(this, "DBPanel", "");
  DBPanel->SetBevelOuter(bvNone);
  EditCat = MakeButton(DBPanel, "EditCat", "&Edit", 52);
  MailTitle = MakeButton(DBPanel, "MailTitle", "&Mail", 52);
  Archive = MakeButton(DBPanel, "Archive", "&Archive", 52);
  ExportTitle = MakeButton(DBPanel, "ExportTitle", "&Save", 52);
  PrintCat = MakeButton(DBPanel, "PrintCat", "P&rint", 52);
  TrashCat = MakeButton(DBPanel, "TrashCat", "&Delete", 52);
  Panel4 = MakePanel(DBPanel, "Panel4", "");
  Panel4->SetBevelOuter(bvNone);
  Panel4->SetBounds(6, 4, 66, 25);
  NewAlb = MakeButton(Panel4, "NewAlb", "New &album", 66);
  NewAlb->OnClick = [this](TObject* s) { Createnew1Click(s); };
  WebPanel = MakePanel(DBPanel, "WebPanel", "");
  WebPanel->SetBevelOuter(bvNone);
  WebPanel->SetBounds(76, 4, 36, 25);
  GetWeb = MakeButton(WebPanel, "GetWeb", "&Web", 36);
  GetMIDIsPanel = MakePanel(DBPanel, "GetMIDIsPanel", "");
  GetMIDIsPanel->SetBevelOuter(bvNone);
  GetMIDIsPanel->SetBounds(0, 4, 114, 25);
  GetLocal = MakeButton(GetMIDIsPanel, "GetLocal", "&Load", 38);
  BitBtn1 = MakeButton(GetMIDIsPanel, "BitBtn1", "S&can", 38);
  BitBtn1->SetLeft(38);
  BitBtn2 = MakeButton(GetMIDIsPanel, "BitBtn2", "&Drives", 38);
  BitBtn2->SetLeft(76);
  GetLocal->OnClick = [this](TObject* s) { GetLocal2Click(s); };
  BitBtn1->OnClick = [this](TObject* s) { ScansystemforMIDIfiles1Click(s); };
  BitBtn2->OnClick = [this](TObject* s) { ScanadriveforMIDIfiles1Click(s); };

  AlbPanel = MakePanel(DBPanel, "AlbPanel", "");
  AlbPanel->SetBevelOuter(bvLowered);
  AlbPanel->SetWidth(200);
  Albums = new TExtPageControl(this);
  Albums->SetName("Albums");
  Albums->SetParent(AlbPanel);
  Albums->SetAlign(alClient);
  AlbumListPage = new TTabSheet(this);
  AlbumListPage->SetName("AlbumListPage");
  AlbumListPage->SetPageControl(Albums);
  AlbumListPage->SetCaption("ALL ALBUMS");
  auto* detailsPanel = MakePanel(AlbumListPage, "Panel5", "");
  detailsPanel->SetAlign(alBottom);
  detailsPanel->SetHeight(22);
  CheckBox1 = new TCheckBox(this);
  CheckBox1->SetName("CheckBox1");
  CheckBox1->SetCaption("show album details");
  CheckBox1->SetBounds(4, 2, 150, 18);
  CheckBox1->SetParent(detailsPanel);
  CheckBox1->SetChecked(true);
  AllAlbLV = new TExtListView(this);
  AllAlbLV->SetName("AllAlbLV");
  AllAlbLV->SetParent(AlbumListPage);
  AllAlbLV->SetAlign(alClient);
  AllAlbLV->AddColumn("Name", 90);
  AllAlbLV->AddColumn("Titles", 45, taCenter);
  AllAlbLV->AddColumn("Duration", 55, taCenter);
  CheckBox1->OnClick = [this](TObject*) {
    AllAlbLV->SetViewStyle(CheckBox1->Checked() ? vsReport : vsIcon);
  };
  // A double click or Enter on an album's line brings up its page.
  AllAlbLV->OnDblClick = [this](TObject*) { FAlbList->ShowSelectedAlbumTab(); };
  AllAlbLV->OnKeyDown = [this](TObject*, WORD& key, TShiftState) {
    if (key == VK_RETURN) {
      key = 0;
      FAlbList->ShowSelectedAlbumTab();
    }
  };
  Albums->OnDrawTab = [this](TWinControl*, int index, bool, const RECT& r, const RECT&,
                             TOwnerDrawState) { AlbumsDrawTab(index, r); };

  Separator = MakePanel(DBPanel, "Separator", "");
  Separator->SetBevelOuter(bvRaised);
  Separator->SetWidth(4);
  Separator->SetCursor(crHSplit);

  CatPanel = MakePanel(DBPanel, "CatPanel", "");
  CatPanel->SetBevelOuter(bvLowered);
  Categories = new TExtPageControl(this);
  Categories->SetName("Categories");
  Categories->SetParent(CatPanel);
  Categories->SetAlign(alClient);
  AllTitlesPage = new TTabSheet(this);
  AllTitlesPage->SetName("AllTitlesPage");
  AllTitlesPage->SetPageControl(Categories);
  AllTitlesPage->SetCaption("ALL CATEGORIES   ");
  Categories->TabHints().Add("View all titles");
  Categories->OnDrawTab = [this](TWinControl*, int index, bool, const RECT&, const RECT& whole,
                                 TOwnerDrawState) { CategoriesDrawTab(index, whole); };
  AllCatPT = MakePanel(AllTitlesPage, "AllCatPT", "0 titles  ---  0:00  ---  0kb");
  AllCatPT->SetAlign(alTop);
  AllCatPT->SetHeight(19);
  AllCatPT->SetBevelOuter(bvNone);
  AllCatGrid = new TMyStringGrid(this);
  AllCatGrid->SetName("AllCatGrid");
  AllCatGrid->SetParent(AllTitlesPage);
  AllCatGrid->SetAlign(alClient);
  AllCatGrid->CanSort = true;
  SetupGridColumns(*AllCatGrid,
                   {"Category", "Artist", "Title", "Duration", "Type", "Size", "Date stamp",
                    "Origin", "Date obtained"},
                   {3, 4, 5, 6, 8});
  WireGrid(*AllCatGrid, false);
  FCategoryArea =
      std::make_unique<TMainCategoryArea>(this, Categories, AllCatGrid, AllCatPT, ProgressBar1);
  FCategoryArea->OnNewGrid = [this](TMyStringGrid& g) {
    WireGrid(g, false);
    // A page made while the summary tab shows alone stays out of sight too.
    if (auto* sheet = dynamic_cast<TTabSheet*>(g.Parent())) sheet->SetTabVisible(FShowCatTabs);
  };
  FAlbumArea = std::make_unique<TMainAlbumArea>(this, Albums, AllAlbLV);
  FAlbumArea->OnNewGrid = [this](TMyStringGrid& g) {
    WireGrid(g, true);
    if (auto* sheet = dynamic_cast<TTabSheet*>(g.Parent())) sheet->SetTabVisible(FShowAlbTabs);
  };

  MusicPanel = MakePanel(this, "MusicPanel", "");
  MusicPanel->SetBevelOuter(bvLowered);
  MusicPanel->SetColor(clBlack);
  MusicPanel->SetVisible(false);
}

// --- start-up -----------------------------------------------------------------------------------

void TMasterFrm::FormCreate(TObject*) {
  Application->OnException = [this](TObject* s, const std::exception& e) { AppException(s, e); };
  FRequestSeen = false;
  std::string title = Application->Title().empty() ? AppTitleText : Application->Title();
  SetCaption(title);
  FDocTypeName = title + ".Document";
  MIDIdefault->SetCaption("Set as default Windows &MIDI player");
  FSessionEnding = false;
  FSettingsPath = ProgramFolder() + TSettings::FileName;
  FFirstRun = !FileExists(FSettingsPath);
  FRoad->SetImportBusy(false);
  FRoad->SetStartBusy(false);
  // Messages run only once the work folders exist: a request handled now would need them.
  PrepareWorkFolders();
  LetMessagesRun();
  Application->OnHint = [this](TObject* s) { ShowAppHint(s); };
  FStatusText = "Idle";
  FCategoryText = "No category";
  FTitleText = "No title";
  FArtistText = "No artist";
  HMODULE self = GetModuleHandleA(nullptr);
  HCURSOR help = LoadCursorA(self, "HELP");
  HCURSOR hand = LoadCursorA(self, "HANDPOINT");
  Screen->SetCursors(5, help ? help : LoadCursorA(nullptr, IDC_HELP));
  Screen->SetCursors(6, hand ? hand : LoadCursorA(nullptr, IDC_HAND));
  FSelection = std::make_unique<TStringList>();
  FDragList = std::make_unique<TStringList>();
  FSelection2 = std::make_unique<TStringList>();
  FRoad->Program().SetIndex(-1);
  DisableCommands();
  // Made here, loaded by the start-up timer once the window shows.
  FCatList = std::make_unique<TCatList>(ProgramFolder());
  FAlbList = std::make_unique<TAlbList>(ProgramFolder());
  CDPanel->SetPlayer(FMyMidi.get());
  // Files dropped from the shell are imported.
  DragAcceptFiles(Handle(), TRUE);
}

void TMasterFrm::PrepareWorkFolders() {
  std::string folder = ProgramFolder();
  RegisterDocType(ProgramFolder() + ExtractFileName(ParamStr(0)), FDocTypeName);
  WriteDocumentIcon(folder);
  FAssocCommands = std::make_unique<TFileAssocCommands>(
      TFileAssocCommands::TItems{MIDIdefault, MIDIrestore, LaunchOnWinStart, Normal1, Minimized1,
                                 Not1},
      ProgramFolder() + ExtractFileName(ParamStr(0)));
  FAssocCommands->ShowMessageBox = [this](const std::string& text, TMessageKind kind, int help,
                                          TMessageButtons buttons) {
    return ShowMessageBox(text, kind, help, buttons);
  };
  FAssocCommands->Ending = [this] { return FRoad->Aborted(); };
  FAssocCommands->RepaintMainWindow = [this] { Repaint(); };
  std::string notMade;
  for (const char* name : WorkFolderNames) {
    std::string work = folder + name + "\\";
    if (!DirectoryExists(work) && !ForceDirectories(work)) {
      // Said once for all of them below; a folder that is not there has nothing to clear.
      notMade += std::string(notMade.empty() ? "" : ", ") + name;
      continue;
    }
    const std::string n = name;
    if (n == "BackUp") continue;
    for (const std::string& mask : n == "TempTrash" ? TrashMasks : TuneMasks)
      ClearDirectory(work, mask);
  }
  if (!notMade.empty())
    ShowMessageBox("These work folders could not be made in " + folder + ": " + notMade +
                       ".\r\n\r\nWork that needs them will fail until the program folder can "
                       "be written to.",
                   TMessageKind::Warning, 0, TMessageButtons::OK);
}

void TMasterFrm::ShowAppHint(TObject*) {
  StatusBar1->Font().SetName("MS Sans Serif");
  StatusBar1->Font().SetSize(8);
  StatusBar1->Font().SetStyle({fsBold});
  if (StatusBar1->PanelCount() > 0) StatusBar1->Panels(0).SetText(Application->Hint());
}

void TMasterFrm::FormShow(TObject*) {
  BuildCoolMenus();
  // The splash shows only for a plain start: no plug-in request waiting and no parameters.
  if (SplashAllowed && Trim(PendingRequest).empty() && FParams.empty()) {
    FSplash = std::make_unique<TSplashFrm>(nullptr);
    FSplash->StartUpDone = [] { return StartUpDone; };
    FSplash->Show();
    FSplash->Repaint();
  }
  LetMessagesRun();
  Font().SetName("MS Sans Serif");
  FRoad->Program().SetPlaying(false);
  // Both tab rows: bold green active tab, regular inactive ones, both on silver.
  for (TExtPageControl* tabs : {Categories, Albums}) {
    tabs->TabActiveFont().SetName("MS Sans Serif");
    tabs->TabActiveFont().SetStyle({fsBold});
    tabs->TabActiveFont().SetColor(static_cast<TColor>(0x008000));
    tabs->SetTabActiveColor(static_cast<TColor>(0xC0C0C0));
    tabs->TabInactiveFont().SetName("MS Sans Serif");
    tabs->TabInactiveFont().SetStyle({});
    tabs->SetTabInactiveColor(static_cast<TColor>(0xC0C0C0));
    // Many categories or albums wrap onto further rows of tabs, each as high as its font.
    tabs->SetTabStyle(tabStDefault);
    tabs->SetTabHeight(0);
    tabs->SetMultiLine(true);
  }
  MakeAlbumImageLists();
  TTuneInfo idle;
  idle.Category = idle.Artist = idle.Title = "None";
  idle.Status = "No program";
  ShowTuneInfo(idle);
  SetCurrentDir(ProgramFolder());
  ReadSettings();
  FindPlugInDirs();
  FormResize(this);
  Timer2->SetEnabled(true);
}

void TMasterFrm::ReadSettings() {
  FSettings.Load(FSettingsPath);
  ApplySettingsToMenus();
  int width = FSettings.Width, height = FSettings.Height;
  if (FFirstRun) {
    SetBounds((Screen->Width() - width) / 2, (Screen->Height() - height) / 2, width, height);
  } else {
    SetBounds(FSettings.Left, FSettings.Top, width, height);
  }
  bool isDefault = IsDefaultMIDIPlayer(FDocTypeName);
  MIDIdefault->SetEnabled(!isDefault);
  MIDIrestore->SetEnabled(!MIDIdefault->Enabled());
}

void TMasterFrm::ApplySettingsToMenus() {
  const TSettings& s = FSettings;
  FFullScanDone = s.FullScanDone;
  Hintlevel1->SetChecked(s.ShowAllHints);
  Application->SetShowHint(s.ShowAllHints);
  FShowAlbTabs = s.ShowAlbTabs;
  FShowCatTabs = s.ShowCatTabs;
  SetTabColors(static_cast<TColor>(s.TabActiveColor), static_cast<TColor>(s.TabActiveFontColor));
  Remindtoscan1->SetChecked(s.RemindToScan);
  Looping1->SetChecked(s.AutoLooping);
  FRoad->SetLooping(s.AutoLooping);
  FMyMidi->SetMidiOutPort(s.MIDIOutPort);
  // More than one reset key set ticks each of them; the next reset click makes it single.
  GMGS1->SetChecked(s.GMGSReset);
  GSGM1->SetChecked(s.GSGMReset);
  GM1->SetChecked(s.GMReset);
  GS1->SetChecked(s.GSReset);
  None1->SetChecked(s.NoReset());
  FRoad->SetResetChoice(ResetChoiceOf(s));
  Normal1->SetChecked(s.LOWS_Normal);
  Minimized1->SetChecked(s.LOWS_Minimized);
  Not1->SetChecked(s.LOWS_Not());
  LaunchOnWinStart->SetChecked(s.LaunchOnWinStart());
  FDisableTempConPI = s.DisableTempConPI;
  Visualeffects1->SetChecked(s.VisE);
  Spectrumbars1->SetChecked(s.SpecBars);
  Lights1->SetChecked(s.Lights);
  Spectrograph1->SetChecked(s.SpecGraph);
  AlbPanel->SetWidth(s.AlbPanelWidth);
  SetShowTools(s.ShowTools);
}

void TMasterFrm::TakeSettingsFromMenus() {
  TSettings& s = FSettings;
  s.ShowTools = FShowTools;
  s.FullScanDone = FFullScanDone;
  s.ShowAllHints = Hintlevel1->Checked();
  s.ShowAlbTabs = FShowAlbTabs;
  s.ShowCatTabs = FShowCatTabs;
  s.TabActiveColor = static_cast<uint32_t>(Categories->TabActiveColor());
  s.TabActiveFontColor = static_cast<uint32_t>(Categories->TabActiveFont().Color());
  s.RemindToScan = Remindtoscan1->Checked();
  s.VisE = Visualeffects1->Checked();
  s.SpecBars = Spectrumbars1->Checked();
  s.Lights = Lights1->Checked();
  s.SpecGraph = Spectrograph1->Checked();
  s.AutoLooping = Looping1->Checked();
  s.MIDIOutPort = FMyMidi->MidiOutPort();
  s.GMGSReset = GMGS1->Checked();
  s.GSGMReset = GSGM1->Checked();
  s.GMReset = GM1->Checked();
  s.GSReset = GS1->Checked();
  s.LOWS_Normal = Normal1->Checked();
  s.LOWS_Minimized = Minimized1->Checked();
  s.DisableTempConPI = FDisableTempConPI;
  s.AlbPanelWidth = AlbPanel->Width();
  s.Top = Top();
  s.Left = Left();
  s.Height = Height();
  s.Width = Width();
}

void TMasterFrm::FindPlugInDirs() {
  FPlugInDirs = ExistingPlugInDirs();
  ManageNPI->SetVisible(!FPlugInDirs.empty());
  ManageNPISep->SetVisible(!FPlugInDirs.empty());
}

TManageNPIFrm& TMasterFrm::NPIManager() {
  TManageNPIFrm* manager = ManageNPIFrm;
  if (!manager) {
    if (!FOwnNPIManager) FOwnNPIManager = std::make_unique<TManageNPIFrm>(nullptr);
    manager = FOwnNPIManager.get();
  }
  manager->SetDisableTempConPI = [this](bool value) { FDisableTempConPI = value; };
  manager->SessionEnding = [this] { return FSessionEnding; };
  return *manager;
}

void TMasterFrm::About1Click(TObject*) {
  ShowAboutBox(this);
}

void TMasterFrm::ManageNPIClick(TObject*) {
  TManageNPIFrm& manager = NPIManager();
  RECT area = BoundsRect();
  manager.SetPosition(poDesigned);
  manager.SetBounds(area.left + (area.right - area.left - manager.Width()) / 2,
                    area.top + (area.bottom - area.top - manager.Height()) / 2, manager.Width(),
                    manager.Height());
  manager.ShowModal();
}

void TMasterFrm::Timer2Timer(TObject*) {
  StartUpDone = false;
  Timer2->SetEnabled(false);
  ++FStartupTimerRuns;
  if (!FParams.empty() && Trim(FParams[0]) == "M") {
    FreeSplash();
    Application->Minimize();
  } else {
    SetVisible(true);
  }
  Repaint();
  bool loaded = false;
  {
    TFlagHold loading(FLoading);
    try {
      LoadCatalogue();
      loaded = true;
    } catch (...) {
      // Shown by the application's handler; the commands stay disabled, as nothing could act on
      // a catalogue that did not open.
      Application->HandleException(std::current_exception());
    }
  }
  // Conflicting browser plug-ins step aside while the program is open.
  if (loaded && FDisableTempConPI) NPIManager().DisableConflictingWhileOpen();
  if (FCloseWhenLoaded) {
    StartUpDone = true;
    Close();
    return;
  }
  StartUpDone = true;
  LetMessagesRun();
  if (loaded) {
    EnableCommands();
    if (AllCatGrid->CanFocus()) AllCatGrid->SetFocus();
    Repaint();
    CDPanel->StartFlashing();

    if (!Trim(PendingRequest).empty()) {
      std::string request = PendingRequest;
      PendingRequest.clear();
      ProcessRequest(request, 0);
    } else if (!FParams.empty()) {
      ProcessRequest(FParams[0], 0);
    }
    // What arrived meanwhile runs now, before the start-up questions.
    FQueueOpen = true;
    while (!FQueue.empty() && QueueMayRun())
      RunQueuedRequests();
    if (FParams.empty()) AskStartQuestions();
  }
  // Start-up is over, its questions included; programs outside (tests) look for this mark.
  SetPropA(Handle(), StartUpDoneProperty, reinterpret_cast<HANDLE>(1));
}

void TMasterFrm::AskStartQuestions() {
  if (FFirstRun && ManageNPI->Visible()) ManageNPIClick(this);
  if (Remindtoscan1->Checked() && !FFullScanDone && !FRequestSeen) {
    if (ShowMessageBox("Scan your system to find all MIDI files (recommended)?\r\n",
                       TMessageKind::Confirmation, 201, YesNoHelp) == TMessageAnswer::Yes) {
      Repaint();
      ScansystemforMIDIfiles1Click(this);
    }
  }
  if (FFirstRun && MIDIdefault->Enabled()) {
    if (ShowMessageBox(std::string("Make ") + AppTitleText +
                           " your default Windows MIDI player (recommended) ?",
                       TMessageKind::Confirmation, 202, YesNoHelp) == TMessageAnswer::Yes)
      FAssocCommands->MIDIdefaultClick();
  }
}

void TMasterFrm::WndProc(TMessage& m) {
  if (m.Msg == WM_INSTANCEPARAMS) {
    if (IsIconic(Handle())) Application->Restore();
    // Each line waits its turn; the second start is answered at once.
    ReceiveInstanceParams(
        m.WParam, m.LParam,
        [](void* target, const std::string& line, int no) {
          auto* self = static_cast<TMasterFrm*>(target);
          TQueued item;
          item.Text = line;
          item.Index = no;
          self->Enqueue(std::move(item));
        },
        this);
    m.Result = 0;
    return;
  }
  if (m.Msg == WM_PLUGINREQUEST) {
    ReceivePluginRequest(LOWORD(m.LParam));
    m.Result = 0;
    return;
  }
  if (m.Msg == WM_DESTROY) RemovePropA(Handle(), StartUpDoneProperty);
  // A handler may have been given to a gated item since the busy state last changed.
  if (m.Msg == WM_INITMENUPOPUP) CommandGate().Apply();
  if (m.Msg == WM_SIZE) {
    // Laid out from the window's real client size, after the window has taken it.
    TMasterFrmBase::WndProc(m);
    if (m.WParam != SIZE_MINIMIZED) FormResize(this);
    return;
  }
  if (m.Msg == WM_DROPFILES) {
    GuardVoid([&] { TakeDroppedFiles(reinterpret_cast<HDROP>(m.WParam)); });
    m.Result = 0;
    return;
  }
  if (m.Msg == WM_QUERYENDSESSION) {
    // The user may still cancel the shutdown: only the music stops here. Nothing that could not
    // be taken back (the abort flag is never cleared) is set before the session really ends.
    Timer1->SetEnabled(false);
    CloseSequencer();
  } else if (m.Msg == WM_ENDSESSION && m.WParam) {
    // The process ends when this returns: write the lists, the settings and the store now.
    FSessionEnding = true;
    FRoad->SetAborted();
    if (FImportDepth > 0) {
      // An import runs beneath this message and still uses the store: write what is kept in
      // memory and leave the store (written through at every add) open.
      SaveForSessionEnd();
      m.Result = 0;
      return;
    }
    TCloseAction action = caFree;
    FormClose(this, action);
    m.Result = 0;
    return;
  } else if (m.Msg == QxMessages.BringToFront && m.Msg != 0) {
    FreeSplash();
    Application->Restore();
    ShowWindow(Handle(), SW_RESTORE);
    SetVisible(true);
    SetForegroundWindow(Handle());
    TMasterFrmBase::WndProc(m);
    m.Result = 0;
    return;
  } else if (m.Msg == QxMessages.TrackBarSetPos && m.Msg != 0) {
    if (FRoad->Mode() == mdPlaying) {
      // wParam comes from another process: thousandths of the length, nothing beyond.
      const int64_t perMille = std::clamp<int64_t>(static_cast<int32_t>(m.WParam), 0, 1000);
      GuardVoid(
          [&] { FMyMidi->SetPosition(static_cast<int>(perMille * FMyMidi->Length() / 1000)); });
    }
  } else if (m.Msg == QxMessages.ShowMixerWindow && m.Msg != 0) {
    if (MixerFrmF)
      GuardVoid([this] {
        if (!MixerFrmF->Visible()) CenterOverMainWindow(*MixerFrmF);
        MixerFrmF->Show();
        if (IsIconic(MixerFrmF->Handle())) ShowWindow(MixerFrmF->Handle(), SW_RESTORE);
        SetForegroundWindow(MixerFrmF->Handle());
        MixerFrmF->Repaint();
      });
    TMasterFrmBase::WndProc(m);
    m.Result = 0;
    return;
  }
  TMasterFrmBase::WndProc(m);
}

// --- message box, busy state, exceptions
// ----------------------------------------------------------

TMessageAnswer TMasterFrm::ShowMessageBox(const std::string& text, TMessageKind kind,
                                          int helpContext, TMessageButtons buttons) {
  return TMasterFrmBase::ShowMessageBox(text, kind, helpContext, buttons);
}

// --- player timer and display -------------------------------------------------------------------

void TMasterFrm::Timer1Timer(TObject*) {
  FRoad->Timer1Timer();
}

void TMasterFrm::SetTimer1(bool enabled) {
  Timer1->SetEnabled(enabled);
}

void TMasterFrm::ShowTuneInfo(const TTuneInfo& info) {
  CDPanel->ShowTuneInfo(info.Category, info.Artist, info.TotalSeconds, info.Seconds,
                        info.ProgramCount, info.ProgramPlace, info.Status, info.Title);
}

// --- shutdown -----------------------------------------------------------------------------------

void TMasterFrm::CloseSequencer() {
  // A paused device holds the play file too: close whatever is open.
  if (FMyMidi->DeviceId() < 0) return;
  try {
    FMyMidi->Stop();
  } catch (const std::exception&) {
  }
  try {
    FMyMidi->Close();
  } catch (const std::exception&) {
  }
}

void TMasterFrm::FormClose(TObject*, TCloseAction& Action) {
  if (!FSessionEnding && FPrinting) {
    // Closing now would lose the lists and settings: refuse until the print job ends.
    ShowMessageBox(std::string(AppTitleText) +
                       " is printing. Please close it again when the print job has ended.",
                   TMessageKind::Information, 0, TMessageButtons::OK);
    Action = caNone;
    return;
  }
  if (FLoading) {
    // The catalogue is being loaded: the close comes when it is in (the store is in use now).
    FCloseWhenLoaded = true;
    Action = caNone;
    return;
  }
  if (FImportDepth > 0) {
    // An import uses the store: it stops after its current file and the close follows.
    FRoad->SetAborted();
    FCloseWhenImported = true;
    Action = caNone;
    return;
  }
  FQueue.clear();
  if (FClosed) return;
  FClosed = true;
  Timer1->SetEnabled(false);
  Repaint();
  FRoad->SetAborted();
  DisableCommands();
  Screen->SetCursor(crHourGlass);
  Repaint();
  CloseSequencer();
  FRoad->Program().SetPlaying(false);
  CloseCatalogue();
  FinishAll();
  LetMessagesRun();
  Screen->SetCursor(crDefault);
  if (StatusBar1->PanelCount() > 0) StatusBar1->Panels(0).SetText("Closing down . . . .");
  Action = caFree;
}

void TMasterFrm::WriteSettings() {
  TakeSettingsFromMenus();
  try {
    FSettings.Save(FSettingsPath, WindowState() == wsMaximized);
  } catch (const std::exception& e) {
    ShowMessageBox("The settings could not be saved:\r\n\r\n" + std::string(e.what()),
                   TMessageKind::Error, 0, TMessageButtons::OK);
  }
}

void TMasterFrm::FreeSplash() {
  if (!FSplash) return;
  FSplash->Hide();
  FSplash.reset();
}

void TMasterFrm::FinishAll() {
  FreeSplash();
  Timer1->SetEnabled(false);
  Timer2->SetEnabled(false);
  SetCurrentDir(ProgramFolder());
  WriteSettings();
  FRoad->Program().SetPlaying(false);
  FRoad->Program().EraseProgram();
  // Emptied, not freed: a title start that let this close run may still come back to them.
  FSelection->Clear();
  FDragList->Clear();
  FSelection2->Clear();
  SetDragSource(false, false);
  if (FileExists(FRoad->PlayFile())) DeleteFile(FRoad->PlayFile());
  if (!Application->HelpFile().empty()) Application->HelpCommand(HELP_QUIT, 0);
  FRoad->SetGMReset("");
  FRoad->SetGSReset("");
  // Only the plug-ins set aside while the program was open come back; those disabled for good
  // stay disabled.
  if (FDisableTempConPI) NPIManager().EnableTempDisabledPlugIns();
}

// --- the catalogue ------------------------------------------------------------------------------

void TMasterFrm::CreateDataModule() {
  if (FDMM2) return;
  FDMM2 = std::make_unique<TDMM2>(ProgramFolder(), this);
  try {
    FDMM2->FormCreate();
  } catch (const std::exception& e) {
    // The artist list stays unread and unwritten; the catalogue still opens.
    ShowMessageBox(std::string("The artist list could not be read:\r\n\r\n") + e.what(),
                   TMessageKind::Error, 0, TMessageButtons::OK);
  }
  FDMM2->MyDB()->SetZipper(FTuneFiles.get());
  FStore->SetModule(FDMM2.get());
}

void TMasterFrm::LoadCatalogue() {
  CreateDataModule();
  TMyDB* db = FDMM2->MyDB();
  if (!db || db->Loaded()) return;
  SetCurrentDir(ProgramFolder());
  FCatList->LoadFromFile(CategoriesName, FCategoryArea.get());
  FCatList->SetStore(db);
  db->SetCatList(FCatList.get());
  FAlbList->SetStore(db);
  db->SetAlbList(FAlbList.get());
  db->Open(ProgramFolder() + "Music");
  db->FillGrid();
  FAlbList->LoadFromFile(AlbumsName, FAlbumArea.get());
  ApplyAlbumTabsView();
  ApplyCategoryTabsView();
}

void TMasterFrm::SaveForSessionEnd() {
  // The session ends when this returns: each file is tried even when one before it failed, and
  // a failure has nobody to be shown to.
  auto attempt = [](const std::function<void()>& save) {
    try {
      save();
    } catch (const std::exception&) {
    }
  };
  attempt([this] {
    if (FAlbList && FAlbList->Loaded()) FAlbList->SaveToFile();
  });
  attempt([this] {
    if (FCatList && FCatList->Loaded()) FCatList->SaveToFile();
  });
  attempt([this] {
    TPerfList* artists = FDMM2 ? FDMM2->PerfList() : nullptr;
    if (artists && artists->Loaded()) artists->SaveToFile();
  });
  SetCurrentDir(ProgramFolder());
  TakeSettingsFromMenus();
  attempt([this] { FSettings.Save(FSettingsPath, WindowState() == wsMaximized); });
}

void TMasterFrm::CloseCatalogue() {
  // Each list is written even when one before it failed; the data module then packs the store.
  auto report = [this](const std::exception& e) {
    ShowMessageBox(e.what(), TMessageKind::Error, 0, TMessageButtons::OK);
  };
  bool loaded = FDMM2 && FDMM2->MyDB() && FDMM2->MyDB()->Loaded();
  if (loaded) {
    try {
      // Lists that were never loaded have nothing to write.
      if (FAlbList->Loaded()) FAlbList->SaveToFile();
    } catch (const std::exception& e) {
      report(e);
    }
    try {
      // Categories left without titles or without a name go; the file is written either way.
      if (FCatList->Loaded()) {
        FCatList->RemoveUnused();
        FCatList->SaveToFile();
      }
    } catch (const std::exception& e) {
      report(e);
    }
  }
  if (FDMM2) {
    FStore->SetModule(nullptr);
    FDMM2->FormClose();
    FDMM2.reset();
  }
}

void TMasterFrm::WireGrid(TMyStringGrid& grid, bool fromAlbums) {
  grid.OnDblClick = [this, &grid, fromAlbums](TObject*) { PlayGridSelection(grid, fromAlbums); };
  grid.OnMouseUp = [this, fromAlbums](TObject*, TMouseButton, TShiftState, int, int) {
    if (fromAlbums)
      AlbumsChange();
    else
      CategoriesChange();
  };
  grid.OnKeyDown = [this, &grid, fromAlbums](TObject*, WORD& key, TShiftState) {
    if (key == VK_RETURN) {
      key = 0;
      PlayGridSelection(grid, fromAlbums);
    }
  };
}

void TMasterFrm::PlayGridSelection(TMyStringGrid& grid, bool fromAlbums) {
  grid.GetSelectedKeys(*FDragList);
  if (FDragList->Count() == 0) return;
  SetDragSource(fromAlbums, !fromAlbums);
  ChoosePlayMode(true);
}

void TMasterFrm::SetStatus(const std::string& text, bool bold) {
  StatusBar1->Font().SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
  if (StatusBar1->PanelCount() > 0) StatusBar1->Panels(0).SetText(text);
  StatusBar1->Repaint();
}

void TMasterFrm::ProgressStart(int max) {
  ProgressBar1->SetRange(0, std::max(max, 0));
  ProgressBar1->SetPosition(0);
  ProgressBar1->SetVisible(true);
}

void TMasterFrm::ProgressPosition(int position) {
  ProgressBar1->SetPosition(position);
}

void TMasterFrm::ProgressDone() {
  ProgressBar1->SetPosition(0);
  ProgressBar1->SetVisible(false);
}

void TMasterFrm::ShowStateMessage(const std::string& text, int seconds) {
  CDPanel->ShowStateMessage(text, seconds);
}

void TMasterFrm::ShowDeviceBusyNotice() {
  TUnMIDIFrm* notice = UnMIDIFrm;
  if (!notice) {
    if (!FOwnNotice) FOwnNotice = std::make_unique<TUnMIDIFrm>(nullptr);
    notice = FOwnNotice.get();
  }
  if (notice->ShowNotice(this)) BringWindowToTop(notice->Handle());
}

void TMasterFrm::ShowPlainMessage(const std::string& text) {
  ShowMessage(text);
}

void TMasterFrm::SetBusyCursor(bool busy) {
  Screen->SetCursor(busy ? crHourGlass : crDefault);
}
