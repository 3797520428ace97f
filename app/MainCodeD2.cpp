// The main window: its parts, start-up in three steps, requests from outside and shutdown.
#include "MainCodeD2.h"
#include "DragCommands.h"
#include "MainLayout.h"
#include "RequestCommands.h"
#include "MainViewCommands.h"
#include "MainPlay.h"
#include "ImportCommands.h"
#include "VisualEffects.h"
#include "EditCommands.h"
#include "CatalogueCommands.h"
#include "PlayerCommands.h"
#include "TableCommands.h"
#include "ContextHelp.h"
#include "ScanCommands.h"
#include "ExportCommands.h"
#include "FeatureHost.h"
#include "MailServices.h"
#include "PrintCommands.h"
#include "MailWindowHost.h"
#include <windows.h>
#include <shellapi.h>
#include <algorithm>
#include <memory>
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
#include "PrintParamD2.h"
#include "FolderTools.h"
#include "Registry.h"
#include "SplashCodeD2.h"
#include "SysUtils.h"
#include "ViewProgCode.h"
#include "finalMain.h"
#include "CDPanel.h"
#include "CatalogueDamage.h"
#include "DataCodeD2.h"
#include "FileAssocCommands.h"
#include "MainViews.h"
#include "Menus.h"
#include "UnMIDICode.h"

TQxMessages QxMessages;
std::string PendingRequest;
bool StartUpDone = false;
TMasterFrm* MasterFrm = nullptr;
TSplashFrm* SplashFrm = nullptr;
bool SplashAllowed = false;
const char* const WorkFolderNames[5] = {"TempTune", "TempZips", "TempMail", "TempTrash", "BackUp"};

