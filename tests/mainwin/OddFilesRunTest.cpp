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

class OddFilesRun : public testing::Test {
protected:
  TScratchDir FDir{"tb odd files"};
  std::unique_ptr<TRunningProgram> FRun;
  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE)) << exe;
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
    ForceDirectories(FDir / "Songs");
  }
  std::string Song(const std::string& name, const std::string& bytes) {
    WriteFileBytes(FDir / ("Songs\\" + name), bytes);
    return FDir / ("Songs\\" + name);
  }
  void StartAndCloseQuietly() {
    TRunningProgram run(FDir.Path(), "M");
    ASSERT_TRUE(run.Started() && run.WaitForMainWindow());
    ASSERT_TRUE(run.AnswerAndClose());
    EXPECT_TRUE(run.Boxes().empty()) << run.Boxes().front().Text;
  }
  void Start() {
    FRun = std::make_unique<TRunningProgram>(FDir.Path(), "M");
    ASSERT_TRUE(FRun->Started() && FRun->WaitForMainWindow());
    ASSERT_TRUE(FRun->AnswerUntil([&] { return FRun->StartUpDone(); }, 60000));
  }
};

TEST_F(OddFilesRun, ATempoHeavyImportLetsTheWindowAnswerAndASecondStartsFileArrives) {
  const std::string heavy =
      Song("heavy.mid", ReadFileBytes(OracleDir("tempo_heavy") + "heavy.mid"));
  const std::string small = Song("small.mid", ReadFileBytes(CorpusFiles("playmidi")[0]));
  Start();
  HWND load = FindChildByText(FRun->MainWindow(), "&Load");
  ASSERT_TRUE(load && IsWindowEnabled(load));
  ASSERT_GE(SecondStart(FDir.Path(), "Z\"" + heavy + "\""), 0);
  // While the file is read and packed the window shows itself busy (its commands greyed), and
  // it answers: what is sent to it is handled, a second start hands its file over and ends.
  ASSERT_TRUE(FRun->AnswerUntil([&] { return !IsWindowEnabled(load); }, 60000));
  EXPECT_EQ(IndexRecords(FDir.Path()), 0);
  EXPECT_TRUE(FRun->Settled());
  EXPECT_GE(SecondStart(FDir.Path(), "Z\"" + small + "\""), 0);
  EXPECT_TRUE(FRun->AnswerUntil([&] { return IndexRecords(FDir.Path()) == 2; }, 60000));
  EXPECT_TRUE(FRun->AnswerUntil([&] { return IsWindowEnabled(load) != FALSE; }, 30000));
  ASSERT_TRUE(FRun->AnswerAndClose());
  EXPECT_TRUE(FRun->Boxes().empty()) << FRun->Boxes().front().Text;
}

TEST_F(OddFilesRun, LongClaimsAreKeptAtTheLongestATitleShowsAndRiffFilesAreReadBeforeTheyAreTaken) {
  const std::string midi = ReadFileBytes(CorpusFiles("timidity")[0]);
  // A RIFF file of another form: a recording, as a sound recorder writes one, named ".mid".
  std::string wav = RiffMidiOf(std::string(8000, '\x80'));
  wav.replace(8, 8, "WAVEdata");
  const std::string files[] = {
      Song("seventy five.mid", ReadFileBytes(OracleDir("tempo_heavy") + "seventyfive.mid")),
      Song("wrapped.rmi", RiffMidiOf(midi)), Song("recording.mid", wav),
      Song("cut short.rmi", RiffMidiOf(midi.substr(0, midi.size() / 2)))};
  Start();
  for (const std::string& file : files) {
    const size_t boxes = FRun->Boxes().size();
    const int titles = IndexRecords(FDir.Path());
    ASSERT_GE(SecondStart(FDir.Path(), "Z\"" + file + "\""), 0) << file;
    // Each file is taken, or told in a box of its own hand-off.
    EXPECT_TRUE(FRun->AnswerUntil(
        [&] { return IndexRecords(FDir.Path()) > titles || FRun->Boxes().size() > boxes; }, 30000));
  }
  ASSERT_TRUE(FRun->AnswerAndClose());
  EXPECT_EQ(IndexRecords(FDir.Path()), 2);
  ASSERT_EQ(FRun->Boxes().size(), 2u);
  const std::string told = "This file was not added to the database:\r\n\r\n";
  EXPECT_EQ(FRun->Boxes()[0].Text,
            told + files[2] + " is not a MIDI file, has " + std::to_string(wav.size()) + " bytes");
  EXPECT_EQ(FRun->Boxes()[1].Text, told + files[3] + ": Corrupted MIDI file");

  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\mainwin_oddfiles\\";
  ForceDirectories(dir);
  for (const char* file : {"Music.dex", "Music.dax", "Categories.dex"})
    ASSERT_TRUE(CopyFileA((FDir / file).c_str(), (dir + file).c_str(), FALSE)) << file;
  for (const std::string& file : {files[0], files[1]})
    WriteFileBytes(dir + ExtractFileName(file), ReadFileBytes(file));
}

TEST_F(OddFilesRun, ATitleOfUnknownDurationIsNoDamageAcrossStarts) {
  // The first title was added though it could not be read ("?"), as the import's question lets
  // the user do; the album "Evening" holds it too. Its totals are written at each close.
  PrepareCatalogue(FDir.Path(), 2, -1);
  StartAndCloseQuietly();
  StartAndCloseQuietly();
  EXPECT_FALSE(FileExists(FDir / "Music.dex.damaged"));
  EXPECT_EQ(IndexRecords(FDir.Path()), 2);
}

} // namespace
