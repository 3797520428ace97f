// The catalogue grid's rows as the user meets them: sort orders, selection by mouse and keys,
// dragging album rows, and the row operations the catalogue calls.
#include <gtest/gtest.h>
#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <set>
#include <tuple>
#include "Classes.h"
#include "MyGrid.h"

namespace {

TTuneRec Tune(int key, const std::string& title, const std::string& last = "Bach",
              const std::string& first = "Johann", const std::string& category = "Baroque") {
  TTuneRec r;
  r.FileType = "MIDI";
  r.MasterKey = key;
  r.CategoryKey = static_cast<int>(category.size());
  r.CategoryName = category;
  r.LastName = last;
  r.FirstName = first;
  r.FullName = first + " " + last;
  r.Title = title;
  r.Seconds = key * 7 % 300;
  r.TimeText = "0:00";
  r.Size = key * 1000;
  r.Origin = "C:\\Music\\" + title + ".mid";
  r.DateStamp = 40000 + key % 5;
  r.DateObtained = 41000 + key % 3;
  r.AlbumKey = 9;
  return r;
}

TStringList Headers(std::initializer_list<const char*> names) {
  TStringList list;
  for (auto n : names)
    list.Add(n);
  return list;
}

const auto kFull = {"Category", "Artist",     "Title",  "Duration",     "Type",
                    "Size",     "Date stamp", "Origin", "Date obtained"};

std::vector<int> KeysInOrder(const TTuneGridRows& g) {
  std::vector<int> keys;
  for (int r = 1; r < g.RowCount(); ++r)
    if (g.Objects(r)) keys.push_back(g.Objects(r)->MasterKey);
  return keys;
}

std::vector<int> SelectedRows(const TTuneGridRows& g) {
  std::vector<int> rows;
  for (int r = 1; r < g.RowCount(); ++r)
    if (g.IsRowSelected(r)) rows.push_back(r);
  return rows;
}

// An independent statement of each sort order: a tuple of folded texts and signed numbers.
std::string Up(std::string s) {
  size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  s = b == std::string::npos ? "" : s.substr(b, e - b + 1);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(std::toupper(c));
  return s;
}
using TOrderKey =
    std::tuple<std::string, std::string, std::string, std::string, std::string, double>;
TOrderKey OrderKey(const TShortRec& r, int code) {
  switch (code) {
  case 0:
    return {Up(r.Title), "", "", "", "", 0};
  case 1:
    return {Up(r.LastName), Up(r.FirstName), Up(r.Title), "", "", 0};
  case 2:
    return {Up(r.CategoryName), Up(r.LastName), Up(r.FirstName), Up(r.Title), "", 0};
  case 3:
    return {"", "", "", "", "", r.Seconds};
  case 4:
    return {"", "", "", "", "", -r.Size};
  case 5:
    return {"", "", "", "", "", -r.DateStamp};
  case 6:
    return {Up(r.Origin), "", "", "", "", 0};
  case 7:
    return {"", "", "", "", "", -r.DateObtained};
  default:
    return {Up(r.FileType), Up(r.CategoryName), Up(r.LastName), Up(r.FirstName), Up(r.Title), 0};
  }
}

class GridFixture : public testing::Test {
protected:
  TTuneGridRows grid;
  void FillFull(int n, uint32_t seed = 1) {
    TStringList h = Headers(kFull);
    grid.SetColumnHeaders(&h);
    std::mt19937 random(seed);
    const char* names[] = {"bach", "Bach", "mozart", " Zappa", "abel", "", "Ravel"};
    for (int k = 1; k <= n; ++k) {
      TTuneRec r = Tune(k, std::string(1, static_cast<char>('a' + random() % 5)) + "song",
                        names[random() % 7], names[random() % 7], random() % 2 ? "pop" : "Jazz");
      r.FileType = random() % 2 ? "MIDI" : "rmi";
      r.Seconds = random() % 4;
      r.Size = random() % 4;
      grid.AddTuneRow(r, false);
    }
  }
};

} // namespace

