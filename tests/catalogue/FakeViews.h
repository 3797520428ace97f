// Stand-ins for the windows the catalogue store updates: grids, pages, status and message box.
#pragma once
#include "CatalogueViews.h"
#include "Classes.h"
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

// A grid that keeps its title rows as records, in row order.
class TFakeGrid : public TTuneGridView {
public:
  std::vector<TTuneRec> Rows;
  int Updating = 0, Sorts = 0, ColumnCount = 8;
  std::vector<int> Widths = std::vector<int>(9, 50);
  bool CanSort = false, CanDragRows = true;

  void BeginUpdate() override { ++Updating; }
  void EndUpdate() override { --Updating; }
  void SetRowCount(int count) override { Rows.resize(count > 1 ? count - 1 : 0); }
  void SetTuneRow(const TTuneRec& rec, int row) override {
    if (row >= 1 && row <= static_cast<int>(Rows.size())) Rows[row - 1] = rec;
  }
  void AddTuneRow(const TTuneRec& rec, bool) override { Rows.push_back(rec); }
  void UpdateTuneRow(const TTuneRec& rec, bool) override {
    for (auto& r : Rows)
      if (r.MasterKey == rec.MasterKey) {
        r = rec;
        return;
      }
  }
  void RemoveTuneRow(int32_t key) override {
    for (size_t i = 0; i < Rows.size(); ++i)
      if (Rows[i].MasterKey == key) {
        Rows.erase(Rows.begin() + i);
        return;
      }
  }
  void SortByColumn(int) override { ++Sorts; }
  void FitAllColumns() override {}
  void SelectFirstRow() override {}
  void SetCanSort(bool v) override { CanSort = v; }
  void SetCanDragRows(bool v) override { CanDragRows = v; }
  int ColCount() const override { return ColumnCount; }
  int ColWidth(int col) const override { return Widths.at(col); }
  void SetColWidth(int col, int width) override { Widths.at(col) = width; }
  int TuneCount() const override { return static_cast<int>(Rows.size()); }
  int64_t TotalSeconds() const override {
    int64_t s = 0;
    for (const auto& r : Rows)
      s += r.Seconds;
    return s;
  }
  int64_t TotalBytes() const override {
    int64_t s = 0;
    for (const auto& r : Rows)
      s += r.Size;
    return s;
  }
  void AppendAlbumRow(const TTuneRec& rec) override { Rows.push_back(rec); }
  int RefreshAlbumRows(const TTuneRec& rec) override {
    int n = 0;
    for (auto& r : Rows)
      if (r.MasterKey == rec.MasterKey) {
        r = rec;
        ++n;
      }
    return n;
  }
  int DeleteKeyRows(TStringList& keys) override {
    int n = 0;
    for (size_t i = Rows.size(); i-- > 0;)
      if (keys.IndexOf(std::to_string(Rows[i].MasterKey)) >= 0) {
        Rows.erase(Rows.begin() + i);
        ++n;
      }
    return n;
  }
  std::vector<TTuneRec> TuneRecords() const override { return Rows; }
  std::vector<bool> Selected; // by data row, 0-based
  int Drop = -1, Focused = 0;
  void GetSelectedKeys(TStringList& keys) const override {
    keys.Clear();
    for (size_t i = 0; i < Rows.size(); ++i)
      if (i < Selected.size() && Selected[i]) keys.Add(std::to_string(Rows[i].MasterKey));
  }
  void GetAllKeys(TStringList& keys) const override {
    keys.Clear();
    for (const auto& r : Rows)
      keys.Add(std::to_string(r.MasterKey));
  }
  void PurgeKeys(const TStringList& keys) override {
    for (size_t i = Rows.size(); i-- > 0;)
      if (keys.IndexOf(std::to_string(Rows[i].MasterKey)) >= 0) Rows.erase(Rows.begin() + i);
  }
  void PurgeKeysInRowOrder(const TStringList& keys) override { PurgeKeys(keys); }
  void RemoveTuneRows(const TStringList& keys) override { PurgeKeys(keys); }
  void RenameCategory(int32_t key, const std::string& name) override {
    for (auto& r : Rows)
      if (r.CategoryKey == key) r.CategoryName = name;
  }
  void MoveToCategory(int32_t oldKey, int32_t newKey, const std::string& name) override {
    for (auto& r : Rows)
      if (r.CategoryKey == oldKey) {
        r.CategoryKey = newKey;
        r.CategoryName = name;
      }
  }
  void Resort() override { ++Sorts; }
  int RowCount() const override { return static_cast<int>(Rows.size()) + 1; }
  int DropRow() const override { return Drop; }
  void InsertAlbumRows(const std::vector<TTuneRec>& recs, int row, bool) override {
    size_t at = std::clamp<size_t>(row < 1 ? 0 : row - 1, 0, Rows.size());
    Rows.insert(Rows.begin() + at, recs.begin(), recs.end());
  }
  void Focus() override { ++Focused; }
  std::vector<int32_t> Keys() const {
    std::vector<int32_t> k;
    for (const auto& r : Rows)
      k.push_back(r.MasterKey);
    return k;
  }
};

class TFakeCategoryView : public TCategoryView {
public:
  std::string Name, Summary, Caption, Hint;
  int32_t Key = 0;
  TFakeGrid FGrid;
  TTuneGridView& Grid() override { return FGrid; }
  void SetSummary(const std::string& text) override { Summary = text; }
};

