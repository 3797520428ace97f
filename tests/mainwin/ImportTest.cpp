// Importing files and archives through the main window over a prepared catalogue: results,
// stored records, boxes, hostile archives and the archive window.
#include <gtest/gtest.h>
#include <windows.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include "AdderCodeD2.h"
#include "ArchiveCodeD2.h"
#include "CreateArchiveCodeD2.h"
#include "EditCommands.h"
#include "ImportCommands.h"
#include "MainWindowFixture.h"
#include "DataCodeD2.h"

namespace {

// The oracles' durations (ms, -1 refused) by corpus-relative path.
std::map<std::string, int> CorpusDurations() {
  std::map<std::string, int> out;
  std::istringstream in(ReadFileBytes(OracleDir("midi_duration") + "durations.tsv"));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string rel, ms;
    std::getline(f, rel, '\t');
    std::getline(f, ms, '\t');
    out[StringReplaceAll(rel, "/", "\\")] = std::stoi(ms);
  }
  return out;
}

// What an import of each archive must store: bare name, CRC, size, seconds, by archive; the
// entry's number for an entry whose name an earlier one has, else 0.
struct TExpectedEntry {
  std::string Name;
  uint32_t Crc;
  int32_t Size;
  int Seconds;
  int Twin;
};
std::map<std::string, std::vector<TExpectedEntry>> ExpectedArchives() {
  std::map<std::string, std::vector<TExpectedEntry>> out;
  std::istringstream in(ReadFileBytes(OracleDir("import_archives") + "expect.tsv"));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string archive, name, crc, size, seconds, source, twin;
    std::getline(f, archive, '\t');
    std::getline(f, name, '\t');
    std::getline(f, crc, '\t');
    std::getline(f, size, '\t');
    std::getline(f, seconds, '\t');
    std::getline(f, source, '\t');
    std::getline(f, twin, '\t');
    out[archive].push_back({name, static_cast<uint32_t>(std::stoul(crc)), std::stoi(size),
                            std::stoi(seconds), std::stoi(twin)});
  }
  return out;
}

