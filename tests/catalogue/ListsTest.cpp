// The category, artist and album lists: their files, keys, lookups and clean-up.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include "DataCodeD2.h"
#include "FakeViews.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

struct TListFolder {
  TScratchDir Dir{"lists"};
  TListFolder() {
    for (const char* f : {"Categories.dex", "Artists.dex", "Albums_A.dex", "Albums_AT.dex"})
      CopyFileA((OracleDir("lists") + f).c_str(), (Dir / f).c_str(), FALSE);
  }
  std::string Golden(const char* f) { return ReadFileBytes(OracleDir("lists") + f); }
};

// Records of size n compared without their in-memory references (from byte 60 on), which must be
// written as zeros.
void ExpectSameBut(const std::string& saved, const std::string& golden, size_t n) {
  ASSERT_EQ(saved.size(), golden.size());
  for (size_t at = 0; at < saved.size(); at += n) {
    EXPECT_EQ(saved.substr(at, 60), golden.substr(at, 60)) << "record at " << at;
    EXPECT_EQ(saved.substr(at + 60, n - 60), std::string(n - 60, '\0'));
  }
}

} // namespace

TEST(Lists, FilesWrittenElsewhereLoadAndSaveBackTheSameBytes) {
  TListFolder f;
  TFakeCategoryArea area;
  TCatList cats(f.Dir.Path());
  cats.LoadFromFile("Categories", &area);
  ASSERT_EQ(cats.Count(), 4);
  EXPECT_EQ(cats.Items(3).Name, std::string("Zydeco") + std::string(34, 'z'));
  EXPECT_EQ(area.Pages.size(), 4u); // a page per category, built while loading
  EXPECT_TRUE(area.All.CanSort);
  EXPECT_FALSE(area.All.CanDragRows);
  cats.SaveToFile();
  ExpectSameBut(ReadFileBytes(f.Dir / "Categories.dex"), f.Golden("Categories.dex"), CatRecSize);

  TPerfList perfs(f.Dir.Path());
  perfs.LoadFromFile("Artists");
  ASSERT_EQ(perfs.Count(), 3);
  perfs.SaveToFile();
  EXPECT_EQ(ReadFileBytes(f.Dir / "Artists.dex"), f.Golden("Artists.dex"));

  TFakeAlbumArea albumArea;
  TAlbList albums(f.Dir.Path());
  albums.LoadFromFile("Albums", &albumArea);
  ASSERT_EQ(albums.Count(), 2);
  auto* evening = albumArea.Page(5);
  EXPECT_EQ(evening->FGrid.Keys(), (std::vector<int32_t>{10, 11, 10}));
  // Totals are recounted from the grid at load.
  EXPECT_EQ(albums.Items(0).Titles, 3);
  EXPECT_EQ(albums.Items(0).Seconds, 245);
  EXPECT_EQ(albums.Items(0).Bytes, 4500);
  EXPECT_EQ(evening->ListTitles, "3");
  EXPECT_EQ(evening->ListDuration, "4:05");
  albums.SaveToFile();
  ExpectSameBut(ReadFileBytes(f.Dir / "Albums_A.dex"), f.Golden("Albums_A.dex"), AlbRecSize);
  EXPECT_EQ(ReadFileBytes(f.Dir / "Albums_AT.dex"), f.Golden("Albums_AT.dex"));
}

TEST(Lists, CategoryNamesAreExactForFindingAndCaseBlindForSorting) {
  TScratchDir dir("cats");
  TFakeCategoryArea area;
  TCatList cats(dir.Path());
  cats.LoadFromFile("Categories", &area);
  EXPECT_TRUE(FileExists(dir / "Categories.dex")); // a missing file is created empty
  EXPECT_EQ(cats.MaxKey(), 0);
  int32_t pop = cats.FindOrAddCategory("pop");
  int32_t Pop = cats.FindOrAddCategory("Pop");
  EXPECT_NE(pop, Pop);
  EXPECT_EQ(cats.FindCategory("Pop"), Pop);
  EXPECT_EQ(cats.FindCategory("POP"), 0);
  EXPECT_EQ(cats.FindOrAddCategory("Ambient"), 3);
  EXPECT_EQ(FileSize(dir / "Categories.dex"), 3 * CatRecSize); // written at once
  TStringList names, keys;
  cats.FillNameKeyLists(names, keys);
  EXPECT_EQ(names[0], "Ambient");
  EXPECT_EQ(keys[0], "3");
  EXPECT_TRUE(SameText(names[1], "pop"));
  EXPECT_EQ(cats.GetCategoryName(99), "");
}

