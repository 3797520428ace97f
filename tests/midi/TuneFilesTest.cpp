// Title file operations: classifying, copying, packing and unpacking, including hostile archives.
#include <gtest/gtest.h>
#include <map>
#include <windows.h>
#include "FileOps.h"
#include "TestUtil.h"
#include "TuneFiles.h"
#include <fstream>
#include <algorithm>
#include <functional>

namespace {

std::string Oracle(const std::string& name) {
  return OracleDir("zip_archives") + name;
}

// Every file below a folder, as paths relative to it.
void ListTree(const std::string& dir, const std::string& rel, std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string n = fd.cFileName;
    if (n == "." || n == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListTree(dir + n + "\\", rel + n + "\\", out);
    else
      out.push_back(rel + n);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

std::vector<std::string> Tree(const std::string& dir) {
  std::vector<std::string> r;
  ListTree(dir, "", r);
  std::sort(r.begin(), r.end());
  return r;
}

// Where the host check (scripts/native-check) looks for our archives after the tests.
std::string ZipCheckDir() {
  std::string d = WinPath(EnvVar("TB_BUILD_DIR")) + "\\zipcheck\\";
  ForceDirectories(d);
  return d;
}

} // namespace

TEST(TuneUnzip, HostileAndOddArchivesNeverWriteOutsideTheTargetFolder) {
  std::ifstream names(Oracle("names.txt"), std::ios::binary);
  std::string midi = ReadFileBytes(Oracle("midi.bin"));
  std::string line;
  TTuneFiles tunes;
  int cases = 0;
  while (std::getline(names, line)) {
    std::string archiveCase = line.substr(0, line.find('\t'));
    std::string expect = line.substr(line.find('\t') + 1);
    SCOPED_TRACE(archiveCase);
    TScratchDir root("unzip");
    std::string target = root / "a\\b\\target\\";
    ForceDirectories(target);
    std::string message, extracted;
    bool ok = tunes.UnzipSingleFile(Oracle(archiveCase + ".zip"), target, message, extracted);
    std::vector<std::string> files = Tree(root.Path());
    if (expect.empty()) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(message.rfind("Exception unzipping " + Oracle(archiveCase + ".zip") + " : ", 0), 0u)
          << message;
      EXPECT_TRUE(files.empty());
      EXPECT_TRUE(extracted.empty());
    } else {
      EXPECT_TRUE(ok) << message;
      EXPECT_EQ(message, Oracle(archiveCase + ".zip") + " unzipped OK to one file.");
      EXPECT_EQ(extracted, target + expect);
      ASSERT_EQ(files, std::vector<std::string>{"a\\b\\target\\" + expect});
      if (archiveCase != "large") {
        EXPECT_EQ(ReadFileBytes(extracted), midi);
      }
    }
    ++cases;
  }
  EXPECT_GE(cases, 12);
}

TEST(TuneUnzip, EmptyManyEntryMissingAndBadArchivesAnswerTheirMessages) {
  TTuneFiles tunes;
  TScratchDir dir("unzip2");
  std::string message, extracted;
  EXPECT_FALSE(tunes.UnzipSingleFile(Oracle("empty.zip"), dir.Path(), message, extracted));
  EXPECT_EQ(message, "0 bytes in archive " + Oracle("empty.zip"));
  EXPECT_FALSE(tunes.UnzipSingleFile(Oracle("two.zip"), dir.Path(), message, extracted));
  EXPECT_EQ(message, "Valid archive format but 2 files in " + Oracle("two.zip"));
  EXPECT_FALSE(tunes.UnzipSingleFile(dir / "missing.zip", dir.Path(), message, extracted));
  EXPECT_EQ(message.rfind("Archive loading exception: ", 0), 0u);
  EXPECT_FALSE(tunes.UnzipSingleFile(Oracle("midi.bin"), dir.Path(), message, extracted));
  EXPECT_EQ(message.rfind("Archive loading exception: ", 0), 0u);
  EXPECT_TRUE(Tree(dir.Path()).empty());
  // A damaged entry leaves a file of the same name as it was.
  WriteFileBytes(dir / "crc.mid", "keep me");
  EXPECT_FALSE(tunes.UnzipSingleFile(Oracle("badcrc.zip"), dir.Path(), message, extracted));
  EXPECT_EQ(ReadFileBytes(dir / "crc.mid"), "keep me");
  EXPECT_EQ(Tree(dir.Path()), std::vector<std::string>{"crc.mid"});
}

TEST(TuneZip, CorpusFilesRoundTripUnderTheirBareNames) {
  TTuneFiles tunes;
  TScratchDir dir("zip");
  std::string check = ZipCheckDir();
  std::ofstream manifest(check + "manifest.txt", std::ios::binary);
  auto files = CorpusFiles("openttd-openmsx");
  ASSERT_GE(files.size(), 3u);
  int n = 0;
  for (const auto& f : files) {
    std::string archive = check + "one" + std::to_string(n) + ".zip";
    ASSERT_TRUE(tunes.ZipOneFile(f, archive)) << f;
    manifest << archive << "\t" << ExtractFileName(f) << "\t" << f << "\n";
    std::string out = dir / ("out" + std::to_string(n) + "\\");
    ForceDirectories(out);
    std::string message, extracted;
    ASSERT_TRUE(tunes.UnzipSingleFile(archive, out, message, extracted)) << message;
    EXPECT_EQ(extracted, out + ExtractFileName(f));
    EXPECT_EQ(ReadFileBytes(extracted), ReadFileBytes(f));
    ++n;
  }
  // An ANSI name survives packing and unpacking byte for byte.
  std::string ansi = check + "Caf\xe9 \xe0 la carte.mid";
  WriteFileBytes(ansi, ReadFileBytes(files[0]));
  std::string ansiZip = check + "ansi.zip";
  ASSERT_TRUE(tunes.ZipOneFile(ansi, ansiZip));
  manifest << ansiZip << "\t" << ExtractFileName(ansi) << "\t" << ansi << "\n";
  std::string message, extracted;
  ForceDirectories(dir / "ansiout\\");
  ASSERT_TRUE(tunes.UnzipSingleFile(ansiZip, dir / "ansiout\\", message, extracted));
  EXPECT_EQ(extracted, dir / "ansiout\\Caf\xe9 \xe0 la carte.mid");
  // Several files in one archive; ".zip" is added to a name without it.
  std::vector<int> progress;
  tunes.OnProgress = [&](int p) { progress.push_back(p); };
  ASSERT_TRUE(tunes.ZipFileList({files[0], files[1], files[2]}, check + "list"));
  ASSERT_TRUE(FileExists(check + "list.zip"));
  for (int i = 0; i < 3; ++i)
    manifest << check << "list.zip\t" << ExtractFileName(files[i]) << "\t" << files[i] << "\n";
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);
  // The name test looks for ".ZIP" anywhere, so a later extension stays as given.
  ASSERT_TRUE(tunes.ZipFileList({files[0]}, dir / "keep.zip.bak"));
  EXPECT_TRUE(FileExists(dir / "keep.zip.bak"));
  EXPECT_FALSE(tunes.ZipFileList({}, dir / "none.zip"));
  EXPECT_FALSE(FileExists(dir / "none.zip"));
}

