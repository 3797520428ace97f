// The tests' one way into the main window: its parts, and the state and commands that only
// tests look at.
#pragma once
#include <string>
#include <vector>
#include "Buttons.h"
#include "CDPanel.h"
#include "Classes.h"
#include "ContextHelp.h"
#include "ComCtrls.h"
#include "CoolMenu.h"
#include "DataCodeD2.h"
#include "EditCommands.h"
#include "ExtCtrls.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "ExtProgressBar.h"
#include "FileAssocCommands.h"
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "MainLayout.h"
#include "Menus.h"
#include "midi.h"
#include "MMConect.h"
#include "MMLevel.h"
#include "MMOscope.h"
#include "MMSlider.h"
#include "MMSpectr.h"
#include "MMSpGram.h"
#include "MMWavIn.h"
#include "MyStringGrid.h"
#include "PrintCommands.h"
#include "PlayerCommands.h"
#include "StdCtrls.h"
#include "VisualEffects.h"

// Reaches what the window keeps to itself; made for one statement at a time, as in
// Probe(form).MusicPanel().
class TMasterProbe {
public:
  explicit TMasterProbe(TMasterFrm& frm) : F(frm) {}

  // The window's parts (named as the window's layout names them).
  TMenuItem* Titlesselected11() const { return F.PrintCommands().Titlesselected11(); }
  TMenuItem* Albumselected5() const { return F.PrintCommands().Albumselected5(); }
  TMenuItem* Allalbums12() const { return F.PrintCommands().Allalbums12(); }
  TMenuItem* Titlesselected12() const { return F.PrintCommands().Titlesselected12(); }
  TMenuItem* Categoryselected1() const { return F.PrintCommands().Categoryselected1(); }
  TMenuItem* Allcategories5() const { return F.PrintCommands().Allcategories5(); }
  TMMWaveIn* MMWaveIn1() const { return F.FVisualEffects->MMWaveIn1(); }
  TMMConnector* MMConnector2() const { return F.FVisualEffects->MMConnector2(); }
  TMMLevel* MMLevel1() const { return F.FVisualEffects->MMLevel1(); }
  TMMLevel* MMLevel2() const { return F.FVisualEffects->MMLevel2(); }
  TMMSpectrum* MMSpectrum1() const { return F.FVisualEffects->MMSpectrum1(); }
  TMMOscope* MMOscope2() const { return F.FVisualEffects->MMOscope2(); }
  TMMSpectrogram* MMSpectrogram1() const { return F.FVisualEffects->MMSpectrogram1(); }
  TPopupMenu* visualPopUp() const { return F.FVisualEffects->visualPopUp(); }
  TMenuItem* ShowVE() const { return F.FVisualEffects->ShowVE(); }
  TMenuItem* DisableVE() const { return F.FVisualEffects->DisableVE(); }
  TMenuItem* Titlesselected7() const { return F.PlayCommands().Titlesselected7(); }
  TMenuItem* Createnew3() const { return F.EditCommands().Createnew3(); }
  TMenuItem* Rename1() const { return F.EditCommands().Rename1(); }
  TMenuItem* Rename3() const { return F.EditCommands().Rename3(); }
  TMenuItem* Albumselected3() const { return F.EditCommands().Albumselected3(); }
  TMenuItem* Allalbums4() const { return F.EditCommands().Allalbums4(); }
  TMenuItem* Allalbums8() const { return F.EditCommands().Allalbums8(); }
  TMenuItem* Titlesselected3() const { return F.EditCommands().Titlesselected3(); }
  TMenuItem* Titlesselected19() const { return F.EditCommands().Titlesselected19(); }
  TMenuItem* Createnew2() const { return F.EditCommands().Createnew2(); }
  TMenuItem* Createnew4() const { return F.EditCommands().Createnew4(); }
  TMenuItem* Renameexisting1() const { return F.EditCommands().Renameexisting1(); }
  TMenuItem* Rename2() const { return F.EditCommands().Rename2(); }
  TMenuItem* Renamealbum2() const { return F.EditCommands().Renamealbum2(); }
  TMenuItem* Activecategory1() const { return F.EditCommands().Activecategory1(); }
  TMenuItem* Activecategory4() const { return F.EditCommands().Activecategory4(); }
  TMenuItem* Deletecategory1() const { return F.EditCommands().Deletecategory1(); }
  TMenuItem* Titlesselected6() const { return F.EditCommands().Titlesselected6(); }
  TMenuItem* Titleselected1() const { return F.EditCommands().Titleselected1(); }
  TMenuItem* Edit1() const { return F.EditCommands().Edit1(); }
  TMenuItem* Delete4() const { return F.EditCommands().Delete4(); }
  TMenuItem* GetLocal2() const { return F.FGetLocal2; }
  TMenuItem* ScanadriveforMIDIfiles1() const { return F.FScanadriveforMIDIfiles1; }
  TMenuItem* ScansystemforMIDIfiles1() const { return F.FScansystemforMIDIfiles1; }
  TMenuItem* About1() const { return F.FAbout1; }
  TTimer* Timer1() const { return F.FTimer1; }
  TTimer* Timer2() const { return F.FTimer2; }
  TMainMenu* MainMenu1() const { return F.FMainMenu1; }
  TMenuItem* File1() const { return F.FFile1; }
  TMenuItem* View1() const { return F.FView1; }
  TMenuItem* Albums1() const { return F.FAlbums1; }
  TMenuItem* Categories1() const { return F.FCategories1; }
  TMenuItem* Title1() const { return F.FTitle1; }
  TMenuItem* Help1() const { return F.FHelp1; }
  TMenuItem* MIDIdefault() const { return F.FMIDIdefault; }
  TMenuItem* MIDIrestore() const { return F.FMIDIrestore; }
  TMenuItem* ManageNPI() const { return F.FManageNPI; }
  TMenuItem* ManageNPISep() const { return F.FManageNPISep; }
  TMenuItem* Hintlevel1() const { return F.FContextHelp->Hintlevel1(); }
  TMenuItem* Looping1() const { return F.FLooping1; }
  TMenuItem* GM1() const { return F.FGM1; }
  TMenuItem* GS1() const { return F.FGS1; }
  TMenuItem* None1() const { return F.FNone1; }
  TMenuItem* GMGS1() const { return F.FGMGS1; }
  TMenuItem* GSGM1() const { return F.FGSGM1; }
  TMenuItem* LaunchOnWinStart() const { return F.FLaunchOnWinStart; }
  TMenuItem* Normal1() const { return F.FNormal1; }
  TMenuItem* Minimized1() const { return F.FMinimized1; }
  TMenuItem* Not1() const { return F.FNot1; }
  TMenuItem* Visualeffects1() const { return F.FVisualeffects1; }
  TMenuItem* Spectrumbars1() const { return F.FSpectrumbars1; }
  TMenuItem* Lights1() const { return F.FLights1; }
  TMenuItem* Spectrograph1() const { return F.FSpectrograph1; }
  TMenuItem* Showmusictoolbar1() const { return F.FShowmusictoolbar1; }
  TMenuItem* Exit1() const { return F.FExit1; }
  TMenuItem* Viewtitles1() const { return F.FViewtitles1; }
  TMenuItem* Contents1() const { return F.FContents1; }
  TPanel* TopPanel() const { return F.FTopPanel; }
  TPanel* Panel11() const { return F.FPanel11; }
  TCDPanelP* CDPanel() const { return F.FCDPanel; }
  TMMSlider* MMSlider1() const { return F.FMMSlider1; }
  TPanel* SelPanel() const { return F.FPlayerCommands->SelPanel(); }
  TBitBtn* PlayReplace() const { return F.FPlayReplace; }
  TBitBtn* Play() const { return F.FPlay; }
  TPanel* ListPanel() const { return F.FListPanel; }
  TPanel* PlayPanel() const { return F.FPlayPanel; }
  TPanel* SoundPanel() const { return F.FSoundPanel; }
  TBitBtn* Back() const { return F.FBack; }
  TBitBtn* PlayNext() const { return F.FPlayNext; }
  TBitBtn* Shuffle() const { return F.FShuffle; }
  TBitBtn* MusicClear() const { return F.FMusicClear; }
  TBitBtn* Pause() const { return F.FPause; }
  TBitBtn* AllStop() const { return F.FAllStop; }
  TBitBtn* RepeatSB() const { return F.FPlayerCommands->RepeatSB(); }
  TBitBtn* OneStop() const { return F.FPlayerCommands->OneStop(); }
  TBitBtn* ProgView() const { return F.FPlayerCommands->ProgView(); }
  TBitBtn* TempPause() const { return F.FPlayerCommands->TempPause(); }
  TBitBtn* TempGo() const { return F.FPlayerCommands->TempGo(); }
  TMenuItem* Music1() const { return F.FPlayerCommands->Music1(); }
  TSpeedButton* ToolsLeft() const { return F.FToolsLeft; }
  TSpeedButton* ToolsRight() const { return F.FToolsRight; }
  TPanel* DBPanel() const { return F.FDBPanel; }
  TBitBtn* EditCat() const { return F.FEditCat; }
  TBitBtn* MailTitle() const { return F.FMailTitle; }
  TBitBtn* Archive() const { return F.FArchive; }
  TBitBtn* ExportTitle() const { return F.FExportTitle; }
  TBitBtn* PrintCat() const { return F.FPrintCat; }
  TBitBtn* TrashCat() const { return F.FTrashCat; }
  TPanel* Panel4() const { return F.FPanel4; }
  TPanel* WebPanel() const { return F.FWebPanel; }
  TPanel* GetMIDIsPanel() const { return F.FGetMIDIsPanel; }
  TBitBtn* NewAlb() const { return F.FNewAlb; }
  TBitBtn* GetWeb() const { return F.FGetWeb; }
  TBitBtn* GetLocal() const { return F.FGetLocal; }
  TBitBtn* BitBtn1() const { return F.FBitBtn1; }
  TBitBtn* BitBtn2() const { return F.FBitBtn2; }
  TPanel* AlbPanel() const { return F.FAlbPanel; }
  TPanel* Separator() const { return F.FSeparator; }
  TPanel* CatPanel() const { return F.FCatPanel; }
  TExtPageControl* Albums() const { return F.FAlbums; }
  TExtListView* AllAlbLV() const { return F.FAllAlbLV; }
  TCheckBox* CheckBox1() const { return F.FCheckBox1; }
  TExtPageControl* Categories() const { return F.FCategories; }
  TMyStringGrid* AllCatGrid() const { return F.FAllCatGrid; }
  TPanel* AllCatPT() const { return F.FAllCatPT; }
  TPanel* MusicPanel() const { return F.FMusicPanel; }
  TStatusBar* StatusBar1() const { return F.FStatusBar1; }
  TExtProgressBar* ProgressBar1() const { return F.FProgressBar1; }
  TMenuItem* PlayT() const { return F.PlayCommands().PlayT(); }
  TMenuItem* PlayB() const { return F.PlayCommands().PlayB(); }
  TMenuItem* PlayR() const { return F.PlayCommands().PlayR(); }
  TMenuItem* Cancel1() const { return F.PlayCommands().Cancel1(); }
  TMenuItem* Edit2() const { return F.PlayCommands().Edit2(); }
  TMenuItem* Delete5() const { return F.PlayCommands().Delete5(); }
  TMenuItem* Mail4() const { return F.PlayCommands().Mail4(); }
  TMenuItem* Save2() const { return F.PlayCommands().Save2(); }
  TMenuItem* Category1() const { return F.FCategory1; }
  TMenuItem* Title2() const { return F.FTitle2; }
  TMenuItem* Duration1() const { return F.FDuration1; }
  TMenuItem* Category3() const { return F.FCategory3; }
  TMenuItem* Albumsummaryonly1() const { return F.FAlbumsummaryonly1; }
  TMenuItem* CategorySummaryOnly() const { return F.FCategorySummaryOnly; }
  TMenuItem* ViewCat1() const { return F.FViewCat1; }
  TMenuItem* Background2() const { return F.FBackground2; }
  TMenuItem* Fontcolor1() const { return F.FFontcolor1; }
  TPopupMenu* NewCatPopUp() const { return F.FNewCatPopUp; }
  TPopupMenu* AlbPopUp() const { return F.FAlbPopUp; }
  TMenuItem* Contextsensitive1() const { return F.FContextHelp->Contextsensitive1(); }
  TMenuItem* Viewhelpfile1() const { return F.FContextHelp->Viewhelpfile1(); }
  TMenuItem* Nosound1() const { return F.FContextHelp->Nosound1(); }
  TMenuItem* Email1() const { return F.FContextHelp->Email1(); }
  TMenuItem* Phone1() const { return F.FContextHelp->Phone1(); }
  TMenuItem* Web1() const { return F.FContextHelp->Web1(); }

