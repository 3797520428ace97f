// Drag and drop in the main window: what grids, tabs and album lines carry, and what a drop on a
// command button or an album does with it.
#include <windows.h>
#include "MainCodeD2.h"
#include "DragCommands.h"
#include "MainPlay.h"
#include "ExportCommands.h"
#include "EditCommands.h"
#include "PrintCommands.h"
#include "DataCodeD2.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "HourGlass.h"
#include "MainViews.h"
#include "MyStringGrid.h"

void TDragCommands::WireDrags() {
  HMODULE self = GetModuleHandleA(nullptr);
  if (HCURSOR one = LoadCursorA(self, "DRAGSINGLE")) Screen->SetCursors(crDrag, one);
  if (HCURSOR many = LoadCursorA(self, "DRAGMULTI")) Screen->SetCursors(crMultiDrag, many);

  // Sources. A left press on a tab or on an album line starts a drag once the mouse moves.
  for (TExtPageControl* tabs : {FFrm.FCategories, FFrm.FAlbums}) {
    TMouseEvent prior = tabs->OnMouseDown;
    tabs->OnMouseDown = [tabs, prior](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      if (prior) prior(s, b, sh, x, y);
      if (b == mbLeft && !sh.Contains(ssDouble) && tabs->TabIndexAt({x, y}) >= 0)
        BeginDrag(tabs, false);
    };
    tabs->OnStartDrag = [this, tabs](TObject* s) { DragStarts(s, tabs == FFrm.FAlbums); };
    tabs->OnEndDrag = [this](TObject*, TObject*, int, int) { FFrm.WorkingKeys().Clear(); };
  }
  TMouseEvent listDown = FFrm.FAllAlbLV->OnMouseDown;
  FFrm.FAllAlbLV->OnMouseDown = [this, listDown](TObject* s, TMouseButton b, TShiftState sh, int x,
                                                 int y) {
    if (listDown) listDown(s, b, sh, x, y);
    if (b == mbLeft && !sh.Contains(ssDouble) && FFrm.FAllAlbLV->GetItemAt(x, y))
      BeginDrag(FFrm.FAllAlbLV, false);
  };
  FFrm.FAllAlbLV->OnStartDrag = [this](TObject* s) { DragStarts(s, true); };
  FFrm.FAllAlbLV->OnEndDrag = [this](TObject*, TObject*, int, int) { FFrm.WorkingKeys().Clear(); };
  WireGridDrags(*FFrm.FAllCatGrid, false);
  for (auto* area : {&FFrm.FCategoryArea->OnNewGrid, &FFrm.FAlbumArea->OnNewGrid}) {
    std::function<void(TMyStringGrid&)> prior = *area;
    bool albums = area == &FFrm.FAlbumArea->OnNewGrid;
    *area = [this, prior, albums](TMyStringGrid& g) {
      if (prior) prior(g);
      WireGridDrags(g, albums);
    };
  }

  // Targets: the command buttons (a click on them only offers itself to context help) and the
  // album lines.
  // A click shows nothing, so each says what a drop on it does.
  const std::pair<TBitBtn*, const char*> hints[] = {
      {FFrm.FPlay, "Add music and play it last"},
      {FFrm.FPlayReplace, "Add music and play it first"},
      {FFrm.FEditCat,
       "Edit|Drop titles here to edit them, or a tab to rename its category or album"},
      {FFrm.FTrashCat,
       "Delete|Drop titles here to delete them (album rows leave their album only), or a "
       "tab or album to delete it"},
      {FFrm.FMailTitle, "Mail|Drop titles, a tab or an album here to mail them"},
      {FFrm.FExportTitle, "Save|Drop titles, a tab or an album here to save them to disk"},
      {FFrm.FArchive, "Archive|Drop titles, a tab or an album here to archive them"},
      {FFrm.FPrintCat, "Print|Drop titles, a tab or an album here to print a list of them"}};
  for (auto [button, hint] : hints) {
    button->SetHint(hint);
    button->SetShowHint(true);
    button->OnClick = [](TObject*) {};
    button->OnDragOver = [this](TObject* s, TObject* src, int, int, TDragState, bool& accept) {
      accept = DropAccepted(s, src);
    };
    button->OnDragDrop = [this](TObject* s, TObject* src, int, int) { CommandDragDrop(s, src); };
  }
  FFrm.FAllAlbLV->OnDragOver = [this](TObject* s, TObject* src, int x, int y, TDragState,
                                      bool& accept) { AlbumDragOver(s, src, x, y, accept); };
  FFrm.FAllAlbLV->OnDragDrop = [this](TObject* s, TObject* src, int x, int y) {
    AlbumDragDrop(s, src, x, y);
  };
}

