// The main window: start-up, shutdown, the player timer and the layout of its areas.
#pragma once
#include "FileAssocCommands.h"
#include "AdderCodeD2.h"
#include "Handles.h"
#include "RenamerCodeD2.h"
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "Buttons.h"
#include "CDPanel.h"
#include "CoolMenu.h"
#include "CatalogueViews.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "FileOps.h"
#include "ExtCtrls.h"
#include "ExtPage.h"
#include "ExtProgressBar.h"
#include "MMConect.h"
#include "MMLevel.h"
#include "MMOscope.h"
#include "MMSlider.h"
#include "MMSpGram.h"
#include "MMSpectr.h"
#include "MMWavIn.h"
#include "Forms.h"
#include "MainViews.h"
#include "MasterBase.h"
#include "MasterWidgets.h"
#include "Menus.h"
#include "Messages.h"
#include "PlayRoad.h"
#include "Settings.h"
#include "StdCtrls.h"
#include "TuneFiles.h"
#include "UnMIDICode.h"
#include "midi.h"
#include "MyStringGrid.h"

// --- program-wide state of the main window's unit
// -------------------------------------------------

// The application title and the document type registered for it.
constexpr const char* AppTitleText = "Tonalbrook";
constexpr const char* AppHelpFile = "TONALBROOK.HLP";

// The five registered window messages exchanged with the browser plug-in and a second start.
struct TQxMessages {
  unsigned BringToFront = 0;
  unsigned TrackBarPerc = 0;
  unsigned TrackBarSetPos = 0;
  unsigned ShowMixerWindow = 0;
  unsigned ShowBadFileBitmap = 0;
};
extern TQxMessages QxMessages;

// What runs before any window: clears the pending request and registers the five messages.
// Safe to call more than once.
void InitMainUnit();

// The program folder with its trailing backslash: the program file's own folder, unless a test
// set another before the main window was made.
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);
// The work folders under the program folder, each with its trailing backslash.
std::string WorkFolder(const char* name);
extern const char* const
    WorkFolderNames[5]; // "TempTune", "TempZips", "TempMail", "TempTrash", "BackUp"

// A plug-in request that arrived before it could be run ("" when none).
extern std::string PendingRequest;
// Set once the catalogue is loaded at start-up; the splash waits for it.
extern bool StartUpDone;
// A property of the main window, set once start-up has ended (the first-run questions answered).
constexpr const char* StartUpDoneProperty = "Tonalbrook.StartUpDone";

// The player's device: the system's MCI unless a test set a stand-in before the window was made.
void SetMainMciDriver(TMciDriver* driver);

class TMasterFrm;
extern TMasterFrm* MasterFrm;
class TImportCommands;
class TVisualEffects;
class TEditCommands;
class TCatalogueCommands;
class TPlayerCommands;
class TTableCommands;
class TContextHelp;
class TScanCommands;
class TExportCommands;
class TPrintCommands;
class TArchiveForm;
class TCreateArchiveForm;
class TManageNPIFrm;
class TGetLocalF;
class TScanStatus;
class TDriveScanFrm;
class TPrintParamFrm;
class TSplashFrm;
class TViewProgFrm;
// The splash made in the program's creation order (none in tests).
extern TSplashFrm* SplashFrm;
// Whether the main window puts up a splash of its own when first shown; the program entry turns
// it on, tests leave it off.
extern bool SplashAllowed;

// --- the main window
// ------------------------------------------------------------------------------

