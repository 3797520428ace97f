// The drawn catalogue grid: painting, mouse and keys, drags within the grid, column fitting.
#include "MyStringGrid.h"
#include "Forms.h"
#include "SysUtils.h"
#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

namespace {

// Steps an extended progress bar for the row model's long operations. The bar repaints at every
// step it is given, which costs far more than a row does: it is given one a screen can show.
class TBarProgress : public TRowProgress {
public:
  explicit TBarProgress(TExtProgressBar* bar) : FBar(bar) {}
  void Start(int max) override {
    FBar->SetRange(0, std::max(max, 0));
    FBar->SetPosition(0);
    FBar->Show();
    FShown = GetTickCount();
  }
  void SetPosition(int position) override {
    if (GetTickCount() - FShown < StepIntervalMs) return;
    FBar->SetPosition(position);
    FShown = GetTickCount();
  }
  void Finish() override {
    FBar->SetPosition(0);
    FBar->Hide();
  }

private:
  static constexpr DWORD StepIntervalMs = 40;
  TExtProgressBar* FBar;
  DWORD FShown = 0;
};

constexpr int kColumnSlots = 21;

} // namespace

TMyStringGrid::TMyStringGrid(TComponent* AOwner) : TDrawGrid(AOwner), FCentered(kColumnSlots) {
  SetDefaultRowHeight(16);
  SetFixedCols(0);
  SetFixedRows(1);
  SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect,
              goDrawFocusSelected, goColSizing, goRowSelect, goThumbTracking});
  SetDefaultDrawing(false); // every cell paints itself opaquely
  SizeChanged();
}

TMyStringGrid::~TMyStringGrid() {
  if (DragSource() == this) CancelDrag();
}

void TMyStringGrid::SetRowCount(int value) {
  TTuneGridRows::SetRowCount(value);
  if (!FUpdating) SizeChanged();
}

void TMyStringGrid::SetColCount(int value) {
  TTuneGridRows::SetColCount(value);
  SizeChanged();
}

void TMyStringGrid::SetCells(int col, int row, const std::string& text) {
  TTuneGridRows::SetCells(col, row, text);
  if (!FUpdating) InvalidateCell(col, row);
}

void TMyStringGrid::SetTuneRow(const TTuneRec& rec, int row) {
  TTuneGridRows::SetTuneRow(rec, row);
  if (!FUpdating) InvalidateRow(row);
}

void TMyStringGrid::SetAlbumRow(const TTuneRec& rec, int row) {
  TTuneGridRows::SetAlbumRow(rec, row);
  if (!FUpdating) InvalidateRow(row);
}

int TMyStringGrid::AppendTuneRow(const TTuneRec& rec) {
  int row = TTuneGridRows::AppendTuneRow(rec);
  RowsChanged();
  return row;
}

int TMyStringGrid::AppendAlbumRow(const TTuneRec& rec) {
  int row = TTuneGridRows::AppendAlbumRow(rec);
  RowsChanged();
  return row;
}

void TMyStringGrid::RemoveTuneRows(const TStringList& keys, TExtProgressBar* progress) {
  TBarProgress bar(progress);
  TTuneGridRows::RemoveTuneRows(keys, progress ? &bar : nullptr);
}

void TMyStringGrid::RenameCategory(int32_t categoryKey, const std::string& name,
                                   TExtProgressBar* progress) {
  TBarProgress bar(progress);
  TTuneGridRows::RenameCategory(categoryKey, name, progress ? &bar : nullptr);
}

void TMyStringGrid::MoveToCategory(int32_t oldKey, int32_t newKey, const std::string& name,
                                   TExtProgressBar* progress) {
  TBarProgress bar(progress);
  TTuneGridRows::MoveToCategory(oldKey, newKey, name, progress ? &bar : nullptr);
}

