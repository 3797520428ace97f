// The catalogue grid's rows: row objects with a copy of each title's catalogue data, the
// multi-row selection, sorting by column with a fixed key cascade, and row operations by master
// key. Free of windows; the drawn grid sits on top of it and answers the view hooks.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "Classes.h"
#include "SysUtils.h"
#include "CatalogueViews.h"
#include "TuneRecords.h"

// The row object: what a grid row knows of its title.
struct TShortRec {
  std::string FileType;  // up to 4 characters
  int32_t AlbumKey = -1; // -1 in rows of the all-titles and category grids
  int32_t CategoryKey = 0;
  int32_t ArtistKey = 0;
  int32_t MasterKey = 0;
  int32_t Seconds = 0;
  int32_t Size = 0;
  uint32_t Crc = 0;         // album rows only
  std::string CategoryName; // up to 40
  std::string LastName;     // up to 40
  std::string FirstName;    // up to 40
  std::string FullName;     // up to 82: first name, a blank, last name
  std::string Title;        // up to 125
  std::string TimeText;     // up to 8
  std::string Origin;       // up to 255: the source file
  TDateTime DateStamp = 0;  // full rows only
  TDateTime DateObtained = 0;
  bool Selected = false;
};

// Something that shows the progress of a long per-row operation (the extended progress bar).
class TRowProgress {
public:
  virtual ~TRowProgress() = default;
  // Range 0..max, position 0, made visible.
  virtual void Start(int max) = 0;
  virtual void SetPosition(int position) = 0;
  // Back to 0 and hidden.
  virtual void Finish() = 0;
};

// The sort code of a column: the key cascade it sorts by.
enum class TSortCode : uint8_t {
  Title = 0,        // title
  Artist = 1,       // last name, first name, title
  Category = 2,     // category, last name, first name, title
  Seconds = 3,      // seconds, ascending
  Size = 4,         // size, descending
  DateStamp = 5,    // newest first
  Origin = 6,       // source file
  DateObtained = 7, // newest first
  FileType = 8      // type, category, last name, first name, title
};

// The code of a column in a grid of colCount columns; false for a column outside the table.
bool ColumnSortCode(int colCount, int col, TSortCode& code);
// Orders two row objects by a code: negative, 0 or positive. Texts compare trimmed and cut to
// their rooms, ASCII letters folded to upper case, bytes otherwise.
int CompareShortRecs(const TShortRec& a, const TShortRec& b, TSortCode code);

// The texts shown in cells.
std::string SizeCellText(int32_t size);        // thousands separators, right-aligned in 8
std::string DateTimeCellText(TDateTime value); // short date and long time; date alone at midnight

// The rows of a catalogue grid: row 0 holds the column headers, rows 1.. the titles. There is
// always at least one data row; an empty grid has one row without a row object.
class TTuneGridRows {
public:
  TTuneGridRows();
  virtual ~TTuneGridRows() = default;
  TTuneGridRows(const TTuneGridRows&) = delete;
  TTuneGridRows& operator=(const TTuneGridRows&) = delete;

