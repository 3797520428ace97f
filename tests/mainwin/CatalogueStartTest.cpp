// The main window over a real catalogue: start-up fills the grids and pages, a grid row plays
// along the whole play road, and shutdown writes the lists and packs the store.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include "Crc32.h"
#include "DataCodeD2.h"
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "TuneFiles.h"
#include "MainWindowFixture.h"
#include "StandInSequencer.h"
#include "MainViews.h"
#include "MainViewCommands.h"

namespace {

// A file's size without opening it (the store keeps its files open).
int64_t SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return -1;
  return (static_cast<int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

class CatalogueStart : public TMainWindowFixture {
protected:
  CatalogueStart() : TMainWindowFixture("tbcat") {}
};

TEST_F(CatalogueStart, StartUpFillsTheAllTitlesGridAndTheCategoryPages) {
  Start();
  const int n = static_cast<int>(FCat.Keys.size());
  EXPECT_EQ(Probe(FForm).AllCatGrid()->TuneCount(), n);
  EXPECT_EQ(Probe(FForm).AllCatGrid()->Cells(0, 0), "Category");
  for (int32_t key : FCat.Keys)
    EXPECT_GT(RowOfKey(*Probe(FForm).AllCatGrid(), key), 0) << key;
  // "All titles" and one page per category, each holding its own titles.
  ASSERT_EQ(Probe(FForm).Categories()->PageCount(), 3);
  EXPECT_EQ(Trim(Probe(FForm).Categories()->Pages(1)->Caption()), "Folk");
  EXPECT_EQ(Trim(Probe(FForm).Categories()->Pages(2)->Caption()), "Jazz");
  auto& pages = FForm->CategoryArea().Pages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0]->GridControl()->TuneCount() + pages[1]->GridControl()->TuneCount(), n);
  EXPECT_EQ(pages[0]->GridControl()->TuneCount(), (n + 1) / 2);
  EXPECT_NE(Probe(FForm).AllCatPT()->Caption().find(std::to_string(n) + " titles"),
            std::string::npos);
  EXPECT_TRUE(FForm->DMM2()->MyDB()->Loaded());
  // The album list first, then the album's page with its two titles and its line in the list.
  ASSERT_EQ(Probe(FForm).Albums()->PageCount(), 2);
  EXPECT_EQ(Trim(Probe(FForm).Albums()->Pages(1)->Caption()), "Evening");
  ASSERT_EQ(FForm->AlbumArea().Pages().size(), 1u);
  TMyStringGrid& album = *FForm->AlbumArea().Pages()[0]->GridControl();
  EXPECT_EQ(album.TuneCount(), 2);
  EXPECT_EQ(album.Cells(0, 0), "Artist");
  ASSERT_EQ(Probe(FForm).AllAlbLV()->ItemCount(), 1);
  EXPECT_EQ(Probe(FForm).AllAlbLV()->Items(0).Caption(), "Evening");
  EXPECT_EQ(Trim(Probe(FForm).AllAlbLV()->Items(0).SubItems(0)), "2");
  CloseAndWait();
}

TEST_F(CatalogueStart, EnterOnAGridRowPlaysTheStoredTitleOnTheRealSequencer) {
  Start();
  TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
  int row = RowOfKey(grid, FCat.Keys[1]);
  ASSERT_GT(row, 0);
  // The row current and selected, as the arrow keys leave it.
  grid.SetRow(row);
  grid.ClearSelection();
  grid.SetRowSelected(row, true);
  SendMessageA(grid.Handle(), WM_KEYDOWN, VK_RETURN, 0);
  std::string playFile = FDir / "AInternal.MID";
  ASSERT_TRUE(FileExists(playFile));
  EXPECT_EQ(ReadFileBytes(playFile), ReadFileBytes(FCat.Files[1]));
  // Shutdown while the device holds the play file does not hang and frees it.
  CloseAndWait();
  EXPECT_FALSE(FileExists(playFile));
}

TEST_F(CatalogueStart, ATitleEndingOnTheStandInStoresItsDuration) {
  TEndingSequencer seq;
  SetMainMciDriver(&seq);
  Start();
  ASSERT_TRUE(FForm->Road().PlayFromMasterKey(FCat.Keys[0]));
  ASSERT_FALSE(seq.Opened.empty());
  EXPECT_EQ(ExtractFileName(seq.Opened.back()), "AInternal.MID");
  EXPECT_EQ(ReadFileBytes(FDir / "AInternal.MID"), ReadFileBytes(FCat.Files[0]));
  TTuneRec rec;
  ASSERT_TRUE(FForm->DMM2()->MyDB()->FindById(FCat.Keys[0], rec));
  EXPECT_EQ(rec.Seconds, 61); // the device's length, kept in the store
  seq.Mode = MCI_MODE_STOP;   // the song ends: the player timer notices and goes idle
  EXPECT_TRUE(PumpUntil([&] { return FForm->Road().Mode() == mdStopped; }, 20000));
  CloseAndWait();
}

