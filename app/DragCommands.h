// Drag and drop in the main window: what grids, tabs and album lines carry, and what a drop on a
// command button or an album does with it.
#pragma once

class TBitBtn;
class TComponent;
class TEditCommands;
class TExportCommands;
class TExtListView;
class TExtPageControl;
class TMainCatalogue;
class TMainServices;
class TMyStringGrid;
class TObject;
class TPlayCommands;
class TPlayRoad;
class TPrintCommands;
class TWorkingKeys;

// Whether a command that frees a category or album page must wait: a grid's own handler is still
// on the stack (it may start a title and let messages run meanwhile), or a title is starting or
// the program steps. The drag and the editing commands share one.
class TPageHold {
public:
  explicit TPageHold(TPlayRoad& road) : FRoad(road) {}
  // A grid's handler counts itself in for its run (with TCountHold).
  int& RunningHandlers() { return FGridHandlersRunning; }
  bool Held() const;
  // Held, with a beep for the command that waits.
  bool CommandHeld() const;

private:
  TPlayRoad& FRoad;
  int FGridHandlersRunning = 0;
};

// What the drags work with: the window's busy and closing state, the owner of the grids (a drag
// from a grid of its own carries keys), the catalogue, the working keys, the hold on the pages,
// and the groups whose commands a drop runs.
struct TDragContext {
  TMainServices& Window;
  TComponent& Owner;
  const TMainCatalogue& Catalogue;
  TWorkingKeys& Keys;
  TPageHold& Pages;
  TEditCommands& EditCommands;
  TPlayCommands& PlayCommands;
  TExportCommands& ExportCommands;
  TPrintCommands& PrintCommands;
};

// The window's parts drags start from and drop on.
struct TDragParts {
  TExtPageControl* Categories = nullptr;
  TExtPageControl* Albums = nullptr;
  TExtListView* AllAlbLV = nullptr;
  TMyStringGrid* AllCatGrid = nullptr;
  TBitBtn* Play = nullptr;
  TBitBtn* PlayReplace = nullptr;
  TBitBtn* EditCat = nullptr;
  TBitBtn* TrashCat = nullptr;
  TBitBtn* MailTitle = nullptr;
  TBitBtn* ExportTitle = nullptr;
  TBitBtn* Archive = nullptr;
  TBitBtn* PrintCat = nullptr;
};

// The main window's drag and drop.
class TDragCommands {
public:
  explicit TDragCommands(const TDragContext& context);
  ~TDragCommands();
  TDragCommands(const TDragCommands&) = delete;
  TDragCommands& operator=(const TDragCommands&) = delete;

  // Rows of the grids, the tabs of both areas and the album
  // lines carry their keys onto the command buttons and onto the albums. While this holds a drop
  // is refused and runs nothing: busy, a title starting, or a grid's own handler running (a drop
  // could free the page under it).
  bool DropsHeld() const;

  // What a drag started from.
  enum class TDragFrom { None, Grid, CategoryTabs, AlbumTabs, AlbumList };

  // Makes the grids, the tabs and the album lines sources, and the command buttons and the album
  // lines targets.
  void WireDrags(const TDragParts& parts);
  void WireGridDrags(TMyStringGrid& grid, bool fromAlbums);
  TDragFrom DragFrom(const TObject* source) const;
  void DragStarts(TObject* source, bool fromAlbums);
  bool DropAccepted(TObject* target, TObject* source) const;
  bool DragCarriesAlbum(int index) const;
  void CommandDragDrop(TObject* target, TObject* source);
  void AlbumDragOver(TObject* target, TObject* source, int x, int y, bool& accept) const;
  void AlbumDragDrop(TObject* target, TObject* source, int x, int y);

private:
  TDragContext FContext;
  TDragParts FParts;
};
