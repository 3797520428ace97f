// The main window: start-up, shutdown, the player timer, and the command groups it owns.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "CatalogueViews.h"
#include "MainCatalogue.h"
#include "MainServices.h"
#include "MasterBase.h"
#include "MasterWidgets.h"
#include "Messages.h"
#include "PlayRoad.h"
#include "ProgramWide.h"
#include "Settings.h"
#include "WorkingKeys.h"

class TAlbList;
class TCatList;
class TCoolMenu;
struct TCatalogueMenus;
class TDMM2;
class TFeatureHost;
class TFileAssocCommands;
class TMainAlbumArea;
class TMainCategoryArea;
class TUnMIDIFrm;

class TMasterFrm;
extern TMasterFrm* MasterFrm;
class TManageNPIFrm;
class TSplashFrm;
class TViewProgFrm;
struct TViewerContext;

// The main window's command groups, each with its own state and header.
class TCatalogueCommands;
class TContextHelp;
class TDragCommands;
class TEditCommands;
class TExportCommands;
class TImportCommands;
class TMainLayout;
class TPageHold;
class TPlayCommands;
class TPlayerCommands;
class TPrintCommands;
class TRequestCommands;
class TScanCommands;
class TTableCommands;
class TViewCommands;
class TVisualEffects;

// --- the main window
// ------------------------------------------------------------------------------

// The command groups, in a base of their own listed first: the window's base classes free its
// parts, and a part that raises an event while it goes must still find its group.
struct TMasterGroups {
  ~TMasterGroups();
  std::unique_ptr<TCatalogueCommands> FCatalogueCommands;
  std::unique_ptr<TContextHelp> FContextHelp;
  std::unique_ptr<TDragCommands> FDragCommands;
  std::unique_ptr<TEditCommands> FEditCommands;
  std::unique_ptr<TExportCommands> FExportCommands;
  std::unique_ptr<TImportCommands> FImportCommands;
  std::unique_ptr<TMainLayout> FLayout;
  std::unique_ptr<TPlayCommands> FPlayCommands;
  std::unique_ptr<TPlayerCommands> FPlayerCommands;
  std::unique_ptr<TPrintCommands> FPrintCommands;
  std::unique_ptr<TRequestCommands> FRequestCommands;
  std::unique_ptr<TScanCommands> FScanCommands;
  std::unique_ptr<TTableCommands> FTableCommands;
  std::unique_ptr<TViewCommands> FViewCommands;
  std::unique_ptr<TVisualEffects> FVisualEffects;
  // Whether a command that frees a page must wait; the drag and the editing commands share it.
  std::unique_ptr<TPageHold> FPageHold;
};