void TMyStringGrid::MoveRow(int fromIndex, int toIndex) {
  if (fromIndex < 1 || toIndex < 1 || fromIndex >= RowCount() || toIndex >= RowCount()) return;
  // The row model moves selected rows: move this one alone and keep the selection as it was.
  if (!Objects(fromIndex)) return;
  std::vector<bool> selected(RowCount());
  for (int r = 1; r < RowCount(); ++r)
    selected[r] = IsRowSelected(r);
  BeginUpdate();
  ClearSelection();
  SetRowSelected(fromIndex, true);
  SaveSelection();
  DropSelectionAt(toIndex > fromIndex ? toIndex + 1 : toIndex);
  bool moved = selected[fromIndex];
  selected.erase(selected.begin() + fromIndex);
  selected.insert(selected.begin() + toIndex, moved);
  for (int r = 1; r < RowCount(); ++r)
    if (Objects(r)) Objects(r)->Selected = selected[r];
  SaveSelection();
  EndUpdate();
}

// --- columns -------------------------------------------------------------------------------------

namespace {

// Columns set up before the window exists are measured off-screen in the same font. One canvas
// serves every such grid and keeps its font while the fonts agree: a bitmap and a font made for
// each measure were most of the cost of making a page, and there may be hundreds.
// The character widths of its font are kept with it, for the same reason, and the widths of the
// texts measured in it: every page's grid measures the same headings.
struct TOffscreenWidths {
  bool Known = false;
  INT Widths[256] = {};
  std::unordered_map<std::string, int> Texts;
};

TCanvas& OffscreenCanvas(const TFont& font, TOffscreenWidths** widths = nullptr) {
  static TBitmap probe(1, 1);
  static TOffscreenWidths kept;
  TFont& held = probe.Canvas().Font();
  if (held.Name() != font.Name() || held.Height() != font.Height() ||
      held.Style() != font.Style()) {
    held.Assign(font);
    kept.Known = false;
    kept.Texts.clear();
  }
  if (widths) {
    if (!kept.Known)
      kept.Known = GetCharWidth32A(probe.Canvas().Handle(), 0, 255, kept.Widths) != 0;
    *widths = &kept;
  }
  return probe.Canvas();
}

} // namespace

int TMyStringGrid::TextWidth(const std::string& text) {
  if (!HandleAllocated()) {
    TOffscreenWidths* kept = nullptr;
    TCanvas& canvas = OffscreenCanvas(Font(), &kept);
    auto at = kept->Texts.find(text);
    if (at == kept->Texts.end()) at = kept->Texts.emplace(text, canvas.TextWidth(text)).first;
    return at->second;
  }
  TCanvas& canvas = Canvas();
  canvas.Font().Assign(Font());
  return canvas.TextWidth(text);
}

void TMyStringGrid::SetColumnHeaders(const TStringList* headers) {
  TTuneGridRows::SetColumnHeaders(headers);
  SizeChanged();
  for (int c = 0; c < ColCount(); ++c) {
    if (Width() > 0)
      SetColWidths(c, Width() / ColCount());
    else
      SetColWidths(c, TextWidth(Cells(c, 0)));
  }
}

namespace {

// Text widths in one font selected once: choosing the font for every text measured costs more
// than the measuring. A text's estimate is the sum of its characters' widths, which is what GDI
// measures for single-byte text; only texts whose estimate comes near the widest are measured.
class TTextMeasure {
public:
  TTextMeasure(TMyStringGrid& grid, TCanvas* canvas) {
    if (canvas) {
      canvas->Font().Assign(grid.Font());
      FDC = canvas->Handle();
      FHasWidths = GetCharWidth32A(FDC, 0, 255, FWidths) != 0;
      return;
    }
    TOffscreenWidths* kept = nullptr;
    FDC = OffscreenCanvas(grid.Font(), &kept).Handle();
    FKept = kept;
    FHasWidths = kept->Known;
    std::copy(std::begin(kept->Widths), std::end(kept->Widths), std::begin(FWidths));
  }
  int Exact(const std::string& text) {
    if (FKept) {
      auto at = FKept->Texts.find(text);
      if (at != FKept->Texts.end()) return at->second;
    }
    SIZE s{};
    GetTextExtentPoint32A(FDC, text.data(), static_cast<int>(text.size()), &s);
    if (FKept && FKept->Texts.size() < KeptTexts) FKept->Texts.emplace(text, s.cx);
    return s.cx;
  }
  // The character widths, for the grid's estimates of its texts; none when they are not known.
  const int* CharWidths() const { return FHasWidths ? FWidths : nullptr; }

