// The catalogue store with real titles: add, find, delete, reopen, extract and pack, the key
// index, and the views it keeps up to date.
#include <gtest/gtest.h>
#include <windows.h>
#include "Crc32.h"
#include "DataCodeD2.h"
#include "TuneFiles.h"
#include "FakeViews.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include <zlib.h>
#include <map>
#include <random>
#include <sstream>

namespace {

struct TArchive {
  std::string Zip, Corpus;
  int32_t Size;
  uint32_t Crc;
};

std::vector<TArchive> Archives() {
  std::vector<TArchive> r;
  std::istringstream in(ReadFileBytes(OracleDir("storefiles") + "archives.txt"));
  std::string line;
  std::string corpus = WinPath(EnvVar("TB_CORPUS"));
  while (std::getline(in, line)) {
    std::istringstream f(line);
    TArchive a;
    std::string crc;
    std::getline(f, a.Zip, '\t');
    std::getline(f, a.Corpus, '\t');
    f >> a.Size >> crc;
    a.Zip = OracleDir("storefiles") + a.Zip;
    a.Corpus = corpus + "\\" + StringReplaceAll(a.Corpus, "/", "\\");
    a.Crc = static_cast<uint32_t>(std::stoul(crc, nullptr, 16));
    r.push_back(a);
  }
  return r;
}

// The system's thousands separator, as the size in a summary line uses it.
std::string ThousandsSeparator() {
  char sep[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, sizeof sep);
  return sep;
}

std::string CheckDir(const std::string& name) {
  return WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\" + name + "\\";
}

// A catalogue in a scratch folder with its data module, one category and one artist.
struct TCatalogue {
  TScratchDir Dir{"store"};
  TFakeHost Host;
  TFakeCategoryArea Area;
  TFakeAlbumArea AlbumArea;
  std::string Cwd = GetCurrentDir();
  TDMM2 DM{Dir.Path(), &Host};
  TCatList Cats{Dir.Path()};
  TAlbList Albums{Dir.Path()};
  int32_t Category = 0, Artist = 0;

  explicit TCatalogue(TFileOps* ops = nullptr) : DM(Dir.Path(), &Host, ops) {
    DM.FormCreate();
    Cats.LoadFromFile(CategoriesName, &Area);
    Cats.SetStore(DM.MyDB());
    Albums.LoadFromFile(AlbumsName, &AlbumArea);
    Albums.SetStore(DM.MyDB());
    Category = Cats.FindOrAddCategory("Real");
    Artist = DM.PerfList()->FindOrAddPerformer("Some", "Body");
    Store().SetCatList(&Cats);
    Store().SetAlbList(&Albums);
    Store().Open(Dir / "Music");
  }
  ~TCatalogue() {
    SetCurrentDir(Cwd);
    if (DM.MyDB()) Store().Close();
  }
  TMyDB& Store() { return *DM.MyDB(); }
  int32_t Add(const TArchive& a, bool quiet = false, const std::string& origin = "") {
    int32_t key = 0;
    DM.AddTune(a.Zip, ExtractFileName(a.Corpus), FileDateTime(a.Corpus), quiet, Now(), a.Size / 100,
               *FileCRC32(a.Corpus), a.Size, Artist, Category, "MIDI",
               origin.empty() ? a.Corpus : origin, &key);
    return key;
  }
  std::string Extract(int32_t key) {
    TTuneRec r;
    std::string out = Dir / "out.zip";
    if (!Store().ExtractTuneData(out, r, key)) return "<none>";
    return ReadFileBytes(out);
  }
};

void PutLE(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    s.push_back(static_cast<char>(v >> (8 * i)));
}

// A one-file zip holding body unpacked (method 0), written by the zip layout with zlib's CRC.
std::string StoredZip(const std::string& body) {
  const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
  std::string z;
  PutLE(z, 0x04034B50, 4); // local header signature
  PutLE(z, 10, 2);         // version needed
  PutLE(z, 0, 2);          // flags
  PutLE(z, 0, 2);          // method: stored
  PutLE(z, 0, 4);          // time and date
  PutLE(z, crc, 4);
  PutLE(z, static_cast<uint32_t>(body.size()), 4);
  PutLE(z, static_cast<uint32_t>(body.size()), 4);
  PutLE(z, 5, 2);
  PutLE(z, 0, 2);
  return z + "t.mid" + body;
}

std::string SmallBody(int i) {
  return "title-" + std::to_string(i) + std::string(i % 7, '#');
}

// A tiny real archive: the store checks each archive's zip header against its record.
std::string MakeArchive(const std::string& folder, int i) {
  std::string path = folder + Format("a%d.zip", i);
  WriteFileBytes(path, StoredZip(SmallBody(i)));
  return path;
}

std::string ArchiveOf(TCatalogue& c, int i) {
  return c.Dir / Format("a%d.zip", i);
}

int32_t AddSmall(TCatalogue& c, int i, bool quiet = true) {
  int32_t key = 0;
  c.DM.AddTune(MakeArchive(c.Dir.Path(), i), "Title " + std::to_string(i), 1.0, quiet, 2.0, i, 0,
               static_cast<int32_t>(SmallBody(i).size()), c.Artist, c.Category, "MIDI",
               "C:\\t\\" + std::to_string(i) + ".mid", &key);
  return key;
}

} // namespace

TEST(Store, AnEmptyCatalogueIsCreatedAndItsFirstTitleGetsKeyOne) {
  TCatalogue c;
  EXPECT_TRUE(FileExists(c.Dir / "Music.dex"));
  EXPECT_TRUE(FileExists(c.Dir / "Music.dax"));
  EXPECT_EQ(c.Store().MaxId(), 0);
  EXPECT_EQ(c.Store().IdToRecNo(1), 0);
  c.Store().FillGrid();
  EXPECT_TRUE(c.Host.Statuses.empty()); // nothing to fill
  EXPECT_EQ(AddSmall(c, 1), 1);
  // The files are held exclusively while the store is open.
  EXPECT_THROW(TFileStream(c.Dir / "Music.dex", fmOpenRead | fmShareDenyNone), EFOpenError);
}