  // State only tests look at, and commands they run.
  int StartupTimerRuns() const { return F.FStartupTimerRuns; }
  // One per main menu: File, View, Albums, Categories, Titles, the program, Options, Help.
  const std::vector<TCoolMenu*>& CoolMenus() const { return F.FCoolMenus; }
  // This start's command-line parameters, set before the window is shown.
  void SetParams(const std::vector<std::string>& value) { F.FParams = value; }
  bool RequestSeen() const { return F.FRequestSeen; }
  TMyMidi& MyMidi1() { return *F.FMyMidi; }
  TAlbList* AlbList() const { return F.FAlbList.get(); }
  // The working keys and where they came from.
  TStringList& DragList() { return F.FWorkingKeys.Keys(); }
  bool DragFromAlbums() const { return F.FWorkingKeys.FromAlbums(); }
  bool DragFromCategories() const { return F.FWorkingKeys.FromCategories(); }
  // The view in use and the keys selected in each area.
  bool AlbumsInUse() const { return F.FWorkingKeys.AlbumsInUse(); }
  bool CategoriesInUse() const { return F.FWorkingKeys.CategoriesInUse(); }
  const TStringList& SelectedCategoryKeys() const { return F.FWorkingKeys.CategorySelection(); }
  const TStringList& SelectedAlbumKeys() const { return F.FWorkingKeys.AlbumSelection(); }
  bool CommandsEnabled() const { return !F.CommandsDisabled(); }
  bool FirstRun() const { return F.FFirstRun; }
  bool ShowTools() const { return F.FLayout->ShowTools(); }
  bool FullScanDone() const { return F.FFullScanDone; }
  // The shell's "open" of a web page or mail address (the file-association unit's seam).
  TFileAssocCommands& AssocCommands() { return *F.FAssocCommands; }
  // The ProgView button's and "&View titles" command.
  void Viewtitles1Click(TObject* Sender) { F.Viewtitles1Click(Sender); }

private:
  TMasterFrm& F;
};

inline TMasterProbe Probe(TMasterFrm& frm) {
  return TMasterProbe(frm);
}
inline TMasterProbe Probe(TMasterFrm* frm) {
  return TMasterProbe(*frm);
}