  // The widest text of a grid's column, exactly, given the estimates of its texts (none when the
  // character widths are not known). Only the widest few texts are made and measured.
  int Widest(const TMyStringGrid& grid, int col, const std::vector<int>& estimates) {
    const int rows = grid.RowCount();
    std::vector<int> order(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
      order[static_cast<size_t>(r)] = r;
    std::unordered_map<std::string, int> measured;
    auto measure = [&](int row) {
      std::string text = grid.Cells(col, row);
      auto at = measured.find(text);
      if (at == measured.end()) at = measured.emplace(text, Exact(text)).first;
      return at->second;
    };
    int widest = 0;
    if (estimates.size() != static_cast<size_t>(rows)) {
      for (int r = 0; r < rows; ++r)
        widest = std::max(widest, measure(r));
      return widest;
    }
    // The widest estimates first. Where each of them measures its estimate plus one same amount
    // (the font adds nothing of its own between characters), the widest estimate is the widest
    // text.
    const size_t sample = std::min<size_t>(order.size(), 64);
    auto wider = [&](int a, int b) {
      return estimates[static_cast<size_t>(a)] > estimates[static_cast<size_t>(b)];
    };
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(sample),
                      order.end(), wider);
    bool steady = true;
    int offset = 0;
    for (size_t i = 0; i < sample; ++i) {
      const int row = order[i];
      const int exact = measure(row);
      const int difference = exact - estimates[static_cast<size_t>(row)];
      if (i == 0) offset = difference;
      steady = steady && difference == offset;
      widest = std::max(widest, exact);
    }
    if (steady) return widest;
    // Otherwise every text near the widest estimate is measured: room for fonts whose measure
    // differs a little from the sum (hinting, overhangs).
    const int top = sample > 0 ? estimates[static_cast<size_t>(order[0])] : 0;
    const int margin = top / 8 + 8;
    for (int r = 0; r < rows; ++r)
      if (estimates[static_cast<size_t>(r)] + margin >= top) widest = std::max(widest, measure(r));
    return widest;
  }

private:
  // Off screen: texts measured are kept, up to a bound (titles are many and seldom repeat).
  static constexpr size_t KeptTexts = 4096;
  TOffscreenWidths* FKept = nullptr;
  HDC FDC = nullptr;
  INT FWidths[256] = {};
  bool FHasWidths = false;
};

// Columns as wide as their widest texts, measured in one font selected once for all columns.
void FitColumnsWith(TMyStringGrid& grid, int first, int last, TTextMeasure& measure) {
  std::vector<std::vector<int>> estimates;
  if (measure.CharWidths()) grid.EstimateColumns(measure.CharWidths(), estimates);
  static const std::vector<int> none;
  for (int col = first; col <= last; ++col)
    grid.SetColWidths(
        col,
        measure.Widest(grid, col, estimates.empty() ? none : estimates[static_cast<size_t>(col)]) +
            6);
}

} // namespace

void TMyStringGrid::FitColumn(int col) {
  if (col < 0 || col >= ColCount()) return;
  TTextMeasure measure(*this, HandleAllocated() ? &Canvas() : nullptr);
  FitColumnsWith(*this, col, col, measure);
}

void TMyStringGrid::FitColumnsToRow(int row) {
  FitColumnsToRows(row, row);
}

void TMyStringGrid::FitColumnsToRows(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, RowCount() - 1);
  if (first > last) return;
  TTextMeasure measure(*this, HandleAllocated() ? &Canvas() : nullptr);
  for (int c = 0; c < ColCount(); ++c) {
    int width = 0;
    for (int row = first; row <= last; ++row)
      width = std::max(width, measure.Exact(Cells(c, row)) + 6);
    if (width > ColWidths(c)) SetColWidths(c, width);
  }
  BringLastColumnIntoView();
}

