// Drag and drop in the main window: what grids, tabs and album lines carry, and what a drop on a
// command button or an album does with it.
#include <windows.h>
#include "DragCommands.h"
#include "EditCommands.h"
#include "ExportCommands.h"
#include "MainCatalogue.h"
#include "MainPlay.h"
#include "MainServices.h"
#include "PlayRoad.h"
#include "PrintCommands.h"
#include "ProgramWide.h"
#include "WorkingKeys.h"
#include "DataCodeD2.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "HourGlass.h"
#include "MainViews.h"
#include "MyStringGrid.h"

void TDragCommands::WireDrags(const TDragParts& parts) {
  FParts = parts;
  HMODULE self = GetModuleHandleA(nullptr);
  if (HCURSOR one = LoadCursorA(self, "DRAGSINGLE")) Screen->SetCursors(crDrag, one);
  if (HCURSOR many = LoadCursorA(self, "DRAGMULTI")) Screen->SetCursors(crMultiDrag, many);

  // Sources. A left press on a tab or on an album line starts a drag once the mouse moves.
  for (TExtPageControl* tabs : {FParts.Categories, FParts.Albums}) {
    TMouseEvent prior = tabs->OnMouseDown;
    tabs->OnMouseDown = [tabs, prior](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      if (prior) prior(s, b, sh, x, y);
      if (b == mbLeft && !sh.Contains(ssDouble) && tabs->TabIndexAt({x, y}) >= 0)
        BeginDrag(tabs, false);
    };
    tabs->OnStartDrag = [this, tabs](TObject* s) { DragStarts(s, tabs == FParts.Albums); };
    tabs->OnEndDrag = [this](TObject*, TObject*, int, int) { FContext.Keys.Clear(); };
  }
  TMouseEvent listDown = FParts.AllAlbLV->OnMouseDown;
  FParts.AllAlbLV->OnMouseDown = [this, listDown](TObject* s, TMouseButton b, TShiftState sh, int x,
                                                  int y) {
    if (listDown) listDown(s, b, sh, x, y);
    if (b == mbLeft && !sh.Contains(ssDouble) && FParts.AllAlbLV->GetItemAt(x, y))
      BeginDrag(FParts.AllAlbLV, false);
  };
  FParts.AllAlbLV->OnStartDrag = [this](TObject* s) { DragStarts(s, true); };
  FParts.AllAlbLV->OnEndDrag = [this](TObject*, TObject*, int, int) { FContext.Keys.Clear(); };
  WireGridDrags(*FParts.AllCatGrid, false);
  for (auto* area :
       {&FContext.Catalogue.CategoryArea().OnNewGrid, &FContext.Catalogue.AlbumArea().OnNewGrid}) {
    std::function<void(TMyStringGrid&)> prior = *area;
    bool albums = area == &FContext.Catalogue.AlbumArea().OnNewGrid;
    *area = [this, prior, albums](TMyStringGrid& g) {
      if (prior) prior(g);
      WireGridDrags(g, albums);
    };
  }

  // Targets: the command buttons (a click on them only offers itself to context help) and the
  // album lines.
  // A click shows nothing, so each says what a drop on it does.
  const std::pair<TBitBtn*, const char*> hints[] = {
      {FParts.Play, "Add music and play it last"},
      {FParts.PlayReplace, "Add music and play it first"},
      {FParts.EditCat,
       "Edit|Drop titles here to edit them, or a tab to rename its category or album"},
      {FParts.TrashCat,
       "Delete|Drop titles here to delete them (album rows leave their album only), or a "
       "tab or album to delete it"},
      {FParts.MailTitle, "Mail|Drop titles, a tab or an album here to mail them"},
      {FParts.ExportTitle, "Save|Drop titles, a tab or an album here to save them to disk"},
      {FParts.Archive, "Archive|Drop titles, a tab or an album here to archive them"},
      {FParts.PrintCat, "Print|Drop titles, a tab or an album here to print a list of them"}};
  for (auto [button, hint] : hints) {
    button->SetHint(hint);
    button->SetShowHint(true);
    button->OnClick = [](TObject*) {};
    button->OnDragOver = [this](TObject* s, TObject* src, int, int, TDragState, bool& accept) {
      accept = DropAccepted(s, src);
    };
    button->OnDragDrop = [this](TObject* s, TObject* src, int, int) { CommandDragDrop(s, src); };
  }
  FParts.AllAlbLV->OnDragOver = [this](TObject* s, TObject* src, int x, int y, TDragState,
                                       bool& accept) { AlbumDragOver(s, src, x, y, accept); };
  FParts.AllAlbLV->OnDragDrop = [this](TObject* s, TObject* src, int x, int y) {
    AlbumDragDrop(s, src, x, y);
  };
}

