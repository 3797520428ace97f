// Building the main window: its command groups, menus, areas and their wiring, in the order
// the window makes them.
#include "MainCodeD2.h"
#include "CatalogueMenus.h"
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
#include "Handles.h"
#include "ManageNPICode.h"
#include "MessageBox.h"
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

namespace {

// The album list's name column at its narrowest.
constexpr int AlbumNameWidth = 90;

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

// --- construction -------------------------------------------------------------------------------

TMasterGroups::~TMasterGroups() = default;

TMasterFrm::TMasterFrm(TComponent* AOwner) : TMasterFrmBase(AOwner) {
  if (!QxMessages.BringToFront) InitMainUnit();
  MasterFrm = this;
  SetName("MasterFrm");
  SetCaption(AppTitleText);
  SetBounds(100, 100, 585, 400);
  MakePlayRoad();
  MakeCommandGroups();
  MakeFeatureHost();
  MakeTimers();
  WireTuneFileProgress();

  BuildMenu();
  FPlayCommands->BuildPlayPopUp();
  BuildStatusBar();
  BuildTopArea();
  BuildCatalogueArea();
  HandOutParts();
  FVisualEffects->BuildVisualEffects(
      {FPanel11, FMusicPanel, FCDPanel, FVisualeffects1, FSpectrumbars1, FLights1, FSpectrograph1});
  WireAreas();

  GateUnbuiltCommands();
  FPrintCommands->BuildPrintMenus(CatalogueMenus(), {FCategories, FAlbums, FAllAlbLV, FPrintCat});
  // Before context help, which looks first at the tabs' press and the buttons' click.
  FDragCommands->WireDrags({FCategories, FAlbums, FAllAlbLV, FAllCatGrid, FPlay, FPlayReplace,
                            FEditCat, FTrashCat, FMailTitle, FExportTitle, FArchive, FPrintCat});
  WireContextHelp();
  FCatalogueCommands->WireEnabling(CatalogueMenus(), {FCategories, FAlbums, FAllAlbLV});
  FCatalogueCommands->HoldCommandsWhileBusy();
  // Nothing plays and the program is empty: the player buttons start as that state has them.
  UpdatePlayControls();

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

// The command groups, each made with what it works on and the groups it calls, so that a group
// comes after those it takes. The import and scan commands reach the feature host, made after
// them, when they make windows of their own.
void TMasterFrm::MakeCommandGroups() {
  FPageHold = std::make_unique<TPageHold>(*FRoad);
  auto featureHost = [this]() -> TFeatureHost& { return *FFeatureHost; };
  FViewCommands = std::make_unique<TViewCommands>(TViewContext{*this, FCatalogue});
  FPrintCommands =
      std::make_unique<TPrintCommands>(TPrintContext{*this, *this, FCatalogue, FWorkingKeys});
  FContextHelp = std::make_unique<TContextHelp>(
      TContextHelpContext{*this, *this, [this](const std::string& url) {
                            // Made when the window is created, once the program folder is known.
                            return FAssocCommands->OpenWebPage(url);
                          }});
  FCatalogueCommands = std::make_unique<TCatalogueCommands>(
      TCatalogueContext{*this, *this, FCatalogue, FWorkingKeys, *FPrintCommands, *FViewCommands});
  FImportCommands =
      std::make_unique<TImportCommands>(TImportContext{*this, FCatalogue, *FRoad, featureHost});
  FScanCommands = std::make_unique<TScanCommands>(
      TScanContext{*this, FCatalogue, *FRoad, *FImportCommands, *FContextHelp, featureHost,
                   [this] { FFullScanDone = true; }});
  FExportCommands = std::make_unique<TExportCommands>(
      TExportContext{*this, *this, FCatalogue, FWorkingKeys, *FImportCommands, *FScanCommands});
  FEditCommands = std::make_unique<TEditCommands>(TEditContext{
      *this, *this, FCatalogue, FWorkingKeys, *FRoad, *this, *FCatalogueCommands, *FPageHold});
  FPlayCommands = std::make_unique<TPlayCommands>(TPlayContext{
      *this, FCatalogue, FWorkingKeys, *FRoad, *this, *FEditCommands, *FExportCommands});
  FDragCommands = std::make_unique<TDragCommands>(
      TDragContext{*this, *this, FCatalogue, FWorkingKeys, *FPageHold, *FEditCommands,
                   *FPlayCommands, *FExportCommands, *FPrintCommands});
  FTableCommands = std::make_unique<TTableCommands>(
      TTableContext{*this, *this, FCatalogue, FWorkingKeys, *FPlayCommands, *FEditCommands,
                    *FExportCommands, *FCatalogueCommands, *FPrintCommands});
  FVisualEffects = std::make_unique<TVisualEffects>(TVisualEffectsContext{
      *this, *this, [this] { FormResize(this); }, [this] { return FViewer; }});
  FPlayerCommands = std::make_unique<TPlayerCommands>(TPlayerContext{
      *this, *this, *FRoad, *this, FSettings, *FVisualEffects, *FContextHelp, *FPlayCommands,
      [this](TObject* s) { Viewtitles1Click(s); }, [this] { CloseSequencer(); }});
  FLayout = std::make_unique<TMainLayout>(
      TMainLayoutContext{*this, *FPlayerCommands, *FVisualEffects, *FCatalogueCommands});
  FRequestCommands = std::make_unique<TRequestCommands>(
      TRequestContext{*this, FCatalogue, *FRoad, *this, *FImportCommands, *FExportCommands,
                      [this] { FRequestSeen = true; }, [this] { Close(); }});
}

// The groups that act on the window's parts get them once the window has built them.
void TMasterFrm::HandOutParts() {
  FViewCommands->SetParts({FCategories, FAlbums, FAllAlbLV});
  FEditCommands->SetParts({FCategories, FAlbums, FAllCatGrid});
  FPlayCommands->SetParts({FPlayNext, FBack, FPlayerCommands->Slider(), FAlbums});
  FExportCommands->SetParts({FAlbums, FCategories});
  FTableCommands->SetParts({FAlbums});
  FLayout->SetParts(
      {FTopPanel,       FPanel11,          FToolsLeft,     FToolsRight,  FPlayReplace, FPlay,
       FListPanel,      FPlayPanel,        FSoundPanel,    FStatusBar1,  FDBPanel,     FMusicPanel,
       FEditCat,        FMailTitle,        FArchive,       FExportTitle, FPrintCat,    FTrashCat,
       FPanel4,         FWebPanel,         FGetMIDIsPanel, FAlbPanel,    FSeparator,   FCatPanel,
       FVisualeffects1, FShowmusictoolbar1});
  FRequestCommands->SetParts({FLooping1, FNavPITimer, FQueueTimer});
}

// The menus the catalogue's groups fill, with the view commands' pop-ups once they are built.
TCatalogueMenus TMasterFrm::CatalogueMenus() const {
  return {FAlbums1, FCategories1, FTitle1, FViewCommands->AlbPopUp(), FViewCommands->NewCatPopUp()};
}

// What the feature windows call back in this window; the mail window's services go through it.
void TMasterFrm::MakeFeatureHost() {
  FFeatureHost = ::MakeFeatureHost(
      {*this, FCatalogue, *FRoad, *FContextHelp, *FImportCommands, *FScanCommands});
  SetMailServicesHost(FFeatureHost.get());
}

// The command line and the player's road with its tune files and store.
void TMasterFrm::MakePlayRoad() {
  for (int i = 1; i <= ParamCount(); ++i)
    FParams.push_back(ParamStr(i));

  FMyMidi = std::make_unique<TMyMidi>(MainMciDriver());
  FRoad = std::make_unique<TPlayRoad>(ProgramFolder(), *FMyMidi, FCatalogue.TuneFiles(),
                                      FCatalogue.PlayStore(), *this);
  PlayerMode = [this] { return FRoad->Mode(); };
  FCatalogue.TuneFiles().OnMessageBox = [this](const std::string& text, TMessageKind kind, int help,
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
  FCatalogue.TuneFiles().OnProgress = [this](int percent) {
    bool abort = false;
    FImportCommands->AZ1ArchiveProgress(percent, abort);
  };
  FCatalogue.TuneFiles().OnAbortQuery = [this] {
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
  FCategories->SetPopupMenu(FViewCommands->NewCatPopUp());
  FAlbums->SetPopupMenu(FViewCommands->AlbPopUp());
  // Working in either area makes it the view in use.
  FCategories->OnChange = [this](TObject*) { CategoriesChange(); };
  FAlbums->OnChange = [this](TObject*) { AlbumsChange(); };
  FAllAlbLV->OnClick = [this](TObject*) { AlbumsChange(); };
  SetBusyParts({{FNewAlb, FGetLocal, FGetWeb, FBitBtn1, FBitBtn2, FOutPort, FVolume,
                 FPlayerCommands->Slider()},
                {FBack, FPlayNext},
                {FFile1, FView1, FAlbums1, FCategories1, FTitle1, FHelp1}});
  SetTraceItem(FDEBUGMODE1);
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
  FEditCommands->BuildEditMenus(CatalogueMenus());
  FTableCommands->BuildTableMenus(CatalogueMenus(), FFile1, FScansystemforMIDIfiles1);
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
  FPlayReplace = NewBitBtn(this, FTopPanel, "PlayReplace", "&Replace", 80);
  FPlay = NewBitBtn(this, FTopPanel, "Play", "&PLAY", 80);
  // Three small panels of two adjoining buttons each.
  auto pair = [this](const char* panel, TBitBtn*& left, const char* leftName,
                     const char* leftCaption, TBitBtn*& right, const char* rightName,
                     const char* rightCaption) {
    TPanel* p = MakePanel(FTopPanel, panel, "");
    p->SetBounds(0, 0, 84, 26);
    left = NewBitBtn(this, p, leftName, leftCaption, 40);
    left->SetBounds(1, 1, 41, 24);
    right = NewBitBtn(this, p, rightName, rightCaption, 40);
    right->SetBounds(42, 1, 41, 24);
    return p;
  };
  FListPanel = pair("ListPanel", FBack, "Back", "<<", FPlayNext, "PlayNext", ">>");
  // The program's own commands beside the step buttons: shuffle it, erase it.
  FListPanel->SetWidth(184);
  FShuffle = NewBitBtn(this, FListPanel, "Shuffle", "Shuffle", 50);
  FShuffle->SetBounds(83, 1, 50, 24);
  FShuffle->SetHint("Shuffle|Shuffle the program and play it from its new first title");
  FMusicClear = NewBitBtn(this, FListPanel, "MusicClear", "Erase", 50);
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
  FPlayerCommands->BuildPlayerCommands({FTopPanel, FListPanel, FPlayPanel, FBack, FPlayNext,
                                        FShuffle, FMusicClear, FPause, FAllStop, FOutPort, FVolume,
                                        FViewtitles1, FMainMenu1, FOptions1});
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
  FEditCat = NewBitBtn(this, FDBPanel, "EditCat", "&Edit", 52);
  FMailTitle = NewBitBtn(this, FDBPanel, "MailTitle", "&Mail", 52);
  FArchive = NewBitBtn(this, FDBPanel, "Archive", "&Archive", 52);
  FExportTitle = NewBitBtn(this, FDBPanel, "ExportTitle", "&Save", 52);
  FPrintCat = NewBitBtn(this, FDBPanel, "PrintCat", "P&rint", 52);
  FTrashCat = NewBitBtn(this, FDBPanel, "TrashCat", "&Delete", 52);
  FPanel4 = MakePanel(FDBPanel, "Panel4", "");
  FPanel4->SetBevelOuter(bvNone);
  FPanel4->SetBounds(6, 4, 66, 25);
  FNewAlb = NewBitBtn(this, FPanel4, "NewAlb", "New &album", 66);
  FNewAlb->OnClick = [this](TObject* s) { FEditCommands->Createnew1Click(s); };
  FWebPanel = MakePanel(FDBPanel, "WebPanel", "");
  FWebPanel->SetBevelOuter(bvNone);
  FWebPanel->SetBounds(76, 4, 36, 25);
  FGetWeb = NewBitBtn(this, FWebPanel, "GetWeb", "&Web", 36);
  FGetMIDIsPanel = MakePanel(FDBPanel, "GetMIDIsPanel", "");
  FGetMIDIsPanel->SetBevelOuter(bvNone);
  FGetMIDIsPanel->SetBounds(0, 4, 114, 25);
  FGetLocal = NewBitBtn(this, FGetMIDIsPanel, "GetLocal", "&Load", 38);
  FBitBtn1 = NewBitBtn(this, FGetMIDIsPanel, "BitBtn1", "S&can", 38);
  FBitBtn1->SetLeft(38);
  FBitBtn2 = NewBitBtn(this, FGetMIDIsPanel, "BitBtn2", "&Drives", 38);
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
  FAllAlbLV->OnDblClick = [this](TObject*) { FCatalogue.AlbList()->ShowSelectedAlbumTab(); };
  FAllAlbLV->OnReturn = [this](TObject*) { FCatalogue.AlbList()->ShowSelectedAlbumTab(); };
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
  auto categories =
      std::make_unique<TMainCategoryArea>(this, FCategories, FAllCatGrid, FAllCatPT, FProgressBar1);
  categories->OnNewGrid = [this](TMyStringGrid& g) {
    WireGrid(g, false);
    // Help tells of a category's titles as of all titles; an album's as of the album list.
    g.SetHelpContext(FAllCatGrid->HelpContext());
    // A page made while the summary tab shows alone stays out of sight too.
    if (auto* sheet = dynamic_cast<TTabSheet*>(g.Parent()))
      sheet->SetTabVisible(FViewCommands->ShowCatTabs());
  };
  auto albums = std::make_unique<TMainAlbumArea>(this, FAlbums, FAllAlbLV);
  albums->OnNewGrid = [this](TMyStringGrid& g) {
    WireGrid(g, true);
    g.SetHelpContext(FAllAlbLV->HelpContext());
    // An album's order is the user's: it is kept as soon as rows are moved.
    g.OnRowsMoved = [this](TObject*) {
      if (FCatalogue.AlbList()) FCatalogue.AlbList()->SaveChanges();
    };
    if (auto* sheet = dynamic_cast<TTabSheet*>(g.Parent()))
      sheet->SetTabVisible(FViewCommands->ShowAlbTabs());
  };
  FCatalogue.SetAreas(std::move(categories), std::move(albums));
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
