// The drawn catalogue grid: the grid rows of MyGrid.h shown in a scrolling grid window, with its
// own cell painting, mouse and key selection, header-click sorting, row drags within the grid and
// column fitting. Cells are painted from the row objects of the visible rows only.
#pragma once
#include "DragDrop.h"
#include "ExtProgressBar.h"
#include "Grids.h"
#include "MyGrid.h"
#include <vector>

class TMyStringGrid : public TDrawGrid, public TTuneGridRows, public TDragClient {
public:
  explicit TMyStringGrid(TComponent* AOwner);
  ~TMyStringGrid() override;

  // The rows live in the row model; the window follows it.
  int RowCount() const override { return TTuneGridRows::RowCount(); }
  void SetRowCount(int value) override;
  int ColCount() const override { return TTuneGridRows::ColCount(); }
  void SetColCount(int value) override;
  int Row() const override { return TDrawGrid::Row(); }
  void SetRow(int row) override { TDrawGrid::SetRow(row); }
  int TopRow() const override { return TDrawGrid::TopRow(); }
  void SetTopRow(int row) override { TDrawGrid::SetTopRow(row); }
  int VisibleRowCount() const override { return TDrawGrid::VisibleRowCount(); }
  void SetCells(int col, int row, const std::string& text);
  using TTuneGridRows::Cells;

  // Row operations that repaint what they change.
  void SetTuneRow(const TTuneRec& rec, int row);
  void SetAlbumRow(const TTuneRec& rec, int row);
  int AppendTuneRow(const TTuneRec& rec);
  int AppendAlbumRow(const TTuneRec& rec);
  void RemoveTuneRows(const TStringList& keys, TExtProgressBar* progress = nullptr);
  void RenameCategory(int32_t categoryKey, const std::string& name,
                      TExtProgressBar* progress = nullptr);
  void MoveToCategory(int32_t oldKey, int32_t newKey, const std::string& name,
                      TExtProgressBar* progress = nullptr);
  void DeleteRow(int row) override { RemoveRow(row); }
  void MoveRow(int fromIndex, int toIndex) override;

  // Columns.
  void SetColumnHeaders(const TStringList* headers);
  void FitColumn(int col);
  void FitColumnsToRow(int row) override;
  // All the rows' texts at once: each column widens once, and the last column is brought into
  // view once.
  void FitColumnsToRows(int first, int last) override;
  void FitAllColumns();
  // Keeps the last column whole inside the window: the columns before it give up width when
  // fitting or a narrower window would push it out (a narrow panel's grid).
  bool KeepLastColumnInView = false;
  void SetColumnCentered(int col, bool flag);
  bool ColumnCentered(int col) const;

  void BeginUpdate() override;
  void EndUpdate() override;
  bool Updating() const override { return FUpdating > 0; }
  // The row a drag within the grid would drop on; -1 when none.
  int DropRow() const { return FDropRow; }
  // Rows the user dragged to another place within the grid have landed there.
  TNotifyEvent OnRowsMoved;

  void WndProc(TMessage& message) override;

protected:
  void DrawCell(int col, int row, const RECT& rect, TGridDrawState state) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void DblClick() override;
  void DoEnter() override;
  void DoExit() override;
  void DoStartDrag(TCursor& cursor) override;
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;
  void DoEndDrag(TObject* Target, int X, int Y) override;
  void RowChanged(int row) override;
  void RowsChanged() override;
  void Resize() override;
  void InitWnd() override;
  void SetBusyCursor(bool busy) override;

private:
  int TextWidth(const std::string& text);
  int DropRowAt(int x, int y) const;
  void BringLastColumnIntoView();

  std::vector<bool> FCentered;
  int FUpdating = 0;
  int FKnownRows = -1;
  int FDropRow = -1;
  // Mouse bookkeeping of the press in progress.
  bool FPressed = false, FDragging = false, FHeaderClick = false, FMoved = false;
  bool FOwnDrag = false;
  int FPressRow = -1;
  POINT FPressPoint{0, 0};
  TDateTime FPressTime = 0, FReleaseTime = 0;
};
