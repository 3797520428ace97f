// The layout of the main window's top area and catalogue area, the tool row and the splitter.
#pragma once
#include <windows.h>
#include <map>
#include <vector>
#include "Controls.h"

class TBitBtn;
class TCatalogueCommands;
class TControl;
class TMenuItem;
class TObject;
class TPanel;
class TPlayerCommands;
class TSpeedButton;
class TStatusBar;
class TVisualEffects;
class TWinControl;

// What the layout works with: the window whose client area it lays out, the player commands that
// place the slider, the visual effects that place their displays, and the view in use, whose
// change handler runs again once the tool row has changed.
struct TMainLayoutContext {
  TWinControl& Form;
  TPlayerCommands& PlayerCommands;
  TVisualEffects& VisualEffects;
  TCatalogueCommands& CatalogueCommands;
};

// The window's parts the layout places, and the View menu's switches it follows.
struct TMainLayoutParts {
  TPanel* TopPanel = nullptr;
  TPanel* Panel11 = nullptr;
  TSpeedButton* ToolsLeft = nullptr;
  TSpeedButton* ToolsRight = nullptr;
  TBitBtn* PlayReplace = nullptr;
  TBitBtn* Play = nullptr;
  TPanel* ListPanel = nullptr;
  TPanel* PlayPanel = nullptr;
  TPanel* SoundPanel = nullptr;
  TStatusBar* StatusBar1 = nullptr;
  TPanel* DBPanel = nullptr;
  TPanel* MusicPanel = nullptr;
  TBitBtn* EditCat = nullptr;
  TBitBtn* MailTitle = nullptr;
  TBitBtn* Archive = nullptr;
  TBitBtn* ExportTitle = nullptr;
  TBitBtn* PrintCat = nullptr;
  TBitBtn* TrashCat = nullptr;
  TPanel* Panel4 = nullptr;
  TPanel* WebPanel = nullptr;
  TPanel* GetMIDIsPanel = nullptr;
  TPanel* AlbPanel = nullptr;
  TPanel* Separator = nullptr;
  TPanel* CatPanel = nullptr;
  TMenuItem* Visualeffects1 = nullptr;
  TMenuItem* Showmusictoolbar1 = nullptr;
};

// The main window's layout.
class TMainLayout {
public:
  explicit TMainLayout(const TMainLayoutContext& context);
  // The parts it places, once the window has built them.
  void SetParts(const TMainLayoutParts& parts) { FParts = parts; }
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
  TMainLayoutContext FContext;
  TMainLayoutParts FParts;
  bool FShowTools = true;
  int FAlbPanelWidth = 200;
  // The splitter drag: start x, whether a band shows, and where.
  bool FSplitting = false, FBandShown = false;
  int FSplitStartX = 0;
  RECT FBand{};
  // The widths the row buttons were built with; a narrow window narrows them for a while.
  std::map<const TControl*, int> FBuiltWidths;
};
