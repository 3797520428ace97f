// Tonalbrook.exe itself taking requests: its own command line, second starts handing theirs over
// while it runs or still loads, and the browser plug-in's requests.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <map>
#include <sstream>
#include <tuple>
#include "DataCodeD2.h"
#include "IniFiles.h"
#include "PreparedCatalogue.h"
#include "RunningProgram.h"
#include "TestUtil.h"
#include "ScanHelpers.h"
#include <algorithm>

namespace {

// The live titles of a closed catalogue, by origin.
std::map<std::string, TTuneRec> TitlesByOrigin(const std::string& folder) {
  std::map<std::string, TTuneRec> out;
  TMyDB db;
  db.Open(folder + "Music");
  for (int n = 1; n <= db.RecordCount(); ++n) {
    TTuneRec rec;
    if (db.ReadRecord(n, rec) && rec.Live) out[rec.Origin] = rec;
  }
  db.Close();
  return out;
}

class RequestRun : public testing::Test {
protected:
  TScratchDir FDir{"tb run req"}; // a folder name with blanks
  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
  }
  // A first instance started minimised, its start-up done.
  void StartFirst(TRunningProgram& first) {
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(first.WaitForMainWindow());
    ASSERT_TRUE(PumpUntil([&] { return first.StartUpDone(); }, 60000));
  }
  // A corpus file copied to a path with blanks.
  std::string Copy(const std::string& file, const std::string& name) {
    ForceDirectories(FDir / "My Songs");
    std::string path = FDir / ("My Songs\\" + name);
    EXPECT_TRUE(CopyFileA(file.c_str(), path.c_str(), FALSE));
    return path;
  }
};

TEST_F(RequestRun, AFirstStartWithZAddsAndAsksNothing) {
  std::string song = Copy(CorpusFiles("playmidi")[0], "a first song.mid");
  TRunningProgram run(FDir.Path(), "Z\"" + song + "\"");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  EXPECT_TRUE(run.AnswerUntil([&] { return IndexRecords(FDir.Path()) == 1; }, 60000));
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(run.Boxes().empty()) << run.Boxes().front().Text;
  auto titles = TitlesByOrigin(FDir.Path());
  ASSERT_EQ(titles.count(song), 1u);
  EXPECT_EQ(titles[song].Title, "a first song");
  EXPECT_EQ(titles[song].CategoryName, "Windows default");
  EXPECT_EQ(titles[song].LastName, "Unknown");
}