TEST_F(CatalogueStart, ShutdownWritesTheListsAndPacksAfterADeletion) {
  std::string dax = FDir / "Music.dax";
  Start();
  int64_t daxBefore = SizeOf(dax);
  // Every "Jazz" title goes: the category goes with them at shutdown.
  ASSERT_TRUE(FForm->DMM2()->DeleteTune(FCat.Keys[1], true));
  ASSERT_TRUE(FForm->DMM2()->DeleteTune(FCat.Keys[3], true));
  DeleteFile(FDir / "Categories.dex");
  CloseAndWait();
  EXPECT_TRUE(FileExists(FDir / "Categories.dex"));
  EXPECT_TRUE(FileExists(FDir / "Albums_A.dex"));
  // The album keeps its one remaining title.
  EXPECT_EQ(ReadFileBytes(FDir / "Albums_AT.dex").size(), static_cast<size_t>(TuneRecSize));
  EXPECT_TRUE(FileExists(FDir / "Artists.dex"));
  EXPECT_GT(SizeOf(dax), 0);
  EXPECT_LT(SizeOf(dax), daxBefore); // packed
  // The next start shows the rest.
  TMyDB db;
  db.Open(FDir / "Music");
  EXPECT_EQ(db.LiveCount(), static_cast<int>(FCat.Keys.size()) - 2);
  EXPECT_EQ(db.IdToRecNo(FCat.Keys[1]), 0);
  EXPECT_NE(db.IdToRecNo(FCat.Keys[0]), 0);
  db.Close();
  TCatList cats(FDir.Path());
  cats.LoadFromFile(CategoriesName, nullptr);
  ASSERT_EQ(cats.Count(), 1);
  EXPECT_EQ(Trim(cats.Items(0).Name), "Folk");
}

} // namespace

namespace {

TEST_F(CatalogueStart, ClosingWhileATitleStartsEndsCleanlyAndKeepsTheLists) {
  Start();
  TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
  int row = RowOfKey(grid, FCat.Keys[1]);
  ASSERT_GT(row, 0);
  grid.ClearSelection();
  grid.SetRowSelected(row, true);
  grid.SetRow(row);
  // The close is waiting when the start lets messages run.
  HWND window = FForm->Handle();
  TMasterFrm* form = FForm;
  FForm = nullptr;
  PostMessageA(window, WM_CLOSE, 0, 0);
  SendMessageA(grid.Handle(), WM_KEYDOWN, VK_RETURN, 0);
  PumpUntil([] { return MasterFrm == nullptr; }, 20000);
  ASSERT_EQ(MasterFrm, nullptr);
  (void)form;
  EXPECT_FALSE(FileExists(FDir / "AInternal.MID"));
  EXPECT_TRUE(FileExists(FDir / "Categories.dex"));
  EXPECT_GT(SizeOf(FDir / "Albums_AT.dex"), 0);
}

} // namespace