namespace {

// The album list's name column at its narrowest.
constexpr int AlbumNameWidth = 90;

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

// A menu item that flips its tick when clicked.
TMenuItem* Checkable(TMenuItem* m) {
  m->OnClick = [m](TObject*) { m->SetChecked(!m->Checked()); };
  return m;
}

// A menu item that is ticked alone among its group when clicked.
TMenuItem* InRadioGroup(TMenuItem* m, int group) {
  m->SetRadioItem(true);
  m->SetGroupIndex(group);
  m->OnClick = [m](TObject*) { m->SetChecked(true); };
  return m;
}

// The window's timers start stopped; their owners start them when there is work.
TTimer* MakeTimer(TComponent* owner, const char* name, int interval, TNotifyEvent onTimer) {
  auto* timer = new TTimer(owner);
  timer->SetName(name);
  timer->SetEnabled(false);
  timer->SetInterval(interval);
  timer->OnTimer = std::move(onTimer);
  return timer;
}

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

TMasterGroups::~TMasterGroups() = default;

TMasterFrm::TMasterFrm(TComponent* AOwner) : TMasterFrmBase(AOwner) {
  if (!QxMessages.BringToFront) InitMainUnit();
  MasterFrm = this;
  SetName("MasterFrm");
  SetCaption(AppTitleText);
  SetBounds(100, 100, 585, 400);
  MakeCommandGroups();
  MakePlayRoad();
  MakeTimers();
  WireTuneFileProgress();

  BuildMenu();
  FPlayCommands->BuildPlayPopUp();
  BuildStatusBar();
  BuildTopArea();
  BuildCatalogueArea();
  FVisualEffects->BuildVisualEffects();
  WireAreas();

  GateUnbuiltCommands();
  FPrintCommands->BuildPrintMenus();
  FDragCommands->WireDrags(); // before context help, which looks first at the tabs' press and the
                              // buttons' click
  WireContextHelp();
  FCatalogueCommands->WireEnabling();
  FCatalogueCommands->HoldCommandsWhileBusy();
  // Nothing plays and the program is empty: the player buttons start as that state has them.
  UpdatePlayControls();

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

// The command groups, in the order they depend on one another: a group may take another.
void TMasterFrm::MakeCommandGroups() {
  FDragCommands = std::make_unique<TDragCommands>(
      *this, TDragParts{FCategories, FAlbums, FAllAlbLV, FAllCatGrid, FPlay, FPlayReplace, FEditCat,
                        FTrashCat, FMailTitle, FExportTitle, FArchive, FPrintCat});
  FRequestCommands =
      std::make_unique<TRequestCommands>(*this, TRequestParts{FLooping1, FNavPITimer, FQueueTimer});
  const TViewParts viewParts{FCategories,    FAlbums,
                             FAllAlbLV,      FNewCatPopUp,
                             FAlbPopUp,      FCategory1,
                             FArtist2,       FTitle2,
                             FDuration1,     FFiletype1,
                             FFilesize1,     FFiledate1,
                             FOrigin1,       FDateobtained1,
                             FCategory3,     FArtist1,
                             Ftitle3,        FDuration2,
                             FFiletype2,     FFilesize2,
                             FFiledate2,     FOrigin2,
                             FDateobtained2, FCategorySummaryOnly,
                             FViewCat1,      FAlbumsummaryonly1,
                             FView2,         FColor1,
                             FFontcolor1,    FBackground1,
                             FFont1,         FBackground2,
                             FFont2};
  FViewCommands = std::make_unique<TViewCommands>(*this, viewParts);
  FPlayCommands =
      std::make_unique<TPlayCommands>(*this, TPlayParts{FPlayNext, FBack, FMMSlider1, FAlbums});
  FImportCommands = std::make_unique<TImportCommands>(*this);
  FVisualEffects = std::make_unique<TVisualEffects>(
      *this, TVisualEffectsParts{FPanel11, FMusicPanel, FCDPanel, FVisualeffects1, FSpectrumbars1,
                                 FLights1, FSpectrograph1});
  FEditCommands = std::make_unique<TEditCommands>(
      *this, TEditParts{FCategories, FAlbums, FNewCatPopUp, FAlbPopUp, FAllCatGrid},
      [this] { return FDragCommands->PageCommandHeld(); });
  FCatalogueCommands = std::make_unique<TCatalogueCommands>(
      *this, TCatalogueParts{FNewCatPopUp, FAlbPopUp, FCategories, FCategory1, FAllAlbLV, FAlbums,
                             FTitle1, FViewCat1, FCategorySummaryOnly, FView2, FAlbumsummaryonly1,
                             FCategories1, FAlbums1});
  FPlayerCommands = std::make_unique<TPlayerCommands>(
      *this, TPlayerParts{FTopPanel, FMMSlider1, FListPanel, FPlayPanel, FBack, FPlayNext, FShuffle,
                          FMusicClear, FPause, FAllStop, FOutPort, FVolume, FViewtitles1,
                          FMainMenu1, FOptions1});
  FLayout = std::make_unique<TMainLayout>(
      *this, TMainLayoutParts{FTopPanel,       FPanel11,          FToolsLeft,
                              FToolsRight,     FPlayReplace,      FPlay,
                              FListPanel,      FPlayPanel,        FSoundPanel,
                              FStatusBar1,     FDBPanel,          FMusicPanel,
                              FEditCat,        FMailTitle,        FArchive,
                              FExportTitle,    FPrintCat,         FTrashCat,
                              FPanel4,         FWebPanel,         FGetMIDIsPanel,
                              FAlbPanel,       FSeparator,        FCatPanel,
                              FVisualeffects1, FShowmusictoolbar1},
      *FPlayerCommands, *FVisualEffects);
  FTableCommands = std::make_unique<TTableCommands>(
      *this, TTableParts{FAlbPopUp, FNewCatPopUp, FAlbums, FFile1, FScansystemforMIDIfiles1});
  FContextHelp = std::make_unique<TContextHelp>(*this);
  FScanCommands = std::make_unique<TScanCommands>(*this);
  FExportCommands = std::make_unique<TExportCommands>(*this, TExportParts{FAlbums, FCategories});
  FPrintCommands = std::make_unique<TPrintCommands>(
      *this, TPrintParts{FAlbums1, FCategories1, FAlbPopUp, FNewCatPopUp, FCategories, FAlbums,
                         FAllAlbLV, FPrintCat});
}

// The feature host, the command line and the player's road with its tune files and store.
void TMasterFrm::MakePlayRoad() {
  FFeatureHost = MakeFeatureHost(*this);
  SetMailServicesHost(FFeatureHost.get());
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
}

void TMasterFrm::MakeTimers() {
  FTimer1 = MakeTimer(this, "Timer1", 100, [this](TObject* s) { Timer1Timer(s); });
  FTimer2 = MakeTimer(this, "Timer2", 100, [this](TObject* s) { Timer2Timer(s); });
  FNavPITimer = MakeTimer(this, "NavPITimer", 200,
                          [this](TObject* s) { FRequestCommands->NavPITimerTimer(s); });
  FQueueTimer = MakeTimer(this, "QueueTimer", 1,
                          [this](TObject* s) { FRequestCommands->QueueTimerTimer(s); });
}

// Unpacking a tune file reports its progress on the import's bar and may be aborted there.
void TMasterFrm::WireTuneFileProgress() {
  FTuneFiles->OnProgress = [this](int percent) {
    bool abort = false;
    FImportCommands->AZ1ArchiveProgress(percent, abort);
  };
  FTuneFiles->OnAbortQuery = [this] {
    bool abort = false;
    FImportCommands->AZ1ArchiveProgress(-1, abort);
    return abort;
  };
}

void TMasterFrm::BuildStatusBar() {
  FStatusBar1 = new TStatusBar(this);
  FStatusBar1->SetName("StatusBar1");
  FStatusBar1->SetParent(this);
  FStatusBar1->SetAlign(alBottom);
  FStatusBar1->SetHeight(20);
  FStatusBar1->AddPanel().SetWidth(290);
  FStatusBar1->AddPanel().SetWidth(50);
  FProgressBar1 = new TExtProgressBar(this);
  FProgressBar1->SetName("ProgressBar1");
  FProgressBar1->SetParent(FStatusBar1);
  FProgressBar1->SetVisible(false);
}

void TMasterFrm::WireAreas() {
  // The right button on the tab rows opens the areas' own menus.
  FCategories->SetPopupMenu(FNewCatPopUp);
  FAlbums->SetPopupMenu(FAlbPopUp);
  // Working in either area makes it the view in use.
  FCategories->OnChange = [this](TObject*) { CategoriesChange(); };
  FAlbums->OnChange = [this](TObject*) { AlbumsChange(); };
  FAllAlbLV->OnClick = [this](TObject*) { AlbumsChange(); };
  SetBusyParts({{FNewAlb, FGetLocal, FGetWeb, FBitBtn1, FBitBtn2, FOutPort, FVolume, FMMSlider1},
                {FBack, FPlayNext},
                {FFile1, FView1, FAlbums1, FCategories1, FTitle1, FHelp1}});
  SetTraceItem(FDEBUGMODE1);
}

TMasterFrm::~TMasterFrm() {
  SetMailServicesHost(nullptr);
  FVisualEffects->FormDestroy(this);
  FNavPITimer->SetEnabled(false);
  FQueueTimer->SetEnabled(false);
  // The list view outlives these members: it must not keep their image lists.
  FAllAlbLV->SetLargeImages(nullptr);
  FAllAlbLV->SetSmallImages(nullptr);
  if (!FClosed) {
    // Freed without a close (a test): the player must not keep the play file open.
    FTimer1->SetEnabled(false);
    FTimer2->SetEnabled(false);
    CloseSequencer();
  }
  if (FViewer) FViewer->SetMainWindow(nullptr);
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

void TMasterFrm::WireContextHelp() {
  FContextHelp->WireContextHelp({.AllCatGrid = FAllCatGrid,
                                 .Categories = FCategories,
                                 .Albums = FAlbums,
                                 .Play = FPlay,
                                 .PlayReplace = FPlayReplace,
                                 .NewAlb = FNewAlb,
                                 .EditCat = FEditCat,
                                 .ExportTitle = FExportTitle,
                                 .TrashCat = FTrashCat,
                                 .Archive = FArchive,
                                 .MailTitle = FMailTitle,
                                 .PrintCat = FPrintCat,
                                 .GetLocal = FGetLocal,
                                 .BitBtn1 = FBitBtn1,
                                 .BitBtn2 = FBitBtn2,
                                 .TopPanel = FTopPanel,
                                 .AllAlbLV = FAllAlbLV,
                                 .OutPort = FOutPort,
                                 .Back = FBack,
                                 .PlayNext = FPlayNext,
                                 .RepeatSB = FPlayerCommands->RepeatSB(),
                                 .Shuffle = FShuffle,
                                 .MusicClear = FMusicClear,
                                 .Pause = FPause,
                                 .OneStop = FPlayerCommands->OneStop(),
                                 .AllStop = FAllStop,
                                 .ProgView = FPlayerCommands->ProgView(),
                                 .GetLocal2 = FGetLocal2,
                                 .ScanadriveforMIDIfiles1 = FScanadriveforMIDIfiles1,
                                 .ScansystemforMIDIfiles1 = FScansystemforMIDIfiles1,
                                 .Viewtitles1 = FViewtitles1,
                                 .N19 = FPlayerCommands->N19(),
                                 .Volume2 = FPlayerCommands->Volume2()});
}

void TMasterFrm::GateUnbuiltCommands() {
  // Each is enabled by the gate once its command is given a handler.
  for (TControl* c : std::initializer_list<TControl*>{
           FPlay, FPlayReplace, FPause, FAllStop, FOutPort, FVolume, FEditCat, FMailTitle, FArchive,
           FExportTitle, FPrintCat, FTrashCat, FNewAlb, FGetWeb})
    CommandGate().Add(c);
  for (TMenuItem* m : {FContents1, FViewtitles1})
    CommandGate().Add(m);
}

void TMasterFrm::BuildMenu() {
  FMainMenu1 = new TMainMenu(this);
  FMainMenu1->SetName("MainMenu1");
  TMenuItem& root = FMainMenu1->Items();
  BuildFileMenu(root);
  BuildViewMenu(root);
  BuildCatalogueMenus(root);
  BuildOptionsMenu(root);
  BuildHelpMenu(root);
  SetMenu(FMainMenu1);
}

void TMasterFrm::BuildFileMenu(TMenuItem& root) {
  FFile1 = NewMenuItem(this, root, "File1", "&File");
  FGetLocal2 = NewMenuItem(this, *FFile1, "GetLocal2", "&Open");
  FGetLocal2->OnClick = [this](TObject* s) { FScanCommands->GetLocal2Click(s); };
  FScanadriveforMIDIfiles1 =
      NewMenuItem(this, *FFile1, "ScanadriveforMIDIfiles1", "Scan a &drive for MIDI files...");
  FScanadriveforMIDIfiles1->OnClick = [this](TObject* s) {
    FScanCommands->ScanadriveforMIDIfiles1Click(s);
  };
  FScansystemforMIDIfiles1 =
      NewMenuItem(this, *FFile1, "ScansystemforMIDIfiles1", "&Scan system for MIDI files...");
  FScansystemforMIDIfiles1->OnClick = [this](TObject* s) {
    FScanCommands->ScansystemforMIDIfiles1Click(s);
  };
  // The plug-in item brings its own separator: none stands before it when it is hidden.
  FManageNPISep = NewMenuItem(this, *FFile1, "N1", "-");
  FManageNPI = NewMenuItem(this, *FFile1, "ManageNPI", "&Manage browser plug-in...");
  FManageNPI->OnClick = [this](TObject* s) { ManageNPIClick(s); };
  NewMenuItem(this, *FFile1, "N2", "-");
  FExit1 = NewMenuItem(this, *FFile1, "Exit1", "E&xit");
  FExit1->OnClick = [this](TObject*) { Close(); };
}

void TMasterFrm::BuildViewMenu(TMenuItem& root) {
  FView1 = NewMenuItem(this, root, "View1", "&View");
  FVisualeffects1 = Checkable(NewMenuItem(this, *FView1, "Visualeffects1", "&Visual effects"));
  FSpectrumbars1 = Checkable(NewMenuItem(this, *FView1, "Spectrumbars1", "Spectrum &bars"));
  FLights1 = Checkable(NewMenuItem(this, *FView1, "Lights1", "&Oscilloscope"));
  FSpectrograph1 = Checkable(NewMenuItem(this, *FView1, "Spectrograph1", "&Spectrograph"));
  NewMenuItem(this, *FView1, "N3", "-");
  FShowmusictoolbar1 = NewMenuItem(this, *FView1, "Showmusictoolbar1", "&Hide music toolbar");
  FShowmusictoolbar1->OnClick = [this](TObject* s) { FLayout->ToolsLeftClick(s); };
}

// The Albums, Categories and Titles menus, which the command groups fill.
void TMasterFrm::BuildCatalogueMenus(TMenuItem& root) {
  FAlbums1 = NewMenuItem(this, root, "Albums1", "&Albums");
  FCategories1 = NewMenuItem(this, root, "Categories1", "&Categories");
  FPlayCommands->BuildPlayMenus(FAlbums1, FCategories1);
  FViewCommands->BuildViewMenus(FCategories1, FAlbums1, FView1);
  FTitle1 = NewMenuItem(this, root, "Title1", "&Titles");
  FViewtitles1 = NewMenuItem(this, *FTitle1, "Viewtitles1", "&View titles");
  FEditCommands->BuildEditMenus(FAlbums1, FCategories1, FTitle1);
  FTableCommands->BuildTableMenus(FAlbums1, FCategories1, FTitle1);
}

void TMasterFrm::BuildOptionsMenu(TMenuItem& root) {
  FOptions1 = NewMenuItem(this, root, "Options1", "&Options");
  FLooping1 = Checkable(NewMenuItem(this, *FOptions1, "Looping1", "&Looping"));
  auto* resets = NewMenuItem(this, *FOptions1, "Resets1", "MIDI &reset before each title");
  FNone1 = InRadioGroup(NewMenuItem(this, *resets, "None1", "&None"), 1);
  FGM1 = InRadioGroup(NewMenuItem(this, *resets, "GM1", "&GM"), 1);
  FGS1 = InRadioGroup(NewMenuItem(this, *resets, "GS1", "G&S"), 1);
  FGMGS1 = InRadioGroup(NewMenuItem(this, *resets, "GMGS1", "GM, &then GS"), 1);
  FGSGM1 = InRadioGroup(NewMenuItem(this, *resets, "GSGM1", "GS, th&en GM"), 1);
  FRemindtoscan1 = Checkable(NewMenuItem(this, *FOptions1, "Remindtoscan1", "&Remind to scan"));
  NewMenuItem(this, *FOptions1, "N4", "-");
  FMIDIdefault = NewMenuItem(this, *FOptions1, "MIDIdefault", "");
  FMIDIrestore =
      NewMenuItem(this, *FOptions1, "MIDIrestore", "&Restore original default Windows MIDI player");
  FLaunchOnWinStart = NewMenuItem(this, *FOptions1, "LaunchOnWinStart", "&Launch on Windows start");
  FNormal1 = InRadioGroup(NewMenuItem(this, *FLaunchOnWinStart, "Normal1", "&Normal"), 2);
  FMinimized1 = InRadioGroup(NewMenuItem(this, *FLaunchOnWinStart, "Minimized1", "&Minimized"), 2);
  FNot1 = InRadioGroup(NewMenuItem(this, *FLaunchOnWinStart, "Not1", "No&t"), 2);
  // The Options menu's player and start-with-Windows commands live in their own unit (made in
  // FormCreate, once the program folder is known).
  FMIDIdefault->OnClick = [this](TObject*) { FAssocCommands->MIDIdefaultClick(); };
  FMIDIrestore->OnClick = [this](TObject*) { FAssocCommands->MIDIrestoreClick(); };
  FNormal1->OnClick = [this](TObject*) { FAssocCommands->Normal1Click(); };
  FMinimized1->OnClick = [this](TObject*) { FAssocCommands->Minimized1Click(); };
  FNot1->OnClick = [this](TObject*) { FAssocCommands->Not1Click(); };
  FDEBUGMODE1 = Checkable(NewMenuItem(this, *FOptions1, "DEBUGMODE1", "&Debug mode"));
  FDEBUGMODE1->SetVisible(false);
  // Looping, the resets and the debug trace reach the player's road when they are clicked.
  auto thenTellRoad = [this](TMenuItem* m) {
    TNotifyEvent tick = m->OnClick;
    m->OnClick = [this, tick](TObject* s) {
      tick(s);
      FRoad->SetLooping(FLooping1->Checked());
      FRoad->SetResetChoice(FGMGS1->Checked()   ? TResetChoice::GMGS
                            : FGSGM1->Checked() ? TResetChoice::GSGM
                            : FGM1->Checked()   ? TResetChoice::GM
                            : FGS1->Checked()   ? TResetChoice::GS
                                                : TResetChoice::None);
      FRoad->SetDebugMode(FDEBUGMODE1->Checked());
    };
  };
  for (TMenuItem* m : {FLooping1, FNone1, FGM1, FGS1, FGMGS1, FGSGM1, FDEBUGMODE1})
    thenTellRoad(m);
}

void TMasterFrm::BuildHelpMenu(TMenuItem& root) {
  FHelp1 = NewMenuItem(this, root, "Help1", "&Help");
  FContextHelp->BuildHelpMenu(*FHelp1);
  FContents1 = NewMenuItem(this, *FHelp1, "Contents1", "&Contents");
  FAbout1 = NewMenuItem(this, *FHelp1, "About1", "&About...");
  FAbout1->OnClick = [this](TObject* s) { About1Click(s); };
}

void TMasterFrm::BuildTopArea() {
  FTopPanel = MakePanel(this, "TopPanel", "");
  FTopPanel->SetBevelOuter(bvNone);
  FPanel11 = MakePanel(FTopPanel, "Panel11", "");
  FPanel11->SetBevelOuter(bvLowered);
  FPanel11->SetBounds(4, 2, 400, 62); // 88 while the visual effects run
  FPanel11->SetColor(clBlack);
  FPanel11->Font().SetColor(clLime);
  FCDPanel = new TCDPanelP(this);
  FCDPanel->SetName("CDPanel");
  FCDPanel->SetParent(FPanel11);
  FCDPanel->SetHeight(58);
  FCDPanel->SetAlign(alTop); // the level bars sit below it
  FPlayReplace = MakeButton(FTopPanel, "PlayReplace", "&Replace", 80);
  FPlay = MakeButton(FTopPanel, "Play", "&PLAY", 80);
  // Three small panels of two adjoining buttons each.
  auto pair = [this](const char* panel, TBitBtn*& left, const char* leftName,
                     const char* leftCaption, TBitBtn*& right, const char* rightName,
                     const char* rightCaption) {
    TPanel* p = MakePanel(FTopPanel, panel, "");
    p->SetBounds(0, 0, 84, 26);
    left = MakeButton(p, leftName, leftCaption, 40);
    left->SetBounds(1, 1, 41, 24);
    right = MakeButton(p, rightName, rightCaption, 40);
    right->SetBounds(42, 1, 41, 24);
    return p;
  };
  FListPanel = pair("ListPanel", FBack, "Back", "<<", FPlayNext, "PlayNext", ">>");
  // The program's own commands beside the step buttons: shuffle it, erase it.
  FListPanel->SetWidth(184);
  FShuffle = MakeButton(FListPanel, "Shuffle", "Shuffle", 50);
  FShuffle->SetBounds(83, 1, 50, 24);
  FShuffle->SetHint("Shuffle|Shuffle the program and play it from its new first title");
  FMusicClear = MakeButton(FListPanel, "MusicClear", "Erase", 50);
  FMusicClear->SetBounds(133, 1, 50, 24);
  FMusicClear->SetHint("Erase|Erase the program (the title playing plays on)");
  FShuffle->OnClick = [this](TObject* s) { FPlayCommands->Shuffle2Click(s); };
  FMusicClear->OnClick = [this](TObject* s) { FPlayCommands->MusicClearClick(s); };
  // Nothing in the program yet.
  FShuffle->SetEnabled(false);
  FMusicClear->SetEnabled(false);
  FPlayPanel = pair("PlayPanel", FPause, "Pause", "||", FAllStop, "AllStop", "[]");
  FSoundPanel = pair("SoundPanel", FOutPort, "OutPort", "Port", FVolume, "Volume", "Vol");
  FBack->OnClick = [this](TObject* s) { FPlayCommands->BackClick(s); };
  FPlayNext->OnClick = [this](TObject* s) { FPlayCommands->PlayNextClick(s); };
  auto tool = [this](const std::string& name) {
    auto* b = new TSpeedButton(this);
    b->SetName(name);
    b->SetBounds(0, 0, 20, 20);
    b->SetCaption("^");
    b->SetParent(FTopPanel);
    b->OnClick = [this](TObject* s) { FLayout->ToolsLeftClick(s); };
    return b;
  };
  FPlayerCommands->BuildPlayerCommands();
  FToolsLeft = tool("ToolsLeft");
  FToolsLeft->SetLeft(7);
  FToolsRight = tool("ToolsRight");
  FPlay->Font().SetName("System");
  FPlay->Font().SetSize(8);
  FPlay->Font().SetStyle({fsBold});
  FPlayReplace->Font().Assign(FPlay->Font());
}

void TMasterFrm::BuildCatalogueArea() {
  BuildCatalogueButtons();
  BuildAlbumPanel();
  BuildSeparator();
  BuildCategoryPanel();
  MakeGridAreas();
  FMusicPanel = MakePanel(this, "MusicPanel", "");
  FMusicPanel->SetBevelOuter(bvLowered);
  FMusicPanel->SetColor(clBlack);
  FMusicPanel->SetVisible(false);
}

// The catalogue's command buttons and the panels of the new-album, web and loading buttons.
void TMasterFrm::BuildCatalogueButtons() {
  FDBPanel = MakePanel(this, "DBPanel", "");
  FDBPanel->SetBevelOuter(bvNone);
  FEditCat = MakeButton(FDBPanel, "EditCat", "&Edit", 52);
  FMailTitle = MakeButton(FDBPanel, "MailTitle", "&Mail", 52);
  FArchive = MakeButton(FDBPanel, "Archive", "&Archive", 52);
  FExportTitle = MakeButton(FDBPanel, "ExportTitle", "&Save", 52);
  FPrintCat = MakeButton(FDBPanel, "PrintCat", "P&rint", 52);
  FTrashCat = MakeButton(FDBPanel, "TrashCat", "&Delete", 52);
  FPanel4 = MakePanel(FDBPanel, "Panel4", "");
  FPanel4->SetBevelOuter(bvNone);
  FPanel4->SetBounds(6, 4, 66, 25);
  FNewAlb = MakeButton(FPanel4, "NewAlb", "New &album", 66);
  FNewAlb->OnClick = [this](TObject* s) { FEditCommands->Createnew1Click(s); };
  FWebPanel = MakePanel(FDBPanel, "WebPanel", "");
  FWebPanel->SetBevelOuter(bvNone);
  FWebPanel->SetBounds(76, 4, 36, 25);
  FGetWeb = MakeButton(FWebPanel, "GetWeb", "&Web", 36);
  FGetMIDIsPanel = MakePanel(FDBPanel, "GetMIDIsPanel", "");
  FGetMIDIsPanel->SetBevelOuter(bvNone);
  FGetMIDIsPanel->SetBounds(0, 4, 114, 25);
  FGetLocal = MakeButton(FGetMIDIsPanel, "GetLocal", "&Load", 38);
  FBitBtn1 = MakeButton(FGetMIDIsPanel, "BitBtn1", "S&can", 38);
  FBitBtn1->SetLeft(38);
  FBitBtn2 = MakeButton(FGetMIDIsPanel, "BitBtn2", "&Drives", 38);
  FBitBtn2->SetLeft(76);
  FGetLocal->OnClick = [this](TObject* s) { FScanCommands->GetLocal2Click(s); };
  FBitBtn1->OnClick = [this](TObject* s) { FScanCommands->ScansystemforMIDIfiles1Click(s); };
  FBitBtn2->OnClick = [this](TObject* s) { FScanCommands->ScanadriveforMIDIfiles1Click(s); };
}

// The album tabs with the list of all albums on the first.
void TMasterFrm::BuildAlbumPanel() {
  FAlbPanel = MakePanel(FDBPanel, "AlbPanel", "");
  FAlbPanel->SetBevelOuter(bvLowered);
  FAlbPanel->SetWidth(200);
  FAlbums = new TExtPageControl(this);
  FAlbums->SetName("Albums");
  FAlbums->SetParent(FAlbPanel);
  FAlbums->SetAlign(alClient);
  FAlbumListPage = new TTabSheet(this);
  FAlbumListPage->SetName("AlbumListPage");
  FAlbumListPage->SetPageControl(FAlbums);
  FAlbumListPage->SetCaption("ALL ALBUMS");
  auto* detailsPanel = MakePanel(FAlbumListPage, "Panel5", "");
  detailsPanel->SetAlign(alBottom);
  detailsPanel->SetHeight(22);
  FCheckBox1 = new TCheckBox(this);
  FCheckBox1->SetName("CheckBox1");
  FCheckBox1->SetCaption("show album details");
  FCheckBox1->SetBounds(4, 2, 150, 18);
  FCheckBox1->SetParent(detailsPanel);
  FCheckBox1->SetChecked(true);
  FAllAlbLV = new TExtListView(this);
  FAllAlbLV->SetName("AllAlbLV");
  FAllAlbLV->SetParent(FAlbumListPage);
  FAllAlbLV->SetAlign(alClient);
  FAllAlbLV->AddColumn("Name", AlbumNameWidth);
  FAllAlbLV->AddColumn("Titles", 45, taCenter);
  FAllAlbLV->AddColumn("Duration", 55, taCenter);
  // An album's name takes the width the counts leave it as the panel widens or narrows.
  FAllAlbLV->OnResize = [this](TObject*) {
    if (!FAllAlbLV->HandleAllocated()) return;
    RECT client{};
    GetClientRect(FAllAlbLV->Handle(), &client);
    const int left = client.right - FAllAlbLV->Columns(1).Width() - FAllAlbLV->Columns(2).Width();
    FAllAlbLV->Columns(0).SetWidth(std::max(AlbumNameWidth, left));
  };
  FCheckBox1->OnClick = [this](TObject*) {
    FAllAlbLV->SetViewStyle(FCheckBox1->Checked() ? vsReport : vsIcon);
  };
  // A double click or Enter on an album's line brings up its page.
  FAllAlbLV->OnDblClick = [this](TObject*) { FAlbList->ShowSelectedAlbumTab(); };
  FAllAlbLV->OnReturn = [this](TObject*) { FAlbList->ShowSelectedAlbumTab(); };
  FAlbums->OnDrawTab = [this](TWinControl*, int index, bool, const RECT& r, const RECT&,
                              TOwnerDrawState) { FViewCommands->AlbumsDrawTab(index, r); };
}

// The bar between the album and category panels, dragged to share the width.
void TMasterFrm::BuildSeparator() {
  FSeparator = MakePanel(FDBPanel, "Separator", "");
  FSeparator->SetBevelOuter(bvRaised);
  FSeparator->SetWidth(4);
  FSeparator->SetCursor(crHSplit);
  FSeparator->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    FLayout->SeparatorMouseDown(s, b, sh, x, y);
  };
  FSeparator->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
    FLayout->SeparatorMouseMove(s, sh, x, y);
  };
  FSeparator->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    FLayout->SeparatorMouseUp(s, b, sh, x, y);
  };
}