TEST_F(RequestRun, SecondStartsHandOverTheirFilesAndEndAtOnce) {
  TRunningProgram first(FDir.Path(), "M");
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(first.WaitForMainWindow());
  ASSERT_TRUE(PumpUntil([&] { return FileExists(FDir / "Music.dex"); }, 60000));

  // One file of each corpus package, a RIFF copy, archives, a missing and a non-MIDI file.
  std::vector<std::string> added;
  for (const char* package :
       {"mma", "openttd-openmsx", "pianobooster", "playmidi", "songwrite", "timidity"})
    added.push_back(Copy(CorpusFiles(package)[0], std::string(package) + " one.mid"));
  std::string riff = FDir / "My Songs\\wrapped.rmi";
  WriteFileBytes(riff, RiffMidiOf(ReadFileBytes(CorpusFiles("timidity")[0])));
  added.push_back(riff);
  std::string zip = Copy(OracleDir("import_archives") + "three.zip", "three titles.zip");
  std::string six = Copy(OracleDir("import_archives") + "six.zip", "six titles.zip");
  std::string notMidi = Copy(CorpusFiles("r-cran-rgdal")[0], "map table.MID");
  int expected = 0;
  auto handOver = [&](const std::string& params, int more) {
    int ms = SecondStart(FDir.Path(), params);
    EXPECT_GE(ms, 0) << params << " did not end";
    expected += more;
    EXPECT_TRUE(first.AnswerUntil([&] { return IndexRecords(FDir.Path()) == expected; }, 60000))
        << params << ": " << IndexRecords(FDir.Path()) << " titles, not " << expected;
  };
  for (const std::string& file : added)
    handOver("Z\"" + file + "\"", 1);
  handOver("Z\"" + zip + "\"", 3);
  handOver("Z\"" + six + "\"", 6);
  handOver("Z\"" + FDir / "My Songs\\missing.mid" + "\"", 0);
  handOver("Z\"" + notMidi + "\"", 0);
  std::string mailed = Copy(CorpusFiles("pianobooster")[1], "to mail.mid");
  handOver("M\"" + mailed + "\"", 1);
  std::string played = Copy(CorpusFiles("pianobooster")[2], "to play.mid");
  handOver("P\"" + played + "\"", 1);
  // The played title's file became the play file.
  EXPECT_TRUE(PumpUntil([&] { return SharedRead(FDir / "AInternal.MID") == ReadFileBytes(played); },
                        20000));
  std::string opened = Copy(CorpusFiles("pianobooster")[3], "to open.mid");
  handOver("O\"" + opened + "\"", 1);
  std::string bare = Copy(CorpusFiles("pianobooster")[4], "bare path.mid");
  handOver("\"" + bare + "\"", 1);
  // Asked again: found, nothing added (an archive's titles neither).
  handOver("Z\"" + added[0] + "\"", 0);
  handOver("Z\"" + zip + "\"", 0);
  handOver("P\"" + played + "\"", 0);
  // Requests run one at a time in the order they came: once a new file handed over behind them
  // is in, they have all run.
  std::string last = Copy(CorpusFiles("pianobooster")[6], "the last one.mid");
  handOver("Z\"" + last + "\"", 1);
  EXPECT_EQ(IndexRecords(FDir.Path()), expected);

  ASSERT_TRUE(first.AnswerAndClose());
  EXPECT_EQ(first.ExitCode(), 0u);
  // Only the file that is no MIDI file was told; the missing one is dropped without a word.
  ASSERT_EQ(first.Boxes().size(), 1u);
  EXPECT_EQ(first.Boxes()[0].Text, "This file was not added to the database:\r\n\r\n" + notMidi +
                                       " is not a MIDI file, has " + IntToStr(FileSize(notMidi)) +
                                       " bytes");
  auto titles = TitlesByOrigin(FDir.Path());
  EXPECT_EQ(static_cast<int>(titles.size()), expected);
  for (const std::string& file : added)
    EXPECT_EQ(titles[file].CategoryName, "Windows default") << file;
  EXPECT_EQ(titles[riff].FileType, "RMI");
  EXPECT_EQ(titles[mailed].CategoryName, "Email default");
  EXPECT_EQ(titles[zip + "+son_accordeon.mid"].Title, "son accordeon");
  EXPECT_EQ(titles.count(notMidi), 0u);
}

TEST_F(RequestRun, AHandOffThatLeavesFilesOutSaysWhichAndWhyInOneBox) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  TRunningProgram first(FDir.Path(), "M");
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(first.WaitForMainWindow());
  ASSERT_TRUE(PumpUntil([&] { return first.StartUpDone(); }, 60000));
  std::string song = Copy(CorpusFiles("timidity")[0], "good song.mid");
  std::string notes = FDir / "My Songs\\notes.txt";
  WriteFileBytes(notes, "Not music at all.");
  std::string fake = FDir / "My Songs\\fake.mid";
  WriteFileBytes(fake, "Not music either.");
  // Three files of one second start; the program's own packing, without any limit, takes the
  // good one.
  EXPECT_GE(SecondStart(FDir.Path(), "Z\"" + notes + "\" Z\"" + song + "\" Z\"" + fake + "\""), 0);
  EXPECT_TRUE(first.AnswerUntil(
      [&] { return IndexRecords(FDir.Path()) == 1 && first.Boxes().size() == 1; }, 60000));
  ASSERT_TRUE(first.AnswerAndClose());
  EXPECT_EQ(first.ExitCode(), 0u);
  ASSERT_EQ(first.Boxes().size(), 1u) << "one box for the whole hand-off";
  EXPECT_EQ(first.Boxes()[0].Text,
            "These 2 files were not added to the database:\r\n\r\n" + notes +
                ": not a MIDI file (.mid, .midi, .rmi) or a zip archive (.zip)\r\n" + fake +
                " is not a MIDI file, has 17 bytes");
  auto titles = TitlesByOrigin(FDir.Path());
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles.count(song), 1u);
}