TEST(TuneZip, FailuresAnswerFalseAndLeaveNoArchive) {
  TTuneFiles tunes;
  TScratchDir dir("zipfail");
  // An archive already there stays byte for byte whatever ends the packing of a new one.
  WriteFileBytes(dir / "old.zip", "an older archive");
  EXPECT_FALSE(tunes.ZipOneFile(dir / "missing.mid", dir / "old.zip"));
  ASSERT_TRUE(FileExists(dir / "old.zip"));
  EXPECT_EQ(ReadFileBytes(dir / "old.zip"), "an older archive");
  WriteFileBytes(dir / "a.mid", std::string(200000, 'a'));
  EXPECT_FALSE(tunes.ZipFileList({dir / "a.mid", dir / "missing.mid"}, dir / "list.zip"));
  EXPECT_FALSE(FileExists(dir / "list.zip"));
  EXPECT_FALSE(tunes.ZipFileList({dir / "a.mid", dir / "missing.mid"}, dir / "old.zip"));
  EXPECT_EQ(ReadFileBytes(dir / "old.zip"), "an older archive");
  // Its final rename refused: the new archive is whole, yet the old one stays.
  TRenameOverFunc former = SetRenameOverFunc([](const std::string&, const std::string&) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  });
  EXPECT_FALSE(tunes.ZipFileList({dir / "a.mid"}, dir / "old.zip"));
  SetRenameOverFunc(former);
  EXPECT_EQ(ReadFileBytes(dir / "old.zip"), "an older archive");
  // Shutting down ends the packing, and so does an abort that comes with its last bytes.
  tunes.OnAbortQuery = [] { return true; };
  EXPECT_FALSE(tunes.ZipOneFile(dir / "a.mid", dir / "aborted.zip"));
  EXPECT_FALSE(FileExists(dir / "aborted.zip"));
  EXPECT_FALSE(tunes.ZipOneFile(dir / "a.mid", dir / "old.zip"));
  EXPECT_EQ(ReadFileBytes(dir / "old.zip"), "an older archive");
  bool packed = false;
  tunes.OnProgress = [&packed](int percent) { packed = packed || percent == 100; };
  tunes.OnAbortQuery = [&packed] { return packed; };
  EXPECT_FALSE(tunes.ZipOneFile(dir / "a.mid", dir / "old.zip"));
  EXPECT_EQ(ReadFileBytes(dir / "old.zip"), "an older archive");
  EXPECT_TRUE(Tree(dir.Path()) == (std::vector<std::string>{"a.mid", "old.zip"}))
      << "no work file is left";
  // A whole packing replaces it.
  tunes.OnAbortQuery = nullptr;
  tunes.OnProgress = nullptr;
  ASSERT_TRUE(tunes.ZipOneFile(dir / "a.mid", dir / "old.zip"));
  EXPECT_EQ(TTuneFiles::ArchiveEntryCount(dir / "old.zip"), 1);
  EXPECT_TRUE(Tree(dir.Path()) == (std::vector<std::string>{"a.mid", "old.zip"}));
}