// Every file and folder under a folder, as relative paths.
void ListTree(const std::string& root, const std::string& rel, std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((root + rel + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    out.push_back(rel + name);
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListTree(root, rel + name + "\\", out);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

class Import : public TMainWindowFixture {
protected:
  Import() : TMainWindowFixture("tbimport") {}

  TMyDB& DB() { return *FForm->DMM2()->MyDB(); }
  std::string Add(const std::string& path, bool duplicates, bool quiet,
                  const std::string& title = "", const std::string& artist = "",
                  const std::string& category = "") {
    std::string result;
    FForm->ImportCommands().AddFileByType(path, title.empty() ? ExtractFileName(path) : title,
                                          result, duplicates, quiet, path, artist, category);
    return result;
  }
  TTuneRec Rec(int32_t key) {
    TTuneRec rec;
    EXPECT_TRUE(DB().FindById(key, rec)) << key;
    return rec;
  }
  TTuneRec Only() {
    EXPECT_EQ(FForm->ImportCommands().AddedKeys().size(), 1u);
    return FForm->ImportCommands().AddedKeys().empty()
               ? TTuneRec{}
               : Rec(FForm->ImportCommands().AddedKeys()[0]);
  }
  std::string Archive(const char* name) { return OracleDir("import_archives") + name; }
  // Closes the window and keeps the catalogue files for the Python checker.
  void KeepForChecker(const std::string& name, const std::string& notes) {
    CloseAndWait();
    std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\mainwin_import\\" + name + "\\";
    ForceDirectories(dir);
    for (const char* f : {"Music.dex", "Music.dax"})
      EXPECT_TRUE(CopyFileA((FDir / f).c_str(), (dir + f).c_str(), FALSE)) << f;
    WriteFileBytes(dir + "titles.tsv", notes);
  }
};

TEST(ImportRules, RoadsTitlesNamesAndRequests) {
  // The final extension decides the road.
  EXPECT_EQ(ImportKindOf("C:\\Songs.mid\\pack.zip"), TImportKind::Archive);
  EXPECT_EQ(ImportKindOf("C:\\Packs.zip\\song.MID"), TImportKind::Midi);
  EXPECT_EQ(ImportKindOf("a.midi"), TImportKind::Midi);
  EXPECT_EQ(ImportKindOf("a.Rmi"), TImportKind::Midi);
  EXPECT_EQ(ImportKindOf("x.mid.kar"), TImportKind::None);
  EXPECT_EQ(ImportKindOf("C:\\a.zip\\noext"), TImportKind::None);

  std::string title, type;
  TitleAndTypeOf(" song.mid ", title, type);
  EXPECT_EQ(title + "|" + type, "song|MIDI");
  TitleAndTypeOf("song.RMI", title, type);
  EXPECT_EQ(title + "|" + type, "song|RMI");
  TitleAndTypeOf("my_song", title, type);
  EXPECT_EQ(title + "|" + type, "my song|MIDI");
  TitleAndTypeOf("x.mid.mid", title, type);
  EXPECT_EQ(title + "|" + type, "x.mid.mid|MIDI");
  TitleAndTypeOf(".mid", title, type);
  EXPECT_EQ(title, ".mid");

  std::string last, first;
  SplitAtComma("Smith, John", last, first);
  EXPECT_EQ(last + "|" + first, "Smith|John");
  SplitAtComma("  Unknown ", last, first);
  EXPECT_EQ(last + "|" + first, "Unknown|");
  SplitAtComma(",", last, first);
  EXPECT_EQ(last + "|" + first, "|");

  TNVRequest r;
  ASSERT_TRUE(ParseNVRequest("NVC:\\Cache\\a1.mid[http://host/dir/song.mid ", r));
  EXPECT_EQ(r.Path, "C:\\Cache\\a1.mid");
  EXPECT_EQ(r.Title, "song.mid ");
  EXPECT_EQ(r.Origin, "http://host/dir/song.mid");
  ASSERT_TRUE(ParseNVRequest("NVC:\\x.mid[noslash", r));
  EXPECT_EQ(r.Title, "noslash");
  EXPECT_FALSE(ParseNVRequest("NVC:\\x.mid", r)) << "no [";
  EXPECT_FALSE(ParseNVRequest("NV[http://a/b", r)) << "[ as the third character";

  EXPECT_EQ(UnquotedPath(" \"C:\\My Songs\\a.mid\" "), "C:\\My Songs\\a.mid");
  EXPECT_EQ(DropTitleOf("C:\\x.y\\song.part.mid"), "song");
  EXPECT_EQ(DropTitleOf("C:\\x\\noext"), "noext");
  EXPECT_EQ(DropTitleOf("C:\\x\\.hidden"), "");
  EXPECT_EQ(StoredOrigin(" " + std::string(300, 'a')), std::string(255, 'a'));
}

TEST_F(Import, EveryCorpusFileQuietlyTwiceThenACopyElsewhere) {
  Start();
  auto durations = CorpusDurations();
  ASSERT_FALSE(durations.empty());
  const std::string root = WinPath(EnvVar("TB_CORPUS")) + "\\";
  std::ostringstream notes;
  int added = 0;
  for (const std::string& file : CorpusFiles()) {
    std::string rel = file.substr(root.size());
    std::string result = Add(file, true, true);
    int64_t size = FileSize(file);
    if (ExtractFileExt(file) == ".kar") {
      EXPECT_EQ(result, "") << rel << ": not a road of its own";
    } else if (ReadFileBytes(file).compare(0, 4, "MThd") != 0) {
      EXPECT_EQ(result, file + " is not a MIDI file, has " + IntToStr(size) + " bytes");
    } else if (std::find(FCat.Files.begin(), FCat.Files.end(), file) != FCat.Files.end()) {
      EXPECT_EQ(result, "Duplicate") << rel << ": in the prepared catalogue";
    } else if (durations.at(rel) < 0) {
      EXPECT_EQ(result, "Corrupted MIDI file") << rel;
    } else {
      ASSERT_EQ(result, "OK") << rel;
      TTuneRec rec = Only();
      EXPECT_EQ(rec.Seconds, durations.at(rel) / 1000) << rel;
      EXPECT_EQ(rec.Size, size) << rel;
      EXPECT_EQ(rec.Origin, file);
      EXPECT_EQ(rec.Title, StringReplaceAll(ChangeFileExt(ExtractFileName(file), ""), "_", " "));
      EXPECT_EQ(rec.FileType, "MIDI");
      notes << rec.MasterKey << "\t" << StringReplaceAll(rel, "\\", "/") << "\n";
      ++added;
    }
  }
  EXPECT_GT(added, 100);
  EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()), static_cast<int>(FCat.Keys.size()) + added);
  // Every file again, not quiet: each title is asked about (no answer adds nothing), the map
  // table is refused in a box, the karaoke file takes no road.
  FAnswers.Clear();
  for (const std::string& file : CorpusFiles()) {
    std::string result = Add(file, true, false);
    EXPECT_TRUE(result.empty() || result.find(" is not a MIDI file, has ") != std::string::npos)
        << result;
  }
  // The titles added here and those prepared before, and the map table.
  const size_t prepared = std::set<std::string>(FCat.Files.begin(), FCat.Files.end()).size();
  ASSERT_EQ(FAnswers.Asked().size(), added + prepared + 1);
  for (const TModalRequest& asked : FAnswers.Asked())
    EXPECT_TRUE(asked.Text.find(" already exists in database. Add it anyway?") !=
                    std::string::npos ||
                asked.Text.find(" is not a valid MIDI file.\r\nIt will not be added to the "
                                "database") != std::string::npos)
        << asked.Text;
  EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()), static_cast<int>(FCat.Keys.size()) + added);
  // The same paths again: found, nothing added.
  for (const std::string& file : CorpusFiles("pianobooster"))
    EXPECT_EQ(Add(file, true, true), "Duplicate");
  // Without the test it is added again under a new key; a copy elsewhere is no duplicate.
  std::string file = CorpusFiles("pianobooster")[0];
  EXPECT_EQ(Add(file, false, true), "OK");
  std::string copy = FDir / ExtractFileName(file);
  ASSERT_TRUE(CopyFileA(file.c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(Add(copy, true, true), "OK");
  EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()),
            static_cast<int>(FCat.Keys.size()) + added + 2);
  KeepForChecker("corpus", notes.str());
}