// The oracle's CRC-32 of each title an archive must give, by the entry's name and its number
// among the archive's entries of that name (expect.tsv: archive, name, CRC, ..., twin number).
std::map<std::string, uint32_t> ExpectedCrcs(const std::string& archive) {
  std::map<std::string, uint32_t> out;
  std::istringstream tsv(ReadFileBytes(OracleDir("import_archives") + "expect.tsv"));
  for (std::string line; std::getline(tsv, line);) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');)
      f.push_back(field);
    if (f.size() == 7 && f[0] == archive)
      out[f[1] + (f[6] == "0" ? "" : " (entry " + f[6] + ")")] = std::stoul(f[2]);
  }
  return out;
}

TEST_F(RequestRun, HandedOffArchivesKeepTwinEntriesApartAndNameWhatTheyLeaveOut) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  TRunningProgram first(FDir.Path(), "M");
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(first.WaitForMainWindow());
  ASSERT_TRUE(PumpUntil([&] { return first.StartUpDone(); }, 60000));
  // Two tunes under one name; one tune twice under one name beside another; two long names; an
  // encrypted entry beside an open one. Each hand-off tells what it left out in a box of its own.
  std::map<std::string, std::string> zips;
  int titlesSoFar = 0;
  size_t boxesSoFar = 0;
  for (auto [name, titles, boxes] : {std::tuple{"twins.zip", 2, 0},
                                     {"twindups.zip", 2, 1},
                                     {"longnames.zip", 2, 0},
                                     {"encrypted.zip", 1, 1}}) {
    zips[name] = Copy(OracleDir("import_archives") + name, name);
    EXPECT_GE(SecondStart(FDir.Path(), "Z\"" + zips[name] + "\""), 0) << name;
    titlesSoFar += titles;
    boxesSoFar += boxes;
    EXPECT_TRUE(first.AnswerUntil(
        [&] {
          return IndexRecords(FDir.Path()) == titlesSoFar && first.Boxes().size() == boxesSoFar;
        },
        60000))
        << name << ": " << IndexRecords(FDir.Path()) << " titles";
  }
  ASSERT_TRUE(first.AnswerAndClose());
  EXPECT_EQ(first.ExitCode(), 0u);
  ASSERT_EQ(first.Boxes().size(), 2u);
  EXPECT_EQ(first.Boxes()[0].Text,
            "This file was not added to the database:\r\n\r\n" + zips["twindups.zip"] +
                ": OK decompressing but dup.mid: Duplicate of entry 1 (1 of 3 entries left out)");
  EXPECT_EQ(first.Boxes()[1].Text,
            "This file was not added to the database:\r\n\r\n" + zips["encrypted.zip"] +
                ": OK decompressing but secret.mid: encrypted (1 of 2 entries left out)");
  // Each title holds the bytes of its own entry; a twin's origin ends in its number, which the
  // record's 255 characters keep.
  auto titles = TitlesByOrigin(FDir.Path());
  EXPECT_EQ(titles.size(), 7u);
  for (const auto& [archive, path] : zips) {
    for (const auto& [entry, crc] : ExpectedCrcs(archive)) {
      const size_t mark = entry.find(" (entry ");
      const std::string plain = path + "+" + entry.substr(0, mark);
      const std::string origin =
          mark == std::string::npos
              ? plain.substr(0, 255)
              : plain.substr(0, 255 - (entry.size() - mark)) + entry.substr(mark);
      ASSERT_EQ(titles.count(origin), 1u) << origin;
      EXPECT_EQ(titles[origin].Crc, crc) << origin;
    }
  }
  EXPECT_FALSE(DirectoryExists(FDir / "ForTempZips"));
}