TEST_F(GridFixture, EveryColumnSortsByItsCascadeAndLosesNoTitle) {
  FillFull(300);
  const int codeOf9[9] = {2, 1, 0, 3, 8, 4, 5, 6, 7};
  std::vector<int> all = KeysInOrder(grid);
  std::sort(all.begin(), all.end());
  for (int col = 0; col < 9; ++col) {
    grid.SortByColumn(col);
    for (int r = 2; r < grid.RowCount(); ++r)
      ASSERT_LE(OrderKey(*grid.Objects(r - 1), codeOf9[col]),
                OrderKey(*grid.Objects(r), codeOf9[col]))
          << "column " << col << " rows " << r - 1 << " and " << r;
    std::vector<int> keys = KeysInOrder(grid);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, all);
  }
  // A column outside the table keeps the former order's code.
  grid.SortByColumn(3);
  grid.SortByColumn(12);
  EXPECT_EQ(grid.SortCode(), TSortCode::Seconds);
}

TEST(GridSort, CategoryAndAlbumGridsMapColumnsToTheirFields) {
  TSortCode code;
  ASSERT_TRUE(ColumnSortCode(8, 0, code));
  EXPECT_EQ(code, TSortCode::Artist);
  ASSERT_TRUE(ColumnSortCode(3, 1, code));
  EXPECT_EQ(code, TSortCode::Title);
  ASSERT_TRUE(ColumnSortCode(3, 2, code));
  EXPECT_EQ(code, TSortCode::Seconds);
  EXPECT_FALSE(ColumnSortCode(8, 8, code));

  TTuneGridRows album;
  TStringList h = Headers({"Artist", "Title", "Duration"});
  album.SetColumnHeaders(&h);
  album.AppendAlbumRow(Tune(1, "Zeta", "Mozart"));
  album.SortByColumn(1);
  EXPECT_EQ(KeysInOrder(album), std::vector<int>({1})) << "one row: nothing to sort";
  album.AppendAlbumRow(Tune(2, "alpha", "Bach"));
  album.SortByColumn(1);
  EXPECT_EQ(KeysInOrder(album), std::vector<int>({2, 1}));
  EXPECT_EQ(album.Cells(0, 1), "Johann Bach");
  EXPECT_EQ(album.Cells(2, 1), "0:00");
  album.CanSort = false;
  album.SortByColumn(2);
  EXPECT_EQ(KeysInOrder(album), std::vector<int>({2, 1}));
}

TEST_F(GridFixture, SortingKeepsTheFocusedTitleInItsPlaceOnScreen) {
  FillFull(100);
  grid.SetVisibleRowCount(10);
  grid.SetTopRow(20);
  grid.SetRow(24);
  int key = grid.Objects(24)->MasterKey;
  for (int col : {2, 0, 5}) {
    grid.SortByColumn(col);
    int row = grid.FindKeyRow(key);
    EXPECT_EQ(grid.Row(), row);
    EXPECT_EQ(grid.TopRow(), std::max(row - 4, 1));
    EXPECT_TRUE(grid.IsRowSelected(row));
    grid.SetTopRow(std::max(row - 4, 1));
  }
}