TEST(Lists, ArtistsAreFoundIgnoringCaseAndWrittenWhenAdded) {
  TScratchDir dir("perfs");
  TPerfList perfs(dir.Path());
  perfs.LoadFromFile("Artists");
  EXPECT_FALSE(FileExists(dir / "Artists.dex")); // a missing file stays missing until a save
  int32_t k = perfs.FindOrAddPerformer(" Dave ", "Brubeck");
  EXPECT_EQ(k, 1);
  EXPECT_EQ(FileSize(dir / "Artists.dex"), PerfRecSize);
  EXPECT_EQ(perfs.FindOrAddPerformer(" DAVE ", "brubeck"), k);
  EXPECT_EQ(perfs.Count(), 1);
  EXPECT_EQ(perfs.Items(0).FullName, "Dave Brubeck");
  EXPECT_EQ(perfs.Items(0).FirstName, " Dave "); // as given
  int32_t k2 = perfs.FindOrAddPerformer(std::string(50, 'f'), std::string(50, 'l'));
  EXPECT_EQ(perfs.Items(1).FirstName.size(), 40u);
  EXPECT_EQ(perfs.Items(1).FullName.size(), 82u);
  std::string first, last;
  perfs.GetPerformerNames(k2, first, last);
  EXPECT_EQ(last, std::string(40, 'l'));
  perfs.GetPerformerNames(77, first, last);
  EXPECT_TRUE(first.empty() && last.empty());
}

TEST(Lists, UnusedCategoriesAndArtistsAreDroppedAtClosing) {
  TScratchDir dir("unused");
  std::string cwd = GetCurrentDir();
  TFakeCategoryArea area;
  TCatList cats(dir.Path());
  cats.LoadFromFile("Categories", &area);
  int32_t used = cats.FindOrAddCategory("Used");
  int32_t onlyDeleted = cats.FindOrAddCategory("Only deleted");
  cats.FindOrAddCategory("   "); // blank
  cats.FindOrAddCategory("Empty");
  TDMM2 dm(dir.Path());
  dm.FormCreate();
  cats.SetStore(dm.MyDB());
  dm.MyDB()->SetCatList(&cats);
  dm.MyDB()->Open(dir / "Music");
  int32_t a1 = dm.PerfList()->FindOrAddPerformer("A", "One");
  int32_t a2 = dm.PerfList()->FindOrAddPerformer("B", "Two");
  dm.PerfList()->FindOrAddPerformer("C", "Three");
  WriteFileBytes(dir / "t.zip", "zip");
  int32_t k1, k2;
  dm.AddTune(dir / "t.zip", "x", 0, true, 0, 1, 0, 1, a1, used, "MIDI", "o1", &k1);
  dm.AddTune(dir / "t.zip", "y", 0, true, 0, 1, 0, 1, a2, onlyDeleted, "MIDI", "o2", &k2);
  dm.DeleteTune(k2, false);
  EXPECT_TRUE(cats.RemoveUnused());
  ASSERT_EQ(cats.Count(), 1);
  EXPECT_EQ(cats.Items(0).Key, used);
  EXPECT_EQ(FileSize(dir / "Categories.dex"), CatRecSize);
  dm.FormClose();
  SetCurrentDir(cwd);
  TPerfList again(dir.Path());
  again.LoadFromFile("Artists");
  ASSERT_EQ(again.Count(), 1);
  EXPECT_EQ(again.Items(0).Key, a1);
}

TEST(Lists, OverlongNamesAreFoundAgainInsteadOfAddedTwice) {
  TScratchDir dir("long");
  TFakeCategoryArea area;
  TCatList cats(dir.Path());
  cats.LoadFromFile("Categories", &area);
  std::string name(50, 'c');
  int32_t k = cats.FindOrAddCategory(name);
  EXPECT_EQ(cats.FindOrAddCategory(name), k);
  EXPECT_EQ(cats.Count(), 1);
  EXPECT_EQ(area.Pages.size(), 1u);

  TPerfList perfs(dir.Path());
  perfs.LoadFromFile("Artists");
  int32_t p = perfs.FindOrAddPerformer(std::string(45, 'f'), std::string(60, 'l'));
  EXPECT_EQ(perfs.FindOrAddPerformer(std::string(45, 'F'), std::string(60, 'l')), p);
  EXPECT_EQ(perfs.Count(), 1);
}

namespace {

// Another program holds a file open with no sharing while the body runs.
template <class F> void WhileHeld(const std::string& path, F body) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  body();
  CloseHandle(h);
}

} // namespace

