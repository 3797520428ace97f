// Tonalbrook.exe itself opens and closes catalogues damaged in each way a power cut or a swapped
// file leaves (written by oracles/damage_catalogues.py). What each run leaves, with the texts of
// the boxes it showed, is kept for checks/damage_catalogue.py, which compares it byte by byte.
#include <gtest/gtest.h>
#include <windows.h>
#include "RunningProgram.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

const char* const CatalogueFiles[] = {"Music.dex",   "Music.dax",    "Categories.dex",
                                      "Artists.dex", "Albums_A.dex", "Albums_AT.dex"};

// A catalogue by its folder name, and what the run does besides opening and closing it.
struct TDamageCase {
  const char* Name;
  const char* Told;           // the start of the one box the user must see
  const char* Play = nullptr; // a title's origin the run asks the program to play, by "P"
};

void PrintTo(const TDamageCase& c, std::ostream* os) {
  *os << c.Name;
}

const char* const FoundAtOpening = "Tonalbrook found damage in its catalogue files";

class DamageRun : public testing::TestWithParam<TDamageCase> {};

TEST_P(DamageRun, TheProgramTellsKeepsACopyAndClosesWithoutLosingWhatItCouldNotRead) {
  const TDamageCase& c = GetParam();
  const std::string name = c.Name;
  const std::string source =
      WinPath(EnvVar("TB_BUILD_DIR")) + "\\oracles\\damage_catalogues\\" + name + "\\";
  const std::string kept =
      WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\damage_catalogue\\" + name + "\\";
  TScratchDir dir{"tbdamage"};
  std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
  ASSERT_TRUE(CopyFileA(exe.c_str(), (dir / "Tonalbrook.exe").c_str(), FALSE)) << exe;
  // Not a first start, and no reminder to scan: the only box is the one about the damage.
  WriteFileBytes(dir / "Tonalbrook.ini", "[Setup]\r\nFullScanDone=1\r\nRemindToScan=0\r\n");
  for (const char* f : CatalogueFiles)
    ASSERT_TRUE(CopyFileA((source + f).c_str(), (dir / f).c_str(), FALSE)) << source + f;

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
    std::string texts;
    for (const auto& box : run.Boxes())
      texts += box.Text + "\r\n----\r\n";
    ASSERT_EQ(run.Boxes().size(), 1u) << texts;
    EXPECT_NE(run.Boxes()[0].Text.find(c.Told), std::string::npos) << texts;
    RemoveTree(kept);
    ForceDirectories(kept);
    WriteFileBytes(kept + "boxes.txt", texts);
  }
  if (!origin.empty()) {
    DeleteFileA(origin.c_str());
    RemoveDirectoryA(ExtractFilePath(origin).c_str());
  }
  for (const char* f : CatalogueFiles)
    CopyFileA((dir / f).c_str(), (kept + f).c_str(), FALSE);
  for (const char* f : {"Music.dex", "Categories.dex"}) {
    std::string copy = std::string(f) + ".damaged";
    CopyFileA((dir / copy).c_str(), (kept + copy).c_str(), FALSE);
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
                    "C:\\Music\\Title 10.mid"}),
    [](const testing::TestParamInfo<TDamageCase>& info) { return std::string(info.param.Name); });

} // namespace