TEST(Store, RealTitlesAreStoredFoundDeletedReopenedAndPacked) {
  auto archives = Archives();
  ASSERT_GE(archives.size(), 10u) << "the corpus archives are missing";
  std::string check = CheckDir("catalogue_store");
  RemoveTree(check);
  ForceDirectories(check + "before");
  ForceDirectories(check + "after");
  std::map<int32_t, const TArchive*> byKey;
  {
    TCatalogue c;
    for (const auto& a : archives)
      byKey[c.Add(a)] = &a;
    ASSERT_EQ(byKey.size(), archives.size());
    EXPECT_EQ(c.Area.All.TuneCount(), static_cast<int>(archives.size()));
    EXPECT_EQ(c.Area.Page(c.Category)->FGrid.TuneCount(), static_cast<int>(archives.size()));
    std::string summary = ReadFileBytes(OracleDir("storefiles") + "summary.txt");
    EXPECT_EQ(c.Area.AllSummary, StringReplaceAll(summary, ",", ThousandsSeparator()));

    int32_t top = c.Store().MaxId();
    const TArchive* topArchive = byKey[top];
    std::vector<int32_t> dead = {2, 5, top};
    for (int32_t k : dead)
      EXPECT_TRUE(c.DM.DeleteTune(k, true));
    EXPECT_EQ(c.Area.All.TuneCount(), static_cast<int>(archives.size()) - 3);
    int32_t found;
    EXPECT_FALSE(c.Store().FindIdByFileName(topArchive->Corpus, found)); // deleted: add again
    EXPECT_EQ(found, -1);
    EXPECT_TRUE(c.Store().FindIdByFileName(archives[0].Corpus, found));
    EXPECT_EQ(found, 1);
    EXPECT_FALSE(c.Store().FindIdByFileName(UpperCase(archives[0].Corpus), found)); // exact
    // The deleted highest key is given again, and lookups find the live title.
    EXPECT_EQ(c.Add(*topArchive), top);
    TTuneRec r;
    ASSERT_TRUE(c.Store().FindById(top, r));
    EXPECT_TRUE(r.Live);
    EXPECT_EQ(r.RecNo, static_cast<int>(archives.size()) + 1);
    EXPECT_FALSE(c.Store().WriteRecord(r, top)); // the deleted record is never written again

    // Reopen: the same titles, each stored archive byte for byte.
    c.Store().Open(c.Dir / "Music");
    EXPECT_TRUE(c.Store().PackNeeded());
    EXPECT_EQ(c.Store().LiveCount(), static_cast<int>(archives.size()) - 2);
    for (const auto& [key, a] : byKey) {
      bool gone = key == 2 || key == 5;
      EXPECT_EQ(c.Store().IdToRecNo(key) == 0, gone) << key;
      if (!gone) {
        EXPECT_EQ(c.Extract(key), ReadFileBytes(a->Zip)) << key;
      }
    }
    std::string deleted;
    for (int n = 1; n <= c.Store().RecordCount(); ++n) {
      c.Store().ReadRecord(n, r);
      if (!r.Live) deleted += std::to_string(n) + "\n";
    }
    WriteFileBytes(check + "deleted.txt", deleted);
    c.Store().Close();
    for (const char* f : {"Music.dex", "Music.dax"})
      CopyFileA((c.Dir / f).c_str(), (check + "before\\" + f).c_str(), FALSE);
    c.Store().Open(c.Dir / "Music");

    // Closing the data module packs the catalogue.
    c.DM.FormClose();
    EXPECT_EQ(c.Host.Statuses.back(), "Done");
    EXPECT_FALSE(FileExists(c.Dir / "InfoTemp.bak"));
    EXPECT_FALSE(FileExists(c.Dir / "DataTemp.bak"));
    TMyDB again;
    again.Open(c.Dir / "Music");
    EXPECT_FALSE(again.PackNeeded());
    EXPECT_EQ(again.RecordCount(), static_cast<int>(archives.size()) - 2);
    for (const auto& [key, a] : byKey) {
      if (key == 2 || key == 5) continue;
      TTuneRec t;
      std::string out = c.Dir / "x.zip";
      ASSERT_TRUE(again.ExtractTuneData(out, t, key));
      EXPECT_EQ(ReadFileBytes(out), ReadFileBytes(a->Zip));
    }
    again.Close();
    for (const char* f : {"Music.dex", "Music.dax"})
      CopyFileA((c.Dir / f).c_str(), (check + "after\\" + f).c_str(), FALSE);
    // The artist nobody used... is used here; the file was written at closing.
    EXPECT_EQ(FileSize(c.Dir / "Artists.dex"), PerfRecSize);
  }
}

TEST(Store, KeyLookupsAgreeWithALinearSearchThroughDeletesAndReAdds) {
  TCatalogue c;
  std::mt19937 rng(5);
  int next = 0;
  for (int round = 0; round < 300; ++round) {
    int action = rng() % 3;
    if (action < 2 || c.Store().KeyIndex().empty()) {
      AddSmall(c, ++next);
    } else {
      // Delete the highest key half of the time, so that its key is given again.
      const auto& index = c.Store().KeyIndex();
      int32_t key = (rng() % 2) ? index.back().Key : index[rng() % index.size()].Key;
      ASSERT_TRUE(c.DM.DeleteTune(key, true));
    }
  }
  c.Store().Open(c.Dir / "Music"); // and the same after reopening
  for (int pass = 0; pass < 2; ++pass) {
    std::map<int32_t, int> live;
    int32_t maxKey = 0;
    for (int n = 1; n <= c.Store().RecordCount(); ++n) {
      TTuneRec r;
      c.Store().ReadRecord(n, r);
      if (r.Live) {
        EXPECT_EQ(live.count(r.MasterKey), 0u) << "two live titles with key " << r.MasterKey;
        live[r.MasterKey] = n;
        maxKey = std::max(maxKey, r.MasterKey);
      }
    }
    EXPECT_EQ(c.Store().MaxId(), maxKey);
    for (int32_t key = -1; key <= maxKey + 2; ++key)
      EXPECT_EQ(c.Store().IdToRecNo(key), live.count(key) ? live[key] : 0) << key;
    int deleted, kept;
    c.Store().Pack(deleted, kept);
  }
}

