// The main window over a real catalogue: start-up fills the grids and pages, a grid row plays
// along the whole play road, and shutdown writes the lists and packs the store.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
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
  EXPECT_TRUE(PumpUntil([&] { return FForm->Road().Mode() == mdStopped; }, 5000));
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