class TMasterFrm : private TMasterGroups,
                   public TMasterFrmBase,
                   public TPlayRoadView,
                   public TStoreHost,
                   public TMainServices,
                   private TMasterWidgets {
public:
  explicit TMasterFrm(TComponent* AOwner);
  ~TMasterFrm() override;

  // The command groups.
  TCatalogueCommands& CatalogueCommands() { return *FCatalogueCommands; }
  TContextHelp& ContextHelp() { return *FContextHelp; }
  TDragCommands& DragCommands() { return *FDragCommands; }
  TEditCommands& EditCommands() { return *FEditCommands; }
  TExportCommands& ExportCommands() { return *FExportCommands; }
  TImportCommands& ImportCommands() { return *FImportCommands; }
  TMainLayout& Layout() { return *FLayout; }
  TPlayCommands& PlayCommands() { return *FPlayCommands; }
  TPlayerCommands& PlayerCommands() { return *FPlayerCommands; }
  TPrintCommands& PrintCommands() { return *FPrintCommands; }
  TRequestCommands& RequestCommands() { return *FRequestCommands; }
  TScanCommands& ScanCommands() { return *FScanCommands; }
  TTableCommands& TableCommands() { return *FTableCommands; }
  TViewCommands& ViewCommands() { return *FViewCommands; }
  TVisualEffects& VisualEffects() { return *FVisualEffects; }
  // The working keys and what the keys' groups read.
  TWorkingKeys& WorkingKeys() { return FWorkingKeys; }
  // The catalogue as the groups share it.
  const TMainCatalogue& Catalogue() const { return FCatalogue; }
  TAlbList* AlbList() const { return FCatalogue.AlbList(); }

  // Life cycle.
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormResize(TObject* Sender);
  void WndProc(TMessage& message) override;

  // The play road speaks through the main window's message box.
  TMessageAnswer ShowMessageBox(const std::string& text, TMessageKind kind, int helpContext,
                                TMessageButtons buttons) override;
  // The store reports through the status line and its progress bar.
  void SetStatus(const std::string& text, bool bold) override;
  void ProgressStart(int max) override;
  void ProgressPosition(int position) override;
  void ProgressDone() override;
  void ShowPlainMessage(const std::string& text) override;
  void SetBusyCursor(bool busy) override;
  // What else the command groups ask of the window.
  void Beep() override { TPlayRoadView::Beep(); }
  void RepaintMain() override { Repaint(); }
  void CenterOverMainWindow(TControl& window) override {
    TMasterFrmBase::CenterOverMainWindow(window);
  }
  TCentre Centre() const override { return {Left() + Width() / 2, Top() + Height() / 2}; }
  TBusyHolder& Busy() override { return *this; }
  bool CommandsDisabled() const override { return TMasterFrmBase::CommandsDisabled(); }
  TCommandGate& CommandGate() override { return TMasterFrmBase::CommandGate(); }
  const std::string& StatusText() const { return FStatusText; }
  // The shell's "open" of a web page or mail address (made when the window is created).
  TFileAssocCommands& AssocCommands() { return *FAssocCommands; }
  // The program viewer tied to this window, if one is.
  TViewProgFrm* TiedViewer() const { return FViewer; }
  // The player's sequencer; closing it ends play and frees the device.
  TMyMidi& MyMidi() { return *FMyMidi; }
  void CloseSequencer();
  // Shows the program viewer over this window, filled (the ProgView button and "&View titles").
  void Viewtitles1Click(TObject* Sender);

  // The data module joins in its place in the creation order; the start-up timer opens the
  // store through it and shutdown closes it.
  void CreateDataModule();
  TDMM2* DMM2() const { return FCatalogue.DMM2(); }
  TCatList* CatList() const { return FCatalogue.CatList(); }
  TMainCategoryArea& CategoryArea() { return FCatalogue.CategoryArea(); }
  TMainAlbumArea& AlbumArea() { return FCatalogue.AlbumArea(); }
  TPlayRoad& Road() { return *FRoad; }
  TTuneFiles* TuneFiles() const { return &FCatalogue.TuneFiles(); }
  const TSettings& Settings() const { return FSettings; }
  bool SessionEnding() const { return FSessionEnding; }
  // An import is running, the window closing, the catalogue loading (see TMainServices).
  bool Importing() const override { return FImportDepth > 0; }
  void EnterImport() override;
  void LeaveImport() override;
  void RunImportPump() override { FImportPump.Run(); }
  bool Closed() const override { return FClosed; }
  bool Loading() const override { return FLoading; }
  // What the feature windows call back in this window.
  TFeatureHost& FeatureHost() { return *FFeatureHost; }

  // The working keys come from an album view, a category view, or neither; a command that
  // gathers keys fills them, then offers the play pop-up.
  void SetDragSource(bool fromAlbums, bool fromCategories);
  // The view in use: the area the user last worked in, and the keys selected in each.
  void AlbumsChange();
  void CategoriesChange();
  // Runs the change handler of the area the user last worked in.
  void ViewInUseChange();
  // Ends the busy state, then renews the view in use's selection.
  void EnableCommands() override;

  // The program viewer of the creation order, or one of the window's own when none was made;
  // the first time, it is tied to this window and its connector chained below MMConnector2.
  TViewProgFrm& ProgramViewer();
  // The plug-in manager made in the program's creation order, or one of the window's own.
  TManageNPIFrm& NPIManager();
  // Conflicting browser plug-ins are disabled while the program is open.
  bool DisableTempConPI() const { return FDisableTempConPI; }
  void SetDisableTempConPI(bool value) { FDisableTempConPI = value; }
  // The folders of the browser's plug-ins found at start-up (existing ones only).
  const std::vector<std::string>& PlugInDirs() const { return FPlugInDirs; }

  // This start's command-line parameters (a test sets them before the window shows).
  void SetParams(const std::vector<std::string>& value) { FParams = value; }
  // How often the start-up timer ran, whether this is the first run (no settings file yet), a
  // request came from outside, and a system scan ran.
  int StartupTimerRuns() const { return FStartupTimerRuns; }
  bool FirstRun() const { return FFirstRun; }
  bool RequestSeen() const { return FRequestSeen; }
  bool FullScanDone() const { return FFullScanDone; }
  // The pictures of the main menus, one per main menu once the window has shown.
  const std::vector<TCoolMenu*>& CoolMenus() const { return FCoolMenus; }

protected:
  // TPlayRoadView
  void ShowTuneInfo(const TTuneInfo& info) override;
  void ShowStateMessage(const std::string& text, int seconds) override;
  void ShowDeviceBusyNotice() override;
  void SetTimer1(bool enabled) override;
  // As ticked, after a title starts.
  void SetVisualEffects() override;
  bool SoundInputIdle() override;
  bool SoundInputFailed(TObject* Sender, const std::exception& E) override;
  void SetSlider(int position, int maximum) override;
  // The player buttons follow the program: the step buttons, shuffle and erase.
  void UpdatePlayControls() override;
  // The program viewer shows the program again while it is visible.
  void ProgramChanged() override;

private:
  // Start-up and shutdown.
  void Timer2Timer(TObject* Sender);
  // The reminder to scan and, on the first run, the default-player question.
  void AskStartQuestions();
  void FinishAll();
  void PrepareWorkFolders();
  void FreeSplash();
  // Shows the plug-in manager modally, centred over this window.
  void ManageNPIClick(TObject* Sender);
  // Shows the about box modally, centred over this window, and frees it.
  void About1Click(TObject* Sender);
  // The main window keeps at least 500 x 400 pixels.
  void WMGetMinMaxInfo(TMessage& message);
  // A second start's lines (WM_INSTANCEPARAMS, or WM_COPYDATA holding them) join the request
  // queue; false for a WM_COPYDATA of another kind.
  bool ReceiveHandOff(TMessage& message);
  // The window's making, step by step in this order.
  void MakePlayRoad();
  void MakeCommandGroups();
  void MakeFeatureHost();
  TCatalogueMenus CatalogueMenus() const;
  void MakeTimers();
  void WireTuneFileProgress();
  void BuildMenu();
  void BuildFileMenu(TMenuItem& root);
  void BuildViewMenu(TMenuItem& root);
  void BuildCatalogueMenus(TMenuItem& root);
  void BuildOptionsMenu(TMenuItem& root);
  void BuildHelpMenu(TMenuItem& root);
  void BuildStatusBar();
  // A picture beside every item of the eight main menus (once, when the window first shows).
  void BuildCoolMenus();
  void BuildTopArea();
  void BuildCatalogueArea();
  void BuildCatalogueButtons();
  void BuildAlbumPanel();
  void BuildSeparator();
  void BuildCategoryPanel();
  void MakeGridAreas();
  // Gives the command groups the parts they act on.
  void HandOutParts();
  // The tab rows' menus and changes, the parts held while busy and the trace item.
  void WireAreas();
  // Puts the buttons and items whose commands are not built yet behind the command gate.
  void GateUnbuiltCommands();
  // Help mode looks first at the controls and commands that take part.
  void WireContextHelp();
  void ShowAppHint(TObject* Sender);
  void ReadSettings();
  void WriteSettings();
  void ApplySettingsToMenus();
  void TakeSettingsFromMenus();
  void FindPlugInDirs();
  void Timer1Timer(TObject* Sender);
  TPanel* MakePanel(TWinControl* parent, const std::string& name, const std::string& caption);

  std::unique_ptr<TMyMidi> FMyMidi;
  // The shell's "open" of a web page or mail address (the file-association unit's seam).
  std::unique_ptr<TFileAssocCommands> FAssocCommands;
  std::unique_ptr<TUnMIDIFrm> FOwnNotice;        // when the program made none
  std::unique_ptr<TManageNPIFrm> FOwnNPIManager; // when the program made none
  std::vector<TCoolMenu*> FCoolMenus;
  std::unique_ptr<TFeatureHost> FFeatureHost;
  TViewProgFrm* FViewer = nullptr; // the viewer tied to this window
  std::unique_ptr<TViewProgFrm> FOwnViewer;
  // What the tied viewer uses of this window.
  std::unique_ptr<TViewerContext> FViewerContext;
  // The last import ended: what waited for it runs.
  void ImportEnded();
  void SaveForSessionEnd();
  int FImportDepth = 0;
  // Lets messages run between the files of an import: input at every file, repaints paced.
  TLoopPump FImportPump;
  TMainCatalogue FCatalogue;
  // A grid's double click and Enter play its selected keys; fromAlbums for an album grid.
  void WireGrid(TMyStringGrid& grid, bool fromAlbums);
  void PlayGridSelection(TMyStringGrid& grid, bool fromAlbums);
  void LoadCatalogue();
  void ReportDamage();
  void CloseCatalogue();
  // One save of the shutdown: a failure is shown and the shutdown goes on with the next.
  void ShutdownStep(const std::function<void()>& step);
  // Shows a failure of the shutdown, each text once: the settings file that refuses the mail
  // settings refuses the program's own too.
  void ReportShutdownFailure(const std::string& text);
  std::vector<std::string> FShutdownReported;
  std::unique_ptr<TSplashFrm> FSplash;
  std::unique_ptr<TPlayRoad> FRoad;
  TSettings FSettings;
  std::string FSettingsPath;
  std::string FDocTypeName;
  std::vector<std::string> FPlugInDirs;
  std::vector<std::string> FParams;
  std::string FStatusText, FCategoryText, FTitleText, FArtistText;
  TWorkingKeys FWorkingKeys;
  bool FFirstRun = false;
  bool FRequestSeen = false;
  bool FSessionEnding = false;
  bool FDisableTempConPI = false;
  bool FFullScanDone = false;
  bool FClosed = false;
  bool FLoading = false, FCloseWhenLoaded = false;
  int FStartupTimerRuns = 0;
};
