// The main window's side of the catalogue: its grids, category and album pages as the store
// sees them, and the store as the play road sees it.
#pragma once
#include "CatalogueViews.h"
#include "ComCtrls.h"
#include "DataCodeD2.h"
#include "ExtCtrls.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "MyStringGrid.h"
#include "PlayRoad.h"
#include <functional>
#include <memory>
#include <vector>

// A drawn grid as the store fills it.
class TGridView : public TTuneGridView {
public:
  explicit TGridView(TMyStringGrid* grid) : FGrid(grid) {}
  TMyStringGrid* Control() const { return FGrid; }

  void BeginUpdate() override { FGrid->BeginUpdate(); }
  void EndUpdate() override { FGrid->EndUpdate(); }
  void SetRowCount(int count) override { FGrid->SetRowCount(count); }
  void SetTuneRow(const TTuneRec& rec, int row) override { FGrid->SetTuneRow(rec, row); }
  void AddTuneRow(const TTuneRec& rec, bool resort) override { FGrid->AddTuneRow(rec, resort); }
  void UpdateTuneRow(const TTuneRec& rec, bool resort) override {
    FGrid->UpdateTuneRow(rec, resort);
  }
  void RemoveTuneRow(int32_t key) override { FGrid->RemoveTuneRow(key); }
  void SortByColumn(int col) override { FGrid->SortByColumn(col); }
  void FitAllColumns() override { FGrid->FitAllColumns(); }
  void SelectFirstRow() override { FGrid->SelectFirstRow(); }
  void SetCanSort(bool value) override { FGrid->CanSort = value; }
  void SetCanDragRows(bool value) override { FGrid->CanDragRows = value; }
  int ColCount() const override { return FGrid->ColCount(); }
  int ColWidth(int col) const override { return FGrid->ColWidths(col); }
  void SetColWidth(int col, int width) override { FGrid->SetColWidths(col, width); }
  int TuneCount() const override { return FGrid->TuneCount(); }
  int64_t TotalSeconds() const override { return FGrid->TotalSeconds(); }
  int64_t TotalBytes() const override { return FGrid->TotalBytes(); }
  void AppendAlbumRow(const TTuneRec& rec) override { FGrid->AppendAlbumRow(rec); }
  int RefreshAlbumRows(const TTuneRec& rec) override { return FGrid->RefreshAlbumRows(rec); }
  int DeleteKeyRows(TStringList& keys) override { return FGrid->DeleteKeyRows(keys); }
  std::vector<TTuneRec> TuneRecords() const override;

private:
  TMyStringGrid* FGrid;
};

// A panel paints its caption itself, so a new text needs a repaint of its own.
inline void ShowPanelText(TPanel& panel, const std::string& text) {
  panel.SetCaption(text);
  panel.Invalidate();
}

// Sets a grid's column headers and the columns drawn centred.
void SetupGridColumns(TMyStringGrid& grid, std::initializer_list<const char*> names,
                      std::initializer_list<int> centred);

// One category or album page: its tab sheet, summary line and grid.
class TTunePage : public TCategoryView, public TAlbumView {
public:
  TTunePage(TComponent* owner, TPageControl* pages, const std::string& caption, bool album);
  TTuneGridView& Grid() override { return FView; }
  void SetSummary(const std::string& text) override { ShowPanelText(*FSummary, text); }
  void SetListLine(const std::string& titles, const std::string& duration) override;
  // The album's line in the album summary list (album pages only).
  void SetListItem(TListItem* item) { FListItem = item; }
  TTabSheet* Sheet() const { return FSheet; }
  TPanel* Summary() const { return FSummary; }
  TMyStringGrid* GridControl() const { return FView.Control(); }

private:
  TTabSheet* FSheet;
  TPanel* FSummary;
  TGridView FView;
  TListItem* FListItem = nullptr;
};

// The category pages: the all-titles page first, then one per category.
class TMainCategoryArea : public TCategoryArea {
public:
  TMainCategoryArea(TComponent* owner, TExtPageControl* pages, TMyStringGrid* all,
                    TPanel* allSummary)
      : FOwner(owner), FPages(pages), FAll(all), FAllSummary(allSummary) {}
  TTuneGridView& AllTitlesGrid() override { return FAll; }
  void SetAllTitlesSummary(const std::string& text) override { ShowPanelText(*FAllSummary, text); }
  TCategoryView* CreateCategoryPage(const std::string& name, int32_t key) override;
  // Each new page's grid gets the all-titles grid's handlers through this.
  std::function<void(TMyStringGrid&)> OnNewGrid;
  const std::vector<std::unique_ptr<TTunePage>>& Pages() const { return FPageViews; }

private:
  TComponent* FOwner;
  TExtPageControl* FPages;
  TGridView FAll;
  TPanel* FAllSummary;
  std::vector<std::unique_ptr<TTunePage>> FPageViews;
};

// The album pages: the album summary page first, then one per album.
class TMainAlbumArea : public TAlbumArea {
public:
  TMainAlbumArea(TComponent* owner, TExtPageControl* pages, TExtListView* list)
      : FOwner(owner), FPages(pages), FList(list) {}
  void InvalidateSummaryList() override { FList->Invalidate(); }
  TAlbumView* CreateAlbumPage(const std::string& name, int32_t key) override;
  std::function<void(TMyStringGrid&)> OnNewGrid;
  const std::vector<std::unique_ptr<TTunePage>>& Pages() const { return FPageViews; }

private:
  TComponent* FOwner;
  TExtPageControl* FPages;
  TExtListView* FList;
  std::vector<std::unique_ptr<TTunePage>> FPageViews;
};

// The catalogue store as the play road uses it; plays nothing until the data module is there.
class TCatalogueStore : public TPlayStore {
public:
  void SetModule(TDMM2* value) { FModule = value; }
  TDMM2* Module() const { return FModule; }
  bool ExtractTuneData(const std::string& target, TTuneRec& rec, int key) override;
  bool SetDuration(int seconds, int key) override;
  bool DeleteTune(int key, bool updateCategory) override;

private:
  TMyDB* Store() const;
  TDMM2* FModule = nullptr;
};
