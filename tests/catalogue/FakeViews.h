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
  std::vector<int32_t> Keys() const {
    std::vector<int32_t> k;
    for (const auto& r : Rows)
      k.push_back(r.MasterKey);
    return k;
  }
};

class TFakeCategoryView : public TCategoryView {
public:
  std::string Name, Summary;
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
};

class TFakeAlbumView : public TAlbumView {
public:
  std::string Name, Summary, ListTitles, ListDuration;
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
  int ShowMessageBox(const std::string& text, int, int, int) override {
    Messages.push_back(text);
    return 1;
  }
};