TEST(TuneZip, ListWithOneNameTwiceKeepsEveryFileUnderItsOwnName) {
  // Files that share a name all reach the archive, the later ones numbered (the same file listed
  // again too).
  TTuneFiles tunes;
  TScratchDir dir("zipdup");
  ForceDirectories(dir / "a\\");
  ForceDirectories(dir / "b\\");
  ForceDirectories(dir / "c\\");
  WriteFileBytes(dir / "a\\Song.mid", "first");
  WriteFileBytes(dir / "b\\Song.mid", "second");
  WriteFileBytes(dir / "b\\Other.mid", "other");
  WriteFileBytes(dir / "c\\SONG.MID", "third");
  std::vector<std::string> list = {dir / "a\\Song.mid", dir / "b\\Song.mid", dir / "b\\Other.mid",
                                   dir / "a\\Song.mid", dir / "c\\SONG.MID"};
  ASSERT_TRUE(tunes.ZipFileList(list, dir / "titles"));
  EXPECT_EQ(TTuneFiles::ArchiveEntryCount(dir / "titles.zip"), 5);
  EXPECT_EQ(TTuneFiles::ArchiveEntryCount(dir / "missing.zip"), -1);
  TArchiveReader reader;
  std::string error;
  ASSERT_TRUE(reader.Open(dir / "titles.zip", error)) << error;
  std::map<std::string, std::string> entries;
  ForceDirectories(dir / "out\\");
  for (int i = 0; i < reader.Count(); ++i) {
    std::string why, target = dir / ("out\\" + std::to_string(i));
    ASSERT_TRUE(reader.Extract(i, target, 1 << 20, why)) << why;
    entries[reader.Entry(i).Name] = ReadFileBytes(target);
  }
  EXPECT_EQ(entries, (std::map<std::string, std::string>{{"Song.mid", "first"},
                                                         {"Song (2).mid", "second"},
                                                         {"Other.mid", "other"},
                                                         {"Song (3).mid", "first"},
                                                         {"SONG (4).MID", "third"}}));
}