TEST_F(Import, NamesTypesBoxesAndBadFiles) {
  Start();
  const std::string smf = ReadFileBytes(CorpusFiles("songwrite")[0]);
  WriteFileBytes(FDir / "song.mid", smf);
  WriteFileBytes(FDir / "song.rmi", RiffMidiOf(smf));
  WriteFileBytes(FDir / "my_song.mid", smf);
  WriteFileBytes(FDir / "x.mid.mid", smf);
  WriteFileBytes(FDir / "five.mid", "MThd\x01");
  WriteFileBytes(FDir / "empty.mid", "");
  WriteFileBytes(FDir / "broken.mid",
                 std::string("MThd\0\0\0\6\0\1\0\1\0\x60MTrk\0\0\0\x40\0\x90", 24));
  WriteFileBytes(FDir / "words.mid", "Plain words, no music at all.");

  EXPECT_EQ(Add(FDir / "song.mid", true, true), "OK");
  EXPECT_EQ(Only().Title + "|" + Only().FileType, "song|MIDI");
  EXPECT_EQ(Add(FDir / "song.rmi", true, true), "OK");
  TTuneRec riff = Only();
  EXPECT_EQ(riff.Title + "|" + riff.FileType, "song|RMI");
  EXPECT_EQ(riff.Seconds, 0) << "a RIFF file gets its length when first played";
  EXPECT_EQ(Add(FDir / "my_song.mid", true, true, "my_song"), "OK");
  EXPECT_EQ(Only().Title, "my song");
  EXPECT_EQ(Add(FDir / "x.mid.mid", true, true), "OK");
  EXPECT_EQ(Only().Title, "x.mid.mid");
  // A folder named like a MIDI file holding an archive: the archive road.
  ForceDirectories(FDir / "Songs.mid");
  std::string pack = FDir / "Songs.mid\\pack.zip";
  ASSERT_TRUE(CopyFileA(Archive("three.zip").c_str(), pack.c_str(), FALSE));
  EXPECT_EQ(Add(pack, true, true), "OK");
  EXPECT_EQ(FForm->ImportCommands().AddedKeys().size(), 3u);
  EXPECT_EQ(Add(FDir / "five.mid", true, false), "Invalid file size");
  EXPECT_EQ(Add(FDir / "empty.mid", true, false), "Invalid file size");
  const int before = static_cast<int>(DB().KeyIndex().size());

  // Not quiet: the boxes speak; corrupted No stores nothing, Yes stores "?".
  FAnswers.Clear();
  EXPECT_EQ(Add(FDir / "words.mid", true, false),
            FDir / "words.mid" + " is not a MIDI file, has 29 bytes");
  FAnswers.Push(mrNo);
  EXPECT_EQ(Add(FDir / "broken.mid", true, false), "Corrupted MIDI file");
  EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()), before);
  FAnswers.Push(mrYes);
  EXPECT_EQ(Add(FDir / "broken.mid", true, false), "OK");
  EXPECT_EQ(Only().Seconds, -1);
  EXPECT_EQ(Only().TimeText, "?");
  // The same origin asked about: No adds nothing and answers nothing, Yes adds it again.
  FAnswers.Push(mrNo);
  EXPECT_EQ(Add(FDir / "song.mid", true, false), "");
  FAnswers.Push(mrYes);
  EXPECT_EQ(Add(FDir / "song.mid", true, false), "OK");
  ASSERT_EQ(FAnswers.Asked().size(), 5u);
  EXPECT_EQ(FAnswers.Asked()[0].Text,
            FDir / "words.mid" +
                " is not a valid MIDI file.\r\nIt will not be added to the database");
  EXPECT_EQ(FAnswers.Asked()[1].Text, "\"broken.mid\" is not in the right format and may be "
                                      "corrupted.\r\n\r\nAdd it anyway?");
  EXPECT_EQ(FAnswers.Asked()[3].Text,
            FDir / "song.mid" + " already exists in database. Add it anyway?");
  EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()), before + 2);
}

