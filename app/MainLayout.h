// The layout of the main window's top area and catalogue area, the tool row and the splitter.
#pragma once
#include <windows.h>
#include <map>
#include <vector>
#include "Controls.h"

class TBitBtn;
class TControl;
class TMasterFrm;
class TMenuItem;
class TMMSlider;
class TObject;
class TPanel;
class TPlayerCommands;
class TSpeedButton;
class TStatusBar;
class TVisualEffects;

// The window's parts the layout places, and the View menu's switches it follows.
struct TMainLayoutParts {
  TPanel*& TopPanel;
  TPanel*& Panel11;
  TSpeedButton*& ToolsLeft;
  TSpeedButton*& ToolsRight;
  TBitBtn*& PlayReplace;
  TBitBtn*& Play;
  TPanel*& ListPanel;
  TPanel*& PlayPanel;
  TPanel*& SoundPanel;
  TStatusBar*& StatusBar1;
  TPanel*& DBPanel;
  TPanel*& MusicPanel;
  TBitBtn*& EditCat;
  TBitBtn*& MailTitle;
  TBitBtn*& Archive;
  TBitBtn*& ExportTitle;
  TBitBtn*& PrintCat;
  TBitBtn*& TrashCat;
  TPanel*& Panel4;
  TPanel*& WebPanel;
  TPanel*& GetMIDIsPanel;
  TPanel*& AlbPanel;
  TPanel*& Separator;
  TPanel*& CatPanel;
  TMenuItem*& Visualeffects1;
  TMenuItem*& Showmusictoolbar1;
};

// The main window's layout.
class TMainLayout {
public:
  TMainLayout(TMasterFrm& frm, const TMainLayoutParts& parts, TPlayerCommands& player,
              TVisualEffects& visualEffects);
  ~TMainLayout();
  TMainLayout(const TMainLayout&) = delete;
  TMainLayout& operator=(const TMainLayout&) = delete;

  // Lays out the catalogue area and the top area (FormResize runs it).
  void LayoutAreas();
  void LayoutTopArea();
  void LayoutCatalogueArea();

  // A button's width as built, at least what its caption and picture need.
  int NaturalWidth(TControl* control);
  // Whether the tool row shows.
  bool ShowTools() const { return FShowTools; }
  void SetShowTools(bool value);

  // The tool buttons and "&Show music toolbar": tool row off, on, music panel in front, and back.
  void ToolsLeftClick(TObject* Sender);
  void UpdateToggleCaptions();

  // The splitter between the album and category panels; each keeps at least SplitterMinimum.
  static constexpr int SplitterMinimum = 140;
  void SetAlbPanelWidth(int value);
  void SeparatorMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void SeparatorMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void SeparatorMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

  // The screen rectangle of the splitter's band while it is dragged (empty when none shows).
  RECT SplitterBand() const { return FBand; }

private:
  // The commands that titles are dropped on: in the catalogue area's row with the tool row, in
  // the top area beside the display without it.
  std::vector<TControl*> StayingCommands() const;
  // Without the tool row places them in the top area with their right edge at right; answers
  // their left edge (right with the tool row).
  int PlaceStayingCommands(int right);
  TMasterFrm& FFrm;
  TMainLayoutParts FParts;
  TPlayerCommands& FPlayer;
  TVisualEffects& FVisualEffects;
  bool FShowTools = true;
  int FAlbPanelWidth = 200;
  // The splitter drag: start x, whether a band shows, and where.
  bool FSplitting = false, FBandShown = false;
  int FSplitStartX = 0;
  RECT FBand{};
  // The widths the row buttons were built with; a narrow window narrows them for a while.
  std::map<const TControl*, int> FBuiltWidths;
};