// The category tabs with the grid of all titles on the first.
void TMasterFrm::BuildCategoryPanel() {
  FCatPanel = MakePanel(FDBPanel, "CatPanel", "");
  FCatPanel->SetBevelOuter(bvLowered);
  FCategories = new TExtPageControl(this);
  FCategories->SetName("Categories");
  FCategories->SetParent(FCatPanel);
  FCategories->SetAlign(alClient);
  FAllTitlesPage = new TTabSheet(this);
  FAllTitlesPage->SetName("AllTitlesPage");
  FAllTitlesPage->SetPageControl(FCategories);
  FAllTitlesPage->SetCaption("ALL CATEGORIES   ");
  FCategories->TabHints().Add("View all titles");
  FCategories->OnDrawTab = [this](TWinControl*, int index, bool, const RECT&, const RECT& whole,
                                  TOwnerDrawState) {
    FViewCommands->CategoriesDrawTab(index, whole);
  };
  FAllCatPT = MakePanel(FAllTitlesPage, "AllCatPT", "0 titles  ---  0:00  ---  0kb");
  FAllCatPT->SetAlign(alTop);
  FAllCatPT->SetHeight(19);
  FAllCatPT->SetBevelOuter(bvNone);
  FAllCatGrid = new TMyStringGrid(this);
  FAllCatGrid->SetName("AllCatGrid");
  FAllCatGrid->SetParent(FAllTitlesPage);
  FAllCatGrid->SetAlign(alClient);
  FAllCatGrid->CanSort = true;
  SetupGridColumns(*FAllCatGrid,
                   {"Category", "Artist", "Title", "Duration", "Type", "Size", "Date stamp",
                    "Origin", "Date obtained"},
                   {3, 4, 5, 6, 8});
  WireGrid(*FAllCatGrid, false);
}