TEST_F(RequestRun, AnArchiveOfManyEntriesSharingOneBodyStopsAtTheLimitsAndSaysSo) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  // 2000 entries of 30 MB each in an archive of a few hundred KB: 8 of them fit in 256 MB, and
  // each is a header without a track.
  std::string bomb = Copy(OracleDir("import_archives") + "bomb.zip", "many tunes.zip");
  TRunningProgram run(FDir.Path(), "Z\"" + bomb + "\"");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  EXPECT_TRUE(run.AnswerUntil([&] { return run.Boxes().size() == 1; }, 90000));
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  ASSERT_EQ(run.Boxes().size(), 1u);
  EXPECT_EQ(run.Boxes()[0].Text,
            "This file was not added to the database:\r\n\r\n" + bomb +
                ": OK decompressing but tune0001.mid: Corrupted MIDI file; 1992 entries past the "
                "limits of 10000 entries and 256 MB unpacked in all (2000 of 2000 entries left "
                "out)");
  EXPECT_EQ(IndexRecords(FDir.Path()), 0);
  EXPECT_FALSE(DirectoryExists(FDir / "ForTempZips"));
}

TEST_F(RequestRun, FortyFilesWithLongPathsAndTheLongestPathAllArrive) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  TRunningProgram first(FDir.Path(), "M");
  StartFirst(first);
  // 40 files opened together: some 3,500 characters of paths on one command line.
  std::vector<std::string> songs;
  std::string params;
  for (int i = 1; i <= 40; ++i) {
    songs.push_back(
        Copy(CorpusFiles("timidity")[0], "a song with a long name " + IntToStr(i) + ".mid"));
    params += " Z\"" + songs.back() + "\"";
  }
  EXPECT_GE(SecondStart(FDir.Path(), params), 0);
  // A path of 259 characters, the most a path may have.
  const std::string longest =
      FDir / "My Songs\\" + std::string(246 - FDir.Path().size(), 'n') + ".mid";
  ASSERT_EQ(longest.size(), 259u);
  ASSERT_TRUE(CopyFileA(CorpusFiles("timidity")[0].c_str(), longest.c_str(), FALSE));
  EXPECT_GE(SecondStart(FDir.Path(), "Z\"" + longest + "\""), 0);
  EXPECT_TRUE(first.AnswerUntil([&] { return IndexRecords(FDir.Path()) == 41; }, 120000))
      << IndexRecords(FDir.Path()) << " of 41 arrived";
  ASSERT_TRUE(first.AnswerAndClose());
  EXPECT_TRUE(first.Boxes().empty());
  auto titles = TitlesByOrigin(FDir.Path());
  for (int i = 1; i <= 40; ++i)
    EXPECT_EQ(titles[songs[i - 1]].Title, "a song with a long name " + IntToStr(i));
  // The title record keeps the first 255 characters of an origin.
  EXPECT_EQ(titles[longest.substr(0, 255)].CategoryName, "Windows default");
}