// The duplicate test of imports: the first live title in file order with exactly that origin,
// whatever was added, deleted or rewritten since the question was first asked.
TEST(Store, TheDuplicateTestAgreesWithASearchInFileOrder) {
  TCatalogue c;
  std::mt19937 rng(9);
  // Few origins, so that several live titles share one (imports with duplicates allowed).
  auto origin = [](int i) { return "C:\\t\\" + std::to_string(i % 12) + ".mid"; };
  auto expected = [&](const std::string& name) {
    for (int n = 1; n <= c.Store().RecordCount(); ++n) {
      TTuneRec r;
      c.Store().ReadRecord(n, r);
      if (r.Live && r.Origin == name) return r.MasterKey;
    }
    return -1;
  };
  auto agree = [&] {
    for (int i = 0; i < 14; ++i) {
      int32_t found = 0;
      bool yes = c.Store().FindIdByFileName(origin(i), found);
      EXPECT_EQ(found, expected(origin(i))) << origin(i);
      EXPECT_EQ(yes, found != -1);
    }
  };
  agree(); // asked first of an empty catalogue
  for (int round = 0; round < 200; ++round) {
    int action = rng() % 4;
    const auto& index = c.Store().KeyIndex();
    if (action < 2 || index.empty()) {
      int32_t key = 0;
      int i = static_cast<int>(rng() % 14);
      c.DM.AddTune(MakeArchive(c.Dir.Path(), round), "T", 1.0, true, 2.0, 1, 0, 10, c.Artist,
                   c.Category, "MIDI", origin(i), &key);
    } else if (action == 2) {
      ASSERT_TRUE(c.DM.DeleteTune(index[rng() % index.size()].Key, true));
    } else {
      // A title rewritten under another origin is found by its new one only.
      int n = index[rng() % index.size()].RecNo;
      TTuneRec r;
      ASSERT_TRUE(c.Store().ReadRecord(n, r));
      r.Origin = origin(static_cast<int>(rng() % 14));
      ASSERT_TRUE(c.Store().WriteRecord(r, n));
    }
    agree();
  }
  c.Store().Open(c.Dir / "Music");
  agree();
}

TEST(Store, ARecordIsAppendedOnTheRecordGridWhenThePartialTailIsThere) {
  {
    TCatalogue c;
    AddSmall(c, 1);
    AddSmall(c, 2);
    c.Store().Close();
    std::string dex = ReadFileBytes(c.Dir / "Music.dex") + std::string(100, '\x55');
    WriteFileBytes(c.Dir / "Music.dex", dex);
    c.Store().Open(c.Dir / "Music");
    EXPECT_EQ(c.Store().RecordCount(), 2);
    EXPECT_EQ(AddSmall(c, 3), 3);
    c.Store().Close();
    // The cut bytes could not be read: they stay behind the new record.
    EXPECT_EQ(ReadFileBytes(c.Dir / "Music.dex").substr(3 * TuneRecSize), std::string(100, '\x55'));
    c.Store().Open(c.Dir / "Music");
    TTuneRec r;
    ASSERT_TRUE(c.Store().FindById(3, r));
    EXPECT_EQ(r.RecNo, 3);
    EXPECT_EQ(r.Title, "Title 3");
    EXPECT_EQ(c.Extract(3), ReadFileBytes(c.Dir / "a3.zip"));
  }
}

TEST(Store, AnUnknownKeyIsNeverReadOrWritten) {
  TCatalogue c;
  AddSmall(c, 1);
  c.Store().Close();
  std::string before = ReadFileBytes(c.Dir / "Music.dex");
  c.Store().Open(c.Dir / "Music");
  TTuneRec r;
  EXPECT_FALSE(c.Store().ReadRecord(0, r));
  EXPECT_FALSE(c.Store().WriteRecord(r, 0));
  EXPECT_FALSE(c.Store().DeleteRecord(0, true, true));
  EXPECT_FALSE(c.Store().SetDuration(5, 99));
  EXPECT_FALSE(c.DM.ChangeTune(99, false, c.Artist, c.Category, "x"));
  EXPECT_FALSE(c.DM.DeleteTune(99, true));
  EXPECT_FALSE(c.Store().ExtractTuneData(c.Dir / "o.zip", r, 99));
  c.Store().Close();
  EXPECT_EQ(ReadFileBytes(c.Dir / "Music.dex"), before);
}

TEST(Store, ACorruptIndexOpensAndKeepsEveryGoodTitle) {
  TCatalogue c;
  for (int i = 1; i <= 6; ++i)
    AddSmall(c, i);
  c.Store().Close();
  std::string dex = ReadFileBytes(c.Dir / "Music.dex");
  auto put = [&](int rec, int at, int32_t v) {
    for (int b = 0; b < 4; ++b)
      dex[(rec - 1) * TuneRecSize + at + b] = static_cast<char>(v >> (8 * b));
  };
  put(2, 12, -40);        // negative offset
  put(3, 16, 0x7FFFFFF0); // length far past the data file
  put(4, 12, 0x7FFFFFF0); // offset past the data file, offset + length overflows 32 bits
  dex[4 * TuneRecSize + 271] = '\xff'; // title length byte beyond its room
  dex[4 * TuneRecSize + 0] = '\xff';
  dex += std::string(300, '\x7f'); // and a partial record
  WriteFileBytes(c.Dir / "Music.dex", dex);
  const std::string dax = ReadFileBytes(c.Dir / "Music.dax");

  c.Store().Open(c.Dir / "Music");
  EXPECT_EQ(c.Store().DamagedCount(), 3);
  // The store tells nothing itself (the main window reports all files at once); its check names
  // the three records, the bad text and the cut tail, and the index as opened is kept beside it.
  EXPECT_TRUE(c.Host.Messages.empty());
  EXPECT_TRUE(c.Store().OpenedDamaged());
  EXPECT_EQ(c.Store().Finding().Bad.size(), 4u);
  EXPECT_EQ(c.Store().Finding().CutBytes, 300);
  EXPECT_EQ(ReadFileBytes(c.Dir / "Music.dex.damaged"), dex);
  for (int key : {1, 5, 6})
    EXPECT_EQ(c.Extract(key), ReadFileBytes(ArchiveOf(c, key)));
  TTuneRec r;
  ASSERT_TRUE(c.Store().FindById(5, r));
  EXPECT_EQ(r.Title.size(), 125u); // clamped to its room
  EXPECT_EQ(r.FileType.size(), 4u);
  for (int key : {2, 3, 4})
    EXPECT_EQ(c.Extract(key), "<none>");
  c.Store().FillGrid();
  EXPECT_EQ(c.Area.All.Keys(), (std::vector<int32_t>{1, 5, 6}));
  EXPECT_EQ(c.Store().MaxId(), 6);

  // No pack runs over a damaged index: the deleted title's archive and every byte stay.
  c.DM.DeleteTune(6, true);
  int deleted, kept;
  EXPECT_TRUE(c.Store().Pack(deleted, kept));
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(c.Store().DamagedCount(), 3);
  for (int key : {1, 5})
    EXPECT_EQ(c.Extract(key), ReadFileBytes(ArchiveOf(c, key)));
  c.Store().Close();
  EXPECT_EQ(ReadFileBytes(c.Dir / "Music.dax"), dax);
}