namespace {

// The texts of the tab control's own items, as the user sees them.
std::vector<std::string> TabTexts(TExtPageControl& pages) {
  std::vector<std::string> texts;
  HWND w = pages.Handle();
  int n = static_cast<int>(SendMessageA(w, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char text[128] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(w, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    texts.push_back(text);
  }
  return texts;
}

class ManyTabs : public TMainWindowFixture {
protected:
  ManyTabs() : TMainWindowFixture("tbmanytabs") {}
  static constexpr int Extra = 150;
  std::vector<std::string> FCategoryTabs, FAlbumTabs, FAlbumLines;

  void SetUp() override {
    TMainWindowFixture::SetUp();
    // Behind the prepared "Folk", "Jazz" and "Evening": names out of alphabetical order, so the
    // tabs show the files' order, not the lists' sorted one.
    std::string cats = ReadFileBytes(FDir / "Categories.dex");
    std::string albums = ReadFileBytes(FDir / "Albums_A.dex");
    FCategoryTabs = {"ALL CATEGORIES   ", "Folk   ", "Jazz   "};
    FAlbumTabs = {"ALL ALBUMS", "Evening     "};
    FAlbumLines = {"Evening"};
    for (int i = 0; i < Extra; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "Set %03d", (i * 37) % Extra);
      cats += ListRecord(100 + i, std::string(" ") + name, 72);
      albums += ListRecord(100 + i, name, 76);
      FCategoryTabs.push_back(std::string(name) + "   ");
      FAlbumTabs.push_back(std::string(name) + "     ");
      FAlbumLines.push_back(name);
    }
    WriteFileBytes(FDir / "Categories.dex", cats);
    WriteFileBytes(FDir / "Albums_A.dex", albums);
  }
};

TEST_F(ManyTabs, EveryCategoryAndAlbumGetsItsTabInFileOrderAndKeepsItThroughChanges) {
  Start();
  TExtPageControl& categories = *Probe(FForm).Categories();
  TExtPageControl& albums = *Probe(FForm).Albums();
  ASSERT_EQ(categories.PageCount(), Extra + 3);
  ASSERT_EQ(albums.PageCount(), Extra + 2);
  std::vector<std::string> captions;
  for (int i = 0; i < categories.PageCount(); ++i)
    captions.push_back(categories.Pages(i)->Caption());
  EXPECT_EQ(captions, FCategoryTabs);
  EXPECT_EQ(TabTexts(categories), FCategoryTabs);
  EXPECT_EQ(TabTexts(albums), FAlbumTabs);
  std::vector<std::string> lines;
  for (int i = 0; i < Probe(FForm).AllAlbLV()->ItemCount(); ++i)
    lines.push_back(Probe(FForm).AllAlbLV()->Items(i).Caption());
  EXPECT_EQ(lines, FAlbumLines);
  // The first page shows, filling the area below the tabs; the others wait hidden.
  EXPECT_EQ(categories.ActivePageIndex(), 0);
  RECT area = categories.PageDisplayRect();
  for (int i = 0; i < categories.PageCount(); ++i) {
    TTabSheet* page = categories.Pages(i);
    EXPECT_EQ(page->Visible(), i == 0) << i;
    EXPECT_EQ(page->Width(), area.right - area.left) << i;
    EXPECT_EQ(page->Top(), area.top) << i;
  }

  // Only "ALL CATEGORIES", then every tab again in the same order.
  FForm->ViewCommands().CategorySummaryOnlyClick(nullptr);
  EXPECT_EQ(TabTexts(categories), std::vector<std::string>{"ALL CATEGORIES   "});
  FForm->ViewCommands().CategorySummaryOnlyClick(nullptr);
  EXPECT_EQ(TabTexts(categories), FCategoryTabs);

  // A renamed category keeps its place; a deleted one takes only its own tab away.
  FForm->CatList()->RenameCategory(100 + 7, "Renamed");
  FCategoryTabs[3 + 7] = "  Renamed  ";
  EXPECT_EQ(TabTexts(categories), FCategoryTabs);
  FForm->CatList()->DeleteCategory(100 + 20);
  FCategoryTabs.erase(FCategoryTabs.begin() + 3 + 20);
  EXPECT_EQ(TabTexts(categories), FCategoryTabs);
  EXPECT_EQ(categories.ActivePageIndex(), 0);
  CloseAndWait();
}

TEST_F(ManyTabs, APageNeverShownGivesItsTitlesToTheCommandsThatReadIt) {
  TEndingSequencer seq;
  SetMainMciDriver(&seq);
  Start();
  TExtPageControl& albums = *Probe(FForm).Albums();
  TExtPageControl& categories = *Probe(FForm).Categories();
  ASSERT_EQ(albums.ActivePageIndex(), 0);
  ASSERT_EQ(Trim(albums.Pages(1)->Caption()), "Evening");
  EXPECT_FALSE(albums.Pages(1)->Showing());

  // The album's line chosen in the summary list and its titles played: its two titles in its
  // own order, from the page nobody opened.
  TListItem& line = Probe(FForm).AllAlbLV()->Items(0);
  ASSERT_EQ(line.Caption(), "Evening");
  EXPECT_EQ(Trim(line.SubItems(0)), "2");
  line.SetSelected(true);
  Probe(FForm).Item("Titlesselected7")->Click();
  TProgram& program = FForm->Road().Program();
  ASSERT_EQ(program.Count(), 2);
  EXPECT_EQ(program.Keys(0), FCat.Keys.front());
  EXPECT_EQ(program.Keys(1), FCat.Keys.back());
  EXPECT_EQ(albums.ActivePageIndex(), 0);

  // A category page not shown yet holds its titles, and shows them once chosen.
  TTunePage* jazz = nullptr;
  for (auto& page : FForm->CategoryArea().Pages())
    if (Trim(page->Sheet()->Caption()) == "Jazz") jazz = page.get();
  ASSERT_NE(jazz, nullptr);
  EXPECT_FALSE(jazz->Sheet()->Showing());
  std::vector<int32_t> want;
  for (size_t i = 1; i < FCat.Keys.size(); i += 2)
    want.push_back(FCat.Keys[i]);
  auto keysOf = [](TMyStringGrid& grid) {
    std::vector<int32_t> keys;
    for (int row = 1; row < grid.RowCount(); ++row)
      if (grid.Objects(row)) keys.push_back(grid.Objects(row)->MasterKey);
    std::sort(keys.begin(), keys.end());
    return keys;
  };
  EXPECT_EQ(keysOf(*jazz->GridControl()), want);
  categories.SetActivePage(jazz->Sheet());
  EXPECT_EQ(SendMessageA(categories.Handle(), TCM_GETCURSEL, 0, 0), jazz->Sheet()->TabIndex());
  EXPECT_TRUE(jazz->GridControl()->Showing());
  EXPECT_EQ(keysOf(*jazz->GridControl()), want);
  // The grid fills its page, as a page made at start-up does.
  RECT page{};
  GetClientRect(jazz->Sheet()->Handle(), &page);
  EXPECT_EQ(jazz->GridControl()->Width(), page.right);
  EXPECT_GT(page.right, 0);
  EXPECT_TRUE(IsWindowVisible(jazz->GridControl()->Handle()));
  CloseAndWait();
}

} // namespace