class TFakeCategoryArea : public TCategoryArea {
public:
  TFakeGrid All;
  std::string AllSummary;
  std::vector<std::unique_ptr<TFakeCategoryView>> Pages;
  TFakeCategoryArea() { All.ColumnCount = 9; }
  TTuneGridView& AllTitlesGrid() override { return All; }
  void SetAllTitlesSummary(const std::string& text) override { AllSummary = text; }
  TCategoryView* CreateCategoryPage(const std::string& name, int32_t key) override {
    Pages.push_back(std::make_unique<TFakeCategoryView>());
    Pages.back()->Name = name;
    Pages.back()->Key = key;
    return Pages.back().get();
  }
  TFakeCategoryView* Page(int32_t key) {
    for (auto& p : Pages)
      if (p->Key == key) return p.get();
    return nullptr;
  }
  // Pages in tab order after the all-titles page; Active is a page index.
  int Active = 0;
  std::vector<std::string> Hints;
  int ActivePageIndex() const override { return Active; }
  void SetActivePageIndex(int index) override { Active = index; }
  int PageIndexOf(const TCategoryView* view) const override {
    for (size_t i = 0; i < Pages.size(); ++i)
      if (Pages[i].get() == view) return static_cast<int>(i) + 1;
    return -1;
  }
  void RelabelCategoryPage(TCategoryView* view, const std::string& caption,
                           const std::string& hint) override {
    auto* v = static_cast<TFakeCategoryView*>(view);
    v->Caption = caption;
    v->Hint = hint;
  }
  void DeleteCategoryPage(TCategoryView* view) override {
    for (size_t i = 0; i < Pages.size(); ++i)
      if (Pages[i].get() == view) {
        Pages.erase(Pages.begin() + i);
        return;
      }
  }
};

class TFakeAlbumView : public TAlbumView {
public:
  std::string Name, Summary, ListTitles, ListDuration, Caption, Line;
  bool LineSelected = false;
  int32_t Key = 0;
  TFakeGrid FGrid;
  TTuneGridView& Grid() override { return FGrid; }
  void SetSummary(const std::string& text) override { Summary = text; }
  void SetListLine(const std::string& titles, const std::string& duration) override {
    ListTitles = titles;
    ListDuration = duration;
  }
};

class TFakeAlbumArea : public TAlbumArea {
public:
  std::vector<std::unique_ptr<TFakeAlbumView>> Pages;
  TAlbumView* CreateAlbumPage(const std::string& name, int32_t key) override {
    Pages.push_back(std::make_unique<TFakeAlbumView>());
    Pages.back()->Name = name;
    Pages.back()->Key = key;
    Pages.back()->FGrid.ColumnCount = 3;
    return Pages.back().get();
  }
  TFakeAlbumView* Page(int32_t key) {
    for (auto& p : Pages)
      if (p->Key == key) return p.get();
    return nullptr;
  }
  int Active = 0, ListFocused = 0;
  const TObject* List = reinterpret_cast<const TObject*>(&Pages); // stands for the summary list
  TFakeAlbumView* LineUnderMouse = nullptr;
  int ActivePageIndex() const override { return Active; }
  void SetActivePageIndex(int index) override { Active = index; }
  int PageIndexOf(const TAlbumView* view) const override {
    for (size_t i = 0; i < Pages.size(); ++i)
      if (Pages[i].get() == view) return static_cast<int>(i) + 1;
    return -1;
  }
  int LineCount() const override { return static_cast<int>(Pages.size()); }
  std::vector<TAlbumView*> SelectedLines() const override {
    std::vector<TAlbumView*> out;
    for (auto& p : Pages)
      if (p->LineSelected) out.push_back(p.get());
    return out;
  }
  bool IsSummaryList(const TObject* control) const override { return control == List; }
  TAlbumView* ViewAtLine(int, int) override { return LineUnderMouse; }
  void FocusSummaryList() override { ++ListFocused; }
  void RelabelAlbumPage(TAlbumView* view, const std::string& tabCaption,
                        const std::string& lineCaption) override {
    auto* v = static_cast<TFakeAlbumView*>(view);
    v->Caption = tabCaption;
    v->Line = lineCaption;
  }
  void ShowAlbumPage(TAlbumView* view) override { Active = PageIndexOf(view); }
  void DeleteAlbumPage(TAlbumView* view) override {
    if (LineUnderMouse == view) LineUnderMouse = nullptr;
    for (size_t i = 0; i < Pages.size(); ++i)
      if (Pages[i].get() == view) {
        Pages.erase(Pages.begin() + i);
        return;
      }
  }
};

class TFakeHost : public TStoreHost {
public:
  std::vector<std::string> Statuses, Messages;
  int ProgressMax = -1, LastPosition = -1;
  bool ProgressShown = false;
  void SetStatus(const std::string& text, bool) override { Statuses.push_back(text); }
  void ProgressStart(int max) override {
    ProgressMax = max;
    ProgressShown = true;
  }
  void ProgressPosition(int p) override { LastPosition = p; }
  void ProgressDone() override { ProgressShown = false; }
  TMessageAnswer ShowMessageBox(const std::string& text, TMessageKind, int,
                                TMessageButtons) override {
    Messages.push_back(text);
    return TMessageAnswer::OK;
  }
  void ShowPlainMessage(const std::string& text) override { Messages.push_back(text); }
};
