// The tests' way into a main window of their own process: its parts found by their names, and the
// state that only tests look at.
#pragma once
#include <string>
#include <vector>
#include "Buttons.h"
#include "CDPanel.h"
#include "Classes.h"
#include "ComCtrls.h"
#include "CoolMenu.h"
#include "DataCodeD2.h"
#include "ExtCtrls.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "ExtProgressBar.h"
#include "FileAssocCommands.h"
#include "MainCodeD2.h"
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
#include "StdCtrls.h"

// Made for one statement at a time, as in Probe(form).MusicPanel() or Probe(form).Item("Edit1").
class TMasterProbe {
public:
  explicit TMasterProbe(TMasterFrm& frm) : F(frm) {}

  // A part of the window by its name; null when it has none of that name and kind.
  template <class T> T* Part(const std::string& name) const {
    return dynamic_cast<T*>(F.FindComponent(name));
  }
  TMenuItem* Item(const std::string& name) const { return Part<TMenuItem>(name); }

  // The window's controls, timers and pop-ups.
  TMMWaveIn* MMWaveIn1() const { return Part<TMMWaveIn>("MMWaveIn1"); }
  TMMConnector* MMConnector2() const { return Part<TMMConnector>("MMConnector2"); }
  TMMLevel* MMLevel1() const { return Part<TMMLevel>("MMLevel1"); }
  TMMLevel* MMLevel2() const { return Part<TMMLevel>("MMLevel2"); }
  TMMSpectrum* MMSpectrum1() const { return Part<TMMSpectrum>("MMSpectrum1"); }
  TMMOscope* MMOscope2() const { return Part<TMMOscope>("MMOscope2"); }
  TMMSpectrogram* MMSpectrogram1() const { return Part<TMMSpectrogram>("MMSpectrogram1"); }
  TPopupMenu* visualPopUp() const { return Part<TPopupMenu>("visualPopUp"); }
  TPopupMenu* NewCatPopUp() const { return Part<TPopupMenu>("NewCatPopUp"); }
  TPopupMenu* AlbPopUp() const { return Part<TPopupMenu>("AlbPopUp"); }
  TTimer* Timer1() const { return Part<TTimer>("Timer1"); }
  TTimer* Timer2() const { return Part<TTimer>("Timer2"); }
  TMainMenu* MainMenu1() const { return Part<TMainMenu>("MainMenu1"); }
  TPanel* TopPanel() const { return Part<TPanel>("TopPanel"); }
  TPanel* Panel11() const { return Part<TPanel>("Panel11"); }
  TCDPanelP* CDPanel() const { return Part<TCDPanelP>("CDPanel"); }
  TMMSlider* MMSlider1() const { return Part<TMMSlider>("MMSlider1"); }
  TPanel* SelPanel() const { return Part<TPanel>("SelPanel"); }
  TBitBtn* PlayReplace() const { return Part<TBitBtn>("PlayReplace"); }
  TBitBtn* Play() const { return Part<TBitBtn>("Play"); }
  TPanel* ListPanel() const { return Part<TPanel>("ListPanel"); }
  TPanel* PlayPanel() const { return Part<TPanel>("PlayPanel"); }
  TPanel* SoundPanel() const { return Part<TPanel>("SoundPanel"); }
  TBitBtn* Back() const { return Part<TBitBtn>("Back"); }
  TBitBtn* PlayNext() const { return Part<TBitBtn>("PlayNext"); }
  TBitBtn* Shuffle() const { return Part<TBitBtn>("Shuffle"); }
  TBitBtn* MusicClear() const { return Part<TBitBtn>("MusicClear"); }
  TBitBtn* Pause() const { return Part<TBitBtn>("Pause"); }
  TBitBtn* AllStop() const { return Part<TBitBtn>("AllStop"); }
  TBitBtn* RepeatSB() const { return Part<TBitBtn>("RepeatSB"); }
  TBitBtn* OneStop() const { return Part<TBitBtn>("OneStop"); }
  TBitBtn* ProgView() const { return Part<TBitBtn>("ProgView"); }
  TBitBtn* TempPause() const { return Part<TBitBtn>("TempPause"); }
  TBitBtn* TempGo() const { return Part<TBitBtn>("TempGo"); }
  TSpeedButton* ToolsLeft() const { return Part<TSpeedButton>("ToolsLeft"); }
  TSpeedButton* ToolsRight() const { return Part<TSpeedButton>("ToolsRight"); }
  TPanel* DBPanel() const { return Part<TPanel>("DBPanel"); }
  TBitBtn* EditCat() const { return Part<TBitBtn>("EditCat"); }
  TBitBtn* MailTitle() const { return Part<TBitBtn>("MailTitle"); }
  TBitBtn* Archive() const { return Part<TBitBtn>("Archive"); }
  TBitBtn* ExportTitle() const { return Part<TBitBtn>("ExportTitle"); }
  TBitBtn* PrintCat() const { return Part<TBitBtn>("PrintCat"); }
  TBitBtn* TrashCat() const { return Part<TBitBtn>("TrashCat"); }
  TPanel* Panel4() const { return Part<TPanel>("Panel4"); }
  TPanel* WebPanel() const { return Part<TPanel>("WebPanel"); }
  TPanel* GetMIDIsPanel() const { return Part<TPanel>("GetMIDIsPanel"); }
  TBitBtn* NewAlb() const { return Part<TBitBtn>("NewAlb"); }
  TBitBtn* GetWeb() const { return Part<TBitBtn>("GetWeb"); }
  TBitBtn* GetLocal() const { return Part<TBitBtn>("GetLocal"); }
  TBitBtn* BitBtn1() const { return Part<TBitBtn>("BitBtn1"); }
  TBitBtn* BitBtn2() const { return Part<TBitBtn>("BitBtn2"); }
  TPanel* AlbPanel() const { return Part<TPanel>("AlbPanel"); }
  TPanel* Separator() const { return Part<TPanel>("Separator"); }
  TPanel* CatPanel() const { return Part<TPanel>("CatPanel"); }
  TExtPageControl* Albums() const { return Part<TExtPageControl>("Albums"); }
  TExtListView* AllAlbLV() const { return Part<TExtListView>("AllAlbLV"); }
  TCheckBox* CheckBox1() const { return Part<TCheckBox>("CheckBox1"); }
  TExtPageControl* Categories() const { return Part<TExtPageControl>("Categories"); }
  TMyStringGrid* AllCatGrid() const { return Part<TMyStringGrid>("AllCatGrid"); }
  TPanel* AllCatPT() const { return Part<TPanel>("AllCatPT"); }
  TPanel* MusicPanel() const { return Part<TPanel>("MusicPanel"); }
  TStatusBar* StatusBar1() const { return Part<TStatusBar>("StatusBar1"); }
  TExtProgressBar* ProgressBar1() const { return Part<TExtProgressBar>("ProgressBar1"); }