TEST_F(RequestRun, ABusyFirstInstanceIsWaitedForAndGivingUpNamesTheFiles) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  TRunningProgram first(FDir.Path(), "M");
  StartFirst(first);
  std::string a = Copy(CorpusFiles("timidity")[0], "given up a.mid");
  std::string b = Copy(CorpusFiles("timidity")[0], "given up b.mid");
  std::string waited = Copy(CorpusFiles("timidity")[0], "waited for.mid");
  // The main window's thread held still, as a long task that lets no message through holds it.
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE,
                             GetWindowThreadProcessId(first.MainWindow(), nullptr));
  ASSERT_NE(SuspendThread(thread), static_cast<DWORD>(-1));
  // A start's window of that class once it is shown (its text set), or nullptr when it ended.
  auto shown = [](TRunningProgram& start, const char* cls) {
    runprog::TFound found{start.Pid(), cls, nullptr, true};
    PumpUntil(
        [&] {
          EnumWindows(runprog::MatchWindow, reinterpret_cast<LPARAM>(&found));
          return found.Window || start.Ended();
        },
        60000);
    return found.Window;
  };
  {
    TRunningProgram second(FDir.Path(), "Z\"" + a + "\" Z\"" + b + "\"");
    HWND note = shown(second, "THandOffNote");
    ASSERT_TRUE(note) << "the start shows that it waits";
    EXPECT_EQ(BoxText(note), "Tonalbrook is busy.\r\nWaiting to hand it 2 files...");
    PostMessageA(FindChildByText(note, "Cancel"), BM_CLICK, 0, 0);
    HWND box = shown(second, "#32770");
    ASSERT_TRUE(box) << "giving up names the files";
    EXPECT_EQ(BoxText(box),
              "These 2 files were not handed over to the running Tonalbrook:\r\n\r\n" + a + "\r\n" +
                  b);
    PostMessageA(FindChildByText(box, "OK"), BM_CLICK, 0, 0);
    ASSERT_TRUE(second.WaitForEnd(30000));
  }
  // A start that waits on gets its file across once the instance answers again.
  TRunningProgram third(FDir.Path(), "Z\"" + waited + "\"");
  EXPECT_TRUE(shown(third, "THandOffNote"));
  ResumeThread(thread);
  CloseHandle(thread);
  ASSERT_TRUE(third.WaitForEnd(60000));
  EXPECT_EQ(third.ExitCode(), 0u);
  EXPECT_TRUE(first.AnswerUntil([&] { return IndexRecords(FDir.Path()) == 1; }, 60000));
  ASSERT_TRUE(first.AnswerAndClose());
  EXPECT_TRUE(first.Boxes().empty());
  auto titles = TitlesByOrigin(FDir.Path());
  EXPECT_EQ(titles.size(), 1u) << "what was given up never arrives";
  EXPECT_EQ(titles.count(waited), 1u);
}