void TDragCommands::WireGridDrags(TMyStringGrid& grid, bool fromAlbums) {
  grid.OnStartDrag = [this, fromAlbums](TObject* s) { DragStarts(s, fromAlbums); };
  grid.OnEndDrag = [this](TObject*, TObject*, int, int) { FContext.Keys.Clear(); };
  if (fromAlbums) {
    // Titles from elsewhere join the album; the grid moves its own rows itself.
    grid.OnDragOver = [this](TObject* s, TObject* src, int x, int y, TDragState, bool& accept) {
      AlbumDragOver(s, src, x, y, accept);
    };
    grid.OnDragDrop = [this](TObject* s, TObject* src, int x, int y) {
      AlbumDragDrop(s, src, x, y);
    };
  }
  // A grid's own handlers may start a title and let messages run meanwhile; a drop then must not
  // free the page the grid stands on.
  TNotifyEvent dblClick = grid.OnDblClick;
  grid.OnDblClick = [this, dblClick](TObject* s) {
    TCountHold running(FContext.Pages.RunningHandlers());
    if (dblClick) dblClick(s);
  };
  TKeyEvent keyDown = grid.OnKeyDown;
  grid.OnKeyDown = [this, keyDown](TObject* s, WORD& key, TShiftState shift) {
    TCountHold running(FContext.Pages.RunningHandlers());
    if (keyDown) keyDown(s, key, shift);
  };
  TMouseEvent mouseUp = grid.OnMouseUp;
  grid.OnMouseUp = [this, mouseUp](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    TCountHold running(FContext.Pages.RunningHandlers());
    if (mouseUp) mouseUp(s, b, sh, x, y);
  };
}

TDragCommands::TDragFrom TDragCommands::DragFrom(const TObject* source) const {
  if (!source) return TDragFrom::None;
  if (source == FParts.Categories) return TDragFrom::CategoryTabs;
  if (source == FParts.Albums) return TDragFrom::AlbumTabs;
  if (source == FParts.AllAlbLV) return TDragFrom::AlbumList;
  auto* grid = dynamic_cast<const TMyStringGrid*>(source);
  return grid && grid->Owner() == &FContext.Owner ? TDragFrom::Grid : TDragFrom::None;
}

void TDragCommands::DragStarts(TObject* source, bool fromAlbums) {
  FContext.Keys.Clear();
  if (!FContext.Catalogue.CatList() || !FContext.Catalogue.AlbList()) return;
  switch (DragFrom(source)) {
  case TDragFrom::Grid:
    static_cast<TMyStringGrid*>(source)->GetSelectedKeys(FContext.Keys.Keys());
    break;
  case TDragFrom::CategoryTabs:
    if (TTuneGridView* grid = FContext.Catalogue.CatList()->ActiveGrid())
      grid->GetAllKeys(FContext.Keys.Keys());
    break;
  case TDragFrom::AlbumTabs:
    FContext.Catalogue.AlbList()->GetActiveAlbumKeys(FContext.Keys.Keys());
    break;
  case TDragFrom::AlbumList:
    FContext.Catalogue.AlbList()->GetSelectedKeys(FContext.Keys.Keys());
    break;
  case TDragFrom::None:
    return;
  }
  FContext.Keys.SetSource(fromAlbums, !fromAlbums);
  SetDragCursor(FContext.Keys.Keys().Count() > 1 ? crMultiDrag : crDrag);
}

bool TPageHold::Held() const {
  return FGridHandlersRunning > 0 || FRoad.StartInProgress() || FRoad.Program().Stepping();
}

bool TPageHold::CommandHeld() const {
  // A command that frees a page waits for the page's grid and the title start to be done.
  if (!Held()) return false;
  MessageBeep(MB_OK);
  return true;
}

bool TDragCommands::DropsHeld() const {
  return FContext.Window.Closed() || !StartUpDone || FContext.Window.CommandsDisabled() ||
         FContext.Window.Importing() || FContext.Pages.Held();
}

