// Column widths of the catalogue grids as titles arrive at run time, and the separators of the
// main menus: what the user sees of texts, whole or cut.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include "MainCodeD2.h"
#include "ImportCommands.h"
#include "MasterProbe.h"
#include "MainWindowFixture.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "DataCodeD2.h"
#include "MainViews.h"

namespace {

class GridColumns : public TMainWindowFixture {
protected:
  GridColumns() : TMainWindowFixture("tbgridcols") {}
  // An empty catalogue: every column width comes from titles added while the window runs.
  void SetUp() override {
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  }

  std::string Add(const std::string& file, const std::string& title, const std::string& category) {
    std::string result;
    FForm->ImportCommands().AddFileByType(file, title, result, false, true, file, "", category);
    return result;
  }
  static std::string CorpusFile(const std::string& package, const std::string& name) {
    for (const std::string& f : CorpusFiles(package))
      if (ExtractFileName(f) == name) return f;
    ADD_FAILURE() << "no corpus file " << name;
    return "";
  }
  TMyStringGrid* PageGrid(const std::string& category) {
    for (auto& p : FForm->CategoryArea().Pages())
      if (Trim(p->Sheet()->Caption()) == category) return p->GridControl();
    return nullptr;
  }
  // The grid's own font, measured apart from the grid.
  static int TextWidth(TMyStringGrid& grid, const std::string& text) {
    TBitmap probe(1, 1);
    probe.Canvas().Font().Assign(grid.Font());
    return probe.Canvas().TextWidth(text);
  }
  // A cell is drawn whole when its trimmed text fits the cell less 6 pixels; else it ends in "...".
  static void ExpectNothingCut(TMyStringGrid& grid, const std::string& where) {
    for (int c = 0; c < grid.ColCount(); ++c)
      for (int r = 0; r < grid.RowCount(); ++r) {
        std::string text = Trim(grid.Cells(c, r));
        EXPECT_LE(TextWidth(grid, text), grid.ColWidths(c) - 6)
            << where << ": \"" << text << "\" in column " << grid.Cells(c, 0);
      }
  }
};

TEST_F(GridColumns, TitlesAddedAtRunTimeWidenTheirColumnsAndANewCategoryFitsItsHeadings) {
  Start();
  // The all-titles grid opens at its left edge: "Category" is in sight, not scrolled away.
  TMyStringGrid& all = *Probe(FForm).AllCatGrid();
  EXPECT_EQ(all.LeftCol(), 0);
  RECT first = all.CellRect(0, 0);
  EXPECT_EQ(first.left, 0);
  EXPECT_GT(first.right, first.left);
  ShowWindow(FForm->Handle(), SW_MAXIMIZE);
  ProcessMessages();
  ExpectNothingCut(*Probe(FForm).AllCatGrid(), "no titles yet");
  // Each category gets its page now; the first title is small, the next big and long-named.
  const std::string category = "Run-time arrivals";
  const std::string longTitle = "A title long enough to need a wide column of its own";
  ASSERT_EQ(Add(CorpusFile("mma", "twinkle1.mid"), "Short", category), "OK");
  ASSERT_EQ(Add(CorpusFile("openttd-openmsx", "relax_song.mid"), longTitle, category), "OK");
  ASSERT_EQ(Add(CorpusFile("pianobooster", "06-Greensleeves.mid"), "Green", "Folk"), "OK");
  ASSERT_EQ(Probe(FForm).AllCatGrid()->TuneCount(), 3);
  TCatList& cats = *FForm->CatList();
  int index = cats.IndexOfKey(cats.FindCategory(category));
  ASSERT_GE(index, 0);
  TMyStringGrid* freshGrid = PageGrid(category);
  TMyStringGrid* folk = PageGrid("Folk");
  ASSERT_TRUE(freshGrid && folk);
  TMyStringGrid& fresh = *freshGrid;
  ASSERT_EQ(fresh.TuneCount(), 2);
  EXPECT_EQ(Trim(fresh.Cells(4, 2)), "40,070"); // the size a user reads, in the Size column

  ExpectNothingCut(*Probe(FForm).AllCatGrid(), "all titles");
  ExpectNothingCut(fresh, category);
  ExpectNothingCut(*folk, "Folk");
  // The new page's columns are as wide as their texts, no wider: "Type" is not a fixed share.
  for (int c = 0; c < fresh.ColCount(); ++c) {
    int widest = 0;
    for (int r = 0; r < fresh.RowCount(); ++r)
      widest = std::max(widest, TextWidth(fresh, Trim(fresh.Cells(c, r))));
    EXPECT_LE(fresh.ColWidths(c), widest + 6 + TextWidth(fresh, "      "))
        << "column " << fresh.Cells(c, 0);
  }
  // A title given a longer name widens its column too.
  TMyDB& db = *FForm->DMM2()->MyDB();
  TTuneRec rec;
  ASSERT_TRUE(db.FindById(folk->Objects(1)->MasterKey, rec));
  rec.Title = longTitle + ", and then a few words more";
  ASSERT_TRUE(db.FileChange(rec, true));
  ExpectNothingCut(*Probe(FForm).AllCatGrid(), "renamed");
  ExpectNothingCut(*folk, "renamed in Folk");
  CloseAndWait();
}

// What Windows shows of a menu: items with their separator flag, hidden items left out.
std::vector<bool> SeparatorsShown(HMENU menu) {
  std::vector<bool> out;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, i, TRUE, &info);
    out.push_back((info.fType & MFT_SEPARATOR) != 0);
  }
  return out;
}

TEST_F(GridColumns, NoMainMenuShowsTwoSeparatorsInARowNorOneAtAnEnd) {
  Start();
  for (bool plugIn : {false, true}) {
    // The plug-in item and its separator come and go together, as the browser's folders decide.
    Probe(FForm).Item("ManageNPI")->SetVisible(plugIn);
    Probe(FForm).Item("N1")->SetVisible(plugIn); // its separator
    HMENU bar = GetMenu(FForm->Handle());
    ASSERT_NE(bar, nullptr);
    for (int m = 0; m < GetMenuItemCount(bar); ++m) {
      HMENU menu = GetSubMenu(bar, m);
      if (!menu) continue;
      char name[64] = {};
      GetMenuStringA(bar, m, name, sizeof name, MF_BYPOSITION);
      std::vector<bool> line = SeparatorsShown(menu);
      SCOPED_TRACE(std::string(name) + (plugIn ? " with" : " without") + " the plug-in item");
      ASSERT_FALSE(line.empty());
      EXPECT_FALSE(line.front());
      EXPECT_FALSE(line.back());
      for (size_t i = 1; i < line.size(); ++i)
        EXPECT_FALSE(line[i - 1] && line[i]) << "items " << i - 1 << " and " << i;
    }
  }
  CloseAndWait();
}

} // namespace