TEST_F(RequestRun, OnAFullDiskTheRequestedFileIsToldAndTheProgramClosesCleanly) {
  TScratchDir dir("tbrunfulldisk"); // no blanks: the host link is made by its host path
  ASSERT_TRUE(
      CopyFileA((FDir / "Tonalbrook.exe").c_str(), (dir / "Tonalbrook.exe").c_str(), FALSE));
  WriteFileBytes(dir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  TFullDisk full(dir / "Music.dax");
  ASSERT_TRUE(full.Made());
  std::string song = Copy(CorpusFiles("playmidi")[0], "no room.mid");
  TRunningProgram run(dir.Path(), "Z\"" + song + "\"");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  ASSERT_EQ(run.Boxes().size(), 1u);
  EXPECT_EQ(run.Boxes()[0].Text,
            "This file was not added to the database:\r\n\r\n" + song + ": Stream write error");
  EXPECT_EQ(IndexRecords(dir.Path()), 0) << "no record points at bytes that were not written";
  EXPECT_FALSE(DirectoryExists(dir / "ForTempZips"));
}

TEST_F(RequestRun, AHandOffWhileLoadingRunsAfterItAndKeepsTheCategories) {
  TPrepared cat = PrepareCatalogue(FDir.Path(), 300);
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  std::string song = Copy(CorpusFiles("timidity")[0], "early.mid");
  TRunningProgram first(FDir.Path(), "M");
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(first.WaitForMainWindow());
  EXPECT_GE(SecondStart(FDir.Path(), "Z\"" + song + "\""), 0);
  EXPECT_TRUE(first.AnswerUntil([&] { return IndexRecords(FDir.Path()) == 301; }, 60000));
  ASSERT_TRUE(first.AnswerAndClose());
  auto titles = TitlesByOrigin(FDir.Path());
  EXPECT_EQ(IndexRecords(FDir.Path()), 301);
  ASSERT_EQ(titles.count(song), 1u);
  EXPECT_EQ(titles[song].CategoryName, "Windows default");
  TCatList cats(FDir.Path());
  cats.LoadFromFile(CategoriesName, nullptr);
  EXPECT_GE(cats.FindCategory("Folk"), 1);
  EXPECT_GE(cats.FindCategory("Jazz"), 1);
  EXPECT_GE(cats.FindCategory("Windows default"), 1);
}

TEST_F(RequestRun, PluginRequestsPlayLoopAndReportBadFiles) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\nAutoLooping=0\r\n");
  TPluginSide plugin;
  TRunningProgram run(FDir.Path(), "M");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  ASSERT_TRUE(PumpUntil([&] { return FileExists(FDir / "Music.dex"); }, 60000));
  ASSERT_TRUE(PumpUntil([&] { return run.StartUpDone(); }, 60000));
  std::string cached = Copy(CorpusFiles("pianobooster")[5], "cache 1.mid");
  plugin.Clear();
  plugin.Request(run.MainWindow(), "NV" + cached + "[http://tunes.example/folk/Green_Sleeves.mid");
  EXPECT_TRUE(run.AnswerUntil([&] { return plugin.Paints() > 0; }, 10000)) << "browser repainted";
  EXPECT_TRUE(run.AnswerUntil([&] { return IndexRecords(FDir.Path()) == 1; }, 30000));
  EXPECT_TRUE(run.AnswerUntil([&] { return plugin.Count("QX_TrackBar_Perc") > 0; }, 30000))
      << "the position while it plays";
  EXPECT_EQ(plugin.Count("QX_ShowBadFileBitmap"), 0);
  std::string bad = FDir / "My Songs\\bad.mid";
  WriteFileBytes(bad, "This is not music.");
  plugin.Request(run.MainWindow(), "NV" + bad + "[http://tunes.example/bad.mid");
  EXPECT_TRUE(run.AnswerUntil([&] { return plugin.Count("QX_ShowBadFileBitmap") == 1; }, 30000));
  plugin.Request(run.MainWindow(), "NV" + cached);
  // Requests run in the order they came: once the bad file asked for again behind it is
  // reported, the request without "[" has run.
  plugin.Request(run.MainWindow(), "NV" + bad + "[http://tunes.example/bad.mid");
  EXPECT_TRUE(run.AnswerUntil([&] { return plugin.Count("QX_ShowBadFileBitmap") == 2; }, 30000));
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_TRUE(run.Boxes().empty());
  auto titles = TitlesByOrigin(FDir.Path());
  ASSERT_EQ(titles.size(), 1u);
  const TTuneRec& rec = titles["http://tunes.example/folk/Green_Sleeves.mid"];
  EXPECT_EQ(rec.Title, "Green Sleeves");
  EXPECT_EQ(rec.CategoryName, "Netscape default");
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_EQ(ini.ReadInteger("Setup", "AutoLooping", -1), 1) << "looping was switched on";
}

TEST_F(RequestRun, ASecondStartEndsAtOnceWhileABoxIsUp) {
  TRunningProgram first(FDir.Path(), ""); // a first run: it asks its questions
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(first.WaitForMainWindow());
  ASSERT_TRUE(PumpUntil([&] { return FindProcessWindow(first.Pid(), "TMessageForm"); }, 60000));
  HWND box = FindProcessWindow(first.Pid(), "TMessageForm");
  EXPECT_EQ(BoxText(box), "Scan your system to find all MIDI files (recommended)?\r\n\r\nOptions > "
                          "Remind to scan switches this question off.");
  std::string song = Copy(CorpusFiles("timidity")[0], "while asked.mid");
  int ms = SecondStart(FDir.Path(), "Z\"" + song + "\"");
  EXPECT_GE(ms, 0);
  // The request ran beneath the question, which is still up.
  EXPECT_TRUE(PumpUntil([&] { return IndexRecords(FDir.Path()) == 1; }, 30000));
  EXPECT_EQ(FindProcessWindow(first.Pid(), "TMessageForm"), box);
  ASSERT_TRUE(first.AnswerAndClose());
  EXPECT_EQ(first.ExitCode(), 0u);
  EXPECT_EQ(TitlesByOrigin(FDir.Path()).count(song), 1u);
}