  // State only tests look at.
  int StartupTimerRuns() const { return F.StartupTimerRuns(); }
  // One per main menu: File, View, Albums, Categories, Titles, the program, Options, Help.
  const std::vector<TCoolMenu*>& CoolMenus() const { return F.CoolMenus(); }
  // This start's command-line parameters, set before the window is shown.
  void SetParams(const std::vector<std::string>& value) { F.SetParams(value); }
  bool RequestSeen() const { return F.RequestSeen(); }
  TMyMidi& MyMidi1() { return F.MyMidi(); }
  TAlbList* AlbList() const { return F.AlbList(); }
  // The working keys and where they came from.
  TStringList& DragList() { return F.WorkingKeys().Keys(); }
  bool DragFromAlbums() const { return F.WorkingKeys().FromAlbums(); }
  bool DragFromCategories() const { return F.WorkingKeys().FromCategories(); }
  // The view in use and the keys selected in each area.
  bool AlbumsInUse() const { return F.WorkingKeys().AlbumsInUse(); }
  bool CategoriesInUse() const { return F.WorkingKeys().CategoriesInUse(); }
  const TStringList& SelectedCategoryKeys() const { return F.WorkingKeys().CategorySelection(); }
  const TStringList& SelectedAlbumKeys() const { return F.WorkingKeys().AlbumSelection(); }
  bool CommandsEnabled() const { return !F.CommandsDisabled(); }
  bool FirstRun() const { return F.FirstRun(); }
  bool ShowTools() const { return F.Layout().ShowTools(); }
  bool FullScanDone() const { return F.FullScanDone(); }
  // The shell's "open" of a web page or mail address (the file-association unit's seam).
  TFileAssocCommands& AssocCommands() { return F.AssocCommands(); }
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
