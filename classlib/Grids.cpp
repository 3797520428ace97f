// Grids: painting of the visible cells, scrolling, key navigation and column sizing.
#include "Grids.h"
#include "Forms.h"
#include <algorithm>
#include <windowsx.h>

namespace {
constexpr int kSizingZone = 3; // pixels either side of a column edge that start column sizing
}

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
  FColor = clWindow;
  FTabStop = true;
  SetBounds(0, 0, 320, 120);
}

void TCustomGrid::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_HSCROLL | WS_VSCROLL | WS_BORDER;
}

void TCustomGrid::InitWnd() {
  TCustomControl::InitWnd();
  // A new window's bars know nothing yet.
  FBars[0] = FBars[1] = TBarState{};
  UpdateScrollBars();
}

// --- dimensions ----------------------------------------------------------------------------------

void TCustomGrid::SetRowCount(int value) {
  value = std::max(value, FFixedRows + 1);
  if (value == FRowCount) return;
  FRowCount = value;
  SizeChanged();
}

void TCustomGrid::SetColCount(int value) {
  value = std::max(value, FFixedCols + 1);
  if (value == FColCount) return;
  FColCount = value;
  SizeChanged();
}

void TCustomGrid::SetFixedRows(int value) {
  value = std::max(value, 0);
  // Fewer fixed rows: the rows that were fixed show again from the top, not scrolled away.
  const int top = FTopRow;
  if (value < FFixedRows) FTopRow = value;
  FFixedRows = value;
  SizeChanged();
  if (FTopRow != top) TopLeftChanged();
}

void TCustomGrid::SetFixedCols(int value) {
  value = std::max(value, 0);
  // Fewer fixed columns: the columns that were fixed show again from the left, not scrolled away.
  const int left = FLeftCol;
  if (value < FFixedCols) FLeftCol = value;
  FFixedCols = value;
  SizeChanged();
  if (FLeftCol != left) TopLeftChanged();
}

void TCustomGrid::SetDefaultColWidth(int value) {
  FDefaultColWidth = std::max(value, 0);
  FColWidths.clear();
  ColWidthsChanged();
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
  FDefaultRowHeight = std::max(value, 1);
  SizeChanged();
}

int TCustomGrid::ColWidths(int col) const {
  return col >= 0 && col < static_cast<int>(FColWidths.size()) && FColWidths[col] >= 0
             ? FColWidths[col]
             : FDefaultColWidth;
}

void TCustomGrid::SetColWidths(int col, int width) {
  if (col < 0 || col >= ColCount()) return;
  width = std::max(width, 0);
  if (ColWidths(col) == width) return;
  if (static_cast<int>(FColWidths.size()) <= col) FColWidths.resize(col + 1, -1);
  FColWidths[col] = width;
  ColWidthsChanged();
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int value) {
  FGridLineWidth = std::max(value, 0);
  SizeChanged();
}

void TCustomGrid::SetOptions(TGridOptions value) {
  FOptions = value;
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor value) {
  FFixedColor = value;
  Invalidate();
}

void TCustomGrid::ColWidthsChanged() {
  ClampPositions();
  UpdateScrollBars();
}