// Damage inside Music.dax itself: a zip header that disagrees with its record is found at the
// opening; a flipped byte in a title's packed data is found when the title is read. Either way the
// user learns which title, nothing garbled is handed on, and Music.dax keeps every byte.
TEST(Store, DamagedStoredTitlesAreToldAndNeverHandedOnOrDropped) {
  TCatalogue c;
  TArchive real = Archives().at(0);
  for (int i = 1; i <= 4; ++i)
    AddSmall(c, i);
  const int32_t packed = c.Add(real);
  c.DM.DeleteTune(4, true); // a pack would be due
  c.Store().Close();
  std::string dex = ReadFileBytes(c.Dir / "Music.dex");
  std::string dax = ReadFileBytes(c.Dir / "Music.dax");
  auto field = [&](int rec, int at) {
    uint32_t v = 0;
    for (int b = 0; b < 4; ++b)
      v |= static_cast<uint32_t>(static_cast<uint8_t>(dex[(rec - 1) * TuneRecSize + at + b]))
           << (8 * b);
    return v;
  };
  // Title 2's zip header says another size than its record; the last byte of title 3's body
  // (stored unpacked) and a byte in the middle of the real title's deflated data are flipped.
  dax[field(2, 12) + 22] ^= 0x01;
  dax[field(3, 12) + field(3, 16) - 1] ^= 0x20;
  dax[field(packed, 12) + field(packed, 16) / 2] ^= 0x55;
  WriteFileBytes(c.Dir / "Music.dax", dax);

  c.Store().Open(c.Dir / "Music");
  EXPECT_TRUE(c.Store().OpenedDamaged());
  ASSERT_EQ(c.Store().Finding().Bad.size(), 1u);
  EXPECT_EQ(c.Store().Finding().Bad[0].RecNo, 2);
  EXPECT_TRUE(c.Store().Finding().Bad[0].Has(TRecordFault::ArchiveMismatch));
  TCatalogueFinding all;
  all.Files.push_back(c.Store().Finding());
  EXPECT_NE(all.Summary().find("record 2 (its stored title in Music.dax does not match)"),
            std::string::npos)
      << all.Summary();
  // The titles stay listed: the user sees them and is told when one is read.
  c.Store().FillGrid();
  EXPECT_EQ(c.Area.All.Keys(), (std::vector<int32_t>{1, 2, 3, packed}));
  EXPECT_EQ(c.Extract(1), ReadFileBytes(ArchiveOf(c, 1)));
  EXPECT_TRUE(c.Host.Messages.empty());
  for (int32_t key : {3, packed, 3})
    EXPECT_EQ(c.Extract(key), "<none>") << key;
  ASSERT_EQ(c.Host.Messages.size(), 2u) << "once per damaged title";
  EXPECT_NE(c.Host.Messages[0].find("\"Title 3\" (record 3 of Music.dex) is damaged"),
            std::string::npos)
      << c.Host.Messages[0];
  EXPECT_NE(c.Host.Messages[1].find("\"" + ExtractFileName(real.Corpus) + "\""), std::string::npos)
      << c.Host.Messages[1];
  EXPECT_NE(c.Host.Messages[1].find("kept in Music.dax as they are"), std::string::npos);

  int deleted, kept;
  EXPECT_TRUE(c.Store().Pack(deleted, kept));
  EXPECT_EQ(deleted, 0) << "no pack over a damaged catalogue";
  c.Store().Close();
  EXPECT_EQ(ReadFileBytes(c.Dir / "Music.dax"), dax);
}

