// Drag and drop in the main window: what grids, tabs and album lines carry, and what a drop on a
// command button or an album does with it.
#pragma once

class TBitBtn;
class TExtListView;
class TExtPageControl;
class TMasterFrm;
class TMyStringGrid;
class TObject;

// The window's parts drags start from and drop on.
struct TDragParts {
  TExtPageControl*& Categories;
  TExtPageControl*& Albums;
  TExtListView*& AllAlbLV;
  TMyStringGrid*& AllCatGrid;
  TBitBtn*& Play;
  TBitBtn*& PlayReplace;
  TBitBtn*& EditCat;
  TBitBtn*& TrashCat;
  TBitBtn*& MailTitle;
  TBitBtn*& ExportTitle;
  TBitBtn*& Archive;
  TBitBtn*& PrintCat;
};

// The main window's drag and drop.
class TDragCommands {
public:
  TDragCommands(TMasterFrm& frm, TDragParts parts);
  ~TDragCommands();
  TDragCommands(const TDragCommands&) = delete;
  TDragCommands& operator=(const TDragCommands&) = delete;

  // Rows of the grids, the tabs of both areas and the album
  // lines carry their keys onto the command buttons and onto the albums. While this holds a drop
  // is refused and runs nothing: busy, a title starting, or a grid's own handler running (a drop
  // could free the page under it).
  bool DropsHeld() const;

  // A grid's handler is still on the stack or a title is starting: its page must not go.
  bool PagesHeld() const;
  bool PageCommandHeld() const; // beeps when held

  // What a drag started from.
  enum class TDragFrom { None, Grid, CategoryTabs, AlbumTabs, AlbumList };

  // Makes the grids, the tabs and the album lines sources, and the command buttons and the album
  // lines targets.
  void WireDrags();
  void WireGridDrags(TMyStringGrid& grid, bool fromAlbums);
  TDragFrom DragFrom(const TObject* source) const;
  void DragStarts(TObject* source, bool fromAlbums);
  bool DropAccepted(TObject* target, TObject* source) const;
  bool DragCarriesAlbum(int index) const;
  void CommandDragDrop(TObject* target, TObject* source);
  void AlbumDragOver(TObject* target, TObject* source, int x, int y, bool& accept) const;
  void AlbumDragDrop(TObject* target, TObject* source, int x, int y);

private:
  TMasterFrm& FFrm;
  TDragParts FParts;
  int FGridHandlersRunning = 0;
};