void TCustomGrid::SizeChanged() {
  ClampPositions();
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::Resize() {
  TCustomControl::Resize();
  SizeChanged();
}

// --- positions -----------------------------------------------------------------------------------

void TCustomGrid::SetRow(int row) {
  row = std::clamp(row, FFixedRows, std::max(RowCount() - 1, FFixedRows));
  if (row == FRow) return;
  InvalidateRow(FRow);
  FRow = row;
  InvalidateRow(FRow);
}

void TCustomGrid::SetCol(int col) {
  col = std::clamp(col, FFixedCols, std::max(ColCount() - 1, FFixedCols));
  if (col == FCol) return;
  FCol = col;
  InvalidateRow(FRow);
}

void TCustomGrid::SetTopRow(int row) {
  row = std::clamp(row, FFixedRows, std::max(MaxTopRow(), FFixedRows));
  if (row == FTopRow) return;
  FTopRow = row;
  UpdateScrollBars();
  Invalidate();
  TopLeftChanged();
}

void TCustomGrid::SetLeftCol(int col) {
  col = std::clamp(col, FFixedCols, std::max(MaxLeftCol(), FFixedCols));
  if (col == FLeftCol) return;
  FLeftCol = col;
  UpdateScrollBars();
  Invalidate();
  TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::FocusCell(int col, int row) {
  SetCol(col);
  SetRow(row);
}

int TCustomGrid::VisibleRowCount() const {
  RECT r = const_cast<TCustomGrid*>(this)->ClientRect();
  int step = FDefaultRowHeight + FGridLineWidth;
  int room = r.bottom - FFixedRows * step;
  return std::max(room / step, 1);
}

int TCustomGrid::VisibleColCount() const {
  RECT r = const_cast<TCustomGrid*>(this)->ClientRect();
  int x = 0;
  for (int c = 0; c < FFixedCols && c < ColCount(); ++c)
    x += ColWidths(c) + FGridLineWidth;
  int n = 0;
  for (int c = FLeftCol; c < ColCount(); ++c) {
    x += ColWidths(c) + FGridLineWidth;
    if (x > r.right) break;
    ++n;
  }
  return std::max(n, 1);
}

int TCustomGrid::MaxTopRow() const {
  return std::max(RowCount() - VisibleRowCount(), FFixedRows);
}

int TCustomGrid::MaxLeftCol() const {
  // The leftmost column from which the last columns all fit.
  RECT r = const_cast<TCustomGrid*>(this)->ClientRect();
  int room = r.right;
  for (int c = 0; c < FFixedCols && c < ColCount(); ++c)
    room -= ColWidths(c) + FGridLineWidth;
  int col = ColCount() - 1;
  int used = ColWidths(col) + FGridLineWidth;
  while (col - 1 >= FFixedCols && used + ColWidths(col - 1) + FGridLineWidth <= room) {
    --col;
    used += ColWidths(col) + FGridLineWidth;
  }
  return std::max(col, FFixedCols);
}

void TCustomGrid::ClampPositions() {
  int lastRow = std::max(RowCount() - 1, FFixedRows);
  FRow = std::clamp(FRow, FFixedRows, lastRow);
  FCol = std::clamp(FCol, FFixedCols, std::max(ColCount() - 1, FFixedCols));
  FTopRow = std::clamp(FTopRow, FFixedRows, std::max(MaxTopRow(), FFixedRows));
  FLeftCol = std::clamp(FLeftCol, FFixedCols, std::max(MaxLeftCol(), FFixedCols));
}

int TCustomGrid::ColLeft(int col) const {
  if (col < 0 || col >= ColCount()) return -1;
  int x = 0;
  if (col < FFixedCols) {
    for (int c = 0; c < col; ++c)
      x += ColWidths(c) + FGridLineWidth;
    return x;
  }
  if (col < FLeftCol) return -1;
  for (int c = 0; c < FFixedCols; ++c)
    x += ColWidths(c) + FGridLineWidth;
  for (int c = FLeftCol; c < col; ++c)
    x += ColWidths(c) + FGridLineWidth;
  return x;
}

int TCustomGrid::RowTop(int row) const {
  int step = FDefaultRowHeight + FGridLineWidth;
  if (row < 0 || row >= RowCount()) return -1;
  if (row < FFixedRows) return row * step;
  if (row < FTopRow) return -1;
  return (FFixedRows + row - FTopRow) * step;
}

RECT TCustomGrid::CellRect(int col, int row) const {
  int x = ColLeft(col), y = RowTop(row);
  if (x < 0 || y < 0) return RECT{0, 0, 0, 0};
  return RECT{x, y, x + ColWidths(col), y + FDefaultRowHeight};
}

TGridCoord TCustomGrid::MouseToCell(int x, int y) const {
  TGridCoord cell;
  if (x < 0 || y < 0) return cell;
  int step = FDefaultRowHeight + FGridLineWidth;
  int line = y / step;
  int row = line < FFixedRows ? line : FTopRow + line - FFixedRows;
  if (row < RowCount()) cell.Y = row;
  int left = 0;
  for (int c = 0; c < ColCount(); ++c) {
    if (c == FFixedCols && FLeftCol > c) c = FLeftCol;
    int right = left + ColWidths(c) + FGridLineWidth;
    if (x < right) {
      cell.X = c;
      break;
    }
    left = right;
  }
  if (cell.X < 0 || cell.Y < 0) return TGridCoord{};
  return cell;
}

void TCustomGrid::InvalidateCell(int col, int row) {
  if (!HandleAllocated()) return;
  RECT r = CellRect(col, row);
  if (r.right <= r.left) return;
  r.right += FGridLineWidth;
  r.bottom += FGridLineWidth;
  InvalidateRect(FHandle, &r, FALSE);
}

void TCustomGrid::InvalidateRow(int row) {
  if (!HandleAllocated()) return;
  int y = RowTop(row);
  if (y < 0) return;
  RECT r{0, y, ClientWidth(), y + FDefaultRowHeight + FGridLineWidth};
  InvalidateRect(FHandle, &r, FALSE);
}

// --- row operations ------------------------------------------------------------------------------

void TCustomGrid::DeleteRow(int row) {
  if (row < FFixedRows || row >= RowCount()) return;
  if (RowCount() - 1 <= FFixedRows) return; // a grid keeps one row below its fixed rows
  FRowCount = RowCount() - 1;
  SizeChanged();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex) {
  (void)fromIndex, (void)toIndex;
  Invalidate();
}

// --- painting ------------------------------------------------------------------------------------

void TCustomGrid::Paint() {
  DrawChangedScrollBars();
  TCanvas& canvas = Canvas();
  RECT client = ClientRect();
  int step = FDefaultRowHeight + FGridLineWidth;
  // The rows on screen: fixed rows, then from the top row down to the bottom edge.
  std::vector<int> rows;
  for (int r = 0; r < FFixedRows && r < RowCount(); ++r)
    rows.push_back(r);
  for (int r = FTopRow; r < RowCount() && static_cast<int>(rows.size()) * step < client.bottom; ++r)
    rows.push_back(r);
  std::vector<int> cols;
  int x = 0;
  for (int c = 0; c < ColCount() && x < client.right; ++c) {
    if (c == FFixedCols && FLeftCol > c) c = FLeftCol;
    if (c >= ColCount()) break;
    cols.push_back(c);
    x += ColWidths(c) + FGridLineWidth;
  }
  bool focused = HandleAllocated() && GetFocus() == FHandle;
  int bottom = static_cast<int>(rows.size()) * step;
  for (size_t i = 0; i < rows.size(); ++i) {
    int row = rows[i];
    int top = static_cast<int>(i) * step;
    int left = 0;
    for (int col : cols) {
      int width = ColWidths(col);
      RECT cell{left, top, left + width, top + FDefaultRowHeight};
      bool fixed = row < FFixedRows || col < FFixedCols;
      TGridDrawState state;
      if (fixed) {
        state.Include(gdFixed);
      } else {
        bool current = FOptions.Contains(goRowSelect) ? row == FRow : row == FRow && col == FCol;
        if (current) {
          if (focused) state.Include(gdFocused);
          if (!focused || FOptions.Contains(goDrawFocusSelected) || FOptions.Contains(goRowSelect))
            state.Include(gdSelected);
        }
      }
      if (FDefaultDrawing) {
        canvas.Brush().SetColor(fixed                        ? FFixedColor
                                : state.Contains(gdSelected) ? clHighlight
                                                             : Color());
        canvas.FillRect(cell);
      }
      DrawCell(col, row, cell, state);
      // Grid lines right of and below the cell.
      bool vert = fixed ? FOptions.Contains(goFixedVertLine) : FOptions.Contains(goVertLine);
      bool horz = fixed ? FOptions.Contains(goFixedHorzLine) : FOptions.Contains(goHorzLine);
      if (FGridLineWidth > 0) {
        canvas.Brush().SetColor(vert ? clSilver : Color());
        canvas.FillRect(RECT{cell.right, top, cell.right + FGridLineWidth, top + step});
        canvas.Brush().SetColor(horz ? clSilver : Color());
        canvas.FillRect(RECT{left, cell.bottom, cell.right, cell.bottom + FGridLineWidth});
      }
      left += width + FGridLineWidth;
    }
    canvas.Brush().SetColor(Color());
    if (left < client.right) canvas.FillRect(RECT{left, top, client.right, top + step});
  }
  canvas.Brush().SetColor(Color());
  if (bottom < client.bottom) canvas.FillRect(RECT{0, bottom, client.right, client.bottom});
}

// --- scrolling -----------------------------------------------------------------------------------

// A bar drawn at once costs a frame repaint, and a row added at a time (an import, a fill)
// changes the range every row: the values are set at once, for anyone who reads them, and the
// bars are drawn with the grid's next paint, which the change has asked for.
void TCustomGrid::UpdateScrollBars() {
  if (!HandleAllocated() || FUpdatingScroll) return;
  FUpdatingScroll = true;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  // Rows below the fixed ones: a page is the rows that fit.
  si.nMin = 0;
  TBarState vert{std::max(RowCount() - FFixedRows - 1, 0), VisibleRowCount(), FTopRow - FFixedRows};
  int cols = std::max(ColCount() - FFixedCols - 1, 0);
  // A page of columns: so many that the bar hides exactly when every column fits.
  TBarState horz{cols,
                 MaxLeftCol() == FFixedCols && FLeftCol == FFixedCols
                     ? cols + 1
                     : std::max(VisibleColCount(), 1),
                 FLeftCol - FFixedCols};
  const TBarState wanted[2] = {vert, horz};
  for (int i = 0; i < 2; ++i) {
    if (FBars[i] == wanted[i]) continue;
    FBars[i] = wanted[i];
    si.nMax = wanted[i].Max;
    si.nPage = static_cast<UINT>(wanted[i].Page);
    si.nPos = wanted[i].Pos;
    SetScrollInfo(FHandle, i == 0 ? SB_VERT : SB_HORZ, &si, FALSE);
    FBarsToDraw = true;
  }
  if (FBarsToDraw) InvalidateRect(FHandle, nullptr, FALSE); // the paint that draws the bars
  FUpdatingScroll = false;
}

void TCustomGrid::DrawChangedScrollBars() {
  if (!FBarsToDraw || !HandleAllocated()) return;
  FBarsToDraw = false;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  for (int i = 0; i < 2; ++i) {
    si.nMin = 0;
    si.nMax = FBars[i].Max;
    si.nPage = static_cast<UINT>(FBars[i].Page);
    si.nPos = FBars[i].Pos;
    SetScrollInfo(FHandle, i == 0 ? SB_VERT : SB_HORZ, &si, TRUE);
  }
}

void TCustomGrid::Scroll(int bar, int code) {
  bool vert = bar == SB_VERT;
  int pos = vert ? FTopRow : FLeftCol;
  int page = vert ? VisibleRowCount() : VisibleColCount();
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_TRACKPOS | SIF_POS;
  GetScrollInfo(FHandle, bar, &si);
  int first = vert ? FFixedRows : FFixedCols;
  switch (code) {
  case SB_LINEUP:
    --pos;
    break;
  case SB_LINEDOWN:
    ++pos;
    break;
  case SB_PAGEUP:
    pos -= page;
    break;
  case SB_PAGEDOWN:
    pos += page;
    break;
  case SB_TOP:
    pos = first;
    break;
  case SB_BOTTOM:
    pos = vert ? MaxTopRow() : MaxLeftCol();
    break;
  case SB_THUMBTRACK:
    if (!FOptions.Contains(goThumbTracking)) return;
    pos = si.nTrackPos + first;
    break;
  case SB_THUMBPOSITION:
    pos = si.nTrackPos + first;
    break;
  default:
    return;
  }
  if (vert)
    SetTopRow(pos);
  else
    SetLeftCol(pos);
}

// --- mouse and keys ------------------------------------------------------------------------------

int TCustomGrid::ColumnEdgeAt(int x, int y) const {
  if (!FOptions.Contains(goColSizing)) return -1;
  if (y < 0 || y >= FFixedRows * (FDefaultRowHeight + FGridLineWidth)) return -1;
  for (int c = 0; c < ColCount(); ++c) {
    int left = ColLeft(c);
    if (left < 0) continue;
    int edge = left + ColWidths(c);
    if (x >= edge - kSizingZone && x <= edge + kSizingZone) return c;
  }
  return -1;
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (CanFocus() && HandleAllocated() && GetFocus() != FHandle) SetFocus();
  if (button == mbLeft) {
    int edge = ColumnEdgeAt(x, y);
    if (edge >= 0) {
      FSizingCol = edge;
      FSizingStartX = x;
      FSizingStartWidth = ColWidths(edge);
    } else {
      TGridCoord cell = MouseToCell(x, y);
      if (cell.Y >= FFixedRows && cell.X >= FFixedCols) FocusCell(cell.X, cell.Y);
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  if (FSizingCol >= 0) SetColWidths(FSizingCol, std::max(FSizingStartWidth + x - FSizingStartX, 0));
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && FSizingCol >= 0) {
    SetColWidths(FSizingCol, std::max(FSizingStartWidth + x - FSizingStartX, 0));
    FSizingCol = -1;
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TCustomGrid::KeyDown(WORD& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  int row = FRow, col = FCol;
  int page = VisibleRowCount();
  bool ctrl = shift.Contains(ssCtrl);
  switch (key) {
  case VK_UP:
    --row;
    break;
  case VK_DOWN:
    ++row;
    break;
  case VK_PRIOR:
    row -= page;
    break;
  case VK_NEXT:
    row += page;
    break;
  case VK_HOME:
    if (ctrl || FOptions.Contains(goRowSelect))
      row = FFixedRows;
    else
      col = FFixedCols;
    break;
  case VK_END:
    if (ctrl || FOptions.Contains(goRowSelect))
      row = RowCount() - 1;
    else
      col = ColCount() - 1;
    break;
  case VK_LEFT:
    if (FOptions.Contains(goRowSelect)) {
      SetLeftCol(FLeftCol - 1);
      return;
    }
    --col;
    break;
  case VK_RIGHT:
    if (FOptions.Contains(goRowSelect)) {
      SetLeftCol(FLeftCol + 1);
      return;
    }
    ++col;
    break;
  default:
    return;
  }
  row = std::clamp(row, FFixedRows, std::max(RowCount() - 1, FFixedRows));
  col = std::clamp(col, FFixedCols, std::max(ColCount() - 1, FFixedCols));
  FocusCell(col, row);
  // Keep the focused row in view.
  if (FRow < FTopRow)
    SetTopRow(FRow);
  else if (FRow >= FTopRow + VisibleRowCount())
    SetTopRow(FRow - VisibleRowCount() + 1);
}

void TCustomGrid::WndProc(TMessage& m) {
  switch (m.Msg) {
  case WM_GETDLGCODE:
    m.Result = DLGC_WANTARROWS;
    return;
  case WM_VSCROLL:
  case WM_HSCROLL:
    if (m.LParam == 0) {
      Scroll(m.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(m.WParam));
      m.Result = 0;
      return;
    }
    break;
  case WM_MOUSEWHEEL: {
    int delta = GET_WHEEL_DELTA_WPARAM(m.WParam);
    SetTopRow(FTopRow - delta / WHEEL_DELTA * 3);
    m.Result = 0;
    return;
  }
  case WM_SETCURSOR:
    if (LOWORD(m.LParam) == HTCLIENT && FOptions.Contains(goColSizing)) {
      POINT p;
      GetCursorPos(&p);
      ::ScreenToClient(FHandle, &p);
      if (FSizingCol >= 0 || ColumnEdgeAt(p.x, p.y) >= 0) {
        ::SetCursor(Screen->Cursors(crHSplit));
        m.Result = 1;
        return;
      }
    }
    break;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    InvalidateRow(FRow);
    break;
  case WM_CANCELMODE:
  case WM_CAPTURECHANGED:
    FSizingCol = -1;
    break;
  }
  TCustomControl::WndProc(m);
}

// --- draw grid and string grid -------------------------------------------------------------------

void TDrawGrid::DrawCell(int col, int row, const RECT& rect, TGridDrawState state) {
  if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
}

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) {
  FRows.resize(RowCount());
}

std::string TStringGrid::Cells(int col, int row) const {
  if (row < 0 || row >= static_cast<int>(FRows.size()) || col < 0) return "";
  const auto& cells = FRows[row];
  return col < static_cast<int>(cells.size()) ? cells[col].Text : "";
}

void TStringGrid::SetCells(int col, int row, const std::string& text) {
  if (row < 0 || row >= RowCount() || col < 0 || col >= ColCount()) return;
  auto& cells = FRows[row];
  if (static_cast<int>(cells.size()) <= col) cells.resize(ColCount());
  cells[col].Text = text;
  InvalidateCell(col, row);
}

void* TStringGrid::Objects(int col, int row) const {
  if (row < 0 || row >= static_cast<int>(FRows.size()) || col < 0) return nullptr;
  const auto& cells = FRows[row];
  return col < static_cast<int>(cells.size()) ? cells[col].Object : nullptr;
}

void TStringGrid::SetObjects(int col, int row, void* object) {
  if (row < 0 || row >= RowCount() || col < 0 || col >= ColCount()) return;
  auto& cells = FRows[row];
  if (static_cast<int>(cells.size()) <= col) cells.resize(ColCount());
  cells[col].Object = object;
}

void TStringGrid::SetRowCount(int value) {
  TDrawGrid::SetRowCount(value);
  FRows.resize(RowCount());
}

void TStringGrid::SetColCount(int value) {
  TDrawGrid::SetColCount(value);
  for (auto& cells : FRows)
    if (static_cast<int>(cells.size()) > ColCount()) cells.resize(ColCount());
}

void TStringGrid::DeleteRow(int row) {
  if (row < FixedRows() || row >= RowCount() || RowCount() - 1 <= FixedRows()) return;
  FRows.erase(FRows.begin() + row);
  TDrawGrid::DeleteRow(row);
}

void TStringGrid::MoveRow(int fromIndex, int toIndex) {
  int n = RowCount();
  if (fromIndex < 0 || fromIndex >= n || toIndex < 0 || toIndex >= n || fromIndex == toIndex)
    return;
  auto moved = std::move(FRows[fromIndex]);
  FRows.erase(FRows.begin() + fromIndex);
  FRows.insert(FRows.begin() + toIndex, std::move(moved));
  TDrawGrid::MoveRow(fromIndex, toIndex);
}

void TStringGrid::DrawCell(int col, int row, const RECT& rect, TGridDrawState state) {
  if (OnDrawCell) {
    TDrawGrid::DrawCell(col, row, rect, state);
    return;
  }
  if (!DefaultDrawing()) return;
  TCanvas& canvas = Canvas();
  canvas.Font().SetColor(state.Contains(gdSelected) ? clHighlightText : Font().Color());
  canvas.Brush().SetStyle(bsClear);
  canvas.TextRect(rect, rect.left + 2, rect.top + 2, Cells(col, row));
  canvas.Brush().SetStyle(bsSolid);
}
