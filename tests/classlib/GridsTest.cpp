// The class library's grid in a real window: fewer fixed columns or rows bring the formerly fixed
// ones back into view instead of leaving them scrolled away.
#include <gtest/gtest.h>
#include <windows.h>
#include <memory>
#include "Forms.h"
#include "Grids.h"
#include "Messages.h"

namespace {

// A form with a string grid far narrower and shorter than its nine 80-pixel columns and 30 rows.
struct TGridForm {
  std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
  TStringGrid* Grid = new TStringGrid(Form.get());
  int TopLeftChanges = 0;
  TGridForm() {
    Form->SetBounds(60, 60, 300, 220);
    Grid->SetBounds(0, 0, 260, 160);
    Grid->SetParent(Form.get());
    Grid->SetColCount(9);
    Grid->SetRowCount(30);
    Grid->SetDefaultColWidth(80);
    Grid->OnTopLeftChanged = [this](TObject*) { ++TopLeftChanges; };
    Form->Show();
    ProcessMessages();
  }
  int HorzBarPos() const {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    GetScrollInfo(Grid->Handle(), SB_HORZ, &si);
    return si.nPos;
  }
};

} // namespace

TEST(Grids, FewerFixedColumnsShowTheFirstColumnAgain) {
  // As made, one column is fixed and the scrolling part starts right of it.
  TGridForm f;
  ASSERT_EQ(f.Grid->FixedCols(), 1);
  EXPECT_EQ(f.Grid->LeftCol(), 1);
  f.Grid->SetFixedCols(0);
  EXPECT_EQ(f.Grid->LeftCol(), 0) << "column 0 would stay scrolled out of sight";
  RECT first = f.Grid->CellRect(0, 1);
  EXPECT_EQ(first.left, 0);
  EXPECT_GT(first.right, first.left);
  EXPECT_EQ(f.HorzBarPos(), 0);
  EXPECT_EQ(f.TopLeftChanges, 1);

  // Scrolled right by the user, then the fixed columns fall: the left edge comes back too.
  TGridForm g;
  for (int i = 0; i < 3; ++i)
    SendMessageA(g.Grid->Handle(), WM_HSCROLL, SB_LINERIGHT, 0);
  ASSERT_EQ(g.Grid->LeftCol(), 4);
  g.Grid->SetFixedCols(0);
  EXPECT_EQ(g.Grid->LeftCol(), 0);
  EXPECT_EQ(g.HorzBarPos(), 0);
  // More fixed columns never leave the left column among them; the same count changes nothing.
  g.Grid->SetFixedCols(2);
  EXPECT_EQ(g.Grid->LeftCol(), 2);
  g.Grid->SetLeftCol(5);
  g.Grid->SetFixedCols(2);
  EXPECT_EQ(g.Grid->LeftCol(), 5);
}

TEST(Grids, FewerFixedRowsShowTheFirstRowAgain) {
  TGridForm f;
  f.Grid->SetTopRow(10);
  ASSERT_EQ(f.Grid->TopRow(), 10);
  f.Grid->SetFixedRows(0);
  EXPECT_EQ(f.Grid->TopRow(), 0);
  EXPECT_EQ(f.Grid->CellRect(1, 0).top, 0);
  f.Grid->SetFixedRows(3);
  EXPECT_EQ(f.Grid->TopRow(), 3);
}