void TMyStringGrid::FitAllColumns() {
  TTextMeasure measure(*this, HandleAllocated() ? &Canvas() : nullptr);
  FitColumnsWith(*this, 0, ColCount() - 1, measure);
  BringLastColumnIntoView();
}

void TMyStringGrid::Resize() {
  TDrawGrid::Resize();
  BringLastColumnIntoView();
}

void TMyStringGrid::InitWnd() {
  TDrawGrid::InitWnd();
  // A grid filled before its window existed (a page not shown yet) fits its columns now.
  BringLastColumnIntoView();
}

void TMyStringGrid::BringLastColumnIntoView() {
  constexpr int LeastWidth = 24; // a column narrowed this far still shows where it is
  int last = ColCount() - 1;
  if (!KeepLastColumnInView || last < 1 || !HandleAllocated()) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  int used = 0, give = 0;
  for (int c = 0; c <= last; ++c) {
    used += ColWidths(c) + GridLineWidth();
    if (c < last) give += std::max(0, ColWidths(c) - LeastWidth);
  }
  int excess = used - client.right;
  if (excess <= 0 || give <= 0) return;
  // Each column before the last gives its share of what it can spare; the last pixels come
  // from the first of them.
  int taken = 0;
  std::vector<int> widths(static_cast<size_t>(last));
  for (int c = 0; c < last; ++c) {
    int spare = std::max(0, ColWidths(c) - LeastWidth);
    int share = std::min(spare, static_cast<int>(static_cast<int64_t>(excess) * spare / give));
    widths[static_cast<size_t>(c)] = ColWidths(c) - share;
    taken += share;
  }
  for (int c = 0; c < last && taken < excess; ++c) {
    int more = std::min(excess - taken, widths[static_cast<size_t>(c)] - LeastWidth);
    if (more <= 0) continue;
    widths[static_cast<size_t>(c)] -= more;
    taken += more;
  }
  for (int c = 0; c < last; ++c)
    SetColWidths(c, widths[static_cast<size_t>(c)]);
}

void TMyStringGrid::SetColumnCentered(int col, bool flag) {
  if (col < 0 || col >= kColumnSlots) return;
  FCentered[col] = flag;
  Invalidate();
}

bool TMyStringGrid::ColumnCentered(int col) const {
  return col >= 0 && col < kColumnSlots && FCentered[col];
}

// --- updates -------------------------------------------------------------------------------------

void TMyStringGrid::BeginUpdate() {
  ++FUpdating;
}

void TMyStringGrid::EndUpdate() {
  if (FUpdating > 0 && --FUpdating == 0) {
    SizeChanged();
    FKnownRows = RowCount();
  }
}

void TMyStringGrid::RowChanged(int row) {
  if (!FUpdating) InvalidateRow(row);
}

void TMyStringGrid::RowsChanged() {
  if (FUpdating) return;
  SizeChanged();
  FKnownRows = RowCount();
}

void TMyStringGrid::SetBusyCursor(bool busy) {
  Screen->SetCursor(busy ? crHourGlass : crDefault);
}

// --- painting ------------------------------------------------------------------------------------

void TMyStringGrid::Paint() {
  // Rows added or removed by a row operation that tells nobody: catch up with the scroll range.
  if (FKnownRows != RowCount() && !FUpdating) {
    FKnownRows = RowCount();
    SizeChanged();
  }
  TDrawGrid::Paint();
}