TEST_F(GridFixture, ShiftCtrlAndPlainPressesSelectTheRightRows) {
  FillFull(10);
  grid.PressRow(3, false, false);
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({3}));
  grid.PressRow(6, true, false); // Shift: anchor 3 to 6
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({3, 4, 5, 6}));
  grid.PressRow(1, true, false); // Shift upwards adds 1 to 3; the anchor stays
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({1, 2, 3, 4, 5, 6}));
  grid.PressRow(4, false, true); // Ctrl inverts one row
  grid.PressRow(9, false, true);
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({1, 2, 3, 5, 6, 9}));
  EXPECT_EQ(grid.AnchorRow(), 3);

  // A plain press on a selected row changes nothing until it is released...
  grid.PressRow(5, false, false);
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({1, 2, 3, 5, 6, 9}));
  // ...and a drag in between keeps the whole selection;
  grid.ReleaseRow(5, true);
  EXPECT_EQ(grid.SelectedCount(), 6);
  // a release without a drag leaves that row alone selected.
  grid.PressRow(5, false, false);
  grid.ReleaseRow(5, false);
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({5}));
  TStringList keys;
  grid.GetSelectedKeys(keys);
  EXPECT_EQ(keys.CommaText(), IntToStr(grid.Objects(5)->MasterKey));

  // Keys: Shift+Down extends from the anchor, a plain move selects the new row alone.
  grid.SetVisibleRowCount(4);
  grid.KeyMovedTo(6, true);
  grid.KeyMovedTo(7, true);
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({5, 6, 7}));
  grid.KeyMovedTo(8, false);
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({8}));
  EXPECT_EQ(grid.TopRow(), 5) << "the new row scrolled into view";
  // The keys never moved the anchor: Shift extends from the row last pressed (5).
  EXPECT_EQ(grid.AnchorRow(), 5);
  grid.KeyMovedTo(9, true);
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({5, 6, 7, 8, 9}));
  // Presses outside the data rows are ignored.
  grid.PressRow(0, false, false);
  grid.PressRow(99, true, false);
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({5, 6, 7, 8, 9}));
}