TEST_F(Import, CategoryArtistLongOriginAndAPackingFailure) {
  Start();
  const std::string smf = ReadFileBytes(CorpusFiles("songwrite")[1]);
  WriteFileBytes(FDir / "a.mid", smf);
  // Given category and artist apply, quiet or not; blank ones make nothing new.
  EXPECT_EQ(Add(FDir / "a.mid", false, false, "", "Smith, John", "Jazz"), "OK");
  TTuneRec rec = Only();
  EXPECT_EQ(rec.CategoryName, "Jazz");
  EXPECT_EQ(rec.LastName + "|" + rec.FirstName, "Smith|John");
  const int categories = FForm->CatList()->Count();
  const int artists = FForm->DMM2()->PerfList()->Count();
  EXPECT_EQ(Add(FDir / "a.mid", false, true, "", " , ", "   "), "OK");
  EXPECT_EQ(FForm->CatList()->Count(), categories);
  EXPECT_EQ(FForm->DMM2()->PerfList()->Count(), artists);
  EXPECT_EQ(Only().CategoryName, "Jazz") << "the previous import's category stays";

  // A path of 258 characters: its origin is stored cut, and still found again.
  std::string dir = FDir.Path();
  std::string longPath = dir + std::string(258 - dir.size() - 4, 'L') + ".mid";
  ASSERT_EQ(longPath.size(), 258u);
  WriteFileBytes(longPath, smf);
  ASSERT_TRUE(FileExists(longPath));
  EXPECT_EQ(Add(longPath, true, true), "OK");
  EXPECT_EQ(Only().Origin, longPath.substr(0, 255));
  EXPECT_EQ(Add(longPath, true, true), "Duplicate");

  // The packing copy held open by another: nothing stored, and no "OK".
  const int before = static_cast<int>(DB().KeyIndex().size());
  std::string work = FDir / "TempZips\\AAATune.TTT";
  WriteFileBytes(work, "held");
  HANDLE held = CreateFileA(work.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string result = Add(FDir / "a.mid", false, true);
  CloseHandle(held);
  EXPECT_NE(result, "OK");
  EXPECT_FALSE(result.empty());
  EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()), before);
  EXPECT_TRUE(FForm->ImportCommands().AddedKeys().empty());
}