void TDragCommands::WireGridDrags(TMyStringGrid& grid, bool fromAlbums) {
  grid.OnStartDrag = [this, fromAlbums](TObject* s) { DragStarts(s, fromAlbums); };
  grid.OnEndDrag = [this](TObject*, TObject*, int, int) { FFrm.WorkingKeys().Clear(); };
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
    TCountHold running(FGridHandlersRunning);
    if (dblClick) dblClick(s);
  };
  TKeyEvent keyDown = grid.OnKeyDown;
  grid.OnKeyDown = [this, keyDown](TObject* s, WORD& key, TShiftState shift) {
    TCountHold running(FGridHandlersRunning);
    if (keyDown) keyDown(s, key, shift);
  };
  TMouseEvent mouseUp = grid.OnMouseUp;
  grid.OnMouseUp = [this, mouseUp](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    TCountHold running(FGridHandlersRunning);
    if (mouseUp) mouseUp(s, b, sh, x, y);
  };
}

TDragCommands::TDragFrom TDragCommands::DragFrom(const TObject* source) const {
  if (!source) return TDragFrom::None;
  if (source == FFrm.FCategories) return TDragFrom::CategoryTabs;
  if (source == FFrm.FAlbums) return TDragFrom::AlbumTabs;
  if (source == FFrm.FAllAlbLV) return TDragFrom::AlbumList;
  auto* grid = dynamic_cast<const TMyStringGrid*>(source);
  return grid && grid->Owner() == &FFrm ? TDragFrom::Grid : TDragFrom::None;
}

void TDragCommands::DragStarts(TObject* source, bool fromAlbums) {
  FFrm.WorkingKeys().Clear();
  if (!FFrm.FCatList || !FFrm.FAlbList) return;
  switch (DragFrom(source)) {
  case TDragFrom::Grid:
    static_cast<TMyStringGrid*>(source)->GetSelectedKeys(FFrm.WorkingKeys().Keys());
    break;
  case TDragFrom::CategoryTabs:
    if (TTuneGridView* grid = FFrm.FCatList->ActiveGrid())
      grid->GetAllKeys(FFrm.WorkingKeys().Keys());
    break;
  case TDragFrom::AlbumTabs:
    FFrm.FAlbList->GetActiveAlbumKeys(FFrm.WorkingKeys().Keys());
    break;
  case TDragFrom::AlbumList:
    FFrm.FAlbList->GetSelectedKeys(FFrm.WorkingKeys().Keys());
    break;
  case TDragFrom::None:
    return;
  }
  FFrm.WorkingKeys().SetSource(fromAlbums, !fromAlbums);
  SetDragCursor(FFrm.WorkingKeys().Keys().Count() > 1 ? crMultiDrag : crDrag);
}

bool TDragCommands::PagesHeld() const {
  return FGridHandlersRunning > 0 || FFrm.FRoad->StartInProgress() ||
         FFrm.FRoad->Program().Stepping();
}

bool TDragCommands::PageCommandHeld() const {
  // A command that frees a page waits for the page's grid and the title start to be done.
  if (!PagesHeld()) return false;
  MessageBeep(MB_OK);
  return true;
}

bool TDragCommands::DropsHeld() const {
  return FFrm.FClosed || !StartUpDone || FFrm.CommandsDisabled() || FFrm.FImportDepth > 0 ||
         PagesHeld();
}

bool TDragCommands::DropAccepted(TObject* target, TObject* source) const {
  if (DragFrom(source) == TDragFrom::None || DropsHeld()) return false;
  if (!FFrm.WorkingKeys().Ready()) return false;
  auto* control = dynamic_cast<TControl*>(target);
  return control && control->Enabled();
}