  // --- cells
  int RowCount() const { return static_cast<int>(FRows.size()); }
  // Grows with empty rows or drops rows from the end (never below 2).
  void SetRowCount(int value);
  int ColCount() const { return FColCount; }
  void SetColCount(int value);
  std::string Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& text);
  TShortRec* Objects(int row) const; // the row object, nullptr when none or out of range
  // Column count and header texts (trimmed); without a list "Column 0", "Column 1", ...
  void SetColumnHeaders(const TStringList* headers);

  // --- switches set by the owning window
  bool CanSort = true;
  bool CanDragRows = false;
  bool SelectEmptyRows = false;

  // --- selection
  bool IsRowSelected(int row) const;
  void SetRowSelected(int row, bool flag);
  int SelectedCount() const;
  void ClearSelection();
  void SelectFirstRow();
  void SaveSelection();
  void RestoreSelection();
  int AnchorRow() const { return FAnchor; }
  void SetAnchorRow(int row) { FAnchor = row; }
  // Master keys as decimal text, in row order: of the selected rows / of every filled row.
  void GetSelectedKeys(TStringList& keys) const;
  void GetAllKeys(TStringList& keys) const;
  // Selects exactly the rows of these master keys (decimal text), wherever sorting put them, and
  // saves that selection; answers how many rows it selected.
  int SelectKeyRows(const TStringList& keys);

  // The selection a press of the left button on a data row makes (Shift and Ctrl as held). A plain
  // press on a selected row only defers: the release then leaves that row alone selected, unless
  // a drag carried the selection away (the owner ends the press with dragged = true).
  void PressRow(int row, bool shift, bool ctrl);
  void ReleaseRow(int row, bool dragged);
  // The current row moved by the keyboard: with Shift the rows from the anchor on are selected,
  // without it the selection is cleared; the new row is selected and scrolled into view. The
  // anchor stays where the last mouse press put it.
  void KeyMovedTo(int row, bool shift);

  // --- filling from title records
  void SetTuneRow(const TTuneRec& rec, int row);  // the 9- or 8-column layout
  void SetAlbumRow(const TTuneRec& rec, int row); // the 3-column layout
  bool GetTuneRecord(int row, TTuneRec& rec) const;
  void WriteTuneRecords(TStream& stream) const; // 672 bytes per filled row, in row order
  int AppendTuneRow(const TTuneRec& rec);       // answers the row
  int AppendAlbumRow(const TTuneRec& rec);
  void InsertAlbumRows(const std::vector<TTuneRec>& recs, int row, bool select);
  // Every filled row of another grid with the same column count, with the given album key.
  void AppendRowsFrom(const TTuneGridRows& other, int32_t albumKey);
  void AddTuneRow(const TTuneRec& rec, bool resort);
  void UpdateTuneRow(const TTuneRec& rec, bool resort);
  int RefreshAlbumRows(const TTuneRec& rec);

  // --- rows by master key
  int FindKeyRow(int32_t key) const;
  void RemoveRow(int row);
  void RemoveTuneRow(int32_t key);
  void RemoveTuneRows(const TStringList& keys, TRowProgress* progress = nullptr);
  int DeleteKeyRows(TStringList& keys); // sorts the key list; answers the rows deleted
  void PurgeKeys(const TStringList& keys);
  void PurgeKeysInRowOrder(const TStringList& keys);
  void RenameCategory(int32_t categoryKey, const std::string& name,
                      TRowProgress* progress = nullptr);
  void MoveToCategory(int32_t oldKey, int32_t newKey, const std::string& name,
                      TRowProgress* progress = nullptr);
  // Moves the selected rows (the saved selection) to stand before row dropRow (RowCount: after
  // the last row); they stay selected. No key is lost or doubled wherever the drop lands.
  void DropSelectionAt(int dropRow);

  // --- totals, kept up to date as rows come and go
  int64_t TotalSeconds() const;
  int64_t TotalBytes() const;
  int TuneCount() const;

  // --- sorting
  int SortColumn() const { return FSortColumn; }
  TSortCode SortCode() const { return FSortCode; }
  // Sorting again by the same code moves only the rows a change put out of order (added, filled
  // or rewritten since the last sort); the other rows keep their order.
  void SortByColumn(int col);
  void Resort() { SortByColumn(FSortColumn); }
  // SortByColumn, but first the rows take the order the ranks give their titles: when that order
  // holds for the column, nothing more is sorted.
  void SortByColumnInOrder(int col, const TTitleRanks& ranks);
  // Master keys of the rows that carry a title, in row order.
  std::vector<int32_t> KeysInRowOrder() const;
  // Rows added, filled or rewritten since the grid was last in order.
  int RowsOutOfPlace() const { return FOrderKnown ? FOutOfPlace : RowCount() - 1; }

  // --- measuring
  // What each row's text in each column would measure, without making the texts: the sum of its
  // characters' widths from a table of 256. A list per column of one entry per row, the header
  // row included.
  void EstimateColumns(const int* charWidths, std::vector<std::vector<int>>& estimates) const;

  // --- view state; the drawn grid overrides these with its own scroll state
  virtual int Row() const { return FRow; }
  virtual void SetRow(int row) { FRow = row; }
  virtual int TopRow() const { return FTopRow; }
  virtual void SetTopRow(int row) { FTopRow = row; }
  virtual int VisibleRowCount() const { return FVisibleRows; }
  void SetVisibleRowCount(int rows) { FVisibleRows = rows; } // without a window

protected:
  // A row's look changed (repaint it); all rows changed.
  virtual void RowChanged(int /*row*/) {}
  virtual void RowsChanged() {}
  // Widen columns to the texts of a row, or of the rows first to last (needs the font).
  virtual void FitColumnsToRow(int /*row*/) {}
  virtual void FitColumnsToRows(int first, int last) {
    for (int row = first; row <= last; ++row)
      FitColumnsToRow(row);
  }
  // Between BeginUpdate and EndUpdate: a bulk fill, which fits the columns once at its end.
  virtual bool Updating() const { return false; }
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
  virtual void SetBusyCursor(bool /*busy*/) {}
  // Top row that keeps row in view; never the header row.
  void ScrollRowIntoView(int row);

private:
  struct TGridRow {
    std::vector<std::string> Cells;
    std::unique_ptr<TShortRec> Obj;
    // Filled or changed since the grid was last in order: its place is not known.
    bool OutOfPlace = true;
  };
  struct TTotals {
    int Count = 0;
    int64_t Seconds = 0, Bytes = 0;
  };
  void FillRowCells(int row);
  std::string CellText(const TShortRec& r, int col) const;
  void EnsureOneDataRow();
  void InsertEmptyRow(int row);
  // A row object comes or goes: the totals follow it.
  void SetObject(int row, std::unique_ptr<TShortRec> obj);
  void AddToTotals(const TShortRec* obj, int sign) const;
  const TTotals& Totals() const;
  // Rows were taken out in bulk: the rows out of place are counted again now, the totals when
  // next asked for.
  void RowsDropped();
  void MarkOutOfPlace(int row);
  int RowOfObject(const TShortRec* obj) const;
  void SortRowsByCode(TSortCode code);
  void SortByColumnWith(int col, const TTitleRanks* ranks);
  // Puts the rows in the ranks' order; answers whether that is the sort code's order.
  bool TakeOrder(const TTitleRanks& ranks, TSortCode code);
  // Puts the rows out of place where the sort code wants them, keeping the others' order.
  void PlaceRowsOutOfPlace();
  // The first row from `from` on that sorts after obj, among rows in order.
  int PlaceFor(const TShortRec& obj, int from) const;
  // So few rows out of place move one by one; more are merged in one pass.
  static constexpr int FewRows = 16;

  std::vector<TGridRow> FRows;
  // The rows not out of place are in order by FSortCode; FOutOfPlace counts the others.
  bool FOrderKnown = false;
  int FOutOfPlace = 0;
  mutable TTotals FTotals;
  mutable bool FTotalsKnown = true;
  int FColCount = 5;
  int FSortColumn = 0;
  int FPrevSortColumn = 0;
  TSortCode FSortCode = TSortCode::Title;
  int FAnchor = -1;
  TStringList FSavedSelection;
  bool FDeferredClick = false;
  int FRow = 1;
  int FTopRow = 1;
  int FVisibleRows = 20;
};