TEST_F(Import, ArchivesFriendlyAndHostile) {
  Start();
  auto expected = ExpectedArchives();
  std::vector<std::string> treeBefore;
  ListTree(FDir.Path(), "", treeBefore);
  std::ostringstream notes;
  auto check = [&](const char* name, bool duplicates, const std::string& wantResult) {
    SCOPED_TRACE(name);
    const int before = static_cast<int>(DB().KeyIndex().size());
    std::string result = Add(Archive(name), duplicates, true);
    EXPECT_EQ(result, wantResult);
    const auto& want = expected[name];
    EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()) - before, static_cast<int>(want.size()));
    std::vector<TTuneRec> recs;
    for (int n = 1; n <= DB().RecordCount(); ++n) {
      TTuneRec r;
      if (DB().ReadRecord(n, r) && r.Live && r.Origin.rfind(Archive(name) + "+", 0) == 0)
        recs.push_back(r);
    }
    recs.erase(recs.begin(), recs.end() - std::min(recs.size(), want.size()));
    ASSERT_EQ(recs.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      // The archive's origin and the entry's name, as the record's 255 characters keep it; an
      // entry whose name an earlier one has ends in its number, which the cut must not take.
      const std::string plain = Archive(name) + "+" + want[i].Name;
      const std::string mark = " (entry " + std::to_string(want[i].Twin) + ")";
      EXPECT_EQ(recs[i].Origin,
                want[i].Twin ? plain.substr(0, 255 - mark.size()) + mark : plain.substr(0, 255));
      std::string title, type;
      TitleAndTypeOf(want[i].Name, title, type);
      EXPECT_EQ(recs[i].Title, title.substr(0, 125));
      EXPECT_EQ(recs[i].Crc, want[i].Crc) << want[i].Name;
      EXPECT_EQ(recs[i].Size, want[i].Size) << want[i].Name;
      EXPECT_EQ(recs[i].Seconds, want[i].Seconds) << want[i].Name;
      notes << recs[i].MasterKey << "\t" << want[i].Crc << "\n";
    }
    EXPECT_FALSE(DirectoryExists(FDir / "ForTempZips"));
  };
  check("three.zip", true, "OK");
  // Asked again with the duplicate test on: found, nothing added, and still a success.
  EXPECT_EQ(Add(Archive("three.zip"), true, true), "OK");
  EXPECT_EQ(FForm->ImportCommands().AddedKeys().size(), 3u);
  // What is left out is named as the archive names it, with what went wrong and how many.
  FAnswers.Push([](TModalRequest&) { return mrRunModal; }); // eleven entries: the window
  check("hostile.zip", false,
        "OK decompressing but zero.mid: Invalid file size (3 of 11 entries left out)");
  check("backslash.zip", true, "OK");
  check("badcrc.zip", true,
        "OK decompressing but bad.mid: read error (CRC error) (1 of 2 entries left out)");
  check("huge.zip", true,
        "OK decompressing but huge.mid: larger than 64 MB (1 of 2 entries left out)");
  check("truncated.zip", true, "Error decompressing: Not a zip archive");
  check("notzip.zip", true, "Error decompressing: Not a zip archive");
  EXPECT_EQ(Add(Archive("missing.zip"), true, true), "No archive found");
  std::string empty = Add(Archive("emptyfile.zip"), true, true);
  EXPECT_TRUE(empty == "Empty archive" || empty.rfind("Error decompressing: ", 0) == 0) << empty;
  // One name twice: two titles when the bytes differ, one when they are the same.
  check("twins.zip", true, "OK");
  check("twindups.zip", true,
        "OK decompressing but dup.mid: Duplicate of entry 1 (1 of 3 entries left out)");
  check("longnames.zip", true, "OK");
  check("encrypted.zip", true,
        "OK decompressing but secret.mid: encrypted (1 of 2 entries left out)");
  // Asked again: every title is found, the twins by their own origins.
  for (const char* again : {"twins.zip", "longnames.zip"}) {
    const int before = static_cast<int>(DB().KeyIndex().size());
    EXPECT_EQ(Add(Archive(again), true, true), "OK") << again;
    EXPECT_EQ(FForm->ImportCommands().AddedKeys().size(), 2u) << again;
    EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()), before) << again;
  }

  // Nothing was written outside the work folder, which is gone.
  std::vector<std::string> treeAfter;
  ListTree(FDir.Path(), "", treeAfter);
  for (const std::string& path : treeAfter) {
    bool known = std::find(treeBefore.begin(), treeBefore.end(), path) != treeBefore.end();
    EXPECT_TRUE(known || path.rfind("Music.", 0) == 0 || path.rfind("Artists", 0) == 0 ||
                path.rfind("Categories", 0) == 0)
        << path;
  }
  for (const char* stray : {"evil.mid", "evil2.mid", "evil3.mid", "rooted.mid", "x.mid"}) {
    EXPECT_FALSE(FileExists(ExtractFilePath(ExcludeTrailingBackslash(FDir.Path())) + stray));
    EXPECT_FALSE(FileExists(GetCurrentDir() + "\\" + stray)) << stray;
    EXPECT_FALSE(FileExists(std::string("C:\\") + stray)) << stray;
  }
  KeepForChecker("archives", notes.str());
}