namespace {

// The final rename of a safe replace refused for the album titles file and the artist file only,
// as Windows refuses it over a read-only file: the album file before it is written.
bool RefuseSecondFiles(const std::string& from, const std::string& to) {
  const std::string name = ExtractFileName(to);
  if (name == "Albums_AT.dex" || name == "Artists.dex") {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

} // namespace

// An import that adds titles, an artist and album rows while the album titles file and the
// artist file cannot be replaced: the import goes on, each file is told once in one box when it
// ends, and the next save writes everything kept meanwhile.
TEST(Store, FilesThatCannotBeReplacedDuringAnImportAreToldOnceAndWrittenLater) {
  TCatalogue c;
  const int32_t road = c.Albums.FindOrAddAlbum("Road");
  c.AlbumArea.Active = c.AlbumArea.PageIndexOf(c.AlbumArea.Page(road));
  const std::string albumTitles = ReadFileBytes(c.Dir / "Albums_AT.dex");
  const std::string artists = ReadFileBytes(c.Dir / "Artists.dex");
  int32_t singer = 0;
  std::vector<int32_t> keys;
  {
    TRenameOverFunc former = SetRenameOverFunc(RefuseSecondFiles);
    c.Store().HoldSaveFailures();
    singer = c.DM.PerfList()->FindOrAddPerformer("New", "Singer");
    for (int i = 1; i <= 3; ++i) {
      keys.push_back(AddSmall(c, i));
      TStringList one;
      one.Add(std::to_string(keys.back()));
      c.Albums.AddTitlesToAlbum(nullptr, 0, 0, one);
    }
    c.Albums.FindOrAddAlbum("Night"); // the album file itself is written
    EXPECT_TRUE(c.Host.Messages.empty()) << "nothing is told before the import ends";
    c.Store().ReleaseSaveFailures();
    SetRenameOverFunc(former);
  }
  ASSERT_EQ(c.Host.Messages.size(), 1u);
  const std::string& told = c.Host.Messages[0];
  for (const char* file : {"Albums_AT.dex", "Artists.dex"}) {
    size_t at = told.find(file);
    EXPECT_NE(at, std::string::npos) << told;
    EXPECT_EQ(told.find(file, at + 1), std::string::npos) << "told once: " << told;
  }
  EXPECT_NE(singer, 0);
  EXPECT_EQ(keys, (std::vector<int32_t>{1, 2, 3})) << "every title went in";
  EXPECT_EQ(ReadFileBytes(c.Dir / "Albums_AT.dex"), albumTitles);
  EXPECT_EQ(ReadFileBytes(c.Dir / "Artists.dex"), artists);
  EXPECT_NE(ReadFileBytes(c.Dir / "Albums_A.dex").find("Night"), std::string::npos);
  EXPECT_FALSE(FileExists(c.Dir / "Albums_AT.dex.new"));

  // The next changes write what the failed saves could not.
  c.DM.PerfList()->FindOrAddPerformer("Other", "Singer");
  c.Albums.FindOrAddAlbum("Morning");
  EXPECT_EQ(c.Host.Messages.size(), 1u);
  EXPECT_EQ(ReadFileBytes(c.Dir / "Albums_AT.dex").size(), 3u * TuneRecSize);
  const std::string written = ReadFileBytes(c.Dir / "Artists.dex");
  EXPECT_NE(written.find("New"), std::string::npos);
  EXPECT_NE(written.find("Other"), std::string::npos);
}

namespace {

// File operations that fail where a test says.
class TFailingOps : public TFileOps {
public:
  int FailRename = -1;     // the n-th rename (0-based) fails
  int FailUndoFrom = -1;   // renames from this one on fail too
  int64_t WriteLimit = -1; // streams from Create fail after this many bytes
  int64_t FreeBytes = -1;
  int Renames = 0;
  bool Rename(const std::string& from, const std::string& to) override {
    int n = Renames++;
    if (n == FailRename || (FailUndoFrom >= 0 && n >= FailUndoFrom)) return false;
    return TFileOps::Rename(from, to);
  }
  int64_t Free(const std::string& folder) override {
    return FreeBytes >= 0 ? FreeBytes : TFileOps::Free(folder);
  }
  std::unique_ptr<TStream> Create(const std::string& path) override;
};

class TLimitedStream : public TFileStream {
public:
  TLimitedStream(const std::string& path, int64_t limit)
      : TFileStream(path, fmCreate), FLeft(limit) {}
  int32_t Write(const void* buffer, int32_t count) override {
    if (count > FLeft) return 0; // the disk is full
    FLeft -= count;
    return TFileStream::Write(buffer, count);
  }

private:
  int64_t FLeft;
};

std::unique_ptr<TStream> TFailingOps::Create(const std::string& path) {
  if (WriteLimit >= 0) return std::make_unique<TLimitedStream>(path, WriteLimit);
  return TFileOps::Create(path);
}

// Every title that should be there is there, with its stored archive.
void ExpectWhole(TCatalogue& c, const std::vector<int32_t>& keys) {
  c.Store().Open(c.Dir / "Music");
  for (int32_t k : keys)
    EXPECT_EQ(c.Extract(k), ReadFileBytes(ArchiveOf(c, k))) << k;
  EXPECT_EQ(c.Store().LiveCount(), static_cast<int>(keys.size()));
}

} // namespace

TEST(Store, APackThatFailsAnywhereLeavesTheCatalogueWholeAndOpenable) {
  struct TCase {
    int FailRename, FailUndoFrom;
    int64_t WriteLimit;
  };
  // Renames of a pack: 0 index aside, 1 data aside, 2 work index in, 3 work data in; then undo.
  const TCase cases[] = {{0, -1, -1}, {1, -1, -1}, {2, -1, -1},   {3, -1, -1},
                         {1, 2, -1},  {2, 3, -1},  {3, 4, -1},    {3, 5, -1},
                         {3, 6, -1},  {-1, -1, 0}, {-1, -1, 1000}};
  for (const auto& tc : cases) {
    SCOPED_TRACE("rename " + std::to_string(tc.FailRename) + " undo " +
                 std::to_string(tc.FailUndoFrom) + " write " + std::to_string(tc.WriteLimit));
    TFailingOps ops;
    TCatalogue c(&ops);
    std::vector<int32_t> keys;
    for (int i = 1; i <= 8; ++i)
      keys.push_back(AddSmall(c, i));
    c.DM.DeleteTune(3, true);
    keys.erase(keys.begin() + 2);
    c.Host.Messages.clear();
    ops.Renames = 0;
    ops.FailRename = tc.FailRename;
    ops.FailUndoFrom = tc.FailUndoFrom;
    ops.WriteLimit = tc.WriteLimit;
    int deleted, kept;
    bool stuck = tc.FailUndoFrom >= 0;
    EXPECT_FALSE(c.Store().Pack(deleted, kept));
    // The user hears of it through the main window's box, and is told nothing was lost.
    ASSERT_FALSE(c.Host.Messages.empty());
    EXPECT_NE(c.Host.Messages[0].find("The database was not packed; no data has been lost."),
              std::string::npos);
    ops.FailRename = ops.FailUndoFrom = -1;
    ops.WriteLimit = -1;
    ExpectWhole(c, keys);
    // The work files never stay in the catalogue's folder.
    for (const char* f : {"InfoTemp.bak", "DataTemp.bak", "InfoOld.bak", "DataOld.bak"})
      EXPECT_FALSE(FileExists(c.Dir / f)) << f;
    if (!stuck) {
      EXPECT_TRUE(c.Store().PackNeeded());
    }
    // And a later pack goes through.
    if (c.Store().PackNeeded()) {
      EXPECT_TRUE(c.Store().Pack(deleted, kept));
      ExpectWhole(c, keys);
      EXPECT_FALSE(c.Store().PackNeeded());
    }
  }
}

TEST(Store, WithoutRoomForThePackNothingChangesAndTheUserIsTold) {
  TFailingOps ops;
  TCatalogue c(&ops);
  for (int i = 1; i <= 3; ++i)
    AddSmall(c, i);
  c.DM.DeleteTune(2, true);
  int64_t needed =
      static_cast<int64_t>(1.25 * (FileSize(c.Dir / "Music.dax") + FileSize(c.Dir / "Music.dex")));
  ops.FreeBytes = needed - 1;
  c.Store().Close();
  std::string before = ReadFileBytes(c.Dir / "Music.dax");
  c.Store().Open(c.Dir / "Music");
  int deleted, kept;
  EXPECT_FALSE(c.Store().Pack(deleted, kept));
  ASSERT_EQ(c.Host.Messages.size(), 1u);
  EXPECT_EQ(c.Host.Messages[0].rfind("Insufficient free space on ", 0), 0u);
  EXPECT_NE(
      c.Host.Messages[0].find(" to pack database!\r\n\r\nNo data has been lost, but you should "
                              "clear some space on your system after Tonalbrook closes."),
      std::string::npos);
  EXPECT_EQ(kept, 3);
  c.Store().Close();
  EXPECT_EQ(ReadFileBytes(c.Dir / "Music.dax"), before);
  c.Store().Open(c.Dir / "Music");
  ops.FreeBytes = needed; // exactly 1.25 times: the pack runs
  EXPECT_TRUE(c.Store().Pack(deleted, kept));
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(kept, 2);
}

TEST(Store, LeftoversOfAnInterruptedPackAreRecoveredOrMovedToBackUp) {
  TCatalogue c;
  for (int i = 1; i <= 3; ++i)
    AddSmall(c, i);
  c.Store().Close();
  std::string dex = ReadFileBytes(c.Dir / "Music.dex"), dax = ReadFileBytes(c.Dir / "Music.dax");

  // A complete work pair with no catalogue left: it becomes the catalogue.
  RenameFile(c.Dir / "Music.dex", c.Dir / "InfoTemp.bak");
  RenameFile(c.Dir / "Music.dax", c.Dir / "DataTemp.bak");
  ExpectWhole(c, {1, 2, 3});
  EXPECT_TRUE(c.Host.Messages.empty());
  c.Store().Close();

  // A lone work file beside a whole catalogue holds nothing it lacks: it goes, untold.
  WriteFileBytes(c.Dir / "DataTemp.bak", "half");
  ExpectWhole(c, {1, 2, 3});
  EXPECT_FALSE(FileExists(c.Dir / "DataTemp.bak"));
  EXPECT_FALSE(FileExists(c.Dir / "BackUp\\DataTemp.bak"));
  EXPECT_TRUE(c.Host.Messages.empty());
  c.Store().Close();

  // Beside a damaged catalogue it may hold what was lost: it goes to BackUp, and the user is
  // told; nothing is overwritten there.
  std::string cut = dex.substr(0, 2 * TuneRecSize + 100);
  for (const char* again : {"half", "again"}) {
    WriteFileBytes(c.Dir / "Music.dex", cut);
    WriteFileBytes(c.Dir / "DataTemp.bak", again);
    c.Host.Messages.clear();
    c.Store().Open(c.Dir / "Music");
    EXPECT_FALSE(FileExists(c.Dir / "DataTemp.bak"));
    ASSERT_EQ(c.Host.Messages.size(), 1u);
    EXPECT_NE(c.Host.Messages[0].find("BackUp"), std::string::npos);
    c.Store().Close();
  }
  EXPECT_EQ(ReadFileBytes(c.Dir / "BackUp\\DataTemp.bak"), "half");
  EXPECT_EQ(ReadFileBytes(c.Dir / "BackUp\\DataTemp.bak.1"), "again");
  WriteFileBytes(c.Dir / "Music.dex", dex);
  c.Host.Messages.clear();

  // One catalogue file alone: kept in BackUp, and an empty catalogue starts.
  DeleteFileA((c.Dir / "Music.dax").c_str());
  c.Host.Messages.clear();
  c.Store().Open(c.Dir / "Music");
  EXPECT_EQ(c.Store().RecordCount(), 0);
  EXPECT_EQ(ReadFileBytes(c.Dir / "BackUp\\Music.dex"), dex);
  EXPECT_EQ(c.Host.Messages.size(), 1u);
}

TEST(Store, ChangesReachTheGridsSummariesAndAlbums) {
  TCatalogue c;
  int32_t other = c.Cats.FindOrAddCategory("Other");
  for (int i = 1; i <= 3; ++i)
    AddSmall(c, i, false);
  auto& real = c.Area.Page(c.Category)->FGrid;
  auto& moved = c.Area.Page(other)->FGrid;
  EXPECT_EQ(real.Keys(), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(c.Area.Page(c.Category)->Summary, "3 titles  ---  0:06  ---  0kb");

  // An album holds title 2 twice.
  EXPECT_EQ(c.Albums.Count(), 0);
  TAlbRec a;
  // Albums come from the album file; make one by saving and loading.
  {
    std::string bytes(AlbRecSize, '\0');
    a.Key = 4;
    a.Name = "Mix";
    EncodeAlbRec(a, reinterpret_cast<uint8_t*>(bytes.data()));
    WriteFileBytes(c.Dir / "Albums_A.dex", bytes);
    TTuneRec t;
    c.Store().FindById(2, t);
    t.AlbumKey = 4;
    std::string titles(2 * TuneRecSize, '\0');
    EncodeTuneRec(t, reinterpret_cast<uint8_t*>(titles.data()));
    EncodeTuneRec(t, reinterpret_cast<uint8_t*>(titles.data()) + TuneRecSize);
    WriteFileBytes(c.Dir / "Albums_AT.dex", titles);
    c.Albums.LoadFromFile(AlbumsName, &c.AlbumArea);
  }
  auto* album = c.AlbumArea.Page(4);
  ASSERT_NE(album, nullptr);
  EXPECT_EQ(album->FGrid.Keys(), (std::vector<int32_t>{2, 2}));
  EXPECT_EQ(album->Summary, "2 titles  ---  0:04  ---  0kb");
  EXPECT_EQ(album->ListTitles, "2");

  // Re-filed under another category and artist: rows move, names are trimmed copies.
  int32_t artist = c.DM.PerfList()->FindOrAddPerformer("  Jo ", " Smith ");
  ASSERT_TRUE(c.DM.ChangeTune(2, false, artist, other, "Renamed"));
  EXPECT_EQ(real.Keys(), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(moved.Keys(), (std::vector<int32_t>{2}));
  EXPECT_EQ(c.Area.Page(other)->Summary, "1 title  ---  0:02  ---  0kb");
  TTuneRec t;
  c.Store().FindById(2, t);
  EXPECT_EQ(t.CategoryName, "Other");
  EXPECT_EQ(t.FirstName, "Jo");
  EXPECT_EQ(t.LastName, "Smith");
  EXPECT_EQ(t.FullName, "Jo Smith");
  EXPECT_EQ(album->FGrid.Rows[1].Title, "Renamed"); // album copies follow
  EXPECT_EQ(album->FGrid.Rows[1].AlbumKey, 4);

  // Unknown category or artist: a message and no change.
  c.Host.Messages.clear();
  EXPECT_FALSE(c.DM.ChangeTune(2, false, artist, 77, "x"));
  EXPECT_FALSE(c.DM.ChangeTune(2, false, 55, other, "x"));
  EXPECT_EQ(c.Host.Messages, (std::vector<std::string>{"New category for CK = 77 not found",
                                                       "New performer for PK = 55 not found"}));

  EXPECT_TRUE(c.Store().SetDuration(3725, 1));
  EXPECT_EQ(real.Rows[0].TimeText, "1:02:05");
  EXPECT_EQ(c.Area.All.Rows[0].Seconds, 3725);

  EXPECT_TRUE(c.DM.DeleteTune(2, true));
  EXPECT_TRUE(moved.Keys().empty());
  EXPECT_TRUE(album->FGrid.Rows.empty());
  EXPECT_EQ(album->Summary, "0 titles  ---  0:00  ---  0kb");
  EXPECT_EQ(c.Area.All.Keys(), (std::vector<int32_t>{1, 3}));
}

TEST(Store, FillingPutsEveryLiveTitleInItsGridsInFileOrder) {
  TCatalogue c;
  int32_t other = c.Cats.FindOrAddCategory("Other");
  for (int i = 1; i <= 45; ++i)
    AddSmall(c, i);
  c.DM.DeleteTune(10, false);
  ASSERT_TRUE(c.DM.ChangeTune(20, true, c.Artist, other, "x"));
  c.Store().Open(c.Dir / "Music");
  c.Area.All.Rows.clear();
  for (auto& p : c.Area.Pages)
    p->FGrid.Rows.clear();
  c.Host.Statuses.clear();
  c.Store().FillGrid();
  EXPECT_EQ(c.Area.All.TuneCount(), 44);
  EXPECT_EQ(c.Area.All.Rows[8].MasterKey, 9);
  EXPECT_EQ(c.Area.All.Rows[9].MasterKey, 11);
  EXPECT_EQ(c.Area.Page(other)->FGrid.Keys(), std::vector<int32_t>{20});
  EXPECT_EQ(c.Area.Page(c.Category)->FGrid.TuneCount(), 43);
  EXPECT_EQ(c.Area.All.Updating, 0);
  EXPECT_GT(c.Area.All.Sorts, 0);
  EXPECT_EQ(c.Host.Statuses, (std::vector<std::string>{"Loading database...", "Done"}));
  EXPECT_EQ(c.Host.ProgressMax, 44);
  EXPECT_FALSE(c.Host.ProgressShown);
  EXPECT_EQ(c.Area.Page(other)->Summary, "1 title  ---  0:20  ---  0kb");
  // Category grids take the all-titles grid's widths, one column along.
  c.Area.All.Widths[3] = 77;
  c.Cats.EndUpdateAll();
  EXPECT_EQ(c.Area.Page(other)->FGrid.Widths[2], 77);
}

TEST(Store, SummaryLines) {
  EXPECT_EQ(SummaryLine(0, 0, 0), "0 titles  ---  0:00  ---  0kb");
  EXPECT_EQ(SummaryLine(1, 59, 999), "1 title  ---  0:59  ---  1kb");
  EXPECT_EQ(SummaryLine(2, 60, 400), "2 titles  ---  1:00  ---  0kb");
  EXPECT_EQ(SummaryLine(1, 3600, 1500), "1 title  ---  1:00:00  ---  2kb");
  EXPECT_EQ(SummaryLine(12, 3725, 1234567),
            "12 titles  ---  1:02:05  ---  1" + ThousandsSeparator() + "235kb");
}

TEST(Store, ExportingATitleGoesThroughTheZipOperations) {
  struct TStubZipper : TTuneZipper {
    std::string Folder;
    bool UnzipSingleFile(const std::string& archive, const std::string& folder,
                         std::string& message, std::string& extracted) override {
      Folder = folder;
      extracted = folder + "\\tune.mid";
      WriteFileBytes(extracted, "MThd:" + ReadFileBytes(archive));
      message = archive + " unzipped OK to one file.";
      return true;
    }
    bool ZipOneFile(const std::string& file, const std::string& archive) override {
      WriteFileBytes(archive, "zip:" + ReadFileBytes(file));
      return true;
    }
  } zipper;
  TCatalogue c;
  AddSmall(c, 1);
  c.Store().SetZipper(&zipper);
  EXPECT_TRUE(c.Store().ExportTune(1, c.Dir / "out", false));
  EXPECT_EQ(ReadFileBytes(c.Dir / "out"), "MThd:" + ReadFileBytes(c.Dir / "a1.zip"));
  EXPECT_FALSE(FileExists(c.Dir / "TempTrash\\Export\\ForExport.zip"));
  EXPECT_TRUE(c.Store().ExportTune(1, c.Dir / "z", true));
  EXPECT_EQ(ReadFileBytes(c.Dir / "z.zip"), "zip:MThd:" + ReadFileBytes(c.Dir / "a1.zip"));
  EXPECT_FALSE(c.Store().ExportTune(9, c.Dir / "none", false));
}

TEST(Store, ExportedTitlesComeOutAsTheirOriginalFilePlainOrPacked) {
  TTuneFiles tunes; // the real zip operations
  TCatalogue c;
  c.Store().SetZipper(&tunes);
  TArchive a = Archives().at(0);
  int32_t key = c.Add(a);
  std::string original = ReadFileBytes(a.Corpus);

  ForceDirectories(c.Dir / "out\\");
  std::string plain = c.Dir / "out\\My Title";
  ASSERT_TRUE(c.Store().ExportTune(key, plain, false));
  EXPECT_EQ(ReadFileBytes(plain), original);

  std::string packed = c.Dir / "out\\Packed";
  ASSERT_TRUE(c.Store().ExportTune(key, packed, true));
  ForceDirectories(c.Dir / "check\\");
  std::string message, extracted;
  ASSERT_TRUE(tunes.UnzipSingleFile(packed + ".zip", c.Dir / "check", message, extracted));
  EXPECT_EQ(ExtractFileName(extracted), "Packed.mid");
  EXPECT_EQ(ReadFileBytes(extracted), original);
  // Nothing stays behind in the work folder.
  EXPECT_FALSE(FileExists(c.Dir / "TempTrash\\Export\\ForExport.zip"));
  EXPECT_FALSE(FileExists(c.Dir / "TempTrash\\Export\\" + ExtractFileName(a.Corpus)));
}

TEST(Store, ADamagedRecordKeepsItsKeyAndStaysOutWhenTheDataFileGrowsPastIt) {
  TCatalogue c;
  for (int i = 1; i <= 3; ++i)
    AddSmall(c, i);
  c.Store().Close();
  std::string dex = ReadFileBytes(c.Dir / "Music.dex");
  int32_t length = 5000; // title 3's archive reaches far past the data file
  for (int b = 0; b < 4; ++b)
    dex[2 * TuneRecSize + 16 + b] = static_cast<char>(length >> (8 * b));
  WriteFileBytes(c.Dir / "Music.dex", dex);
  c.Store().Open(c.Dir / "Music");
  ASSERT_EQ(c.Store().DamagedCount(), 1);

  // The category and artist that only the damaged title uses stay in use, and no list is pruned
  // while the store is damaged.
  c.DM.DeleteTune(1, false);
  EXPECT_TRUE(c.Store().CategoryInUse(c.Category));
  EXPECT_TRUE(c.Store().ArtistInUse(c.Artist));
  EXPECT_FALSE(c.Cats.RemoveUnused());
  EXPECT_EQ(c.Cats.Count(), 1);

  // The damaged title's key is not given again.
  std::string big = c.Dir / "big.zip";
  WriteFileBytes(big, StoredZip(std::string(8000, 'B')));
  int32_t key = 0;
  c.DM.AddTune(big, "Big", 1.0, true, 2.0, 9, 0, 8000, c.Artist, c.Category, "MIDI", "C:\\big.mid",
               &key);
  EXPECT_EQ(key, 4);

  // The data file now reaches past the damaged record's range; it must not come back to life as
  // a title made of another title's bytes.
  c.Store().Close();
  c.Store().Open(c.Dir / "Music");
  EXPECT_EQ(c.Store().DamagedCount(), 1);
  EXPECT_EQ(c.Extract(3), "<none>");
  EXPECT_TRUE(c.Extract(key) == ReadFileBytes(big));
  TTuneRec r;
  ASSERT_TRUE(c.Store().ReadRecord(3, r));
  EXPECT_EQ(r.Title, "Title 3"); // what the record says is kept

  // A pack leaves the damaged catalogue as it is; deleting the damaged title then leaves no
  // damaged record.
  int deleted, kept;
  ASSERT_TRUE(c.Store().Pack(deleted, kept));
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(c.Store().DamagedCount(), 1);
  EXPECT_EQ(c.Extract(3), "<none>");
  EXPECT_TRUE(c.Extract(key) == ReadFileBytes(big));
  EXPECT_EQ(c.Extract(2), ReadFileBytes(ArchiveOf(c, 2)));
  ASSERT_TRUE(c.Store().ReadRecord(3, r));
  EXPECT_EQ(r.MasterKey, 3);
  EXPECT_TRUE(c.Store().DeleteRecord(3, true, true));
  EXPECT_EQ(c.Store().DamagedCount(), 0);
}

// Given up, what could not be read goes and the rest is made sound: a title whose archive is gone
// is deleted, of two titles sharing a key the one an album row names keeps it, a control
// character in a title becomes a blank, the cut record goes; then the pack runs again.
TEST(Store, AcceptingTheLossLeavesAWholeCatalogueThatPacks) {
  TCatalogue c;
  for (int i = 1; i <= 4; ++i) {
    const std::string body = SmallBody(i);
    c.DM.AddTune(MakeArchive(c.Dir.Path(), i), "Title " + std::to_string(i), 1.0, true, 2.0, i,
                 crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size()),
                 static_cast<int32_t>(body.size()), c.Artist, c.Category, "MIDI",
                 "C:\\t\\" + std::to_string(i) + ".mid");
  }
  c.Store().Close();
  std::string dex = ReadFileBytes(c.Dir / "Music.dex");
  auto put = [&dex](int recNo, int at, int32_t v) {
    for (int b = 0; b < 4; ++b)
      dex[(recNo - 1) * TuneRecSize + at + b] = static_cast<char>(v >> (8 * b));
  };
  put(2, 16, 5000);                        // title 2's archive reaches past the data file
  put(4, 28, 3);                           // title 4 carries title 3's key
  dex[3 * TuneRecSize + 271 + 6] = '\x01'; // "Title\x014"
  WriteFileBytes(c.Dir / "Music.dex", dex + std::string(100, '\x55'));
  c.Store().Open(c.Dir / "Music");
  c.Store().FillGrid();
  TTuneRec row;
  ASSERT_TRUE(c.Store().ReadRecord(4, row));
  row.AlbumKey = 7;
  row.Title = "Title 4";
  std::string rows(TuneRecSize, '\0'), album(AlbRecSize, '\0');
  EncodeTuneRec(row, reinterpret_cast<uint8_t*>(rows.data()));
  TAlbRec mix;
  mix.Key = 7;
  mix.Name = "Mix";
  EncodeAlbRec(mix, reinterpret_cast<uint8_t*>(album.data()));
  WriteFileBytes(c.Dir / "Albums_A.dex", album);
  WriteFileBytes(c.Dir / "Albums_AT.dex", rows);
  c.Albums.LoadFromFile(AlbumsName, &c.AlbumArea);
  ASSERT_TRUE(c.Store().OpenedDamaged());

  c.Store().AcceptUnread();
  EXPECT_FALSE(c.Store().OpenedDamaged());
  std::vector<int32_t> all = c.Area.All.Keys();
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (std::vector<int32_t>{1, 3, 4}));
  EXPECT_EQ(c.AlbumArea.Page(7)->FGrid.Keys(), std::vector<int32_t>{3});
  int deleted, kept;
  ASSERT_TRUE(c.Store().Pack(deleted, kept));
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(kept, 3);
  c.Store().Close();
  EXPECT_EQ(FileSize(c.Dir / "Music.dex"), 3 * TuneRecSize);
  c.Store().Open(c.Dir / "Music");
  EXPECT_FALSE(c.Store().Finding().Damaged());
  TTuneRec r;
  ASSERT_TRUE(c.Store().FindById(3, r));
  EXPECT_EQ(r.Title, "Title 4");
  EXPECT_EQ(c.Extract(3), ReadFileBytes(ArchiveOf(c, 4)));
  EXPECT_EQ(c.Extract(4), ReadFileBytes(ArchiveOf(c, 3)));
  EXPECT_EQ(c.Extract(1), ReadFileBytes(ArchiveOf(c, 1)));
  EXPECT_EQ(c.Extract(2), "<none>");
}

TEST(Store, DeletingARecordTwiceLeavesTheRowsOfTheTitleThatReusedItsKey) {
  TCatalogue c;
  AddSmall(c, 1);
  int32_t old = AddSmall(c, 2);
  int oldRecNo = c.Store().IdToRecNo(old);
  ASSERT_TRUE(c.DM.DeleteTune(old, true));
  int32_t again = AddSmall(c, 3, false);
  ASSERT_EQ(again, old); // the highest live key plus one
  EXPECT_TRUE(c.Store().DeleteRecord(oldRecNo, true, true));
  EXPECT_EQ(c.Area.All.Keys(), (std::vector<int32_t>{1, again}));
  EXPECT_EQ(c.Area.Page(c.Category)->FGrid.Keys(), (std::vector<int32_t>{1, again}));
  EXPECT_EQ(c.Area.Page(c.Category)->Summary.substr(0, 9), "2 titles ");
}

TEST(Store, AKeyAtTheTopOfTheRangeDoesNotMakeTitlesShareAKey) {
  TCatalogue c;
  AddSmall(c, 1);
  AddSmall(c, 2);
  c.Store().Close();
  std::string dex = ReadFileBytes(c.Dir / "Music.dex");
  for (int b = 0; b < 4; ++b)
    dex[TuneRecSize + 28 + b] = static_cast<char>(INT32_MAX >> (8 * b)); // title 2's key
  WriteFileBytes(c.Dir / "Music.dex", dex);
  c.Store().Open(c.Dir / "Music");
  int32_t a = AddSmall(c, 3), b = AddSmall(c, 4);
  EXPECT_GT(a, 0);
  EXPECT_GT(b, 0);
  EXPECT_NE(a, b);
  EXPECT_NE(a, 1);
  EXPECT_NE(b, 1);
  EXPECT_EQ(c.Extract(a), ReadFileBytes(ArchiveOf(c, 3)));
  EXPECT_EQ(c.Extract(b), ReadFileBytes(ArchiveOf(c, 4)));
  EXPECT_EQ(c.Extract(INT32_MAX), ReadFileBytes(ArchiveOf(c, 2)));
}
