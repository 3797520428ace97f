// Tonalbrook.exe handed files no ordinary song resembles: many tracks full of tempo changes
// imported while a second start hands another file over, 75 bytes that claim some 95 years, a
// recording named ".mid", RIFF files with and without readable MIDI data, and a catalogue holding
// a title of unknown duration. tests/checks/mainwin_oddfiles.py reads the catalogue left behind.
#include <gtest/gtest.h>
#include <windows.h>
#include "PreparedCatalogue.h"
#include "RunningProgram.h"
#include "TestUtil.h"

namespace {

std::string Le32(uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// A second of 8-bit mono silence as a sound recorder writes it.
std::string Wav() {
  const std::string fmt =
      std::string("\1\0\1\0", 4) + Le32(8000) + Le32(8000) + std::string("\1\0\x08\0", 4);
  const std::string body =
      "WAVEfmt " + Le32(16) + fmt + "data" + Le32(8000) + std::string(8000, '\x80');
  return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
}

class OddFilesRun : public testing::Test {
protected:
  TScratchDir FDir{"tb odd files"};
  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
    ForceDirectories(FDir / "Songs");
  }
  std::string Song(const std::string& name, const std::string& bytes) {
    std::string path = FDir / ("Songs\\" + name);
    WriteFileBytes(path, bytes);
    return path;
  }
  // A fresh folder for the checker under build/out/checks/mainwin_oddfiles.
  static std::string CheckDir(const std::string& name) {
    std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    dir += "mainwin_oddfiles\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    dir += name + "\\";
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
  }
};

TEST_F(OddFilesRun, ATempoHeavyImportLetsTheWindowAnswerAndASecondStartsFileArrives) {
  const std::string heavy =
      Song("many conductors.mid", ReadFileBytes(OracleDir("tempo_heavy") + "heavy.mid"));
  const std::string small = Song("small one.mid", ReadFileBytes(CorpusFiles("playmidi")[0]));
  TRunningProgram run(FDir.Path(), "M");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  ASSERT_TRUE(run.AnswerUntil([&] { return run.StartUpDone(); }, 60000));
  HWND load = FindChildByText(run.MainWindow(), "&Load");
  ASSERT_TRUE(load);
  ASSERT_TRUE(IsWindowEnabled(load));
  ASSERT_GE(SecondStart(FDir.Path(), "Z\"" + heavy + "\""), 0);
  // While the file is read and packed, the window shows itself busy (its commands greyed) ...
  ASSERT_TRUE(run.AnswerUntil([&] { return !IsWindowEnabled(load); }, 60000));
  EXPECT_EQ(IndexRecords(FDir.Path()), 0);
  // ... and answers meanwhile: what is sent to it is handled, and a second start hands its file
  // over and ends.
  EXPECT_TRUE(run.Settled());
  EXPECT_GE(SecondStart(FDir.Path(), "Z\"" + small + "\""), 0);
  EXPECT_TRUE(run.AnswerUntil([&] { return IndexRecords(FDir.Path()) == 2; }, 60000))
      << IndexRecords(FDir.Path());
  EXPECT_TRUE(run.AnswerUntil([&] { return IsWindowEnabled(load) != FALSE; }, 30000));
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(run.Boxes().empty()) << run.Boxes().front().Text;

  const std::string dir = CheckDir("heavy");
  for (const char* file : {"Music.dex", "Music.dax"})
    ASSERT_TRUE(CopyFileA((FDir / file).c_str(), (dir + file).c_str(), FALSE)) << file;
  WriteFileBytes(dir + "many conductors.mid", ReadFileBytes(heavy));
  WriteFileBytes(dir + "small one.mid", ReadFileBytes(small));
}

TEST_F(OddFilesRun, LongClaimsAreKeptAtTheLongestATitleShowsAndRiffFilesAreReadBeforeTheyAreTaken) {
  const std::string seventyFive =
      Song("seventy five.mid", ReadFileBytes(OracleDir("tempo_heavy") + "seventyfive.mid"));
  const std::string midi = ReadFileBytes(CorpusFiles("timidity")[0]);
  const std::string wrapped = Song("wrapped.rmi", RiffMidiOf(midi));
  const std::string recording = Song("recording.mid", Wav());
  // A RIFF MIDI download cut inside its MIDI data.
  const std::string cut = Song("cut short.rmi", RiffMidiOf(midi.substr(0, midi.size() / 2)));
  TRunningProgram run(FDir.Path(), "M");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  ASSERT_TRUE(run.AnswerUntil([&] { return run.StartUpDone(); }, 60000));
  int expected = 0;
  std::vector<std::string> told;
  for (auto [file, takes] : {std::pair{seventyFive, true}, std::pair{wrapped, true},
                             std::pair{recording, false}, std::pair{cut, false}}) {
    const size_t boxes = run.Boxes().size();
    ASSERT_GE(SecondStart(FDir.Path(), "Z\"" + file + "\""), 0) << file;
    expected += takes;
    if (takes) {
      EXPECT_TRUE(run.AnswerUntil([&] { return IndexRecords(FDir.Path()) == expected; }, 30000))
          << file;
    } else {
      // A file left out is told in a box, each hand-off its own.
      EXPECT_TRUE(run.AnswerUntil([&] { return run.Boxes().size() > boxes; }, 30000)) << file;
    }
  }
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(IndexRecords(FDir.Path()), 2);
  ASSERT_EQ(run.Boxes().size(), 2u);
  EXPECT_EQ(run.Boxes()[0].Text, "This file was not added to the database:\r\n\r\n" + recording +
                                     " is not a MIDI file, has " + std::to_string(Wav().size()) +
                                     " bytes");
  EXPECT_EQ(run.Boxes()[1].Text,
            "This file was not added to the database:\r\n\r\n" + cut + ": Corrupted MIDI file");

  const std::string dir = CheckDir("claims");
  for (const char* file : {"Music.dex", "Music.dax", "Categories.dex"})
    ASSERT_TRUE(CopyFileA((FDir / file).c_str(), (dir + file).c_str(), FALSE)) << file;
  WriteFileBytes(dir + "seventy five.mid", ReadFileBytes(seventyFive));
  WriteFileBytes(dir + "wrapped.rmi", ReadFileBytes(wrapped));
}

TEST_F(OddFilesRun, ATitleOfUnknownDurationIsNoDamageAcrossStarts) {
  // The first title was added though it could not be read ("?"), as the import's question lets
  // the user do; the album "Evening" holds it too.
  PrepareCatalogue(FDir.Path(), 2, -1);
  for (int start = 0; start < 2; ++start) {
    SCOPED_TRACE(start);
    TRunningProgram run(FDir.Path(), "M");
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitForMainWindow());
    ASSERT_TRUE(run.AnswerAndClose());
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_TRUE(run.Boxes().empty()) << run.Boxes().front().Text;
    EXPECT_FALSE(FileExists(FDir / "Music.dex.damaged"));
    EXPECT_FALSE(FileExists(FDir / "Categories.dex.damaged"));
  }
  EXPECT_EQ(IndexRecords(FDir.Path()), 2);
}

} // namespace
