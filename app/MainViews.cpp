// The main window's catalogue pages and grids behind the store's view interfaces, and the store
// behind the play road's.
#include "MainViews.h"
#include <windows.h>
#include "Forms.h"

std::vector<TTuneRec> TGridView::TuneRecords() const {
  std::vector<TTuneRec> out;
  for (int row = 1; row < FGrid->RowCount(); ++row) {
    TTuneRec rec;
    if (FGrid->GetTuneRecord(row, rec)) out.push_back(rec);
  }
  return out;
}

TBitBtn* NewBitBtn(TComponent* owner, TWinControl* parent, const std::string& name,
                   const std::string& caption, int width) {
  auto* b = new TBitBtn(owner);
  b->SetName(name);
  b->SetCaption(caption);
  b->SetBounds(0, 0, width, 25);
  b->SetParent(parent);
  return b;
}

void SetupGridColumns(TMyStringGrid& grid, std::initializer_list<const char*> names,
                      std::initializer_list<int> centred) {
  TStringList headers;
  for (const char* n : names)
    headers.Add(n);
  grid.SetColumnHeaders(&headers);
  for (int col : centred)
    grid.SetColumnCentered(col, true);
  // Until titles fill them, the columns are as wide as their headings need.
  grid.FitAllColumns();
}

void TGridView::Focus() {
  try {
    // In a window the user is not working in, the grid only becomes that window's focused
    // control: taking the focus would pull the window over the one in use (the mail window).
    TForm* form = GetParentForm(FGrid);
    if (form && form->HandleAllocated() && GetActiveWindow() != form->Handle()) {
      form->SetActiveControl(FGrid);
      return;
    }
    if (FGrid->CanFocus()) FGrid->SetFocus();
  } catch (const Exception&) {
    // A grid that cannot take the focus now keeps it where it is.
  }
}

TTunePage::TTunePage(TComponent* owner, TPageControl* pages, const std::string& caption, bool album,
                     TExtProgressBar* progress)
    : FSheet(new TTabSheet(owner)), FSummary(new TPanel(owner)),
      FView(new TMyStringGrid(owner), progress) {
  // Captioned first: the tab comes in with its text, not blank and then renamed.
  FSheet->SetCaption(caption);
  FSheet->SetPageControl(pages);
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
    // The album panel is narrow: the durations stay in sight beside long titles.
    grid->KeepLastColumnInView = true;
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
  auto page = std::make_unique<TTunePage>(FOwner, FPages, trimmed + "   ", false, FProgress);
  FPages->TabHints().Add("View all \"" + trimmed + "\" titles");
  if (OnNewGrid) OnNewGrid(*page->GridControl());
  FPageViews.push_back(std::move(page));
  return FPageViews.back().get();
}

TTunePage* TMainCategoryArea::PageOf(const TCategoryView* view) const {
  for (auto& p : FPageViews)
    if (static_cast<const TCategoryView*>(p.get()) == view) return p.get();
  return nullptr;
}

int TMainCategoryArea::PageIndexOf(const TCategoryView* view) const {
  TTunePage* p = PageOf(view);
  return p ? p->Sheet()->PageIndex() : -1;
}

void TMainCategoryArea::RelabelCategoryPage(TCategoryView* view, const std::string& caption,
                                            const std::string& hint) {
  TTunePage* p = PageOf(view);
  if (!p) return;
  p->Sheet()->SetCaption(caption);
  int index = p->Sheet()->PageIndex();
  if (index >= 0 && index < FPages->TabHints().Count()) FPages->TabHints().SetStrings(index, hint);
}

void TMainCategoryArea::DeleteCategoryPage(TCategoryView* view) {
  for (size_t i = 0; i < FPageViews.size(); ++i) {
    TTunePage* p = FPageViews[i].get();
    if (static_cast<TCategoryView*>(p) != view) continue;
    int index = p->Sheet()->PageIndex();
    if (index >= 0 && index < FPages->TabHints().Count()) FPages->TabHints().Delete(index);
    delete p->Sheet(); // with its grid and summary line
    FPageViews.erase(FPageViews.begin() + i);
    return;
  }
}

TAlbumView* TMainAlbumArea::CreateAlbumPage(const std::string& name, int32_t) {
  auto page = std::make_unique<TTunePage>(FOwner, FPages, Trim(name) + "     ", true, nullptr);
  // Picture 0: the album picture of the list's image lists. A new album holds no titles, and
  // its line says so at once, as its summary will.
  TListItem& line = FList->AddItem(name, {IntToStr(0), SummaryDurationText(0), ""}, 0);
  page->SetListItem(&line);
  if (OnNewGrid) OnNewGrid(*page->GridControl());
  FPageViews.push_back(std::move(page));
  return FPageViews.back().get();
}

TTunePage* TMainAlbumArea::PageOf(const TAlbumView* view) const {
  for (auto& p : FPageViews)
    if (static_cast<const TAlbumView*>(p.get()) == view) return p.get();
  return nullptr;
}

int TMainAlbumArea::PageIndexOf(const TAlbumView* view) const {
  TTunePage* p = PageOf(view);
  return p ? p->Sheet()->PageIndex() : -1;
}

std::vector<TAlbumView*> TMainAlbumArea::SelectedLines() const {
  std::vector<TAlbumView*> out;
  for (int i = 0; i < FList->ItemCount(); ++i) {
    TListItem& item = FList->Items(i);
    if (!item.Selected()) continue;
    for (auto& p : FPageViews)
      if (p->ListItem() == &item) out.push_back(p.get());
  }
  return out;
}

TAlbumView* TMainAlbumArea::ViewAtLine(int x, int y) {
  TListItem* item = FList->GetItemAt(x, y);
  for (auto& p : FPageViews)
    if (item && p->ListItem() == item) return p.get();
  return nullptr;
}

void TMainAlbumArea::FocusSummaryList() {
  try {
    if (FList->CanFocus()) FList->SetFocus();
  } catch (const Exception&) {
    // Not focusable now: the focus stays where it is.
  }
}

void TMainAlbumArea::RelabelAlbumPage(TAlbumView* view, const std::string& tabCaption,
                                      const std::string& lineCaption) {
  TTunePage* p = PageOf(view);
  if (!p) return;
  p->Sheet()->SetCaption(tabCaption);
  if (p->ListItem()) p->ListItem()->SetCaption(lineCaption);
}

void TMainAlbumArea::ShowAlbumPage(TAlbumView* view) {
  TTunePage* p = PageOf(view);
  if (!p) return;
  p->Sheet()->SetTabVisible(true);
  FPages->SetActivePage(p->Sheet());
}

void TMainAlbumArea::DeleteAlbumPage(TAlbumView* view) {
  for (size_t i = 0; i < FPageViews.size(); ++i) {
    TTunePage* p = FPageViews[i].get();
    if (static_cast<TAlbumView*>(p) != view) continue;
    if (p->ListItem()) FList->DeleteItem(*p->ListItem());
    delete p->Sheet(); // with its grid and summary line
    FPageViews.erase(FPageViews.begin() + i);
    FPages->Invalidate();
    return;
  }
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