void TMyStringGrid::DrawCell(int col, int row, const RECT& rect, TGridDrawState state) {
  TCanvas& canvas = Canvas();
  bool selected = col >= FixedCols() && IsRowSelected(row);
  bool normal = !selected && row >= FixedRows() && col >= FixedCols();
  std::string text = Trim(Cells(col, row));
  if (text.empty()) text = " ";

  canvas.Pen().SetColor(clBlack);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(selected ? clNavy : normal ? clWhite : clSilver);
  canvas.Font().Assign(Font());
  canvas.Font().SetColor(selected ? clWhite : clBlack);

  // Text wider than the room ends in "..." and never leaves the cell.
  int cellWidth = rect.right - rect.left;
  int room = cellWidth - 6;
  int width = canvas.TextWidth(text);
  if (width > room) {
    const std::string dots = "...";
    if (canvas.TextWidth(dots) < room) {
      // The longest prefix that, with "...", is still narrower than the room.
      size_t lo = 0, hi = text.size();
      while (lo < hi) {
        size_t mid = (lo + hi + 1) / 2;
        if (canvas.TextWidth(text.substr(0, mid) + dots) < room)
          lo = mid;
        else
          hi = mid - 1;
      }
      text = text.substr(0, lo) + dots;
    } else {
      text = dots;
    }
    width = canvas.TextWidth(text);
  }
  int x = ColumnCentered(col) ? rect.left + (cellWidth - width) / 2 : rect.left + 4;
  canvas.TextRect(rect, x, rect.top + 1, text);

  canvas.Pen().SetColor(clBlack);
  canvas.Font().SetColor(clBlack);
  canvas.Brush().SetColor(clWhite);

  if (state == TGridDrawState{gdFixed}) {
    canvas.Pen().SetColor(clWhite);
    canvas.MoveTo(rect.left, rect.bottom - 1);
    canvas.LineTo(rect.left, rect.top);
    canvas.LineTo(rect.right, rect.top);
    canvas.Pen().SetColor(clGray);
    canvas.MoveTo(rect.right - 1, rect.top + 1);
    canvas.LineTo(rect.right - 1, rect.bottom - 1);
    canvas.LineTo(rect.left - 1, rect.bottom - 1);
    canvas.Pen().SetColor(clBlack);
  }
}

// --- mouse and keys ------------------------------------------------------------------------------

void TMyStringGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (shift.Contains(ssDouble)) {
    // The second press of a double click: the double click handler has done the work.
    TDrawGrid::MouseDown(button, shift, x, y);
    return;
  }
  FPressed = button == mbLeft;
  FDragging = false;
  FHeaderClick = false;
  FMoved = false;
  FPressRow = -1;
  FPressPoint = POINT{x, y};
  FPressTime = Now();
  TDrawGrid::MouseDown(button, shift, x, y);
  if (button != mbLeft || IsSizingColumn()) return;
  TGridCoord cell = MouseToCell(x, y);
  if (cell.Y == 0) {
    FHeaderClick = true;
  } else if (cell.Y >= 1) {
    FPressRow = cell.Y;
    PressRow(cell.Y, shift.Contains(ssShift), shift.Contains(ssCtrl));
  }
  if (LeftCol() > FixedCols()) Invalidate();
}

void TMyStringGrid::MouseMove(TShiftState shift, int x, int y) {
  if (x != FPressPoint.x || y != FPressPoint.y) {
    if (FDragging && !FPressed) FDragging = false; // the hold after a double click ends
    FMoved = true;
  }
  TDrawGrid::MouseMove(shift, x, y);
  if (FPressed && shift.Contains(ssLeft) && FPressRow >= 1 && !FDragging && FMoved &&
      !IsSizingColumn() && !Dragging()) {
    FDragging = true;
    BeginDrag(this);
  }
}

void TMyStringGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  bool wasSizing = IsSizingColumn();
  TDrawGrid::MouseUp(button, shift, x, y);
  if (button != mbLeft) return;
  TGridCoord cell = MouseToCell(x, y);
  ReleaseRow(cell.Y, FDragging);
  if (FPressed && !FMoved && FHeaderClick && !wasSizing && cell.Y == 0 && cell.X >= 0)
    SortByColumn(cell.X);
  FPressed = false;
  FHeaderClick = false;
  FReleaseTime = Now();
}

void TMyStringGrid::DblClick() {
  int row = Row();
  if (row >= 1 && row < RowCount()) {
    ClearSelection();
    SetRowSelected(row, true);
    SetAnchorRow(row);
  }
  TDrawGrid::DblClick();
  if (DragSource() == this) CancelDrag();
  // The release of the double click must not act as a click on the selection.
  FDragging = true;
  FPressed = false;
  FHeaderClick = false;
}

