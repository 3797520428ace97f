// The drawn catalogue grid in a real window: mouse selection with Shift and Ctrl, header-click
// sorting, dragging album rows, what the cells paint, and the 32-bit progress bar.
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <windows.h>
#include "ExtProgressBar.h"
#include "Forms.h"
#include "Messages.h"
#include "MyStringGrid.h"
#include "TestCapture.h"

namespace {

TTuneRec Tune(int key, const std::string& title, const std::string& last = "Bach") {
  TTuneRec r;
  r.FileType = "MIDI";
  r.MasterKey = key;
  r.AlbumKey = 4;
  r.CategoryKey = 1;
  r.CategoryName = "Baroque";
  r.LastName = last;
  r.FirstName = "Johann";
  r.FullName = "Johann " + last;
  r.Title = title;
  r.Seconds = 100 + key;
  r.TimeText = "1:40";
  r.Size = key * 1000;
  r.Origin = "C:\\Music\\" + title + ".mid";
  r.DateObtained = 41000 + key;
  return r;
}

// A form with an album grid (3 columns) of n titles, shown.
struct TGridFixture {
  std::unique_ptr<TForm> Form;
  TMyStringGrid* Grid;
  explicit TGridFixture(int n, int columns = 3) {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(40, 40, 420, 320);
    Grid = new TMyStringGrid(Form.get());
    Grid->SetBounds(0, 0, 400, 260);
    Grid->SetParent(Form.get());
    TStringList headers;
    const char* names[] = {"Artist", "Title",      "Duration", "Type",
                           "Size",   "Date stamp", "Origin",   "Date obtained"};
    for (int c = 0; c < columns; ++c)
      headers.Add(names[c]);
    Grid->SetColumnHeaders(&headers);
    Grid->CanDragRows = true;
    Grid->BeginUpdate();
    for (int i = 1; i <= n; ++i) {
      if (columns == 3)
        Grid->AppendAlbumRow(
            Tune(i, "Title " + std::string(1, static_cast<char>('A' + (i * 7) % 26))));
      else
        Grid->AppendTuneRow(
            Tune(i, "Title " + std::string(1, static_cast<char>('A' + (i * 7) % 26))));
    }
    Grid->EndUpdate();
    Form->Show();
    ProcessMessages();
  }
  POINT CellCentre(int col, int row) const {
    RECT r = Grid->CellRect(col, row);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Send(UINT msg, WPARAM keys, POINT p) {
    SendMessageA(Grid->Handle(), msg, keys, MAKELPARAM(p.x, p.y));
  }
  void Click(int row, WPARAM mods = 0, int col = 1) {
    POINT p = CellCentre(col, row);
    Send(WM_LBUTTONDOWN, MK_LBUTTON | mods, p);
    Send(WM_LBUTTONUP, mods, p);
  }
  std::vector<int> Selected() const {
    std::vector<int> rows;
    for (int r = 1; r < Grid->RowCount(); ++r)
      if (Grid->IsRowSelected(r)) rows.push_back(r);
    return rows;
  }
  std::vector<int> Keys() const {
    std::vector<int> keys;
    for (int r = 1; r < Grid->RowCount(); ++r)
      keys.push_back(Grid->Objects(r) ? Grid->Objects(r)->MasterKey : -1);
    return keys;
  }
  // Press on a row, move in steps to a point, release there.
  void Drag(int fromRow, POINT to) {
    POINT p = CellCentre(1, fromRow);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, p);
    for (int i = 1; i <= 4; ++i) {
      POINT q{p.x + (to.x - p.x) * i / 4, p.y + (to.y - p.y) * i / 4};
      Send(WM_MOUSEMOVE, MK_LBUTTON, q);
    }
    Send(WM_LBUTTONUP, 0, to);
  }
};

} // namespace