// The areas that make the category and album pages' grids and wire each new one.
void TMasterFrm::MakeGridAreas() {
  FCategoryArea =
      std::make_unique<TMainCategoryArea>(this, FCategories, FAllCatGrid, FAllCatPT, FProgressBar1);
  FCategoryArea->OnNewGrid = [this](TMyStringGrid& g) {
    WireGrid(g, false);
    // Help tells of a category's titles as of all titles; an album's as of the album list.
    g.SetHelpContext(FAllCatGrid->HelpContext());
    // A page made while the summary tab shows alone stays out of sight too.
    if (auto* sheet = dynamic_cast<TTabSheet*>(g.Parent()))
      sheet->SetTabVisible(FViewCommands->ShowCatTabs());
  };
  FAlbumArea = std::make_unique<TMainAlbumArea>(this, FAlbums, FAllAlbLV);
  FAlbumArea->OnNewGrid = [this](TMyStringGrid& g) {
    WireGrid(g, true);
    g.SetHelpContext(FAllAlbLV->HelpContext());
    // An album's order is the user's: it is kept as soon as rows are moved.
    g.OnRowsMoved = [this](TObject*) {
      if (FAlbList) FAlbList->SaveChanges();
    };
    if (auto* sheet = dynamic_cast<TTabSheet*>(g.Parent()))
      sheet->SetTabVisible(FViewCommands->ShowAlbTabs());
  };
}

