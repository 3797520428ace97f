// Grids: a drawn grid of cells with fixed rows and columns, scrolling, key navigation and column
// sizing by mouse; the draw grid (cells painted by an event) and the string grid (texts and
// objects per cell). Only the visible cells are painted, so the row count may be large.
#pragma once
#include "Controls.h"
#include <functional>
#include <string>
#include <vector>

enum TGridOption {
  goFixedVertLine,
  goFixedHorzLine,
  goVertLine,
  goHorzLine,
  goRangeSelect,
  goDrawFocusSelected,
  goRowSizing,
  goColSizing,
  goRowMoving,
  goColMoving,
  goEditing,
  goTabs,
  goRowSelect,
  goAlwaysShowEditor,
  goThumbTracking
};
using TGridOptions = TSet<TGridOption>;
enum TGridDrawStateFlag { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateFlag>;

struct TGridCoord {
  int X = -1; // column
  int Y = -1; // row
};

using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, const RECT& Rect,
                                          TGridDrawState State)>;

class TCustomGrid : public TCustomControl {
public:
  explicit TCustomGrid(TComponent* AOwner);

  // Dimensions. Descendants that keep their rows elsewhere answer from there and call
  // SizeChanged when the count changes.
  virtual int RowCount() const { return FRowCount; }
  virtual void SetRowCount(int value);
  virtual int ColCount() const { return FColCount; }
  virtual void SetColCount(int value);
  int FixedRows() const { return FFixedRows; }
  void SetFixedRows(int value);
  int FixedCols() const { return FFixedCols; }
  void SetFixedCols(int value);
  int DefaultColWidth() const { return FDefaultColWidth; }
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(int value);
  int ColWidths(int col) const;
  void SetColWidths(int col, int width);
  int GridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(int value);
  TGridOptions Options() const { return FOptions; }
  void SetOptions(TGridOptions value);
  TColor FixedColor() const { return FFixedColor; }
  void SetFixedColor(TColor value);
  bool DefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool value) { FDefaultDrawing = value; }

  // The focused cell and the scroll position.
  virtual int Row() const { return FRow; }
  virtual void SetRow(int row);
  int Col() const { return FCol; }
  void SetCol(int col);
  virtual int TopRow() const { return FTopRow; }
  virtual void SetTopRow(int row);
  int LeftCol() const { return FLeftCol; }
  void SetLeftCol(int col);
  // Whole rows (columns) that fit below (right of) the fixed ones; at least 1.
  virtual int VisibleRowCount() const;
  int VisibleColCount() const;

  TGridCoord MouseToCell(int x, int y) const;
  // The cell's rectangle in client coordinates (without its grid lines); empty when not shown.
  RECT CellRect(int col, int row) const;
  void InvalidateCell(int col, int row);
  void InvalidateRow(int row);

  // Row operations; the string grid moves its cells along.
  virtual void DeleteRow(int row);
  virtual void MoveRow(int fromIndex, int toIndex);

  TNotifyEvent OnTopLeftChanged;

  void WndProc(TMessage& message) override;

protected:
  virtual void DrawCell(int col, int row, const RECT& rect, TGridDrawState state) {
    (void)col, (void)row, (void)rect, (void)state;
  }
  // Column widths changed: keeps the scroll range in step.
  virtual void ColWidthsChanged();
  // The row or column count changed outside SetRowCount/SetColCount.
  void SizeChanged();
  virtual void TopLeftChanged();
  // The focused cell moved (by mouse or keys); the default repaints both rows.
  virtual void FocusCell(int col, int row);
  bool IsSizingColumn() const { return FSizingCol >= 0; }

  void Paint() override;
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(WORD& key, TShiftState shift) override;

private:
  int ColumnEdgeAt(int x, int y) const; // column whose right edge is under x in the fixed rows
  int ColLeft(int col) const;           // client x of a column's left edge; -1 when not shown
  int RowTop(int row) const;
  int MaxTopRow() const;
  int MaxLeftCol() const;
  void UpdateScrollBars();
  void Scroll(int bar, int code);
  void ClampPositions();

  int FRowCount = 5, FColCount = 5, FFixedRows = 1, FFixedCols = 1;
  int FDefaultColWidth = 64, FDefaultRowHeight = 24, FGridLineWidth = 1;
  std::vector<int> FColWidths;
  int FRow = 1, FCol = 1, FTopRow = 1, FLeftCol = 1;
  TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  TColor FFixedColor = clBtnFace;
  bool FDefaultDrawing = true;
  int FSizingCol = -1, FSizingStartX = 0, FSizingStartWidth = 0;
  bool FUpdatingScroll = false;
  // What each bar (vertical, horizontal) was last given: range, page and position.
  struct TBarState {
    int Max = -1, Page = -1, Pos = -1;
    bool operator==(const TBarState&) const = default;
  };
  TBarState FBars[2];
  // A bar was given new values and is redrawn with the next paint of the grid.
  bool FBarsToDraw = false;
  void DrawChangedScrollBars();
};

class TDrawGrid : public TCustomGrid {
public:
  using TCustomGrid::TCustomGrid;
  TDrawCellEvent OnDrawCell;

protected:
  void DrawCell(int col, int row, const RECT& rect, TGridDrawState state) override;
};

// Texts and objects per cell; the objects are not owned.
class TStringGrid : public TDrawGrid {
public:
  explicit TStringGrid(TComponent* AOwner);
  std::string Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& text);
  void* Objects(int col, int row) const;
  void SetObjects(int col, int row, void* object);
  void SetRowCount(int value) override;
  void SetColCount(int value) override;
  void DeleteRow(int row) override;
  void MoveRow(int fromIndex, int toIndex) override;

protected:
  void DrawCell(int col, int row, const RECT& rect, TGridDrawState state) override;

private:
  struct TCell {
    std::string Text;
    void* Object = nullptr;
  };
  std::vector<std::vector<TCell>> FRows; // rows that were never written stay empty
};
