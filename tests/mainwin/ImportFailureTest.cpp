// Imports that fail part-way: a full disk and a packing that runs out of memory leave their file
// out, the other files go in, the user is told once which and why, and nothing is left behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include "GetLocalCodeD2.h"
#include "ImportCommands.h"
#include "MainWindowFixture.h"
#include "RequestCommands.h"
#include "ScanHelpers.h"
#include "ScanCommands.h"
#include "DataCodeD2.h"
#include "FileOps.h"
#include "TuneFiles.h"

namespace {

const char* const NotImportable = "not a MIDI file (.mid, .midi, .rmi) or a zip archive (.zip)";
const char* const OutOfMemory = "There was not enough memory to read and pack the file";

// The final rename of a safe replace refused for the artist file alone, as Windows refuses it
// over a read-only file.
bool RefuseArtists(const std::string& from, const std::string& to) {
  if (ExtractFileName(to) == "Artists.dex") {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

class ImportFailures : public TMainWindowFixture {
protected:
  ImportFailures() : TMainWindowFixture("tbimportfail") {}
  TScratchDir FSource{"tbimportfailsrc"};

  void TearDown() override {
    SetPackBufferLimit(0);
    TMainWindowFixture::TearDown();
  }
  // File > Open with these paths in the loader's list, confirmed with OK.
  void OpenList(const std::vector<std::string>& list) { OpenListAs(list, "", ""); }
  void OpenListAs(const std::vector<std::string>& list, const std::string& artist,
                  const std::string& category) {
    PushLoaderList(FAnswers, list, artist, category);
    FForm->ScanCommands().GetLocal2Click(nullptr);
  }
  // The message boxes asked since the last call.
  std::vector<std::string> NewBoxes() {
    std::vector<std::string> texts;
    for (size_t i = FSeen; i < FAnswers.Asked().size(); ++i)
      if (FAnswers.Asked()[i].Kind == "TMessageForm") texts.push_back(FAnswers.Asked()[i].Text);
    FSeen = FAnswers.Asked().size();
    return texts;
  }
  bool Stored(const std::string& origin) {
    int32_t key = 0;
    return FForm->DMM2()->MyDB()->FindIdByFileName(origin, key);
  }
  // Nothing of an import's work is left in the program folder.
  void ExpectNoWorkLeft() {
    EXPECT_FALSE(DirectoryExists(FDir / "ForTempZips")) << "the archive's work folder";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((FDir / "TempZips\\*").c_str(), &fd);
    std::vector<std::string> left;
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string name = fd.cFileName;
        if (name != "." && name != "..") left.push_back(name);
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    EXPECT_TRUE(left.empty()) << "TempZips holds " << left.front();
  }
  std::string Status() { return Probe(FForm).StatusBar1()->Panels(0).Text(); }

private:
  size_t FSeen = 0;
};

TEST_F(ImportFailures, OnAFullDiskEveryFileIsToldWithItsReasonInOneBox) {
  // The catalogue's data file is a device on which every write fails as on a full disk. The
  // catalogue starts empty, album files and all (album rows of no title would be damage).
  for (const char* f : {"Music.dex", "Music.dax", "Albums_A.dex", "Albums_AT.dex"})
    ASSERT_TRUE(DeleteFileA((FDir / f).c_str())) << f;
  TFullDisk full(FDir / "Music.dax");
  ASSERT_TRUE(full.Made());
  Start();
  ASSERT_TRUE(FForm->DMM2()->MyDB()->Loaded());
  const std::string one = FSource / "one.mid", two = FSource / "two.mid";
  const std::string notes = FSource / "notes.txt", zip = FSource / "three titles.zip";
  WriteFileBytes(one, ReadFileBytes(CorpusFiles("playmidi")[0]));
  WriteFileBytes(two, ReadFileBytes(CorpusFiles("timidity")[0]));
  WriteFileBytes(notes, "Things to buy: a new disk.");
  ASSERT_TRUE(CopyFileA((OracleDir("import_archives") + "three.zip").c_str(), zip.c_str(), FALSE));
  std::string statusMeanwhile;
  FForm->ImportCommands().OnArchiveEntryDone = [&](int) { statusMeanwhile = Status(); };

  OpenList({notes, one, zip, two});
  FForm->ImportCommands().OnArchiveEntryDone = nullptr;

  EXPECT_EQ(statusMeanwhile, "Importing files...") << "the archive was reached";
  EXPECT_EQ(Status(), "Done");
  EXPECT_TRUE(Probe(FForm).Item("File1")->Enabled());
  // Each file is one line with its reason, in the order of the import.
  const std::vector<std::string> expected = {
      "These 4 files were not added to the database:\r\n\r\n" + notes + ": " + NotImportable +
      "\r\n" + one + ": Stream write error\r\n" + zip +
      ": OK decompressing but son_accordeon.mid: Stream write error (3 of 3 entries left out)\r\n" +
      two + ": Stream write error"};
  EXPECT_EQ(NewBoxes(), expected);
  EXPECT_TRUE(FForm->DMM2()->MyDB()->KeyIndex().empty());
  EXPECT_EQ(FileSize(FDir / "Music.dex"), 0) << "no record points at bytes that were not written";
  ExpectNoWorkLeft();
}

TEST_F(ImportFailures, APackingOutOfMemoryLeavesThatFileOutAndTheOthersGoIn) {
  Start();
  // Two real files, one small and one more than twice its size; the packing may take no buffer
  // between the two.
  std::vector<std::string> corpus = CorpusFiles("pianobooster");
  ASSERT_GE(corpus.size(), 2u);
  std::sort(corpus.begin(), corpus.end(),
            [](const std::string& a, const std::string& b) { return FileSize(a) < FileSize(b); });
  const std::string& smallest = corpus.front();
  const std::string& largest = corpus.back();
  ASSERT_GT(FileSize(largest), 2 * FileSize(smallest));
  const std::string first = FSource / "a small.mid", second = FSource / "b small.mid";
  const std::string big = FSource / "big.mid", notes = FSource / "notes.txt";
  for (const std::string& p : {first, second})
    WriteFileBytes(p, ReadFileBytes(smallest));
  WriteFileBytes(big, ReadFileBytes(largest));
  WriteFileBytes(notes, "Not music.");
  const std::string zip = FSource / "mixed.zip";
  ASSERT_TRUE(FForm->TuneFiles()->ZipFileList({first, big}, zip));
  SetPackBufferLimit((FileSize(smallest) + FileSize(largest)) / 2);

  OpenList({first, second, big, zip});
  EXPECT_EQ(NewBoxes(),
            std::vector<std::string>{"These 2 files were not added to the database:\r\n\r\n" + big +
                                     ": " + OutOfMemory + "\r\n" + zip +
                                     ": OK decompressing but big.mid: " + OutOfMemory +
                                     " (1 of 2 entries left out)"});
  EXPECT_TRUE(Stored(first));
  EXPECT_TRUE(Stored(second));
  EXPECT_TRUE(Stored(zip + "+a small.mid")) << "the archive's other title went in";
  EXPECT_FALSE(Stored(big));
  EXPECT_FALSE(Stored(zip + "+big.mid"));
  EXPECT_EQ(Status(), "Done");
  EXPECT_TRUE(Probe(FForm).Item("File1")->Enabled());
  ExpectNoWorkLeft();

  // One file picked alone that is no MIDI file is told too; a good one tells nothing.
  OpenList({notes});
  EXPECT_EQ(NewBoxes(),
            std::vector<std::string>{"This file was not added to the database:\r\n\r\n" + notes +
                                     ": " + NotImportable});
  const std::string third = FSource / "c small.mid";
  WriteFileBytes(third, ReadFileBytes(smallest));
  OpenList({third});
  EXPECT_TRUE(NewBoxes().empty());
  EXPECT_TRUE(Stored(third));

  // A drop of the same kinds of files: one box once the drop is done, the good file in.
  const std::string dropped = FSource / "dropped.mid";
  WriteFileBytes(dropped, ReadFileBytes(smallest));
  TRequestCommands::TQueued drop;
  drop.Drop = true;
  drop.Files = {notes, big, dropped};
  drop.Category = "Windows default";
  const size_t asked = FAnswers.Asked().size();
  FForm->RequestCommands().Enqueue(drop);
  ASSERT_TRUE(PumpUntil([&] { return FAnswers.Asked().size() > asked; }, 30000));
  ASSERT_TRUE(PumpQueued());
  EXPECT_TRUE(Stored(dropped));
  EXPECT_EQ(NewBoxes(), std::vector<std::string>{
                            "These 2 files were not added to the database:\r\n\r\n" + notes + ": " +
                            NotImportable + "\r\n" + big + ": " + OutOfMemory});
  EXPECT_EQ(Status(), "Done");
}

// A new artist whose file cannot be replaced: a title is stored with its artist or not at all, so
// both titles stay out, each told in one box with the reason; nothing names the artist after.
TEST_F(ImportFailures, AnArtistFileThatCannotBeReplacedKeepsItsTitlesOutAndIsToldOnce) {
  Start();
  const std::string artists = FDir / "Artists.dex";
  const std::string before = FileExists(artists) ? ReadFileBytes(artists) : "";
  const std::string one = FSource / "one.mid", two = FSource / "two.mid";
  WriteFileBytes(one, ReadFileBytes(CorpusFiles("playmidi")[0]));
  WriteFileBytes(two, ReadFileBytes(CorpusFiles("timidity")[0]));
  {
    TRenameOverFunc former = SetRenameOverFunc(RefuseArtists);
    OpenListAs({one, two}, "Singer, New", "Imported");
    SetRenameOverFunc(former);
  }
  const std::string reason = ": Cannot save \"" + artists + "\": ";
  std::vector<std::string> boxes = NewBoxes();
  ASSERT_EQ(boxes.size(), 1u) << testing::PrintToString(boxes);
  EXPECT_EQ(
      boxes[0].rfind("These 2 files were not added to the database:\r\n\r\n" + one + reason, 0), 0u)
      << boxes[0];
  EXPECT_NE(boxes[0].find("\r\n" + two + reason), std::string::npos) << boxes[0];
  EXPECT_FALSE(Stored(one));
  EXPECT_FALSE(Stored(two));
  EXPECT_EQ(FileExists(artists) ? ReadFileBytes(artists) : "", before);
  EXPECT_FALSE(FileExists(artists + ".new"));
  CloseAndWait();
  EXPECT_EQ(ReadFileBytes(artists).find("Singer"), std::string::npos);
}

} // namespace