TEST_F(Import, EveryTitleOfAnArchiveGetsTheGivenKeysAndTheEditorKeepsItsOwn) {
  Start();
  // Six entries: the archive window runs the import, and each title gets the given names.
  FAnswers.Push([](TModalRequest&) { return mrRunModal; });
  ASSERT_EQ(Add(Archive("six.zip"), false, true, "", "Brass, Anna", "Brass Band"), "OK");
  const std::vector<int32_t> keys = FForm->ImportCommands().AddedKeys();
  ASSERT_EQ(keys.size(), 6u);
  std::set<std::string> origins;
  for (int32_t key : keys) {
    TTuneRec rec = Rec(key);
    EXPECT_EQ(rec.CategoryName, "Brass Band") << key;
    EXPECT_EQ(rec.LastName + "|" + rec.FirstName, "Brass|Anna") << key;
    EXPECT_EQ(rec.Origin.rfind(Archive("six.zip") + "+", 0), 0u) << rec.Origin;
    origins.insert(rec.Origin);
  }
  EXPECT_EQ(origins.size(), 6u) << "each entry's own origin";

  // What the title editor hands over (each title keeps its own artist and category) is the
  // edit's: the next import that names nothing keeps the keys and the title of its own.
  FForm->EditCommands().SetAddInfo("Edited", KeepOwnKey, KeepOwnKey);
  WriteFileBytes(FDir / "plain.mid", ReadFileBytes(CorpusFiles("songwrite")[1]));
  ASSERT_EQ(Add(FDir / "plain.mid", false, true), "OK");
  TTuneRec rec = Only();
  EXPECT_EQ(rec.Title, "plain");
  EXPECT_EQ(rec.CategoryName, "Brass Band");
  EXPECT_EQ(rec.LastName, "Brass");
  EXPECT_EQ(FForm->EditCommands().AddTitle(), "Edited");
  EXPECT_EQ(FForm->EditCommands().AddCategoryKey(), KeepOwnKey);
}

