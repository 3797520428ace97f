// The main window's parts, named as the window's layout names them; the window builds them.
#pragma once

class TBitBtn;
class TCDPanelP;
class TCheckBox;
class TExtListView;
class TExtPageControl;
class TExtProgressBar;
class TMainMenu;
class TMenuItem;
class TMyStringGrid;
class TPanel;
class TSpeedButton;
class TStatusBar;
class TTabSheet;
class TTimer;

// Owned by their parents (the window, its panels and menus); these are only the window's handles
// on them. The window reaches them as its own fields; tests reach them through TMasterProbe.
struct TMasterWidgets {
  TTimer* FNavPITimer = nullptr; // 200 ms, one-shot
  TTimer* FQueueTimer = nullptr; // one-shot: the next queued request, a close put off by an import
  TMenuItem *FGetLocal2 = nullptr, *FScanadriveforMIDIfiles1 = nullptr,
            *FScansystemforMIDIfiles1 = nullptr;
  TMenuItem* FAbout1 = nullptr;
  TTimer* FTimer1 = nullptr; // the 100 ms player timer
  TTimer* FTimer2 = nullptr; // the one-shot start-up timer
  TMainMenu* FMainMenu1 = nullptr;
  TMenuItem *FFile1 = nullptr, *FView1 = nullptr, *FAlbums1 = nullptr, *FCategories1 = nullptr,
            *FTitle1 = nullptr, *FOptions1 = nullptr, *FHelp1 = nullptr;
  TMenuItem *FMIDIdefault = nullptr, *FMIDIrestore = nullptr, *FManageNPI = nullptr,
            *FManageNPISep = nullptr, *FRemindtoscan1 = nullptr, *FLooping1 = nullptr,
            *FGM1 = nullptr, *FGS1 = nullptr, *FNone1 = nullptr, *FGMGS1 = nullptr,
            *FGSGM1 = nullptr, *FLaunchOnWinStart = nullptr, *FNormal1 = nullptr,
            *FMinimized1 = nullptr, *FNot1 = nullptr, *FVisualeffects1 = nullptr,
            *FSpectrumbars1 = nullptr, *FLights1 = nullptr, *FSpectrograph1 = nullptr,
            *FDEBUGMODE1 = nullptr, *FShowmusictoolbar1 = nullptr, *FExit1 = nullptr,
            *FViewtitles1 = nullptr, *FContents1 = nullptr;
  TPanel* FTopPanel = nullptr;
  TPanel* FPanel11 = nullptr; // holds the display panel
  TCDPanelP* FCDPanel = nullptr;
  TBitBtn *FPlayReplace = nullptr, *FPlay = nullptr;
  TPanel *FListPanel = nullptr, *FPlayPanel = nullptr, *FSoundPanel = nullptr;
  TBitBtn *FBack = nullptr, *FPlayNext = nullptr, *FShuffle = nullptr, *FMusicClear = nullptr,
          *FPause = nullptr, *FAllStop = nullptr, *FOutPort = nullptr, *FVolume = nullptr;
  TSpeedButton *FToolsLeft = nullptr, *FToolsRight = nullptr;
  TPanel* FDBPanel = nullptr;
  TBitBtn *FEditCat = nullptr, *FMailTitle = nullptr, *FArchive = nullptr, *FExportTitle = nullptr,
          *FPrintCat = nullptr, *FTrashCat = nullptr;
  TPanel *FPanel4 = nullptr, *FWebPanel = nullptr, *FGetMIDIsPanel = nullptr;
  TBitBtn *FNewAlb = nullptr, *FGetWeb = nullptr, *FGetLocal = nullptr, *FBitBtn1 = nullptr,
          *FBitBtn2 = nullptr;
  TPanel *FAlbPanel = nullptr, *FSeparator = nullptr, *FCatPanel = nullptr;
  TExtPageControl* FAlbums = nullptr;
  TTabSheet* FAlbumListPage = nullptr;
  TExtListView* FAllAlbLV = nullptr;
  TCheckBox* FCheckBox1 = nullptr; // show album details
  TExtPageControl* FCategories = nullptr;
  TTabSheet* FAllTitlesPage = nullptr;
  TMyStringGrid* FAllCatGrid = nullptr;
  TPanel* FAllCatPT = nullptr; // summary line of the all-titles grid
  TPanel* FMusicPanel = nullptr;
  TStatusBar* FStatusBar1 = nullptr;
  TExtProgressBar* FProgressBar1 = nullptr;
};