void TDragCommands::CommandDragDrop(TObject* target, TObject* source) {
  if (!DropAccepted(target, source)) return;
  const TDragFrom from = DragFrom(source);
  const bool grid = from == TDragFrom::Grid;
  TStringList keys;
  keys.AddStrings(FFrm.WorkingKeys().Keys());
  // The keys are spent however the command ends.
  TScopeExit spent([this] { FFrm.WorkingKeys().Clear(); });
  if (target == FFrm.FPlay) {
    FFrm.FPlayCommands->PlayBClick(target);
  } else if (target == FFrm.FPlayReplace) {
    FFrm.FPlayCommands->PlayTClick(target);
  } else if (target == FFrm.FEditCat) {
    if (grid)
      FFrm.FEditCommands->EditTitles(keys);
    else if (from == TDragFrom::CategoryTabs)
      FFrm.FEditCommands->Renamealbum2Click(target); // nothing on "ALL CATEGORIES"
    else
      FFrm.FEditCommands->Rename1Click(target);
  } else if (target == FFrm.FTrashCat) {
    if (grid && FFrm.WorkingKeys().FromCategories()) {
      FFrm.FEditCommands->Delete1Click(target);
    } else if (grid) {
      // The grid cleared its selection as the drag left it; the question is about those rows.
      static_cast<TMyStringGrid*>(source)->RestoreSelection();
      FFrm.FEditCommands->Titlesselected3Click(target);
    } else if (from == TDragFrom::CategoryTabs) {
      // Asks for the all-titles page's notice before any question about deleting a category.
      FFrm.FEditCommands->Activecategory1Click(target);
    } else {
      FFrm.FEditCommands->Albumselected3Click(target);
    }
  } else if (target == FFrm.FMailTitle) {
    FFrm.FExportCommands->MailTitles(keys);
  } else if (target == FFrm.FExportTitle) {
    FFrm.FExportCommands->SaveTitlesToDisk(keys);
  } else if (target == FFrm.FArchive) {
    FFrm.FExportCommands->ArchiveTitles(keys);
  } else if (target == FFrm.FPrintCat) {
    if (grid) {
      // Rows print as the Titles menu prints a selection of their area.
      FFrm.FPrintCommands->PrintTitlesOf(keys, FFrm.WorkingKeys().FromAlbums());
    } else if (from == TDragFrom::CategoryTabs) {
      if (FFrm.FCategories->ActivePageIndex() <= 0)
        FFrm.FPrintCommands->Allcategories5Click(target);
      else
        FFrm.FPrintCommands->Categoryselected1Click(target);
    } else {
      FFrm.FPrintCommands->Albumselected5Click(target);
    }
  }
}

bool TDragCommands::DragCarriesAlbum(int index) const {
  if (index < 0 || index >= FFrm.FAlbList->Count()) return false;
  if (FFrm.FAlbums->ActivePageIndex() > 0) return index == FFrm.FAlbList->ActiveIndex();
  TAlbumView* view = FFrm.FAlbList->Items(index).View;
  for (TAlbumView* line : FFrm.FAlbumArea->SelectedLines())
    if (line == view) return true;
  return false;
}

void TDragCommands::AlbumDragOver(TObject* target, TObject* source, int x, int y,
                                  bool& accept) const {
  accept = DropAccepted(target, source);
  // Album lines or tabs dropped on an album they carry would only double its titles.
  TDragFrom from = DragFrom(source);
  if (accept && (from == TDragFrom::AlbumTabs || from == TDragFrom::AlbumList))
    accept = !DragCarriesAlbum(FFrm.FAlbList->DropTargetIndex(target, x, y));
}

void TDragCommands::AlbumDragDrop(TObject* target, TObject* source, int x, int y) {
  bool accept = false;
  AlbumDragOver(target, source, x, y, accept);
  if (!accept) return;
  TStringList keys;
  keys.AddStrings(FFrm.WorkingKeys().Keys());
  FFrm.WorkingKeys().Clear();
  FFrm.FAlbList->AddTitlesToAlbum(target, x, y, keys);
}

TDragCommands::TDragCommands(TMasterFrm& frm) : FFrm(frm) {}

TDragCommands::~TDragCommands() = default;
