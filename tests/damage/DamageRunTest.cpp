// Tonalbrook.exe itself opens and closes catalogues damaged in each way a power cut or a swapped
// file leaves (written by oracles/damage_catalogues.py). What each run leaves, with the texts of
// the boxes it showed, is kept for checks/damage_catalogue.py, which compares it byte by byte.
#include <gtest/gtest.h>
#include <windows.h>
#include "RunningProgram.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "TuneRecords.h"

namespace {

// A catalogue by its folder name, and what the run does besides opening and closing it.
struct TDamageCase {
  const char* Name;
  const char* Told;           // the start of the one box the user must see; none when nullptr
  const char* Play = nullptr; // a title's origin the run asks the program to play, by "P"
};

void PrintTo(const TDamageCase& c, std::ostream* os) {
  *os << c.Name;
}

const char* const FoundAtOpening = "Tonalbrook found damage in its catalogue files";

std::string SourceOf(const std::string& name) {
  return WinPath(EnvVar("TB_BUILD_DIR")) + "\\oracles\\damage_catalogues\\" + name + "\\";
}

std::string KeptAs(const std::string& name) {
  return WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\damage_catalogue\\" + name + "\\";
}

// The files of a folder and of its BackUp folder, as names relative to it.
std::vector<std::string> FilesOf(const std::string& folder) {
  std::vector<std::string> names;
  for (const std::string sub : {"", "BackUp\\"}) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + sub + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(sub + fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  return names;
}

void CopyFiles(const std::string& from, const std::string& to) {
  for (const std::string& name : FilesOf(from)) {
    ForceDirectories(ExtractFilePath(to + name));
    ASSERT_TRUE(CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE)) << from + name;
  }
}

// A program folder holding the catalogue the oracle wrote under that name.
void PrepareFolder(TScratchDir& dir, const std::string& name) {
  std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
  ASSERT_TRUE(CopyFileA(exe.c_str(), (dir / "Tonalbrook.exe").c_str(), FALSE)) << exe;
  // Not a first start, and no reminder to scan: the only box is the one about the damage.
  WriteFileBytes(dir / "Tonalbrook.ini", "[Setup]\r\nFullScanDone=1\r\nRemindToScan=0\r\n");
  if (!name.empty()) CopyFiles(SourceOf(name), dir.Path());
}

std::string BoxTexts(const TRunningProgram& run) {
  std::string texts;
  for (const auto& box : run.Boxes())
    texts += box.Text + "\r\n----\r\n";
  return texts;
}

// What the run left, with the texts of its boxes, for the checker.
void Keep(TScratchDir& dir, const std::string& as, const TRunningProgram& run) {
  const std::string kept = KeptAs(as);
  RemoveTree(kept);
  ForceDirectories(kept);
  WriteFileBytes(kept + "boxes.txt", BoxTexts(run));
  for (const std::string& name : FilesOf(dir.Path()))
    if (name != "Tonalbrook.exe" && name != "Tonalbrook.ini") {
      ForceDirectories(ExtractFilePath(kept + name));
      CopyFileA((dir / name).c_str(), (kept + name).c_str(), FALSE);
    }
}

// Answers Yes to the question about the damage, the default to any other box.
std::string AcceptTheLoss(const TRunningProgram::TAsked& box) {
  return box.Text.find("Accept the catalogue as it could be read?") != std::string::npos ? "&Yes"
                                                                                         : "";
}

class DamageRun : public testing::TestWithParam<TDamageCase> {};

TEST_P(DamageRun, TheProgramTellsKeepsACopyAndClosesWithoutLosingWhatItCouldNotRead) {
  const TDamageCase& c = GetParam();
  TScratchDir dir{"tbdamage"};
  PrepareFolder(dir, c.Name);

  // The title's origin must name a file for the request to be taken; the file is never read.
  std::string origin = c.Play ? c.Play : "";
  if (!origin.empty()) {
    ForceDirectories(ExtractFilePath(origin));
    WriteFileBytes(origin, "never read");
  }
  {
    TRunningProgram run(dir.Path(), origin.empty() ? "" : "P\"" + origin + "\"");
    ASSERT_TRUE(run.Started());
    if (!origin.empty()) {
      EXPECT_TRUE(run.AnswerUntil([&] { return !run.Boxes().empty(); }, 60000))
          << "nothing was told when the title was played";
    }
    ASSERT_TRUE(run.AnswerAndClose()) << "the program did not start and close";
    EXPECT_EQ(run.ExitCode(), 0u);
    if (c.Told) {
      ASSERT_EQ(run.Boxes().size(), 1u) << BoxTexts(run);
      EXPECT_NE(run.Boxes()[0].Text.find(c.Told), std::string::npos) << BoxTexts(run);
    } else {
      EXPECT_TRUE(run.Boxes().empty()) << BoxTexts(run);
    }
    Keep(dir, c.Name, run);
  }
  if (!origin.empty()) {
    DeleteFileA(origin.c_str());
    RemoveDirectoryA(ExtractFilePath(origin).c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Catalogues, DamageRun,
    testing::Values(
        TDamageCase{"cut_index", FoundAtOpening}, TDamageCase{"index_swapped", FoundAtOpening},
        TDamageCase{"empty_index", FoundAtOpening}, TDamageCase{"cut_data", FoundAtOpening},
        TDamageCase{"zero_length", FoundAtOpening}, TDamageCase{"duplicate_key", FoundAtOpening},
        TDamageCase{"garbage_categories", FoundAtOpening},
        TDamageCase{"header_mismatch", FoundAtOpening},
        // Found only when read: playing it names the title.
        TDamageCase{"flipped_title", "The stored title \"Title number 10\" (record 10",
                    "C:\\Music\\Title 10.mid"},
        TDamageCase{"cut_albums", FoundAtOpening}, TDamageCase{"garbled_album", FoundAtOpening},
        TDamageCase{"missing_album", FoundAtOpening}, TDamageCase{"no_album_file", FoundAtOpening},
        TDamageCase{"empty_catalogue", FoundAtOpening},
        TDamageCase{"short_categories", FoundAtOpening},
        TDamageCase{"garbage_in_data", FoundAtOpening},
        // No damage: an import that ended between its two writes, and an interrupted pack's files.
        TDamageCase{"interrupted_import", nullptr}, TDamageCase{"pack_leftovers", nullptr}),
    [](const testing::TestParamInfo<TDamageCase>& info) { return std::string(info.param.Name); });

// Accepted once, the loss is not asked about again, and the packs run again.
TEST(DamageAccepted, ACatalogueWhoseLossWasAcceptedStartsQuietlyAndIsPacked) {
  TScratchDir dir{"tbdamage"};
  PrepareFolder(dir, "cut_index");
  {
    TRunningProgram run(dir.Path(), "");
    ASSERT_TRUE(run.Started());
    run.Answer = AcceptTheLoss;
    ASSERT_TRUE(run.AnswerAndClose());
    EXPECT_EQ(run.ExitCode(), 0u);
    ASSERT_EQ(run.Boxes().size(), 1u) << BoxTexts(run);
    EXPECT_NE(run.Boxes()[0].Text.find(FoundAtOpening), std::string::npos);
    Keep(dir, "accepted_first", run);
  }
  TRunningProgram again(dir.Path(), "");
  ASSERT_TRUE(again.Started());
  ASSERT_TRUE(again.AnswerAndClose());
  EXPECT_EQ(again.ExitCode(), 0u);
  EXPECT_TRUE(again.Boxes().empty()) << BoxTexts(again);
  Keep(dir, "accepted", again);
}

// A title added while the index is cut takes none of the keys of the titles it lost, and the next
// start, still damaged, makes no second copy of what it could not read.
TEST(DamageAccepted, ATitleAddedToACutIndexTakesNoKeyOfAnUnreadTitle) {
  TScratchDir dir{"tbdamage"};
  PrepareFolder(dir, "cut_index");
  std::vector<std::string> corpus = CorpusFiles("timidity");
  ASSERT_FALSE(corpus.empty());
  const std::string song = dir / "new song.mid";
  ASSERT_TRUE(CopyFileA(corpus[0].c_str(), song.c_str(), FALSE));
  const int64_t before = FileSize(dir / "Music.dex");
  {
    TRunningProgram run(dir.Path(), "Z\"" + song + "\"");
    ASSERT_TRUE(run.Started());
    EXPECT_TRUE(run.AnswerUntil(
        [&] { return FileSize(dir / "Music.dex") > before + TuneRecSize / 2; }, 60000))
        << "the title was not added";
    ASSERT_TRUE(run.AnswerAndClose());
    EXPECT_EQ(run.ExitCode(), 0u);
  }
  TRunningProgram again(dir.Path(), "");
  ASSERT_TRUE(again.Started());
  ASSERT_TRUE(again.AnswerAndClose());
  EXPECT_EQ(again.Boxes().size(), 1u) << BoxTexts(again);
  Keep(dir, "added_to_cut_index", again);
}

// On a disk too full for the category and artist files, a title with a new category and artist
// is not stored at all, and the user is told.
TEST(DamageFullDisk, ATitleWhoseListsCannotBeWrittenIsNotStoredAndTheUserIsTold) {
  TScratchDir dir{"tbdamagefull"}; // no blanks: the host links are made by their host paths
  PrepareFolder(dir, "");
  WriteFileBytes(dir / "Categories.dex", "");
  WriteFileBytes(dir / "Artists.dex", "");
  // Each list is written through a work file beside it; here every write to it fails.
  TFullDisk categories(dir / "Categories.dex.new"), artists(dir / "Artists.dex.new");
  ASSERT_TRUE(categories.Made() && artists.Made());
  std::vector<std::string> corpus = CorpusFiles("timidity");
  ASSERT_FALSE(corpus.empty());
  const std::string song = dir / "song.mid";
  ASSERT_TRUE(CopyFileA(corpus[0].c_str(), song.c_str(), FALSE));
  TRunningProgram run(dir.Path(), "Z\"" + song + "\"");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  ASSERT_EQ(run.Boxes().size(), 1u) << BoxTexts(run);
  EXPECT_EQ(run.Boxes()[0].Text.rfind("This file was not added to the database:\r\n\r\n" + song +
                                          ": Cannot save \"" + dir / "Categories.dex\"",
                                      0),
            0u)
      << BoxTexts(run);
  EXPECT_EQ(FileSize(dir / "Music.dex"), 0) << "the title is stored with its lists or not at all";
  EXPECT_EQ(FileSize(dir / "Music.dax"), 0);
}

} // namespace