TEST(Lists, AListThatCouldNotBeReadIsNeverWrittenBackFromWhatLittleItHolds) {
  TListFolder f;
  const std::string artists = f.Golden("Artists.dex");
  const std::string albumTitles = f.Golden("Albums_AT.dex");
  ASSERT_FALSE(artists.empty());

  // The artist file is held while the data module starts: no artist can be added, and closing
  // leaves the file as it was.
  TDMM2 dm(f.Dir.Path());
  WhileHeld(f.Dir / "Artists.dex", [&] { EXPECT_ANY_THROW(dm.FormCreate()); });
  EXPECT_THROW(dm.PerfList()->FindOrAddPerformer("New", "Person"), EDataError);
  dm.FormClose();
  EXPECT_EQ(ReadFileBytes(f.Dir / "Artists.dex"), artists);

  // The album titles file is held while the albums load: saving and adding leave both files.
  TAlbList albums(f.Dir.Path());
  WhileHeld(f.Dir / "Albums_AT.dex",
            [&] { EXPECT_ANY_THROW(albums.LoadFromFile(AlbumsName, nullptr)); });
  EXPECT_FALSE(albums.Loaded());
  albums.SaveToFile();
  EXPECT_THROW(albums.FindOrAddAlbum("Another album"), EDataError);
  EXPECT_EQ(ReadFileBytes(f.Dir / "Albums_AT.dex"), albumTitles);
  EXPECT_EQ(ReadFileBytes(f.Dir / "Albums_A.dex"), f.Golden("Albums_A.dex"));
}

TEST(Lists, AStoreThatDidNotOpenDropsNoArtistOrCategoryAsUnused) {
  TListFolder f;
  const std::string artists = f.Golden("Artists.dex");
  const std::string categories = f.Golden("Categories.dex");
  WriteFileBytes(f.Dir / "Music.dex", "");
  WriteFileBytes(f.Dir / "Music.dax", "");
  TDMM2 dm(f.Dir.Path());
  dm.FormCreate();
  TCatList cats(f.Dir.Path());
  cats.LoadFromFile(CategoriesName, nullptr);
  cats.SetStore(dm.MyDB());
  // The title index is held by another program: the store stays closed.
  WhileHeld(f.Dir / "Music.dex",
            [&] { EXPECT_ANY_THROW(dm.MyDB()->Open(f.Dir.Path() + "Music")); });
  EXPECT_FALSE(dm.MyDB()->Loaded());
  EXPECT_FALSE(cats.RemoveUnused());
  cats.SaveToFile();
  dm.FormClose();
  EXPECT_EQ(ReadFileBytes(f.Dir / "Artists.dex"), artists);
  // Every category is still there (the file may have been written again, with its references 0).
  ExpectSameBut(ReadFileBytes(f.Dir / "Categories.dex"), categories, CatRecSize);
}

namespace {

// The names in a list file of records of size n, read from the file's layout: a length byte and
// the text, 16 bytes into each record.
std::vector<std::string> NamesInFile(const std::string& path, size_t n) {
  std::string bytes = ReadFileBytes(path);
  std::vector<std::string> names;
  for (size_t at = 0; at + n <= bytes.size(); at += n)
    names.push_back(bytes.substr(at + 17, static_cast<unsigned char>(bytes[at + 16])));
  return names;
}

} // namespace

TEST(Lists, RenamesAndDeletionsOfAlbumsAndCategoriesReachTheFilesAtOnce) {
  TScratchDir dir("lists");
  TFakeCategoryArea catArea;
  TCatList cats(dir.Path());
  cats.LoadFromFile("Categories", &catArea);
  int32_t pop = cats.FindOrAddCategory("Pop");
  int32_t rock = cats.FindOrAddCategory("Rock");
  cats.RenameCategory(pop, "Pop Classics");
  std::vector<std::string> names = NamesInFile(dir / "Categories.dex", 72);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Pop Classics", "Rock"}));
  cats.DeleteCategory(rock);
  EXPECT_EQ(NamesInFile(dir / "Categories.dex", 72), std::vector<std::string>{"Pop Classics"});

  TAlbList albums(dir.Path());
  albums.LoadFromFile("Albums", nullptr);
  int32_t road = albums.FindOrAddAlbum("Road");
  int32_t night = albums.FindOrAddAlbum("Night");
  EXPECT_EQ(NamesInFile(dir / "Albums_A.dex", 76), (std::vector<std::string>{"Night", "Road"}));
  albums.RenameAlbum(road, "Highway");
  EXPECT_EQ(NamesInFile(dir / "Albums_A.dex", 76), (std::vector<std::string>{"Highway", "Night"}));
  // A batch writes once, after its changes: nothing before it ends.
  albums.Batch([&] {
    albums.DeleteAlbum(night);
    EXPECT_EQ(NamesInFile(dir / "Albums_A.dex", 76),
              (std::vector<std::string>{"Highway", "Night"}));
  });
  EXPECT_EQ(NamesInFile(dir / "Albums_A.dex", 76), std::vector<std::string>{"Highway"});
}
