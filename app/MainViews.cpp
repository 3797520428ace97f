// The main window's catalogue pages and grids behind the store's view interfaces, and the store
// behind the play road's.
#include "MainViews.h"

std::vector<TTuneRec> TGridView::TuneRecords() const {
  std::vector<TTuneRec> out;
  for (int row = 1; row < FGrid->RowCount(); ++row) {
    TTuneRec rec;
    if (FGrid->GetTuneRecord(row, rec)) out.push_back(rec);
  }
  return out;
}

void SetupGridColumns(TMyStringGrid& grid, std::initializer_list<const char*> names,
                      std::initializer_list<int> centred) {
  TStringList headers;
  for (const char* n : names)
    headers.Add(n);
  grid.SetColumnHeaders(&headers);
  for (int col : centred)
    grid.SetColumnCentered(col, true);
}

TTunePage::TTunePage(TComponent* owner, TPageControl* pages, const std::string& caption, bool album)
    : FSheet(new TTabSheet(owner)), FSummary(new TPanel(owner)), FView(new TMyStringGrid(owner)) {
  FSheet->SetPageControl(pages);
  FSheet->SetCaption(caption);
  FSummary->SetParent(FSheet);
  FSummary->SetHeight(19);
  FSummary->SetAlign(alTop);
  FSummary->SetBevelOuter(bvNone);
  FSummary->SetCaption(album ? "0 titles  ---  0:00:00  ---  0kb"
                             : "0 titles  ---  0:00  ---  0kb");
  TMyStringGrid* grid = FView.Control();
  grid->SetParent(FSheet);
  grid->SetAlign(alClient);
  if (album) {
    grid->CanSort = false;
    grid->CanDragRows = true;
    grid->SetHint("|Right mouse click for pop-up menu");
    SetupGridColumns(*grid, {"Artist", "Title", "Duration"}, {2});
    grid->SetRowCount(2);
  } else {
    grid->CanSort = true;
    grid->CanDragRows = false;
    SetupGridColumns(
        *grid,
        {"Artist", "Title", "Duration", "Type", "Size", "Date stamp", "Origin", "Date obtained"},
        {2, 3, 4, 5, 7});
  }
}

void TTunePage::SetListLine(const std::string& titles, const std::string& duration) {
  if (!FListItem) return;
  FListItem->SetSubItem(0, titles);
  FListItem->SetSubItem(1, duration);
}

TCategoryView* TMainCategoryArea::CreateCategoryPage(const std::string& name, int32_t) {
  std::string trimmed = Trim(name);
  auto page = std::make_unique<TTunePage>(FOwner, FPages, trimmed + "   ", false);
  FPages->TabHints().Add("View all \"" + trimmed + "\" titles");
  if (OnNewGrid) OnNewGrid(*page->GridControl());
  FPageViews.push_back(std::move(page));
  return FPageViews.back().get();
}

TAlbumView* TMainAlbumArea::CreateAlbumPage(const std::string& name, int32_t) {
  auto page = std::make_unique<TTunePage>(FOwner, FPages, Trim(name) + "     ", true);
  page->SetListItem(&FList->AddItem(name, {"", "", ""}));
  if (OnNewGrid) OnNewGrid(*page->GridControl());
  FPageViews.push_back(std::move(page));
  return FPageViews.back().get();
}

TMyDB* TCatalogueStore::Store() const {
  return FModule && FModule->MyDB() && FModule->MyDB()->Loaded() ? FModule->MyDB() : nullptr;
}

bool TCatalogueStore::ExtractTuneData(const std::string& target, TTuneRec& rec, int key) {
  TMyDB* db = Store();
  return db && db->ExtractTuneData(target, rec, key);
}

bool TCatalogueStore::SetDuration(int seconds, int key) {
  TMyDB* db = Store();
  return db && db->SetDuration(seconds, key);
}

bool TCatalogueStore::DeleteTune(int key, bool updateCategory) {
  return Store() && FModule->DeleteTune(key, updateCategory);
}
