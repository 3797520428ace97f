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

class DamageRun : public testing::TestWithParam<const char*> {};

TEST_P(DamageRun, TheProgramTellsKeepsACopyAndClosesWithoutLosingWhatItCouldNotRead) {
  const std::string name = GetParam();
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

  {
    TRunningProgram run(dir.Path(), "");
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.AnswerAndClose()) << "the program did not start and close";
    EXPECT_EQ(run.ExitCode(), 0u);
    std::string texts;
    for (const auto& box : run.Boxes())
      texts += box.Text + "\r\n----\r\n";
    ASSERT_EQ(run.Boxes().size(), 1u) << texts;
    EXPECT_NE(run.Boxes()[0].Text.find("Tonalbrook found damage in its catalogue files"),
              std::string::npos)
        << texts;
    RemoveTree(kept);
    ForceDirectories(kept);
    WriteFileBytes(kept + "boxes.txt", texts);
  }
  for (const char* f : CatalogueFiles)
    CopyFileA((dir / f).c_str(), (kept + f).c_str(), FALSE);
  for (const char* f : {"Music.dex", "Categories.dex"}) {
    std::string copy = std::string(f) + ".damaged";
    CopyFileA((dir / copy).c_str(), (kept + copy).c_str(), FALSE);
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogues, DamageRun,
                         testing::Values("cut_index", "index_swapped", "empty_index", "cut_data",
                                         "zero_length", "duplicate_key", "garbage_categories"));

} // namespace