// The runs of rows that sort alike (the same category, artist and title) in one order of their
// own: a sort may leave such rows in any order.
std::vector<std::vector<std::string>> AlikeRunsSorted(std::vector<std::vector<std::string>> rows) {
  for (size_t i = 1, end = 1; i < rows.size(); i = end) {
    while (++end < rows.size() &&
           std::equal(rows[i].begin(), rows[i].begin() + 3, rows[end].begin()))
      ;
    std::sort(rows.begin() + static_cast<std::ptrdiff_t>(i),
              rows.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return rows;
}

// The origins of the rows titled "Untitled", in row order.
std::vector<std::string> UntitledOrder(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::string> origins;
  for (const auto& row : rows)
    if (row.size() > 7 && row[2] == "Untitled") origins.push_back(row[7]);
  return origins;
}

// The summary line on the main window's visible page ("12 titles  ---  ...kb").
std::string ShownSummary(HWND main) {
  runprog::TChildFind find{[](HWND w) {
    const std::string text = runprog::WindowText(w);
    return IsWindowVisible(w) && text.find("  ---  ") != std::string::npos && text.size() > 2 &&
           text.compare(text.size() - 2, 2, "kb") == 0;
  }};
  EnumChildWindows(main, runprog::MatchChild, reinterpret_cast<LPARAM>(&find));
  return find.Window ? runprog::WindowText(find.Window) : "";
}

// Files dropped from the shell on the running program, one drop at a time and two at once, and a
// file a second start hands over: each goes to its place among the titles, the rows it does not
// concern keep their order, and the grid and its summary are what the same catalogue shows when
// the program is started anew.
TEST_F(RequestRun, DroppedAndHandedOverFilesShowAsTheCatalogueOpenedAnewShowsIt) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  ForceDirectories(FDir / "titles");
  const char* categories[] = {"Folk", "Jazz", "Blues"};
  const char* artists[][2] = {{"Zorn", "John"}, {"Adams", "John"}, {"Monk", "T."}, {"Byrd", "W."}};
  std::vector<TTitleSpec> titles;
  for (int i = 0; i < 100; ++i) {
    std::string file = FDir / Format("titles\\t%d.mid", i);
    WriteFileBytes(file, TinyMidi(i));
    // Forty titles that sort alike: one category, one artist, one name.
    if (i % 5 < 2)
      titles.push_back({file, "Untitled", "Folk", "Anon", "", ""});
    else
      titles.push_back({file, Format("Piece %02d", (i * 17) % 100), categories[i % 3],
                        artists[i % 4][0], artists[i % 4][1], ""});
  }
  PrepareTitles(FDir.Path(), titles);
  ForceDirectories(FDir / "dropped");
  std::vector<std::string> dropped;
  for (const char* name : {"aaa first.mid", "Piece 50b.mid", "zzz last.mid", "Untitled.mid"}) {
    dropped.push_back(FDir / (std::string("dropped\\") + name));
    WriteFileBytes(dropped.back(), TinyMidi(static_cast<int>(dropped.size()) + 100));
  }
  const std::string handed = FDir / "dropped\\handed over.mid";
  WriteFileBytes(handed, TinyMidi(120));

  TRunningProgram run(FDir.Path(), "");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  ASSERT_TRUE(run.AnswerUntil([&] { return run.StartUpDone(); }, 60000));
  HWND all = nullptr;
  auto rowsAre = [&](size_t count) {
    return run.AnswerUntil(
        [&] {
          all = GridWithHeader(run.MainWindow(), "Category");
          return all && GridRows(all).size() == count + 1;
        },
        60000);
  };
  ASSERT_TRUE(rowsAre(100));
  const std::vector<std::string> alikeBefore = UntitledOrder(GridRows(all));
  ASSERT_EQ(alikeBefore.size(), 40u);

  ASSERT_TRUE(DropFilesOn(run.MainWindow(), {dropped[0]}));
  ASSERT_TRUE(rowsAre(101));
  ASSERT_TRUE(DropFilesOn(run.MainWindow(), {dropped[1], dropped[2]}));
  ASSERT_TRUE(rowsAre(103));
  ASSERT_GE(SecondStart(FDir.Path(), "Z\"" + handed + "\""), 0);
  ASSERT_TRUE(rowsAre(104));
  ASSERT_TRUE(DropFilesOn(run.MainWindow(), {dropped[3]}));
  ASSERT_TRUE(rowsAre(105));
  ASSERT_TRUE(run.Settled());
  const auto afterDrops = GridRows(all);
  const std::string summaryAfterDrops = ShownSummary(run.MainWindow());
  std::vector<std::string> alikeAfter = UntitledOrder(afterDrops);
  // The dropped "Untitled" (a file of its own, by "Unknown") sorts apart from the forty.
  EXPECT_EQ(alikeAfter.size(), 41u);
  alikeAfter.erase(std::remove(alikeAfter.begin(), alikeAfter.end(), dropped[3]), alikeAfter.end());
  EXPECT_EQ(alikeAfter, alikeBefore) << "rows the drops did not concern kept their order";
  EXPECT_EQ(summaryAfterDrops.rfind("105 titles  ---  ", 0), 0u) << summaryAfterDrops;
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(run.Boxes().empty()) << run.Boxes().front().Text;

  TRunningProgram again(FDir.Path(), "");
  ASSERT_TRUE(again.Started());
  ASSERT_TRUE(again.WaitForMainWindow());
  ASSERT_TRUE(again.AnswerUntil([&] { return again.StartUpDone(); }, 60000));
  HWND fresh = nullptr;
  ASSERT_TRUE(again.AnswerUntil(
      [&] {
        fresh = GridWithHeader(again.MainWindow(), "Category");
        return fresh && GridRows(fresh).size() == 106;
      },
      60000));
  EXPECT_EQ(AlikeRunsSorted(afterDrops), AlikeRunsSorted(GridRows(fresh)));
  EXPECT_EQ(summaryAfterDrops, ShownSummary(again.MainWindow()));
  ASSERT_TRUE(again.AnswerAndClose());
}

} // namespace