// The window's picture, as a 24-bit BMP file.
void SaveWindowPicture(HWND w, const std::string& path) {
  RECT r;
  GetWindowRect(w, &r);
  int width = r.right - r.left, height = r.bottom - r.top;
  HDC wdc = GetWindowDC(w);
  HDC mem = CreateCompatibleDC(wdc);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, width, height, wdc, 0, 0, SRCCOPY);
  GdiFlush();
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader + stride * height),
                      0, 0, sizeof fh + sizeof bi.bmiHeader};
  std::string file(reinterpret_cast<const char*>(&fh), sizeof fh);
  file.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  file.append(static_cast<const char*>(bits), stride * height);
  WriteFileBytes(path, file);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(w, wdc);
}

TEST_F(Import, SixTitlesInTheArchiveWindowCancelledByAClick) {
  Start();
  const int before = static_cast<int>(DB().KeyIndex().size());
  TArchiveForm& window = FForm->ImportCommands().ArchiveWindow();
  std::vector<int> bar1, bar2;
  bool clicked = false;
  FForm->ImportCommands().OnArchiveEntryDone = [&](int entry) {
    bar1.push_back(window.EPB1->Position());
    bar2.push_back(window.EPB2->Position());
    if (entry == 1) {
      EXPECT_TRUE(window.Visible());
      EXPECT_EQ(window.Width(), 501);
      EXPECT_EQ(window.Height(), 190);
      EXPECT_EQ(window.GroupBox1->Caption(), " Extracting 6 files from archive ");
      EXPECT_EQ(window.GroupBox2->Caption(), " Importing 6 files into database ");
      window.Repaint();
      SaveWindowPicture(window.Handle(), WinPath(EnvVar("TB_BUILD_DIR")) +
                                             "\\checks\\mainwin_import\\archive_window.bmp");
    }
    if (entry == 2) {
      // A real click in the middle of Cancel, through the input queue.
      RECT r;
      GetWindowRect(window.BitBtn1->Handle(), &r);
      SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      INPUT in[2] = {};
      in[0].type = in[1].type = INPUT_MOUSE;
      in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
      in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
      SendInput(2, in, sizeof(INPUT));
      // The click arrives with the next messages the import lets through.
      PumpUntil([&] { return FForm->ImportCommands().ExtractAbort(); }, 3000);
      clicked = FForm->ImportCommands().ExtractAbort();
    }
  };
  ForceDirectories(WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\mainwin_import");
  FAnswers.Push([](TModalRequest&) { return mrRunModal; });
  std::string result = Add(Archive("six.zip"), true, false);
  FForm->ImportCommands().OnArchiveEntryDone = nullptr;
  EXPECT_TRUE(clicked);
  EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()) - before, 2);
  EXPECT_EQ(result.rfind("OK decompressing but", 0), 0u) << result;
  EXPECT_FALSE(window.Visible()) << "the window closes itself when the import returns";
  ASSERT_EQ(bar2.size(), 2u);
  EXPECT_EQ(bar2[0], 1);
  EXPECT_EQ(bar2[1], 2);
  EXPECT_EQ(bar1[0], 100) << "the entry's bytes were all read";
  EXPECT_FALSE(DirectoryExists(FDir / "ForTempZips"));

  // A Cancel stops that import only: the next one runs to its end.
  FAnswers.Push([](TModalRequest&) { return mrRunModal; });
  EXPECT_EQ(Add(Archive("six.zip"), true, false), "OK");
  EXPECT_EQ(static_cast<int>(DB().KeyIndex().size()) - before, 6);
}

} // namespace