// --- start-up -----------------------------------------------------------------------------------

void TMasterFrm::FormCreate(TObject*) {
  Application->OnException = [this](TObject* s, const std::exception& e) { AppException(s, e); };
  FRequestSeen = false;
  std::string title = Application->Title().empty() ? AppTitleText : Application->Title();
  SetCaption(title);
  FDocTypeName = title + ".Document";
  FMIDIdefault->SetCaption("Set as default Windows &MIDI player");
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
  FRoad->Program().SetIndex(-1);
  DisableCommands();
  // Made here, loaded by the start-up timer once the window shows.
  FCatList = std::make_unique<TCatList>(ProgramFolder());
  FAlbList = std::make_unique<TAlbList>(ProgramFolder());
  FCDPanel->SetPlayer(FMyMidi.get());
  // Files dropped from the shell are imported.
  DragAcceptFiles(Handle(), TRUE);
}

void TMasterFrm::PrepareWorkFolders() {
  std::string folder = ProgramFolder();
  RegisterDocType(ProgramFolder() + ExtractFileName(ParamStr(0)), FDocTypeName);
  WriteDocumentIcon(folder);
  FAssocCommands = std::make_unique<TFileAssocCommands>(
      TFileAssocCommands::TItems{FMIDIdefault, FMIDIrestore, FLaunchOnWinStart, FNormal1,
                                 FMinimized1, FNot1},
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
  FStatusBar1->Font().SetName("MS Sans Serif");
  FStatusBar1->Font().SetSize(8);
  FStatusBar1->Font().SetStyle({fsBold});
  if (FStatusBar1->PanelCount() > 0) FStatusBar1->Panels(0).SetText(Application->Hint());
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
  for (TExtPageControl* tabs : {FCategories, FAlbums}) {
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
  FViewCommands->MakeAlbumImageLists();
  TTuneInfo idle;
  idle.Category = idle.Artist = idle.Title = "None";
  idle.Status = "No program";
  ShowTuneInfo(idle);
  SetCurrentDir(ProgramFolder());
  ReadSettings();
  FindPlugInDirs();
  FormResize(this);
  FTimer2->SetEnabled(true);
  // Chained before the input first starts: a later link would stop the running connector.
  ProgramViewer();
  FVisualEffects->SetVisualEffects(FVisualeffects1->Checked(), false, true);
}

void TMasterFrm::ReadSettings() {
  FSettings.Load(FSettingsPath);
  ApplySettingsToMenus();
  int width = FSettings.Width, height = FSettings.Height;
  if (FFirstRun) {
    SetBounds((Screen->Width() - width) / 2, (Screen->Height() - height) / 2, width, height);
  } else {
    SetBounds(FSettings.Left, FSettings.Top, width, height);
    // A place kept for a screen that is no longer there (or edited by hand) would lose the
    // window, and the close would keep it lost.
    KeepReachable();
  }
  bool isDefault = IsDefaultMIDIPlayer(FDocTypeName);
  FMIDIdefault->SetEnabled(!isDefault);
  FMIDIrestore->SetEnabled(!FMIDIdefault->Enabled());
}

void TMasterFrm::ApplySettingsToMenus() {
  const TSettings& s = FSettings;
  FFullScanDone = s.FullScanDone;
  FContextHelp->Hintlevel1()->SetChecked(s.ShowAllHints);
  Application->SetShowHint(s.ShowAllHints);
  FViewCommands->SetShowTabs(s.ShowAlbTabs, s.ShowCatTabs);
  FViewCommands->SetTabColors(static_cast<TColor>(s.TabActiveColor),
                              static_cast<TColor>(s.TabActiveFontColor));
  FRemindtoscan1->SetChecked(s.RemindToScan);
  FLooping1->SetChecked(s.AutoLooping);
  FRoad->SetLooping(s.AutoLooping);
  FMyMidi->SetMidiOutPort(s.MIDIOutPort);
  // More than one reset key set ticks each of them; the next reset click makes it single.
  FGMGS1->SetChecked(s.GMGSReset);
  FGSGM1->SetChecked(s.GSGMReset);
  FGM1->SetChecked(s.GMReset);
  FGS1->SetChecked(s.GSReset);
  FNone1->SetChecked(s.NoReset());
  FRoad->SetResetChoice(ResetChoiceOf(s));
  FNormal1->SetChecked(s.LOWS_Normal);
  FMinimized1->SetChecked(s.LOWS_Minimized);
  FNot1->SetChecked(s.LOWS_Not());
  FLaunchOnWinStart->SetChecked(s.LaunchOnWinStart());
  FDisableTempConPI = s.DisableTempConPI;
  FVisualeffects1->SetChecked(s.VisE);
  FSpectrumbars1->SetChecked(s.SpecBars);
  FLights1->SetChecked(s.Lights);
  FSpectrograph1->SetChecked(s.SpecGraph);
  FLayout->SetAlbPanelWidth(s.AlbPanelWidth);
  FLayout->SetShowTools(s.ShowTools);
}

void TMasterFrm::TakeSettingsFromMenus() {
  TSettings& s = FSettings;
  s.ShowTools = FLayout->ShowTools();
  s.FullScanDone = FFullScanDone;
  s.ShowAllHints = FContextHelp->Hintlevel1()->Checked();
  s.ShowAlbTabs = FViewCommands->ShowAlbTabs();
  s.ShowCatTabs = FViewCommands->ShowCatTabs();
  s.TabActiveColor = static_cast<uint32_t>(FCategories->TabActiveColor());
  s.TabActiveFontColor = static_cast<uint32_t>(FCategories->TabActiveFont().Color());
  s.RemindToScan = FRemindtoscan1->Checked();
  s.VisE = FVisualeffects1->Checked();
  s.SpecBars = FSpectrumbars1->Checked();
  s.Lights = FLights1->Checked();
  s.SpecGraph = FSpectrograph1->Checked();
  s.AutoLooping = FLooping1->Checked();
  s.MIDIOutPort = FMyMidi->MidiOutPort();
  s.GMGSReset = FGMGS1->Checked();
  s.GSGMReset = FGSGM1->Checked();
  s.GMReset = FGM1->Checked();
  s.GSReset = FGS1->Checked();
  s.LOWS_Normal = FNormal1->Checked();
  s.LOWS_Minimized = FMinimized1->Checked();
  s.DisableTempConPI = FDisableTempConPI;
  s.AlbPanelWidth = FAlbPanel->Width();
  s.Top = Top();
  s.Left = Left();
  s.Height = Height();
  s.Width = Width();
}

void TMasterFrm::FindPlugInDirs() {
  FPlugInDirs = ExistingPlugInDirs();
  FManageNPI->SetVisible(!FPlugInDirs.empty());
  FManageNPISep->SetVisible(!FPlugInDirs.empty());
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
  FTimer2->SetEnabled(false);
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
  // Resizes during start-up skipped the view's change handler: run it once now.
  ViewInUseChange();
  if (loaded) {
    EnableCommands();
    if (FAllCatGrid->CanFocus()) FAllCatGrid->SetFocus();
    Repaint();
    FCDPanel->StartFlashing();

    if (!Trim(PendingRequest).empty()) {
      std::string request = PendingRequest;
      PendingRequest.clear();
      FRequestCommands->ProcessRequest(request, 0);
    } else if (!FParams.empty()) {
      FRequestCommands->ProcessRequest(FParams[0], 0);
    }
    // What arrived meanwhile runs now, before the start-up questions.
    FRequestCommands->OpenQueue();
    while (FRequestCommands->QueuedRequests() > 0 && FRequestCommands->QueueMayRun())
      FRequestCommands->RunQueuedRequests();
    FRequestCommands->TellLeftOut(); // what this start's own request left out
    if (FParams.empty()) AskStartQuestions();
  }
  // Start-up is over, its questions included; programs outside (tests) look for this mark.
  SetPropA(Handle(), StartUpDoneProperty, reinterpret_cast<HANDLE>(1));
}

void TMasterFrm::AskStartQuestions() {
  const bool managePlugIns = FFirstRun && FManageNPI->Visible();
  const bool remindToScan = FRemindtoscan1->Checked() && !FFullScanDone && !FRequestSeen;
  // The splash stays over every other window: a question under it would lose its first click
  // to the splash, so the splash goes before anything is asked.
  if (managePlugIns || remindToScan || (FFirstRun && FMIDIdefault->Enabled())) FreeSplash();
  if (managePlugIns) ManageNPIClick(this);
  if (remindToScan) {
    if (ShowMessageBox(ScanQuestionText, TMessageKind::Confirmation, 201, YesNoHelp) ==
        TMessageAnswer::Yes) {
      Repaint();
      FScanCommands->ScansystemforMIDIfiles1Click(this);
    }
  }
  if (FFirstRun && FMIDIdefault->Enabled()) {
    if (ShowMessageBox(std::string("Make ") + AppTitleText +
                           " your default Windows MIDI player (recommended)?",
                       TMessageKind::Confirmation, 202, YesNoHelp) == TMessageAnswer::Yes)
      FAssocCommands->MIDIdefaultClick();
  }
}

bool TMasterFrm::ReceiveHandOff(TMessage& m) {
  // Each line waits its turn; the second start is answered at once.
  auto queue = [](void* target, const std::string& line, int no) {
    auto* self = static_cast<TMasterFrm*>(target);
    TRequestCommands::TQueued item;
    item.Text = line;
    item.Index = no;
    self->RequestCommands().Enqueue(std::move(item));
  };
  if (m.Msg == WM_INSTANCEPARAMS) {
    if (IsIconic(Handle())) Application->Restore();
    ReceiveInstanceParams(m.WParam, m.LParam, queue, this);
    m.Result = 0;
    return true;
  }
  // A parameter longer than an atom holds comes copied; the answer tells the sender it arrived.
  if (!ReceiveCopiedInstanceParams(m.LParam, queue, this)) return false;
  if (IsIconic(Handle())) Application->Restore();
  m.Result = TRUE;
  return true;
}

void TMasterFrm::WndProc(TMessage& m) {
  if ((m.Msg == WM_INSTANCEPARAMS || m.Msg == WM_COPYDATA) && ReceiveHandOff(m)) return;
  if (m.Msg == WM_PLUGINREQUEST) {
    FRequestCommands->ReceivePluginRequest(LOWORD(m.LParam));
    m.Result = 0;
    return;
  }
  if (m.Msg == WM_DESTROY) RemovePropA(Handle(), StartUpDoneProperty);
  // A handler may have been given to a gated item since the busy state last changed.
  if (m.Msg == WM_INITMENUPOPUP) CommandGate().Apply();
  if (m.Msg == WM_GETMINMAXINFO) {
    TMasterFrmBase::WndProc(m);
    WMGetMinMaxInfo(m);
    return;
  }
  if (m.Msg == WM_SIZE) {
    // Laid out from the window's real client size, after the window has taken it.
    TMasterFrmBase::WndProc(m);
    if (m.WParam != SIZE_MINIMIZED) FormResize(this);
    return;
  }
  if (m.Msg == WM_DROPFILES) {
    GuardVoid([&] { FRequestCommands->TakeDroppedFiles(reinterpret_cast<HDROP>(m.WParam)); });
    m.Result = 0;
    return;
  }
  if (m.Msg == WM_QUERYENDSESSION) {
    // The user may still cancel the shutdown: only the music stops here. Nothing that could not
    // be taken back (the abort flag is never cleared) is set before the session really ends.
    FTimer1->SetEnabled(false);
    CloseSequencer();
    FVisualEffects->CloseSoundInput();
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
  FTimer1->SetEnabled(enabled);
}

void TMasterFrm::ShowTuneInfo(const TTuneInfo& info) {
  FCDPanel->ShowTuneInfo(info.Category, info.Artist, info.TotalSeconds, info.Seconds,
                         info.ProgramCount, info.ProgramPlace, info.Status, info.Title);
}

// --- shutdown -----------------------------------------------------------------------------------

void TMasterFrm::CloseSequencer() {
  // A paused device holds the play file too: close whatever is open.
  if (FMyMidi->DeviceId() < 0) return;
  try {
    FMyMidi->Stop();
  } catch (const std::exception&) {
    // Closed all the same: a device that will not stop is still to be given back.
  }
  try {
    FMyMidi->Close();
  } catch (const std::exception&) {
    // The caller goes on to free the play file or open another: a device the driver keeps
    // answers for itself at the next open.
  }
}

void TMasterFrm::FormClose(TObject*, TCloseAction& Action) {
  if (!FSessionEnding && FPrintCommands->Printing()) {
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
    FRequestCommands->CloseWhenImported();
    Action = caNone;
    return;
  }
  FRequestCommands->ClearQueue();
  if (FClosed) return;
  FClosed = true;
  FTimer1->SetEnabled(false);
  if (FViewer) FViewer->Hide();
  Repaint();
  FRoad->SetAborted();
  DisableCommands();
  Screen->SetCursor(crHourGlass);
  Repaint();
  CloseSequencer();
  FRoad->Program().SetPlaying(false);
  CloseCatalogue();
  if (MailWindowControl) {
    ShutdownStep([] { MailWindowControl->HideMailWindow(); });
    ShutdownStep([] { MailWindowControl->SaveMailSettings(); });
    ShutdownStep([] { MailWindowControl->CancelTransfer(); });
  }
  FinishAll();
  LetMessagesRun();
  Screen->SetCursor(crDefault);
  if (FStatusBar1->PanelCount() > 0) FStatusBar1->Panels(0).SetText("Closing down . . . .");
  // A cancelled transfer gets the time to close its connection.
  if (MailWindowControl) Sleep(1500);
  Action = caFree;
}

void TMasterFrm::WriteSettings() {
  TakeSettingsFromMenus();
  ShutdownStep([this] { FSettings.Save(FSettingsPath, WindowState() == wsMaximized); });
}

void TMasterFrm::ShutdownStep(const std::function<void()>& step) {
  try {
    step();
  } catch (const EIniFileException& e) {
    ReportShutdownFailure("The settings could not be saved:\r\n\r\n" + std::string(e.what()));
  } catch (const std::exception& e) {
    ReportShutdownFailure(e.what());
  }
}

void TMasterFrm::ReportShutdownFailure(const std::string& text) {
  if (std::find(FShutdownReported.begin(), FShutdownReported.end(), text) !=
      FShutdownReported.end())
    return;
  FShutdownReported.push_back(text);
  ShowMessageBox(text, TMessageKind::Error, 0, TMessageButtons::OK);
}

void TMasterFrm::FreeSplash() {
  if (!FSplash) return;
  FSplash->Hide();
  FSplash.reset();
}

void TMasterFrm::FinishAll() {
  FVisualEffects->MMConnector2()->ClearSlots();
  FreeSplash();
  FTimer1->SetEnabled(false);
  FTimer2->SetEnabled(false);
  SetCurrentDir(ProgramFolder());
  WriteSettings();
  FRoad->Program().SetPlaying(false);
  FRoad->Program().EraseProgram();
  // Emptied, not freed: a title start that let this close run may still come back to them.
  FWorkingKeys.ClearAll();
  if (FileExists(FRoad->PlayFile())) DeleteFile(FRoad->PlayFile());
  if (!Application->HelpFile().empty()) Application->HelpCommand(HELP_QUIT, 0);
  FRoad->SetGMReset("");
  FRoad->SetGSReset("");
  // Only the plug-ins set aside while the program was open come back; those disabled for good
  // stay disabled.
  if (FDisableTempConPI) ShutdownStep([this] { NPIManager().EnableTempDisabledPlugIns(); });
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
  {
    // A page per category: the tabs are laid out once, when all are in.
    TPagesUpdate update(*FCategories);
    FCatList->LoadFromFile(CategoriesName, FCategoryArea.get());
  }
  FCatList->SetStore(db);
  db->SetCatList(FCatList.get());
  FAlbList->SetStore(db);
  db->SetAlbList(FAlbList.get());
  db->Open(ProgramFolder() + "Music");
  db->FillGrid();
  {
    // A page and a summary line per album: laid out and drawn once, when all are in.
    TPagesUpdate update(*FAlbums);
    FAllAlbLV->BeginUpdate();
    TScopeExit listDone([this] { FAllAlbLV->EndUpdate(); });
    FAlbList->LoadFromFile(AlbumsName, FAlbumArea.get());
  }
  FViewCommands->ApplyAlbumTabsView();
  FViewCommands->ApplyCategoryTabsView();
  ReportDamage();
}

void TMasterFrm::ReportDamage() {
  // Everything the checks found at opening, in one question: the user may give up what could not
  // be read, or keep it and be asked again at the next start.
  TCatalogueDamage damage(*FDMM2, *FCatList, *FAlbList);
  std::string question;
  try {
    question = damage.Question();
  } catch (const std::exception& e) {
    // Without its copies the loss cannot be offered: everything stays as it is.
    ShowMessageBox(std::string("The damaged catalogue files could not be copied:\r\n\r\n") +
                       e.what() + "\r\n\r\nNothing that could not be read will be removed.",
                   TMessageKind::Error, 0, TMessageButtons::OK);
    return;
  }
  if (question.empty()) return;
  if (ShowMessageBox(question, TMessageKind::Warning, 0,
                     TMessageButtons::Yes | TMessageButtons::No) != TMessageAnswer::Yes)
    return;
  try {
    damage.Accept();
  } catch (const std::exception& e) {
    ShowMessageBox(std::string("What could not be read was not given up in full:\r\n\r\n") +
                       e.what(),
                   TMessageKind::Error, 0, TMessageButtons::OK);
  }
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
  bool loaded = FDMM2 && FDMM2->MyDB() && FDMM2->MyDB()->Loaded();
  if (loaded) {
    ShutdownStep([this] {
      // Lists that were never loaded have nothing to write.
      if (FAlbList->Loaded()) FAlbList->SaveToFile();
    });
    ShutdownStep([this] {
      // Categories left without titles or without a name go; the file is written either way.
      if (FCatList->Loaded()) {
        FCatList->RemoveUnused();
        FCatList->SaveToFile();
      }
    });
  }
  if (FDMM2) {
    FStore->SetModule(nullptr);
    ShutdownStep([this] { FDMM2->FormClose(); });
    FDMM2.reset();
  }
}

void TMasterFrm::WireGrid(TMyStringGrid& grid, bool fromAlbums) {
  // In help mode every way into a grid's commands shows the grid's help instead. A click that
  // help took ends help mode; the double click whose first half it was must not play after it,
  // and Windows sends that double click only right after that click's press.
  auto helpTookClick = std::make_shared<bool>(false);
  grid.OnMouseDown = [helpTookClick](TObject*, TMouseButton, TShiftState shift, int, int) {
    if (!shift.Contains(ssDouble)) *helpTookClick = false;
  };
  grid.OnClick = [this, helpTookClick](TObject* s) {
    *helpTookClick = FContextHelp->ContextHelpClick(s);
  };
  grid.OnDblClick = [this, &grid, fromAlbums, helpTookClick](TObject* s) {
    if (FContextHelp->ContextHelpClick(s) || *helpTookClick) return;
    PlayGridSelection(grid, fromAlbums);
  };
  grid.OnMouseUp = [this, &grid, fromAlbums](TObject* s, TMouseButton button, TShiftState, int,
                                             int) {
    if (button == mbRight && FContextHelp->ContextHelpClick(s)) return;
    if (fromAlbums)
      AlbumsChange();
    else
      CategoriesChange();
    // The right button offers the selected rows to the program, as a double click does.
    if (button == mbRight) PlayGridSelection(grid, fromAlbums);
  };
  grid.OnKeyDown = [this, &grid, fromAlbums](TObject* s, WORD& key, TShiftState) {
    if (key == VK_RETURN) {
      key = 0;
      if (FContextHelp->ContextHelpClick(s)) return;
      PlayGridSelection(grid, fromAlbums);
    }
  };
  // Rows selected with the keyboard are the area's selection too.
  grid.OnKeyUp = [this, fromAlbums](TObject*, WORD&, TShiftState) {
    if (fromAlbums)
      AlbumsChange();
    else
      CategoriesChange();
  };
}

void TMasterFrm::PlayGridSelection(TMyStringGrid& grid, bool fromAlbums) {
  if (CommandsDisabled()) return;
  grid.GetSelectedKeys(FWorkingKeys.Keys());
  if (FWorkingKeys.Keys().Count() == 0) return;
  FWorkingKeys.SetSource(fromAlbums, !fromAlbums);
  FPlayCommands->ChoosePlayMode(true);
}

void TMasterFrm::SetStatus(const std::string& text, bool bold) {
  FStatusBar1->Font().SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
  if (FStatusBar1->PanelCount() > 0) FStatusBar1->Panels(0).SetText(text);
  FStatusBar1->Repaint();
}

void TMasterFrm::ProgressStart(int max) {
  FProgressBar1->SetRange(0, std::max(max, 0));
  FProgressBar1->SetPosition(0);
  FProgressBar1->SetVisible(true);
}

void TMasterFrm::ProgressPosition(int position) {
  FProgressBar1->SetPosition(position);
}

void TMasterFrm::ProgressDone() {
  FProgressBar1->SetPosition(0);
  FProgressBar1->SetVisible(false);
}

void TMasterFrm::ShowStateMessage(const std::string& text, int seconds) {
  FCDPanel->ShowStateMessage(text, seconds);
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

// --- import-busy
// -----------------------------------------------------------------------------------

void TMasterFrm::EnterImport() {
  if (FImportDepth++ == 0) FRoad->SetImportBusy(true);
}

void TMasterFrm::LeaveImport() {
  if (--FImportDepth == 0) {
    FRoad->SetImportBusy(false);
    ImportEnded();
  }
}

void TMasterFrm::ImportEnded() {
  // A title start that gave up waiting for this import gets its turn.
  FRequestCommands->ImportEnded();
}