bool TDragCommands::DropAccepted(TObject* target, TObject* source) const {
  if (DragFrom(source) == TDragFrom::None || DropsHeld()) return false;
  if (!FContext.Keys.Ready()) return false;
  auto* control = dynamic_cast<TControl*>(target);
  return control && control->Enabled();
}

void TDragCommands::CommandDragDrop(TObject* target, TObject* source) {
  if (!DropAccepted(target, source)) return;
  const TDragFrom from = DragFrom(source);
  const bool grid = from == TDragFrom::Grid;
  TStringList keys;
  keys.AddStrings(FContext.Keys.Keys());
  // The keys are spent however the command ends.
  TScopeExit spent([this] { FContext.Keys.Clear(); });
  if (target == FParts.Play) {
    FContext.PlayCommands.PlayBClick(target);
  } else if (target == FParts.PlayReplace) {
    FContext.PlayCommands.PlayTClick(target);
  } else if (target == FParts.EditCat) {
    if (grid)
      FContext.EditCommands.EditTitles(keys);
    else if (from == TDragFrom::CategoryTabs)
      FContext.EditCommands.Renamealbum2Click(target); // nothing on "ALL CATEGORIES"
    else
      FContext.EditCommands.Rename1Click(target);
  } else if (target == FParts.TrashCat) {
    if (grid && FContext.Keys.FromCategories()) {
      FContext.EditCommands.Delete1Click(target);
    } else if (grid) {
      // The grid cleared its selection as the drag left it; the question is about those rows.
      static_cast<TMyStringGrid*>(source)->RestoreSelection();
      FContext.EditCommands.Titlesselected3Click(target);
    } else if (from == TDragFrom::CategoryTabs) {
      // Asks for the all-titles page's notice before any question about deleting a category.
      FContext.EditCommands.Activecategory1Click(target);
    } else {
      FContext.EditCommands.Albumselected3Click(target);
    }
  } else if (target == FParts.MailTitle) {
    FContext.ExportCommands.MailTitles(keys);
  } else if (target == FParts.ExportTitle) {
    FContext.ExportCommands.SaveTitlesToDisk(keys);
  } else if (target == FParts.Archive) {
    FContext.ExportCommands.ArchiveTitles(keys);
  } else if (target == FParts.PrintCat) {
    if (grid) {
      // Rows print as the Titles menu prints a selection of their area.
      FContext.PrintCommands.PrintTitlesOf(keys, FContext.Keys.FromAlbums());
    } else if (from == TDragFrom::CategoryTabs) {
      if (FParts.Categories->ActivePageIndex() <= 0)
        FContext.PrintCommands.Allcategories5Click(target);
      else
        FContext.PrintCommands.Categoryselected1Click(target);
    } else {
      FContext.PrintCommands.Albumselected5Click(target);
    }
  }
}

bool TDragCommands::DragCarriesAlbum(int index) const {
  if (index < 0 || index >= FContext.Catalogue.AlbList()->Count()) return false;
  if (FParts.Albums->ActivePageIndex() > 0)
    return index == FContext.Catalogue.AlbList()->ActiveIndex();
  TAlbumView* view = FContext.Catalogue.AlbList()->Items(index).View;
  for (TAlbumView* line : FContext.Catalogue.AlbumArea().SelectedLines())
    if (line == view) return true;
  return false;
}

void TDragCommands::AlbumDragOver(TObject* target, TObject* source, int x, int y,
                                  bool& accept) const {
  accept = DropAccepted(target, source);
  // Album lines or tabs dropped on an album they carry would only double its titles.
  TDragFrom from = DragFrom(source);
  if (accept && (from == TDragFrom::AlbumTabs || from == TDragFrom::AlbumList))
    accept = !DragCarriesAlbum(FContext.Catalogue.AlbList()->DropTargetIndex(target, x, y));
}

void TDragCommands::AlbumDragDrop(TObject* target, TObject* source, int x, int y) {
  bool accept = false;
  AlbumDragOver(target, source, x, y, accept);
  if (!accept) return;
  TStringList keys;
  keys.AddStrings(FContext.Keys.Keys());
  FContext.Keys.Clear();
  FContext.Catalogue.AlbList()->AddTitlesToAlbum(target, x, y, keys);
}

TDragCommands::TDragCommands(const TDragContext& context) : FContext(context) {}

TDragCommands::~TDragCommands() = default;
