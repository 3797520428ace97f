// What the catalogue store and lists need of the windows that show the catalogue. The windows
// implement these; tests use stand-ins, so the store runs without any window.
#pragma once
#include "MessageKinds.h"
#include "TuneRecords.h"
#include <string>
#include <unordered_map>
#include <vector>

class TObject;
class TStringList;

// Where each title stands in a grid's rows, by master key. A grid sorted already lends its order to
// grids of some of the same titles.
class TTitleRanks {
public:
  explicit TTitleRanks(const std::vector<int32_t>& keysInRowOrder);
  // The title's place among the rows, or -1 when the grid does not hold it.
  int Of(int32_t key) const;

private:
  int32_t FLow = 0;
  // A table by key when the keys lie close together, as they are handed out; else a map.
  std::vector<int> FDense;
  std::unordered_map<int32_t, int> FSparse;
};

// A grid of title rows: the all-titles grid, a category grid or an album grid.
class TTuneGridView {
public:
  virtual ~TTuneGridView() = default;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  // Row 0 is the header; data rows are 1..RowCount-1.
  virtual void SetRowCount(int count) = 0;
  virtual void SetTuneRow(const TTuneRec& rec, int row) = 0;
  virtual void AddTuneRow(const TTuneRec& rec, bool resort) = 0;
  virtual void UpdateTuneRow(const TTuneRec& rec, bool resort) = 0;
  virtual void RemoveTuneRow(int32_t key) = 0;
  virtual void SortByColumn(int col) = 0;
  virtual void FitAllColumns() = 0;
  virtual void SelectFirstRow() = 0;
  virtual void SetCanSort(bool value) = 0;
  virtual void SetCanDragRows(bool value) = 0;
  virtual int ColCount() const = 0;
  virtual int ColWidth(int col) const = 0;
  virtual void SetColWidth(int col, int width) = 0;
  // Rows that carry a title, and their sums.
  virtual int TuneCount() const = 0;
  virtual int64_t TotalSeconds() const = 0;
  virtual int64_t TotalBytes() const = 0;
  // Album grids: rows in the three-column layout.
  virtual void AppendAlbumRow(const TTuneRec& rec) = 0;
  virtual int RefreshAlbumRows(const TTuneRec& rec) = 0; // answers the rows rewritten
  virtual int DeleteKeyRows(TStringList& keys) = 0;      // answers the rows deleted
  // The title record of every row that carries a title, in row order.
  virtual std::vector<TTuneRec> TuneRecords() const = 0;
  // Master keys as decimal text: of the selected rows, of every row.
  virtual void GetSelectedKeys(TStringList& keys) const = 0;
  virtual void GetAllKeys(TStringList& keys) const = 0;
  virtual void PurgeKeys(const TStringList& keys) = 0;
  virtual void PurgeKeysInRowOrder(const TStringList& keys) = 0;
  // Row work over many rows steps the main window's progress bar.
  virtual void RemoveTuneRows(const TStringList& keys) = 0;
  virtual void RenameCategory(int32_t categoryKey, const std::string& name) = 0;
  virtual void MoveToCategory(int32_t oldKey, int32_t newKey, const std::string& name) = 0;
  virtual void Resort() = 0;
  // Master keys of the rows that carry a title, in row order.
  virtual std::vector<int32_t> KeysInRowOrder() const { return {}; }
  // SortByColumn, but first the rows take the order the ranks give them: a grid whose titles are
  // in that order already needs no sort of its own.
  virtual void SortByColumnInOrder(int col, const TTitleRanks& ranks) {
    (void)ranks;
    SortByColumn(col);
  }
  virtual int RowCount() const = 0;
  // The row a drag passing over the grid would drop before; -1 when none.
  virtual int DropRow() const = 0;
  virtual void InsertAlbumRows(const std::vector<TTuneRec>& recs, int row, bool select) = 0;
  // Takes the focus when it can; a grid that cannot is left alone.
  virtual void Focus() = 0;
};

// A category's page: its grid and its summary line.
class TCategoryView {
public:
  virtual ~TCategoryView() = default;
  virtual TTuneGridView& Grid() = 0;
  virtual void SetSummary(const std::string& text) = 0;
};

