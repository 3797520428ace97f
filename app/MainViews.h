// The main window's side of the catalogue: its grids, category and album pages as the store
// sees them, and the store as the play road sees it.
#pragma once
#include "Buttons.h"
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
  explicit TGridView(TMyStringGrid* grid, TExtProgressBar* progress = nullptr)
      : FGrid(grid), FProgress(progress) {}
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
  void GetSelectedKeys(TStringList& keys) const override { FGrid->GetSelectedKeys(keys); }
  void GetAllKeys(TStringList& keys) const override { FGrid->GetAllKeys(keys); }
  void PurgeKeys(const TStringList& keys) override { FGrid->PurgeKeys(keys); }
  void PurgeKeysInRowOrder(const TStringList& keys) override { FGrid->PurgeKeysInRowOrder(keys); }
  void RemoveTuneRows(const TStringList& keys) override { FGrid->RemoveTuneRows(keys, FProgress); }
  void RenameCategory(int32_t key, const std::string& name) override {
    FGrid->RenameCategory(key, name, FProgress);
  }
  void MoveToCategory(int32_t oldKey, int32_t newKey, const std::string& name) override {
    FGrid->MoveToCategory(oldKey, newKey, name, FProgress);
  }
  void Resort() override { FGrid->Resort(); }
  std::vector<int32_t> KeysInRowOrder() const override { return FGrid->KeysInRowOrder(); }
  void SortByColumnInOrder(int col, const TTitleRanks& ranks) override {
    FGrid->SortByColumnInOrder(col, ranks);
  }
  int RowCount() const override { return FGrid->RowCount(); }
  int DropRow() const override { return FGrid->DropRow(); }
  void InsertAlbumRows(const std::vector<TTuneRec>& recs, int row, bool select) override {
    FGrid->InsertAlbumRows(recs, row, select);
  }
  void Focus() override;

private:
  TMyStringGrid* FGrid;
  TExtProgressBar* FProgress;
};

// A panel paints its caption itself, so a new text needs a repaint of its own.
inline void ShowPanelText(TPanel& panel, const std::string& text) {
  panel.SetCaption(text);
  panel.Invalidate();
}

// A button of the main window, made with its name, caption and width (25 high) on parent.
TBitBtn* NewBitBtn(TComponent* owner, TWinControl* parent, const std::string& name,
                   const std::string& caption, int width);

// Sets a grid's column headers and the columns drawn centred.
void SetupGridColumns(TMyStringGrid& grid, std::initializer_list<const char*> names,
                      std::initializer_list<int> centred);

// One category or album page: its tab sheet, summary line and grid.
class TTunePage : public TCategoryView, public TAlbumView {
public:
  TTunePage(TComponent* owner, TPageControl* pages, const std::string& caption, bool album,
            TExtProgressBar* progress);
  TTuneGridView& Grid() override { return FView; }
  void SetSummary(const std::string& text) override { ShowPanelText(*FSummary, text); }
  void SetListLine(const std::string& titles, const std::string& duration) override;
  // The album's line in the album summary list (album pages only).
  void SetListItem(TListItem* item) { FListItem = item; }
  TListItem* ListItem() const { return FListItem; }
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
                    TPanel* allSummary, TExtProgressBar* progress = nullptr)
      : FOwner(owner), FPages(pages), FAll(all, progress), FAllSummary(allSummary),
        FProgress(progress) {}
  TTuneGridView& AllTitlesGrid() override { return FAll; }
  void SetAllTitlesSummary(const std::string& text) override { ShowPanelText(*FAllSummary, text); }
  TCategoryView* CreateCategoryPage(const std::string& name, int32_t key) override;
  int ActivePageIndex() const override { return FPages->ActivePageIndex(); }
  void SetActivePageIndex(int index) override { FPages->SetActivePageIndex(index); }
  int PageIndexOf(const TCategoryView* view) const override;
  void RelabelCategoryPage(TCategoryView* view, const std::string& caption,
                           const std::string& hint) override;
  void DeleteCategoryPage(TCategoryView* view) override;
  // Each new page's grid gets the all-titles grid's handlers through this.
  std::function<void(TMyStringGrid&)> OnNewGrid;
  const std::vector<std::unique_ptr<TTunePage>>& Pages() const { return FPageViews; }
  TTunePage* PageOf(const TCategoryView* view) const;

private:
  TComponent* FOwner;
  TExtPageControl* FPages;
  TGridView FAll;
  TPanel* FAllSummary;
  TExtProgressBar* FProgress;
  std::vector<std::unique_ptr<TTunePage>> FPageViews;
};

// The album pages: the album summary page first, then one per album.
class TMainAlbumArea : public TAlbumArea {
public:
  TMainAlbumArea(TComponent* owner, TExtPageControl* pages, TExtListView* list)
      : FOwner(owner), FPages(pages), FList(list) {}
  void InvalidateSummaryList() override { FList->Invalidate(); }
  TAlbumView* CreateAlbumPage(const std::string& name, int32_t key) override;
  int ActivePageIndex() const override { return FPages->ActivePageIndex(); }
  void SetActivePageIndex(int index) override { FPages->SetActivePageIndex(index); }
  int PageIndexOf(const TAlbumView* view) const override;
  int LineCount() const override { return FList->ItemCount(); }
  std::vector<TAlbumView*> SelectedLines() const override;
  bool IsSummaryList(const TObject* control) const override { return control == FList; }
  TAlbumView* ViewAtLine(int x, int y) override;
  void FocusSummaryList() override;
  void RelabelAlbumPage(TAlbumView* view, const std::string& tabCaption,
                        const std::string& lineCaption) override;
  void ShowAlbumPage(TAlbumView* view) override;
  void DeleteAlbumPage(TAlbumView* view) override;
  std::function<void(TMyStringGrid&)> OnNewGrid;
  const std::vector<std::unique_ptr<TTunePage>>& Pages() const { return FPageViews; }
  TTunePage* PageOf(const TAlbumView* view) const;

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