TEST_F(RequestRun, AnMRequestBringsUpTheMailWindowWithThatTitle) {
  std::string song = Copy(CorpusFiles("timidity")[0], "for mail.mid");
  TRunningProgram run(FDir.Path(), "M\"" + song + "\"");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  HWND mail = nullptr;
  EXPECT_TRUE(run.AnswerUntil(
      [&] {
        mail = FindProcessWindow(run.Pid(), "TMailForm");
        return mail && IsWindowVisible(mail) && FileExists(FDir / "TempMail\\for mail.mid");
      },
      60000));
  ASSERT_TRUE(mail);
  char caption[128] = {};
  GetWindowTextA(mail, caption, sizeof caption);
  EXPECT_STREQ(caption, " Mail the attached 1 title(s)");
  HWND list = FindWindowExA(mail, nullptr, "SysListView32", nullptr);
  ASSERT_TRUE(list);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(ReadFileBytes(FDir / "TempMail\\for mail.mid"), ReadFileBytes(song));
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  // The mail keys are written at shutdown into the main window's settings file.
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_TRUE(ini.ValueExists("Setup", "Server"));
  EXPECT_TRUE(ini.ValueExists("Setup", "Encoding"));
  EXPECT_EQ(ini.ReadInteger("Setup", "AutoLooping", -1), 1);
}