TEST(GridDrag, AlbumRowsDroppedAnywhereLoseAndDoubleNoKey) {
  struct TCase {
    std::vector<int> select;
    int drop;
    std::vector<int> expected;
  };
  // Rows 1..6 hold keys 1..6.
  const std::vector<TCase> cases = {
      {{2, 4}, 4, {1, 3, 2, 4, 5, 6}}, // inside the selection
      {{3, 5}, 1, {3, 5, 1, 2, 4, 6}}, // above the first row
      {{1, 2}, 7, {3, 4, 5, 6, 1, 2}}, // below the last row
      {{6}, 1, {6, 1, 2, 3, 4, 5}},    // the last to the top
      {{1, 2, 3, 4, 5, 6}, 3, {1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : cases) {
    TTuneGridRows album;
    TStringList h = Headers({"Artist", "Title", "Duration"});
    album.SetColumnHeaders(&h);
    for (int k = 1; k <= 6; ++k)
      album.AppendAlbumRow(Tune(k, Format("t%d", k)));
    for (int r : c.select)
      album.PressRow(r, false, true);
    album.DropSelectionAt(c.drop);
    EXPECT_EQ(KeysInOrder(album), c.expected) << "drop at " << c.drop;
    EXPECT_EQ(album.SelectedCount(), static_cast<int>(c.select.size()));
    EXPECT_EQ(album.RowCount(), 7);
    EXPECT_EQ(album.Objects(1)->AlbumKey, 9);
  }
}

TEST_F(GridFixture, RowOperationsByMasterKey) {
  // An empty grid's placeholder row takes the first title; top row never the header.
  TStringList h = Headers(kFull);
  grid.SetColumnHeaders(&h);
  EXPECT_EQ(grid.TuneCount(), 0);
  EXPECT_EQ(grid.TotalSeconds(), 0);
  grid.SetVisibleRowCount(10);
  grid.AddTuneRow(Tune(1, "Minuet"), true);
  EXPECT_EQ(grid.RowCount(), 2);
  grid.SortByColumn(2);
  grid.AddTuneRow(Tune(2, "Aria"), true);
  grid.AddTuneRow(Tune(3, "Bourree"), true);
  EXPECT_EQ(KeysInOrder(grid), std::vector<int>({2, 3, 1}));
  EXPECT_EQ(grid.TopRow(), 1);
  for (int k = 4; k <= 30; ++k)
    grid.AddTuneRow(Tune(k, Format("Zz%d", 100 + k)), false);

  // Cells of the full layout.
  int row = grid.FindKeyRow(3);
  EXPECT_EQ(grid.Cells(0, row), "Baroque");
  EXPECT_EQ(grid.Cells(1, row), "Johann Bach");
  EXPECT_EQ(grid.Cells(2, row), "Bourree");
  EXPECT_EQ(grid.Cells(5, row), SizeCellText(3000));
  EXPECT_EQ(SizeCellText(3000).size(), 8u);
  EXPECT_EQ(grid.Cells(7, row), "C:\\Music\\Bourree.mid");

  // Update with resort: the row moves to its sorted place, alone selected, near the middle.
  TTuneRec renamed = Tune(3, "Zz999");
  grid.UpdateTuneRow(renamed, true);
  row = grid.FindKeyRow(3);
  EXPECT_EQ(row, grid.RowCount() - 1);
  EXPECT_EQ(SelectedRows(grid), std::vector<int>({row}));
  EXPECT_EQ(grid.TopRow(), grid.RowCount() - 10);
  grid.UpdateTuneRow(Tune(3, "AAA"), true);
  EXPECT_EQ(grid.FindKeyRow(3), 1);
  EXPECT_EQ(grid.TopRow(), 1);

  // Totals, keys, the album titles file.
  int64_t seconds = 0, bytes = 0;
  for (int k = 1; k <= 30; ++k) {
    seconds += Tune(k, "").Seconds;
    bytes += Tune(k, "").Size;
  }
  EXPECT_EQ(grid.TotalSeconds(), seconds);
  EXPECT_EQ(grid.TotalBytes(), bytes);
  EXPECT_EQ(grid.TuneCount(), 30);
  TMemoryStream file;
  grid.WriteTuneRecords(file);
  ASSERT_EQ(file.Size(), 30 * TuneRecSize);
  TTuneRec back = DecodeTuneRec(file.Memory());
  EXPECT_EQ(back.MasterKey, 3);
  EXPECT_EQ(back.Title, "AAA");
  EXPECT_EQ(back.FullName, "Johann Bach");

  // Renaming a category changes the rows and the first column, and sorts by it.
  grid.MoveToCategory(Tune(1, "").CategoryKey, 77, "Early music");
  EXPECT_EQ(grid.Cells(0, 1), "Early music");
  EXPECT_EQ(grid.Objects(1)->CategoryKey, 77);

  // Deleting keys; removing the last title leaves one empty row.
  TStringList gone;
  for (int k = 2; k <= 30; ++k)
    gone.Add(IntToStr(k));
  EXPECT_EQ(grid.DeleteKeyRows(gone), 29);
  EXPECT_EQ(KeysInOrder(grid), std::vector<int>({1}));
  grid.RemoveTuneRow(1);
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.Objects(1), nullptr);
  EXPECT_EQ(grid.Cells(0, 1), "");
  EXPECT_EQ(grid.TuneCount(), 0);
}

TEST(GridColumns, CategoryGridShowsArtistFirstEvenAfterACategoryRename) {
  TTuneGridRows cat;
  TStringList h = Headers(
      {"Artist", "Title", "Duration", "Type", "Size", "Date stamp", "Origin", "Date obtained"});
  cat.SetColumnHeaders(&h);
  TTuneRec r = Tune(5, "Sarabande", "", "");
  r.FullName = "";
  cat.AppendTuneRow(r);
  EXPECT_EQ(cat.Cells(0, 1), " ") << "an empty first cell of a filled row holds one blank";
  cat.AppendTuneRow(Tune(6, "Gigue"));
  cat.RenameCategory(Tune(6, "").CategoryKey, "Renamed");
  int row = cat.FindKeyRow(6);
  EXPECT_EQ(cat.Cells(0, row), "Johann Bach");
  EXPECT_EQ(cat.Objects(row)->CategoryName, "Renamed");

  // Purging keeps what was not named, in any key order.
  for (int k = 10; k < 20; ++k)
    cat.AppendTuneRow(Tune(k, "x"));
  TStringList purge = Headers({"19", "5", "12"});
  cat.PurgeKeysInRowOrder(purge);
  EXPECT_EQ(cat.TuneCount(), 9);
  EXPECT_EQ(cat.FindKeyRow(12), -1);
  EXPECT_EQ(cat.FindKeyRow(19), -1);
  EXPECT_GT(cat.FindKeyRow(6), 0);
}

namespace {

// The titles a grid holds as the test put them in, for independent counts and sums.
struct TTitlesHeld {
  std::map<int, TTuneRec> ByKey;
  int64_t Sum(int32_t TTuneRec::*field) const {
    int64_t sum = 0;
    for (auto& [key, rec] : ByKey)
      sum += rec.*field;
    return sum;
  }
};

// Every pair of neighbouring rows in the order of the code, and the titles and sums held.
void ExpectSortedAndHeld(const TTuneGridRows& grid, int code, const TTitlesHeld& held,
                         const std::string& when) {
  for (int r = 2; r < grid.RowCount(); ++r)
    ASSERT_LE(OrderKey(*grid.Objects(r - 1), code), OrderKey(*grid.Objects(r), code))
        << when << ": rows " << r - 1 << " and " << r;
  std::vector<int> keys = KeysInOrder(grid), expected;
  std::sort(keys.begin(), keys.end());
  for (auto& [key, rec] : held.ByKey)
    expected.push_back(key);
  EXPECT_EQ(keys, expected) << when;
  EXPECT_EQ(grid.TuneCount(), static_cast<int>(held.ByKey.size())) << when;
  EXPECT_EQ(grid.TotalSeconds(), held.Sum(&TTuneRec::Seconds)) << when;
  EXPECT_EQ(grid.TotalBytes(), held.Sum(&TTuneRec::Size)) << when;
}

// The keys in row order without the given ones.
std::vector<int> Without(std::vector<int> keys, const std::set<int>& gone) {
  keys.erase(std::remove_if(keys.begin(), keys.end(), [&](int k) { return gone.count(k) > 0; }),
             keys.end());
  return keys;
}

} // namespace

// A title added, changed or removed goes to its place; every other row keeps its place relative to
// the rest, even among rows that sort equal (many here: few distinct names, sizes and durations).
TEST_F(GridFixture, ChangedTitlesFindTheirPlaceAndTheOtherRowsStayInTheirOrder) {
  std::mt19937 random(11);
  const char* names[] = {"bach", "Bach", "mozart", " Zappa", "abel", "", "Ravel"};
  auto make = [&](int key) {
    TTuneRec r = Tune(key, std::string(1, static_cast<char>('a' + random() % 5)) + "song",
                      names[random() % 7], names[random() % 7], random() % 2 ? "pop" : "Jazz");
    r.Seconds = static_cast<int32_t>(random() % 4);
    r.Size = static_cast<int32_t>(random() % 4) * 1000;
    return r;
  };
  TStringList h = Headers(kFull);
  grid.SetColumnHeaders(&h);
  grid.SetVisibleRowCount(12);
  TTitlesHeld held;
  int next = 1;
  for (; next <= 400; ++next)
    grid.AddTuneRow(held.ByKey[next] = make(next), false);
  const int codeOf9[9] = {2, 1, 0, 3, 8, 4, 5, 6, 7};
  for (int col : {0, 2, 3, 5}) {
    const int code = codeOf9[col];
    grid.SortByColumn(col);
    ExpectSortedAndHeld(grid, code, held, "sorted by column " + std::to_string(col));
    for (int step = 0; step < 12; ++step) {
      std::vector<int> before = KeysInOrder(grid);
      std::set<int> touched;
      const std::string when = "column " + std::to_string(col) + " step " + std::to_string(step);
      switch (step % 4) {
      case 0: // one title added, sorted in at once, as a drop adds it
        grid.AddTuneRow(held.ByKey[next] = make(next), true);
        touched.insert(next++);
        break;
      case 1: // three added quietly, then the grid sorted again, as a hand-off does
        for (int i = 0; i < 3; ++i) {
          grid.AddTuneRow(held.ByKey[next] = make(next), false);
          touched.insert(next++);
        }
        grid.Resort();
        break;
      case 2: { // a title's length learnt when it played, and later a sort by the same column
        int key = before[static_cast<size_t>(random() % before.size())];
        TTuneRec changed = held.ByKey[key];
        changed.Seconds = static_cast<int32_t>(random() % 4);
        changed.Title = "b" + changed.Title;
        held.ByKey[key] = changed;
        grid.UpdateTuneRow(changed, false);
        grid.SortByColumn(col);
        touched.insert(key);
        break;
      }
      default: { // a title removed
        int key = before[static_cast<size_t>(random() % before.size())];
        held.ByKey.erase(key);
        grid.RemoveTuneRow(key);
        touched.insert(key);
        break;
      }
      }
      ExpectSortedAndHeld(grid, code, held, when);
      EXPECT_EQ(Without(KeysInOrder(grid), touched), Without(before, touched)) << when;
      EXPECT_EQ(grid.RowsOutOfPlace(), 0) << when;
    }
  }
}

// A category grid takes the all-titles grid's order where that order is its own, and sorts
// itself where it is not (a title whose category name differs from its neighbours').
TEST(GridSort, ACategoryGridTakesTheAllTitlesOrderOnlyWhereItHolds) {
  for (bool oddName : {false, true}) {
    TTuneGridRows all, cat;
    TStringList full = Headers(kFull);
    TStringList eight = Headers(
        {"Artist", "Title", "Duration", "Type", "Size", "Date stamp", "Origin", "Date obtained"});
    all.SetColumnHeaders(&full);
    cat.SetColumnHeaders(&eight);
    std::mt19937 random(5);
    const char* names[] = {"Bach", "Abel", "Zappa", "Ravel"};
    for (int k = 1; k <= 200; ++k) {
      TTuneRec r = Tune(k, Format("Title %d", static_cast<int>(random() % 1000)),
                        names[random() % 4], "First", k % 2 ? "Jazz" : "Folk");
      // A title of this category filed under another name sorts elsewhere among all titles.
      if (oddName && k == 7) {
        r.CategoryName = "Zydeco";
        r.LastName = "Aaron";
      }
      all.AddTuneRow(r, false);
      if (k % 2) cat.AddTuneRow(r, false);
    }
    all.SortByColumn(0);
    cat.SortByColumnInOrder(0, TTitleRanks(all.KeysInRowOrder()));
    for (int r = 2; r < cat.RowCount(); ++r)
      ASSERT_LE(OrderKey(*cat.Objects(r - 1), 1), OrderKey(*cat.Objects(r), 1))
          << (oddName ? "with" : "without") << " the odd name, rows " << r - 1 << " and " << r;
    EXPECT_EQ(cat.TuneCount(), 100);
    EXPECT_EQ(cat.SortColumn(), 0);
    EXPECT_EQ(cat.RowsOutOfPlace(), 0);
  }
}

// Totals follow every way rows come and go, as the summary lines show them.
TEST_F(GridFixture, TotalsFollowRowsAddedReplacedAndRemoved) {
  TStringList h = Headers(kFull);
  grid.SetColumnHeaders(&h);
  TTitlesHeld held;
  for (int k = 1; k <= 40; ++k)
    grid.AddTuneRow(held.ByKey[k] = Tune(k, Format("T%d", k)), false);
  grid.SortByColumn(0);
  ExpectSortedAndHeld(grid, 2, held, "filled");
  grid.SetTuneRow(held.ByKey[41] = Tune(41, "Replaces 5"), grid.FindKeyRow(5));
  TStringList gone, purged;
  for (int k : {2, 3, 30})
    gone.Add(IntToStr(k));
  grid.RemoveTuneRows(gone);
  grid.RemoveRow(grid.FindKeyRow(10));
  purged.Add("11");
  grid.PurgeKeys(purged);
  for (int k : {2, 3, 5, 10, 11, 30})
    held.ByKey.erase(k);
  grid.SortByColumn(0);
  ExpectSortedAndHeld(grid, 2, held, "after replacing and removing");
  // The last two rows cut off.
  std::vector<int> keys = KeysInOrder(grid);
  grid.SetRowCount(grid.RowCount() - 2);
  held.ByKey.erase(keys[keys.size() - 1]);
  held.ByKey.erase(keys[keys.size() - 2]);
  EXPECT_EQ(held.ByKey.size(), 33u);
  ExpectSortedAndHeld(grid, 2, held, "after cutting the last rows");
}