namespace {

TEST_F(Import, ABoxOverTheArchiveWindowIsOwnedByIt) {
  Start();
  TArchiveForm& window = FForm->ImportCommands().ArchiveWindow();
  HWND owner = nullptr;
  window.ImportWork = [&](const std::string&, bool, std::string& result, bool) {
    TTimer probe(nullptr);
    probe.SetInterval(50);
    probe.OnTimer = [&](TObject*) {
      HWND box = FindWindowA("TMessageForm", nullptr);
      if (!box || !IsWindowVisible(box)) return;
      owner = GetWindow(box, GW_OWNER);
      PostMessageA(box, WM_CLOSE, 0, 0);
    };
    probe.SetEnabled(true);
    FForm->ShowMessageBox("A box while the archive window is up", TMessageKind::Error, 0,
                          TMessageButtons::OK);
    result = "OK";
  };
  FAnswers.Push([](TModalRequest&) { return mrRunModal; }); // the archive window
  FAnswers.Push([](TModalRequest&) { return mrRunModal; }); // the box
  window.StartExtract("none.zip", true, 6, true);
  window.ShowModal();
  window.ImportWork = nullptr;
  EXPECT_EQ(window.Result(), "OK");
  EXPECT_EQ(owner, window.Handle());
}

} // namespace

namespace {

TEST_F(Import, TheArchivingWindowRunsItsWorkAndAClosedWindowCancelsIt) {
  Start();
  TCreateArchiveForm& window = FForm->ImportCommands().CreateArchiveWindow();
  TStringList keys;
  for (int32_t key : FCat.Keys)
    keys.Add(IntToStr(key));
  window.StartArchiving("C:\\out\\titles.zip", keys);
  keys.Clear(); // the window keeps its own copy
  EXPECT_EQ(window.GroupBox1->Caption(), " Preparing 4 files for archiving ");
  EXPECT_EQ(window.GroupBox2->Caption(), " Archiving 4 files ");
  EXPECT_EQ(window.EPB2->Max(), 4);
  std::vector<std::string> seen;
  bool abortAfterClose = false;
  window.ArchiveTitlesWork = [&](const std::string& target, TStringList& list) {
    seen.push_back(target);
    for (int i = 0; i < list.Count(); ++i)
      seen.push_back(list[i]);
    window.EPB2->SetRange(0, 100); // as packing a list starts it
    bool abort = true;
    FForm->ImportCommands().AZ1ArchiveProgress(40, abort);
    EXPECT_FALSE(abort);
    EXPECT_EQ(window.EPB2->Position(), 40) << "the zipper's progress shows while it is visible";
    // The user closes the window while it works: that is a Cancel, and the work goes on to
    // its next check of the flag.
    PostMessageA(window.Handle(), WM_CLOSE, 0, 0);
    FForm->ImportCommands().AZ1ArchiveProgress(60, abortAfterClose);
    EXPECT_TRUE(window.Visible());
  };
  FAnswers.Push([](TModalRequest&) { return mrRunModal; });
  window.ShowModal();
  window.ArchiveTitlesWork = nullptr;
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0], "C:\\out\\titles.zip");
  EXPECT_EQ(seen[1], IntToStr(FCat.Keys[0]));
  EXPECT_TRUE(abortAfterClose);
  EXPECT_TRUE(window.Cancelled());
  EXPECT_FALSE(window.Visible()) << "it closed itself when the work returned";
  // A new start clears the cancel.
  window.StartArchiving("C:\\out\\again.zip", keys);
  EXPECT_FALSE(window.Cancelled());
}

} // namespace