TEST(TuneFilesCopy, SameFileInAnotherSpellingIsRefusedAndKept) {
  TTuneFiles tunes;
  TScratchDir dir("copy");
  WriteFileBytes(dir / "Song.mid", "MThd and more");
  std::string shown;
  TMessageKind kind = TMessageKind::Information;
  TMessageButtons buttons = TMessageButtons::None;
  tunes.OnMessageBox = [&](const std::string& t, TMessageKind k, int, TMessageButtons b) {
    shown = t;
    kind = k;
    buttons = b;
    return TMessageAnswer::Cancel;
  };
  std::string other = dir / "SONG.MID";
  EXPECT_FALSE(tunes.CopyTuneFile(dir / "Song.mid", other));
  EXPECT_EQ(shown, "Cannot copy " + dir / "Song.mid" + " to itself!");
  EXPECT_EQ(kind, TMessageKind::Error);
  EXPECT_EQ(buttons, TMessageButtons::Cancel);
  EXPECT_EQ(ReadFileBytes(dir / "Song.mid"), "MThd and more");
  ForceDirectories(dir / "sub\\");
  EXPECT_FALSE(tunes.CopyTuneFile(dir / "Song.mid", dir / "sub\\..\\song.mid"));
  EXPECT_EQ(ReadFileBytes(dir / "Song.mid"), "MThd and more");
  WriteFileBytes(dir / "target.mid", "an older, longer file than the source");
  EXPECT_TRUE(tunes.CopyTuneFile(dir / "Song.mid", dir / "target.mid"));
  EXPECT_EQ(ReadFileBytes(dir / "target.mid"), "MThd and more");
  EXPECT_THROW(tunes.CopyTuneFile(dir / "missing.mid", dir / "target.mid"), EStreamError);
  EXPECT_EQ(ReadFileBytes(dir / "target.mid"), "MThd and more");
}

TEST(TuneFilesHeader, FirstBytesDecideAndShortFilesAreOther) {
  TScratchDir dir("header");
  // A RIFF file is a MIDI file only with a Standard MIDI File in the "data" chunk of an "RMID"
  // form, found past other chunks (here one of odd length, and its pad byte).
  const std::string rmid = RiffMidiOf("MThd" + std::string(10, '\0'));
  std::string listFirst = rmid;
  listFirst.insert(12, std::string("LIST\3\0\0\0abc\0", 12));
  listFirst[4] = static_cast<char>(listFirst[4] + 12);
  std::string wav = rmid, dataNotMidi = rmid;
  wav.replace(8, 4, "WAVE");
  dataNotMidi.replace(20, 4, "MTrk");
  struct {
    std::string Bytes;
    int Type;
  } cases[] = {{"", -1},
               {"M", 0},
               {"MTh", 0},
               {"MThd", 1},
               {"RIFF....RMID", 0},
               {"PK\x03\x04", 0},
               {rmid, 2},
               {listFirst, 2},
               {wav, 0},
               {dataNotMidi, 0},
               {rmid.substr(0, 18), 0}};
  for (auto& c : cases) {
    WriteFileBytes(dir / "f.mid", c.Bytes);
    int64_t size = -5;
    EXPECT_EQ(TTuneFiles::CheckMIDIHeader(dir / "f.mid", size), c.Type) << c.Bytes;
    EXPECT_EQ(size, int64_t(c.Bytes.size()));
    // Read whole for packing in memory, or only its head when larger than that.
    EXPECT_EQ(ReadTuneSnapshot(dir / "f.mid", 1 << 20).Kind, c.Type) << c.Bytes;
    EXPECT_EQ(ReadTuneSnapshot(dir / "f.mid", 4).Kind, c.Type) << c.Bytes;
  }
  int64_t size = 0;
  EXPECT_EQ(TTuneFiles::CheckMIDIHeader(dir / "missing.mid", size), -1);
}