class TMasterFrm : public TMasterFrmBase,
                   public TPlayRoadView,
                   public TStoreHost,
                   private TMasterWidgets {
  friend class TMasterProbe;
  friend class TImportCommands;
  friend class TVisualEffects;
  friend class TEditCommands;
  friend class TCatalogueCommands;
  friend class TPlayerCommands;
  friend class TTableCommands;
  friend class TContextHelp;
  friend class TScanCommands;
  friend class TExportCommands;
  friend class TPrintCommands;

public:
  explicit TMasterFrm(TComponent* AOwner);
  ~TMasterFrm() override;

  TImportCommands& ImportCommands() { return *FImportCommands; }

  TVisualEffects& VisualEffects() { return *FVisualEffects; }

  TEditCommands& EditCommands() { return *FEditCommands; }

  TCatalogueCommands& CatalogueCommands() { return *FCatalogueCommands; }

  TPlayerCommands& PlayerCommands() { return *FPlayerCommands; }

  TTableCommands& TableCommands() { return *FTableCommands; }

  TContextHelp& ContextHelp() { return *FContextHelp; }

  TScanCommands& ScanCommands() { return *FScanCommands; }

  TExportCommands& ExportCommands() { return *FExportCommands; }
  // The command groups, each with its own state.
  TPrintCommands& PrintCommands() { return *FPrintCommands; }

  // Life cycle.
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void Timer2Timer(TObject* Sender);
  // The reminder to scan and, on the first run, the default-player question.
  void AskStartQuestions();
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FinishAll();
  void PrepareWorkFolders();
  void FormResize(TObject* Sender);

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

  // The data module joins in its place in the creation order; the start-up timer opens the
  // store through it and shutdown closes it.
  void CreateDataModule();
  TDMM2* DMM2() const { return FDMM2.get(); }
  TCatList* CatList() const { return FCatList.get(); }
  TAlbList* AlbList() const { return FAlbList.get(); }
  TMainCategoryArea& CategoryArea() { return *FCategoryArea; }
  TMainAlbumArea& AlbumArea() { return *FAlbumArea; }
  TSplashFrm* Splash() const { return FSplash.get(); }
  void FreeSplash();
  // The play commands over the working keys (the drag list). Top and bottom act only when the
  // keys came from an album or a category view; the drag list and its source flags are cleared
  // afterwards.
  void PlayTClick(TObject* Sender);
  void PlayBClick(TObject* Sender);
  void PlayRClick(TObject* Sender);
  void PlayNextClick(TObject* Sender);
  void BackClick(TObject* Sender);
  // Erases the program; the title playing plays on.
  void MusicClearClick(TObject* Sender);
  void Shuffle2Click(TObject* Sender);
  // The working keys and where they came from; a command that gathers keys fills them, then runs
  // ChoosePlayMode.
  TStringList& DragList() { return *FDragList; }
  bool DragFromAlbums() const { return FDragFromAlbums; }
  bool DragFromCategories() const { return FDragFromCategories; }
  void SetDragSource(bool fromAlbums, bool fromCategories);
  // Puts the working keys into the program through the play pop-up, opened at the mouse cursor.
  // Without a program playing there is nothing to choose and they play at once. The title
  // commands beneath the play choices are offered only for titleCommands (a grid's double click
  // or Enter), not for the menus' play commands.
  void ChoosePlayMode(bool titleCommands);
  // The Play items of the Albums and Categories menus.
  void Titlesselected7Click(TObject* Sender);
  void Albumselected4Click(TObject* Sender);
  void Allalbums5Click(TObject* Sender);
  void Titlesselected8Click(TObject* Sender);
  void Activecategory2Click(TObject* Sender);
  void Allcategories3Click(TObject* Sender);

  // The view in use: the area the user last worked in, and the keys selected in each.
  void AlbumsChange();
  void CategoriesChange();
  bool AlbumsInUse() const { return FAlbumsInUse; }
  bool CategoriesInUse() const { return FCategoriesInUse; }
  const TStringList& SelectedCategoryKeys() const { return *FSelection; }
  const TStringList& SelectedAlbumKeys() const { return *FSelection2; }

  // One request from the command line, a second start or the plug-in.
  void ProcessRequest(const std::string& text, int index);
  // One dropped file, imported into the active category (the all-titles page: "Windows default").
  void DropFile(const std::string& path, const std::string& category);
  // The plug-in request timer: runs the pending request.
  void NavPITimerTimer(TObject* Sender);
  void QueueTimerTimer(TObject* Sender);

  // An import is running (its pump may run other messages).
  bool Importing() const { return FImportDepth > 0; }
  static int MaxOfTwo(int a, int b) { return a > b ? a : b; }
  // The program viewer of the creation order, or one of the window's own when none was made;
  // the first time, it is tied to this window and its connector chained below MMConnector2.
  TViewProgFrm& ProgramViewer();
  // Shows the program viewer over this window, filled (the ProgView button and "&View titles").
  void Viewtitles1Click(TObject* Sender);
  bool FullScanDone() const { return FFullScanDone; }

  // Requests, second starts' lines and drops wait here until start-up is done and no import or
  // title start runs; then they run one at a time.
  int QueuedRequests() const { return static_cast<int>(FQueue.size()); }
  void RunQueuedRequests();

  // State the tests and the other windows look at.
  TPlayRoad& Road() { return *FRoad; }
  TTuneFiles* TuneFiles() const { return FTuneFiles.get(); }
  TMyMidi& MyMidi1() { return *FMyMidi; }
  const TSettings& Settings() const { return FSettings; }
  const std::string& SettingsPath() const { return FSettingsPath; }
  bool FirstRun() const { return FFirstRun; }
  bool RequestSeen() const { return FRequestSeen; }
  bool SessionEnding() const { return FSessionEnding; }
  // Conflicting browser plug-ins are disabled while the program is open.
  bool DisableTempConPI() const { return FDisableTempConPI; }
  void SetDisableTempConPI(bool value) { FDisableTempConPI = value; }
  // The plug-in manager made in the program's creation order, or one of the window's own.
  TManageNPIFrm& NPIManager();
  // Shows the plug-in manager modally, centred over this window.
  void ManageNPIClick(TObject* Sender);
  // Shows the about box modally, centred over this window, and frees it.
  void About1Click(TObject* Sender);
  // The folders of the browser's plug-ins found at start-up (existing ones only).
  const std::vector<std::string>& PlugInDirs() const { return FPlugInDirs; }
  // One per main menu: File, View, Albums, Categories, Titles, the program, Options, Help.
  const std::vector<TCoolMenu*>& CoolMenus() const { return FCoolMenus; }
  int StartupTimerRuns() const { return FStartupTimerRuns; }
  const std::string& StatusText() const { return FStatusText; }
  bool CommandsEnabled() const { return !CommandsDisabled(); }
  // Every request handed to ProcessRequest, in order.
  const std::vector<std::string>& HandledRequests() const { return FHandledRequests; }
  // This start's command-line parameters (a test may set others before the window is shown).
  const std::vector<std::string>& Params() const { return FParams; }
  void SetParams(const std::vector<std::string>& value) { FParams = value; }

  // The main window's parts (named as the window's layout names them).
  // Hidden holders of the pictures that Pause and OneStop take in turn.

  // Ends the busy state, then renews the view in use's selection.
  void EnableCommands() override;
  // The shell's "open" of a web page or mail address (the file-association unit's seam).
  TFileAssocCommands& AssocCommands() { return *FAssocCommands; }
  // --- drag and drop (DragCommands.cpp): rows of the grids, the tabs of both areas and the album
  // lines carry their keys onto the command buttons and onto the albums. While this holds a drop
  // is refused and runs nothing: busy, a title starting, or a grid's own handler running (a drop
  // could free the page under it).
  bool DropsHeld() const;
  // A grid's handler is still on the stack or a title is starting: its page must not go.
  bool PagesHeld() const;
  bool PageCommandHeld() const; // beeps when held

  // The play pop-up: top, bottom, replace, cancel, then the title commands.

  // View commands of the catalogue areas.
  // Sorts the active category grid by the column of that name on the all-titles page (0 for
  // "Category"); a category grid has no category column, so there it is one less.
  void SortActiveGrid(int allTitlesColumn);
  void ApplyAlbumTabsView();
  void ApplyCategoryTabsView();
  void Albumsummaryonly1Click(TObject* Sender);
  void CategorySummaryOnlyClick(TObject* Sender);
  void Color1Click(TObject* Sender);
  void Fontcolor1Click(TObject* Sender);
  bool ShowAlbTabs() const { return FShowAlbTabs; }
  bool ShowCatTabs() const { return FShowCatTabs; }

  // Lays out the top area and the catalogue area (also run by FormResize).
  void LayoutTopArea();
  void LayoutCatalogueArea();
  // A button's width as built, at least what its caption and picture need.
  int NaturalWidth(TControl* control);
  bool ShowTools() const { return FShowTools; }
  void SetShowTools(bool value);
  // The tool buttons and "&Show music toolbar": tool row off, on, music panel in front, and back.
  void ToolsLeftClick(TObject* Sender);
  void UpdateToggleCaptions();
  // The splitter between the album and category panels; each keeps at least SplitterMinimum.
  static constexpr int SplitterMinimum = 140;
  // The album panel's width as the user chose it; laid out within the splitter's limits.
  int AlbPanelWidth() const { return FAlbPanelWidth; }
  void SetAlbPanelWidth(int value);
  void SeparatorMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void SeparatorMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void SeparatorMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  // The screen rectangle of the splitter's band while it is dragged (empty when none shows).
  RECT SplitterBand() const { return FBand; }
  // Runs the change handler of the area the user last worked in.
  void ViewInUseChange();
  // The main window keeps at least 500 x 400 pixels.
  void WMGetMinMaxInfo(TMessage& message);

  void WndProc(TMessage& message) override;

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
  std::unique_ptr<TPrintCommands> FPrintCommands;
  std::unique_ptr<TExportCommands> FExportCommands;
  std::unique_ptr<TScanCommands> FScanCommands;
  std::unique_ptr<TContextHelp> FContextHelp;
  std::unique_ptr<TTableCommands> FTableCommands;
  std::unique_ptr<TPlayerCommands> FPlayerCommands;
  std::unique_ptr<TCatalogueCommands> FCatalogueCommands;
  std::unique_ptr<TEditCommands> FEditCommands;
  std::unique_ptr<TVisualEffects> FVisualEffects;
  std::unique_ptr<TImportCommands> FImportCommands;
  void BuildMenu();
  // A picture beside every item of the eight main menus (once, when the window first shows).
  void BuildCoolMenus();
  void BuildViewMenus(TMenuItem* categories, TMenuItem* albums, TMenuItem* view);
  void CategoriesDrawTab(int index, const RECT& rect);
  void AlbumsDrawTab(int index, const RECT& rect);
  void MakeAlbumImage();
  void MakeAlbumImageLists();
  void SetTabColors(TColor back, TColor font);

  void BuildPlayPopUp();
  void BuildPlayMenus(TMenuItem* albums, TMenuItem* categories);
  // Gathers keys from a view into the drag list and offers the play pop-up; false when none.
  bool PlayKeysOf(bool fromAlbums, const std::function<int(TStringList&)>& gather);
  void ClearDragList();
  bool TitleCommandReady(const TMenuItem& item) const;
  void BuildTopArea();
  void BuildCatalogueArea();
  // Puts the buttons and items whose commands are not built yet behind the command gate.
  void GateUnbuiltCommands();
  void ShowAppHint(TObject* Sender);
  void ReadSettings();
  void WriteSettings();
  void ApplySettingsToMenus();
  void TakeSettingsFromMenus();
  void FindPlugInDirs();
  void CloseSequencer();
  void Timer1Timer(TObject* Sender);
  TBitBtn* MakeButton(TWinControl* parent, const std::string& name, const std::string& caption,
                      int width);
  TPanel* MakePanel(TWinControl* parent, const std::string& name, const std::string& caption);

  std::unique_ptr<TMyMidi> FMyMidi;
  std::unique_ptr<TFileAssocCommands> FAssocCommands;
  std::unique_ptr<TBitmap> FAlbumImage;
  std::unique_ptr<TImageList> FLargeAlbumImages, FSmallAlbumImages;
  std::unique_ptr<TUnMIDIFrm> FOwnNotice;        // when the program made none
  std::unique_ptr<TManageNPIFrm> FOwnNPIManager; // when the program made none
  std::vector<TCoolMenu*> FCoolMenus;
  std::unique_ptr<TArchiveForm> FOwnArchiveForm;
  std::unique_ptr<TCreateArchiveForm> FOwnCreateArchiveForm;
  TViewProgFrm* FViewer = nullptr; // the viewer tied to this window
  std::unique_ptr<TViewProgFrm> FOwnViewer;
  // A queued request line, or the files of one drop with the category they were dropped on.
  struct TQueued {
    bool Drop = false;
    std::string Text;
    int Index = 0;
    std::vector<std::string> Files;
    std::string Category;
  };
  std::deque<TQueued> FQueue;
  bool FQueueOpen = false, FRunningQueue = false;
  void Enqueue(TQueued item);
  void PostQueueRun();
  bool QueueMayRun() const;
  void RunDrop(const TQueued& drop);
  void TakeDroppedFiles(void* drop); // an HDROP
  void ReceivePluginRequest(unsigned atom);
  void SendBadFileBitmap();
  void RefreshCategoryViews();
  std::string ActiveCategoryName() const;
  // Import-busy for the life of one whole import; the end runs what waited for it.
  friend class TImportScope;
  void ImportEnded();
  void SaveForSessionEnd();
  int FImportDepth = 0;
  // Lets messages run between the files of an import: input at every file, repaints paced.
  TLoopPump FImportPump;
  bool FCloseWhenImported = false, FRestepPending = false;
  std::unique_ptr<TTuneFiles> FTuneFiles;
  // A grid's double click and Enter play its selected keys; fromAlbums for an album grid.
  void WireGrid(TMyStringGrid& grid, bool fromAlbums);
  // Drag and drop (DragCommands.cpp).
  enum class TDragFrom { None, Grid, CategoryTabs, AlbumTabs, AlbumList };
  void WireDrags();
  void WireGridDrags(TMyStringGrid& grid, bool fromAlbums);
  TDragFrom DragFrom(const TObject* source) const;
  void DragStarts(TObject* source, bool fromAlbums);
  bool DropAccepted(TObject* target, TObject* source) const;
  bool DragCarriesAlbum(int index) const;
  void CommandDragDrop(TObject* target, TObject* source);
  void AlbumDragOver(TObject* target, TObject* source, int x, int y, bool& accept) const;
  void AlbumDragDrop(TObject* target, TObject* source, int x, int y);
  int FGridHandlersRunning = 0;
  void PlayGridSelection(TMyStringGrid& grid, bool fromAlbums);
  void LoadCatalogue();
  void CloseCatalogue();
  std::unique_ptr<TCatalogueStore> FStore;
  std::unique_ptr<TDMM2> FDMM2;
  std::unique_ptr<TSplashFrm> FSplash;
  std::unique_ptr<TCatList> FCatList;
  std::unique_ptr<TAlbList> FAlbList;
  std::unique_ptr<TMainCategoryArea> FCategoryArea;
  std::unique_ptr<TMainAlbumArea> FAlbumArea;
  std::unique_ptr<TPlayRoad> FRoad;
  TSettings FSettings;
  std::string FSettingsPath;
  std::string FDocTypeName;
  std::vector<std::string> FPlugInDirs;
  std::vector<std::string> FHandledRequests;
  std::vector<std::string> FParams;
  std::string FStatusText, FCategoryText, FTitleText, FArtistText;
  // The selected category keys, the working keys and the selected album keys.
  std::unique_ptr<TStringList> FSelection, FDragList, FSelection2;
  bool FAlbumsInUse = false, FCategoriesInUse = true;
  bool FDragFromAlbums = false, FDragFromCategories = false;
  bool FFirstRun = false;
  bool FRequestSeen = false;
  bool FSessionEnding = false;
  bool FShowTools = true;
  // The splitter drag: start x, whether a band shows, and where.
  bool FSplitting = false, FBandShown = false;
  int FSplitStartX = 0;
  int FAlbPanelWidth = 200;
  RECT FBand{};
  // The widths the row buttons were built with; a narrow window narrows them for a while.
  std::map<const TControl*, int> FBuiltWidths;
  bool FShowAlbTabs = true, FShowCatTabs = true;
  bool FDisableTempConPI = false;
  bool FFullScanDone = false;
  bool FClosed = false;
  bool FLoading = false, FCloseWhenLoaded = false;
  int FStartupTimerRuns = 0;
  // The window's parts.
};