void TMyStringGrid::KeyDown(WORD& key, TShiftState shift) {
  int before = Row();
  TDrawGrid::KeyDown(key, shift);
  if (key != 0 && Row() != before) {
    KeyMovedTo(Row(), shift.Contains(ssShift));
    key = 0;
  }
}

void TMyStringGrid::DoEnter() {
  RestoreSelection();
  TDrawGrid::DoEnter();
}

void TMyStringGrid::DoExit() {
  if (DragSource() != this) {
    SaveSelection();
    ClearSelection();
  }
  TDrawGrid::DoExit();
}

// --- dragging rows -------------------------------------------------------------------------------

void TMyStringGrid::DoStartDrag(TCursor& cursor) {
  if (!SelectEmptyRows) {
    RestoreSelection();
    SaveSelection();
  }
  cursor = SelectedCount() > 1 ? crMultiDrag : crDrag;
  FOwnDrag = true;
  TDragClient::DoStartDrag(cursor);
}

int TMyStringGrid::DropRowAt(int x, int y) const {
  int headerBottom = FixedRows() * (DefaultRowHeight() + GridLineWidth());
  if (y < headerBottom + 3) return 1;
  TGridCoord cell = MouseToCell(std::max(x, 0), y);
  if (cell.Y >= 1) return cell.Y;
  // Below the last row, while the last row is on screen.
  int last = RowCount() - 1;
  if (last >= TopRow() && last < TopRow() + VisibleRowCount() + 1) return last;
  return -1;
}

void TMyStringGrid::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  if (Source != this || !FOwnDrag) {
    TDragClient::DragOver(Source, X, Y, State, Accept);
    return;
  }
  Accept = false;
  if (State == dsDragLeave) {
    FDropRow = -1;
    ClearSelection();
    return;
  }
  if (!CanDragRows) return;
  int row = DropRowAt(X, Y);
  if (row < 1) return;
  Accept = true;
  if (row != FDropRow || SelectedCount() != 1 || !IsRowSelected(row)) {
    ClearSelection();
    SetRowSelected(row, true);
  }
  FDropRow = row;
}

void TMyStringGrid::DragDrop(TObject* Source, int X, int Y) {
  if (Source != this || !FOwnDrag) {
    TDragClient::DragDrop(Source, X, Y);
    return;
  }
  int row = FDropRow >= 1 ? FDropRow : DropRowAt(X, Y);
  // The drop row was shown as selected; only the rows the user dragged move.
  BeginUpdate();
  ClearSelection();
  DropSelectionAt(std::max(row, 1));
  EndUpdate();
  FDropRow = -1;
  Invalidate();
  if (OnRowsMoved) OnRowsMoved(this);
}

void TMyStringGrid::DoEndDrag(TObject* Target, int X, int Y) {
  bool own = FOwnDrag;
  FOwnDrag = false;
  FDropRow = -1;
  FDragging = false;
  FPressed = false;
  ReleaseRow(-1, true);
  if (own && Target != this) {
    // Dropped elsewhere or nowhere: the user's selection shows again.
    ClearSelection();
    RestoreSelection();
  }
  TDragClient::DoEndDrag(Target, X, Y);
}

void TMyStringGrid::WndProc(TMessage& message) {
  if (DragMouseMessage(this, message)) return;
  // Another thread or program asking for the window's text gets the cells (tab between columns, a
  // line per row), so that screen readers and other programs can read the grid.
  if ((message.Msg == WM_GETTEXT || message.Msg == WM_GETTEXTLENGTH) && InSendMessage()) {
    std::string text;
    for (int row = 0; row < RowCount(); ++row) {
      for (int col = 0; col < ColCount(); ++col)
        text += (col ? "\t" : "") + Cells(col, row);
      text += "\r\n";
    }
    message.Result = AnswerTextMessage(message, text);
    return;
  }
  TDrawGrid::WndProc(message);
}