// An album's page: its grid, its summary line and its line in the album summary list.
class TAlbumView {
public:
  virtual ~TAlbumView() = default;
  virtual TTuneGridView& Grid() = 0;
  virtual void SetSummary(const std::string& text) = 0;
  virtual void SetListLine(const std::string& titles, const std::string& duration) = 0;
};

// The categories area: the all-titles page and one page per category.
class TCategoryArea {
public:
  virtual ~TCategoryArea() = default;
  virtual TTuneGridView& AllTitlesGrid() = 0;
  virtual void SetAllTitlesSummary(const std::string& text) = 0;
  virtual TCategoryView* CreateCategoryPage(const std::string& name, int32_t key) = 0;
  // Page 0 is the all-titles page.
  virtual int ActivePageIndex() const = 0;
  virtual void SetActivePageIndex(int index) = 0;
  virtual int PageIndexOf(const TCategoryView* view) const = 0;
  virtual void RelabelCategoryPage(TCategoryView* view, const std::string& caption,
                                   const std::string& hint) = 0;
  // Frees the page with its grid and its tab hint; the view is gone afterwards.
  virtual void DeleteCategoryPage(TCategoryView* view) = 0;
};

// The albums area: the album summary list and one page per album.
class TAlbumArea {
public:
  virtual ~TAlbumArea() = default;
  virtual TAlbumView* CreateAlbumPage(const std::string& name, int32_t key) = 0;
  virtual void InvalidateSummaryList() {}
  // Page 0 is the album summary page.
  virtual int ActivePageIndex() const = 0;
  virtual void SetActivePageIndex(int index) = 0;
  virtual int PageIndexOf(const TAlbumView* view) const = 0;
  // The album summary list: its lines, their selection, the line at a point.
  virtual int LineCount() const = 0;
  // The albums of the selected lines, in the list's order.
  virtual std::vector<TAlbumView*> SelectedLines() const = 0;
  virtual bool IsSummaryList(const TObject* control) const = 0;
  virtual TAlbumView* ViewAtLine(int x, int y) = 0;
  virtual void FocusSummaryList() = 0;
  virtual void RelabelAlbumPage(TAlbumView* view, const std::string& tabCaption,
                                const std::string& lineCaption) = 0;
  // Makes the album's tab visible and active.
  virtual void ShowAlbumPage(TAlbumView* view) = 0;
  // Frees the line, grid, summary line and tab sheet; the view is gone afterwards.
  virtual void DeleteAlbumPage(TAlbumView* view) = 0;
};

// The main window's status bar, progress bar and message box, as the store reports through them.
class TStoreHost {
public:
  virtual ~TStoreHost() = default;
  virtual void SetStatus(const std::string& /*text*/, bool /*bold*/) {}
  virtual void ProgressStart(int /*max*/) {} // range 0..max, position 0, shown
  virtual void ProgressPosition(int /*position*/) {}
  virtual void ProgressDone() {} // position 0, hidden
  // The main window's message box; without one every box counts as answered with OK.
  virtual TMessageAnswer ShowMessageBox(const std::string& /*text*/, TMessageKind /*kind*/,
                                        int /*helpContext*/, TMessageButtons /*buttons*/) {
    return TMessageAnswer::OK;
  }
  // A message with only an OK button.
  virtual void ShowPlainMessage(const std::string& /*text*/) {}
  // The hourglass while a longer change runs.
  virtual void SetBusyCursor(bool /*busy*/) {}
};

// The zip operations an export needs; the main window provides them.
class TTuneZipper {
public:
  virtual ~TTuneZipper() = default;
  virtual bool UnzipSingleFile(const std::string& archive, const std::string& folder,
                               std::string& message, std::string& extractedPath) = 0;
  virtual bool ZipOneFile(const std::string& file, const std::string& archive) = 0;
};

// The duration text of a summary line: "0:00" below one second.
std::string SummaryDurationText(int64_t seconds);
// "12 titles  ---  1:02:05  ---  1,235kb"; "1 title  ---  " for exactly one.
std::string SummaryLine(int count, int64_t seconds, int64_t bytes);