TEST(MyStringGrid, ShiftAndCtrlClicksSelectRowsAndPlainClickOnSelectionWaitsForRelease) {
  TGridFixture f(12);
  f.Click(2);
  EXPECT_EQ(f.Selected(), (std::vector<int>{2}));
  f.Click(5, MK_SHIFT);
  EXPECT_EQ(f.Selected(), (std::vector<int>{2, 3, 4, 5}));
  f.Click(4, MK_CONTROL); // inverts one row
  EXPECT_EQ(f.Selected(), (std::vector<int>{2, 3, 5}));
  f.Click(8, MK_CONTROL);
  EXPECT_EQ(f.Selected(), (std::vector<int>{2, 3, 5, 8}));
  // Shift from the anchor upwards.
  f.Click(6);
  f.Click(3, MK_SHIFT);
  EXPECT_EQ(f.Selected(), (std::vector<int>{3, 4, 5, 6}));

  // A plain press on a selected row keeps the selection until the button comes up.
  POINT p = f.CellCentre(1, 4);
  f.Send(WM_LBUTTONDOWN, MK_LBUTTON, p);
  EXPECT_EQ(f.Selected(), (std::vector<int>{3, 4, 5, 6}));
  f.Send(WM_LBUTTONUP, 0, p);
  EXPECT_EQ(f.Selected(), (std::vector<int>{4}));
  EXPECT_EQ(f.Grid->Row(), 4);

  // Keys: Down moves the single selection, Shift+Down extends it from the anchor.
  SendMessageA(f.Grid->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(f.Selected(), (std::vector<int>{5}));
}

TEST(MyStringGrid, HeaderClickSortsButNotWhenTheMouseMovedOrTheGridHasOneRow) {
  TGridFixture f(10, 8);
  f.Grid->CanSort = true;
  std::vector<int> before = f.Keys();
  // Press on the Title header, move by one pixel, release: no sort.
  POINT h = f.CellCentre(1, 0);
  f.Send(WM_LBUTTONDOWN, MK_LBUTTON, h);
  f.Send(WM_MOUSEMOVE, MK_LBUTTON, POINT{h.x + 1, h.y});
  f.Send(WM_LBUTTONUP, 0, POINT{h.x + 1, h.y});
  EXPECT_EQ(f.Keys(), before);
  // A still click sorts by title.
  f.Click(0, 0, 1);
  std::vector<std::string> titles;
  for (int r = 1; r < f.Grid->RowCount(); ++r)
    titles.push_back(f.Grid->Objects(r)->Title);
  EXPECT_TRUE(std::is_sorted(titles.begin(), titles.end()));
  EXPECT_NE(f.Keys(), before);
  EXPECT_EQ(f.Grid->SortColumn(), 1);
  // Size (column 4) sorts largest first.
  f.Click(0, 0, 4);
  for (int r = 2; r < f.Grid->RowCount(); ++r)
    EXPECT_GE(f.Grid->Objects(r - 1)->Size, f.Grid->Objects(r)->Size);

  TGridFixture one(1, 8);
  one.Click(0, 0, 4);
  EXPECT_EQ(one.Keys(), (std::vector<int>{1}));
}

TEST(MyStringGrid, DraggedAlbumRowsMoveAndNoKeyIsLostOrDoubled) {
  TGridFixture f(10);
  const std::multiset<int> all{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  auto check = [&](const char* what) {
    std::vector<int> keys = f.Keys();
    EXPECT_EQ(std::multiset<int>(keys.begin(), keys.end()), all) << what;
    EXPECT_EQ(f.Grid->RowCount(), 11) << what;
  };
  // Rows 2 and 3 dropped on row 7: they stand before the key that was at row 7.
  f.Click(2);
  f.Click(3, MK_SHIFT);
  f.Drag(3, f.CellCentre(1, 7));
  check("inside");
  EXPECT_EQ(f.Keys(), (std::vector<int>{1, 4, 5, 6, 2, 3, 7, 8, 9, 10}));
  EXPECT_EQ(f.Selected(), (std::vector<int>{5, 6}));

  // Dropped inside the selection itself: the order stays.
  std::vector<int> before = f.Keys();
  f.Drag(5, f.CellCentre(1, 6));
  check("on itself");
  EXPECT_EQ(f.Keys(), before);

  // Above the first row (over the header): to the top.
  f.Click(9);
  f.Drag(9, f.CellCentre(1, 0));
  check("above");
  EXPECT_EQ(f.Keys()[0], 9);

  // Below the last row: the last row is the drop row.
  f.Click(1);
  RECT last = f.Grid->CellRect(1, 10);
  f.Drag(1, POINT{(last.left + last.right) / 2, last.bottom + 20});
  check("below");
  EXPECT_EQ(f.Keys()[8], 9);

  // A grid that does not allow row drags keeps its order.
  f.Grid->CanDragRows = false;
  before = f.Keys();
  f.Click(2);
  f.Drag(2, f.CellCentre(1, 8));
  EXPECT_EQ(f.Keys(), before);
  EXPECT_EQ(f.Selected(), (std::vector<int>{2}));
}

TEST(MyStringGrid, PaintsSelectedRowsNavyHeadersSilverAndCutsLongTexts) {
  TGridFixture f(5);
  TTuneRec longOne = Tune(6, std::string(200, 'W'));
  f.Grid->AppendAlbumRow(longOne);
  f.Grid->SetColWidths(1, 120);
  f.Grid->SetColWidths(2, 20); // narrower than "..."
  f.Click(2);
  ProcessMessages();
  TBitmap shot;
  CaptureControl(*f.Grid, shot);
  RECT header = f.Grid->CellRect(1, 0), sel = f.Grid->CellRect(0, 2),
       plain = f.Grid->CellRect(0, 3);
  EXPECT_EQ(shot.Pixel(header.right - 3, header.top + 3), clSilver);
  EXPECT_EQ(shot.Pixel(header.left, header.top + 3), clWhite);     // raised frame, left
  EXPECT_EQ(shot.Pixel(header.right - 1, header.top + 5), clGray); // raised frame, right
  EXPECT_EQ(shot.Pixel(sel.right - 2, sel.bottom - 2), clNavy);
  EXPECT_EQ(shot.Pixel(plain.right - 2, plain.bottom - 2), clWhite);
  // Some white text pixels in the selected row.
  int whiteInSel = 0;
  for (int x = sel.left; x < sel.right; ++x)
    for (int y = sel.top; y < sel.bottom; ++y)
      whiteInSel += shot.Pixel(x, y) == clWhite;
  EXPECT_GT(whiteInSel, 0);
  // The long title stops before the cell's right edge: the last 3 pixels hold no text.
  RECT cut = f.Grid->CellRect(1, 6);
  for (int x = cut.right - 2; x < cut.right; ++x)
    for (int y = cut.top; y < cut.bottom; ++y)
      EXPECT_EQ(shot.Pixel(x, y), clWhite) << x << "," << y;
  int dark = 0;
  for (int x = cut.left; x < cut.right; ++x)
    for (int y = cut.top; y < cut.bottom; ++y)
      dark += shot.Pixel(x, y) == clBlack;
  EXPECT_GT(dark, 0);
  // Column 2 (20 pixels): nothing crosses into column 3's area.
  RECT narrow = f.Grid->CellRect(2, 6);
  EXPECT_EQ(shot.Pixel(narrow.right + 2, narrow.top + 8), clWhite);
}

TEST(MyStringGrid, TopRowNeverTheHeaderAndScrollRangeFollowsRows) {
  TGridFixture f(3, 8);
  f.Grid->CanSort = true;
  f.Grid->AddTuneRow(Tune(50, "AAA first"), true);
  EXPECT_GE(f.Grid->TopRow(), 1);
  f.Grid->UpdateTuneRow(Tune(2, "ZZZ last"), true);
  EXPECT_GE(f.Grid->TopRow(), 1);
  EXPECT_EQ(f.Grid->Objects(f.Grid->RowCount() - 1)->MasterKey, 2);

  // Many rows: the scroll bar reaches the last row and a page down moves the top row.
  TGridFixture big(2000);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(big.Grid->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nMax, 1999);
  SendMessageA(big.Grid->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(big.Grid->TopRow() + big.Grid->VisibleRowCount(), 2001);
  big.Click(big.Grid->TopRow()); // the first data row on screen
  ASSERT_EQ(big.Selected().size(), 1u);
  EXPECT_GT(big.Selected()[0], 1900);
  EXPECT_EQ(big.Grid->MouseToCell(5, 20).Y, big.Grid->TopRow());
}

// Fitting columns over thousands of titles: each column is as wide as its widest text plus 6, as
// the test measures every cell itself in the grid's font, on screen and before the window exists.
TEST(MyStringGrid, ColumnsFitTheWidestTextAmongThousandsOfRows) {
  TForm form(nullptr);
  form.SetBounds(40, 40, 620, 320);
  TStringList headers;
  for (const char* name : {"Category", "Artist", "Title", "Duration", "Type", "Size", "Date stamp",
                           "Origin", "Date obtained"})
    headers.Add(name);
  std::mt19937 random(3);
  std::vector<TTuneRec> recs;
  for (int k = 1; k <= 3000; ++k) {
    TTuneRec r = Tune(k, "Title " + std::to_string(random() % 100000));
    r.CategoryName = k % 3 ? "Folk" : "Wide Wonderful World";
    r.FullName = std::string(1 + random() % 12, static_cast<char>('a' + random() % 26));
    r.Origin = "C:\\M\\" + std::string(random() % 30, static_cast<char>('i' + random() % 3));
    r.FileType = k % 2 ? "MIDI" : "RMI";
    r.Size = static_cast<int32_t>(random() % 2000000);
    // Dates over forty years, most with a time of day, some at midnight (the date alone).
    r.DateStamp = 32874 + random() % 14600 + (k % 5 ? (random() % 86400) / 86400.0 : 0.0);
    r.DateObtained = 40000 + random() % 3000 + (k % 7 ? (random() % 86400) / 86400.0 : 0.0);
    recs.push_back(r);
  }
  for (bool shown : {false, true}) {
    auto* grid = new TMyStringGrid(&form);
    grid->SetBounds(0, 0, 600, 260);
    grid->SetColumnHeaders(&headers);
    grid->BeginUpdate();
    grid->SetRowCount(static_cast<int>(recs.size()) + 1);
    for (size_t i = 0; i < recs.size(); ++i)
      grid->SetTuneRow(recs[i], static_cast<int>(i) + 1);
    grid->EndUpdate();
    if (shown) {
      grid->SetParent(&form);
      form.Show();
      ProcessMessages();
      ASSERT_TRUE(grid->HandleAllocated());
    }
    grid->FitAllColumns();
    TBitmap probe(1, 1);
    probe.Canvas().Font().Assign(grid->Font());
    for (int c = 0; c < grid->ColCount(); ++c) {
      int widest = 0;
      std::string which;
      for (int r = 0; r < grid->RowCount(); ++r) {
        int w = probe.Canvas().TextWidth(grid->Cells(c, r));
        if (w > widest) {
          widest = w;
          which = grid->Cells(c, r);
        }
      }
      EXPECT_EQ(grid->ColWidths(c), widest + 6)
          << (shown ? "on screen" : "off screen") << ", column " << grid->Cells(c, 0)
          << ", widest text \"" << which << "\"";
    }
  }
}

// Many titles put into a narrow album grid at once: the durations are never cut and their column
// stays whole in the window, however long the titles are.
TEST(MyStringGrid, ManyTitlesInsertedIntoAnAlbumKeepTheDurationInView) {
  TGridFixture f(0);
  f.Grid->KeepLastColumnInView = true;
  std::vector<TTuneRec> recs;
  for (int k = 1; k <= 300; ++k) {
    TTuneRec r = Tune(k, "A title long enough to push the duration out of the window, number " +
                             std::to_string(k));
    r.TimeText = k % 50 ? "3:25" : "1:02:03";
    recs.push_back(r);
  }
  f.Grid->InsertAlbumRows(recs, 1, true);
  EXPECT_EQ(f.Grid->TuneCount(), 300);
  EXPECT_EQ(f.Grid->SelectedCount(), 300);
  TBitmap probe(1, 1);
  probe.Canvas().Font().Assign(f.Grid->Font());
  EXPECT_GE(f.Grid->ColWidths(2), probe.Canvas().TextWidth("1:02:03") + 6);
  RECT client{};
  GetClientRect(f.Grid->Handle(), &client);
  int used = 0;
  for (int c = 0; c < 3; ++c)
    used += f.Grid->ColWidths(c) + f.Grid->GridLineWidth();
  EXPECT_LE(used, client.right) << "the last column whole in the window";
}

TEST(ExtProgressBar, ThirtyTwoBitRangeAndPositionSurviveTheWindow) {
  TForm form(nullptr);
  auto* bar = new TExtProgressBar(&form);
  bar->SetParent(&form);
  bar->SetMax(100000);
  bar->SetPosition(50000); // before the window exists
  form.Show();
  EXPECT_EQ(SendMessageA(bar->Handle(), PBM_GETRANGE, FALSE, 0), 100000);
  EXPECT_EQ(bar->Position(), 50000);
  bar->SetExtendedStyles({pbxSmooth}); // the window is made again
  EXPECT_EQ(bar->Position(), 50000);
  EXPECT_TRUE(GetWindowLongA(bar->Handle(), GWL_STYLE) & PBS_SMOOTH);
  bar->SetMin(10);
  EXPECT_THROW(bar->SetMax(5), Exception);
  try {
    bar->SetMax(5);
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Max less than Min in Extended Progress Bar");
  }
  EXPECT_EQ(bar->Min(), 10);
  EXPECT_EQ(bar->Max(), 100000);
  bar->SetMin(0); // lowering Min moves the position to it
  EXPECT_EQ(bar->Position(), 0);

  // The grid steps it through a per-row operation and hides it at the end.
  TGridFixture f(4, 8);
  bar->Show();
  f.Grid->RenameCategory(1, "Renamed", bar);
  EXPECT_FALSE(bar->Visible());
  EXPECT_EQ(bar->Position(), 0);
  for (int r = 1; r < f.Grid->RowCount(); ++r)
    EXPECT_EQ(f.Grid->Objects(r)->CategoryName, "Renamed");
}
