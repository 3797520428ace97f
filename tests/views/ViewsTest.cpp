// The catalogue shown by category and album on real tab pages, grids and the album summary list:
// pages, rows and summary lines after a start, and renames, merges, deletions and drops reaching
// the store and the list files.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "DataCodeD2.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "ExtProgressBar.h"
#include "Forms.h"
#include "MainViews.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

class TRecordingHost : public TStoreHost {
public:
  std::vector<std::string> Messages;
  void ShowPlainMessage(const std::string& text) override { Messages.push_back(text); }
};

// Twelve titles in "Twelve" (3725 seconds and 1,234,567 bytes in all), one of 999 bytes in
// "One", none in "None", and the album "Best" with two titles of "Twelve" and "Mix" with one.
void PrepareStore(const std::string& folder, std::vector<int32_t>& twelve, int32_t& single) {
  ForceDirectories(folder + "TempZips\\");
  TDMM2 dm(folder);
  dm.FormCreate();
  TCatList cats(folder);
  cats.LoadFromFile(CategoriesName, nullptr);
  cats.SetStore(dm.MyDB());
  TAlbList albums(folder);
  albums.LoadFromFile(AlbumsName, nullptr);
  albums.SetStore(dm.MyDB());
  dm.MyDB()->SetCatList(&cats);
  dm.MyDB()->SetAlbList(&albums);
  dm.MyDB()->Open(folder + "Music");
  int32_t catTwelve = cats.FindOrAddCategory("Twelve");
  int32_t catOne = cats.FindOrAddCategory("One");
  cats.FindOrAddCategory("None");
  int32_t artist = dm.PerfList()->FindOrAddPerformer("Some", "Body");
  std::vector<std::string> files = CorpusFiles("mma");
  ASSERT_GE(files.size(), 13u);
  TTuneFiles zipper;
  auto add = [&](size_t i, int32_t category, int32_t seconds, int32_t size) {
    std::string zip = folder + "TempZips\\t" + std::to_string(i) + ".zip";
    // The stored file has the size its record gives (the store checks the archive's header):
    // the corpus file's bytes, repeated or cut to that size.
    std::string body, source = ReadFileBytes(files[i]);
    while (body.size() < static_cast<size_t>(size))
      body += source;
    body.resize(static_cast<size_t>(size));
    std::string sized = folder + "TempZips\\t" + std::to_string(i) + ".mid";
    WriteFileBytes(sized, body);
    EXPECT_TRUE(zipper.ZipOneFile(sized, zip));
    int32_t key = 0;
    EXPECT_TRUE(dm.AddTune(zip, "Title " + std::to_string(i), Now(), true, Now(), seconds, 0, size,
                           artist, category, "MIDI", files[i], &key));
    return key;
  };
  twelve.clear();
  for (size_t i = 0; i < 12; ++i)
    twelve.push_back(add(i, catTwelve, i < 11 ? 310 : 315, i < 11 ? 102880 : 102887));
  single = add(12, catOne, 300, 999);
  cats.SaveToFile();
  // Albums as the program stores them: the album file and the album titles file.
  std::string albumBytes(2 * AlbRecSize, '\0');
  TAlbRec best, mix;
  best.Key = 1;
  best.Name = "Best";
  mix.Key = 2;
  mix.Name = "Mix";
  EncodeAlbRec(best, reinterpret_cast<uint8_t*>(albumBytes.data()));
  EncodeAlbRec(mix, reinterpret_cast<uint8_t*>(albumBytes.data()) + AlbRecSize);
  WriteFileBytes(albums.AlbumPath(), albumBytes);
  std::string titles;
  for (auto [key, album] : {std::pair{twelve[0], 1}, {twelve[1], 1}, {single, 2}}) {
    TTuneRec rec;
    EXPECT_TRUE(dm.MyDB()->FindById(key, rec));
    rec.AlbumKey = album;
    uint8_t bytes[TuneRecSize];
    EncodeTuneRec(rec, bytes);
    titles.append(reinterpret_cast<const char*>(bytes), TuneRecSize);
  }
  WriteFileBytes(albums.TitlesPath(), titles);
  dm.MyDB()->Close();
}

// The two tab areas of the main window on a form of their own, over the prepared store.
class Views : public testing::Test {
protected:
  TScratchDir FDir{"tbviews"};
  std::vector<int32_t> FTwelve;
  int32_t FSingle = 0;
  TRecordingHost FHost;
  TForm* FForm = nullptr;
  TExtPageControl *FCats = nullptr, *FAlbs = nullptr;
  TExtListView* FList = nullptr;
  TMyStringGrid* FAll = nullptr;
  TPanel* FAllSummary = nullptr;
  std::unique_ptr<TMainCategoryArea> FCatArea;
  std::unique_ptr<TMainAlbumArea> FAlbArea;
  std::unique_ptr<TDMM2> FDm;
  std::unique_ptr<TCatList> FCatList;
  std::unique_ptr<TAlbList> FAlbList;

  void SetUp() override {
    PrepareStore(FDir.Path(), FTwelve, FSingle);
    if (HasFatalFailure()) return;
    FForm = new TForm(nullptr);
    FForm->SetBounds(20, 20, 900, 600);
    FAlbs = new TExtPageControl(FForm);
    FAlbs->SetBounds(0, 0, 300, 560);
    FAlbs->SetParent(FForm);
    auto* albPage = new TTabSheet(FForm);
    albPage->SetPageControl(FAlbs);
    albPage->SetCaption("ALL ALBUMS");
    FList = new TExtListView(FForm);
    FList->SetParent(albPage);
    FList->SetAlign(alClient);
    FList->AddColumn("Name", 90);
    FList->AddColumn("Titles", 45, taCenter);
    FList->AddColumn("Duration", 55, taCenter);
    FCats = new TExtPageControl(FForm);
    FCats->SetBounds(300, 0, 590, 560);
    FCats->SetParent(FForm);
    auto* allPage = new TTabSheet(FForm);
    allPage->SetPageControl(FCats);
    allPage->SetCaption("ALL CATEGORIES   ");
    FCats->TabHints().Add("View all titles");
    FAllSummary = new TPanel(FForm);
    FAllSummary->SetParent(allPage);
    FAllSummary->SetAlign(alTop);
    FAll = new TMyStringGrid(FForm);
    FAll->SetParent(allPage);
    FAll->SetAlign(alClient);
    SetupGridColumns(*FAll,
                     {"Category", "Artist", "Title", "Duration", "Type", "Size", "Date stamp",
                      "Origin", "Date obtained"},
                     {3, 4, 5, 6, 8});
    auto* progress = new TExtProgressBar(FForm);
    progress->SetParent(FForm);
    progress->SetVisible(false);
    FCatArea = std::make_unique<TMainCategoryArea>(FForm, FCats, FAll, FAllSummary, progress);
    FAlbArea = std::make_unique<TMainAlbumArea>(FForm, FAlbs, FList);
    FForm->Show();
    ProcessMessages();
    Load();
  }

  // What the main window does at start-up.
  void Load() {
    FDm = std::make_unique<TDMM2>(FDir.Path(), &FHost);
    FDm->FormCreate();
    TMyDB* db = FDm->MyDB();
    FCatList = std::make_unique<TCatList>(FDir.Path());
    FAlbList = std::make_unique<TAlbList>(FDir.Path());
    FCatList->LoadFromFile(CategoriesName, FCatArea.get());
    FCatList->SetStore(db);
    db->SetCatList(FCatList.get());
    FAlbList->SetStore(db);
    db->SetAlbList(FAlbList.get());
    db->Open(FDir.Path() + "Music");
    db->FillGrid();
    FAlbList->LoadFromFile(AlbumsName, FAlbArea.get());
    ProcessMessages();
  }

  void TearDown() override {
    if (FDm && FDm->MyDB()) FDm->MyDB()->Close();
    FCatArea.reset();
    FAlbArea.reset();
    delete FForm;
    ProcessMessages();
  }

  TTunePage* CatPage(const std::string& name) {
    int i = FCatList->IndexOfKey(FCatList->FindCategory(name));
    return i < 0 ? nullptr : FCatArea->PageOf(FCatList->Items(i).View);
  }
  TTunePage* AlbPage(const std::string& name) {
    int i = FAlbList->IndexOfKey(FAlbList->FindAlbum(name));
    return i < 0 ? nullptr : FAlbArea->PageOf(FAlbList->Items(i).View);
  }
  std::vector<std::string> TabCaptions(TExtPageControl* pages) {
    std::vector<std::string> out;
    for (int i = 0; i < pages->PageCount(); ++i)
      out.push_back(pages->Pages(i)->Caption());
    return out;
  }
  // The names the list files hold now, read back as the next start would.
  std::vector<std::string> StoredCategories() {
    TCatList again(FDir.Path());
    again.LoadFromFile(CategoriesName, nullptr);
    std::vector<std::string> out;
    for (int i = 0; i < again.Count(); ++i)
      out.push_back(again.Items(i).Name);
    return out;
  }
  std::vector<int32_t> AlbumKeys(TTunePage* page) {
    TStringList keys;
    page->Grid().GetAllKeys(keys);
    std::vector<int32_t> out;
    for (int i = 0; i < keys.Count(); ++i)
      out.push_back(StrToInt(keys[i]));
    return out;
  }
  // A point inside an album's line of the summary list.
  POINT LinePoint(TTunePage* page) {
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(FList->Handle(), LVM_GETITEMRECT, page->ListItem()->Index(),
                 reinterpret_cast<LPARAM>(&r));
    return {r.left + 5, (r.top + r.bottom) / 2};
  }
};

TEST_F(Views, AStartShowsAPagePerCategoryAndAlbumWithTheirRowsAndSummaryLines) {
  ASSERT_EQ(FCats->PageCount(), 4);
  EXPECT_EQ(TabCaptions(FCats)[0], "ALL CATEGORIES   ");
  ASSERT_TRUE(CatPage("Twelve") && CatPage("One") && CatPage("None"));
  EXPECT_EQ(CatPage("Twelve")->Sheet()->Caption(), "Twelve   ");
  int page = CatPage("One")->Sheet()->PageIndex();
  EXPECT_EQ(FCats->TabHints()[page], "View all \"One\" titles");
  EXPECT_EQ(FCats->TabHints()[0], "View all titles");

  EXPECT_EQ(FAll->TuneCount(), 13);
  EXPECT_EQ(CatPage("Twelve")->GridControl()->TuneCount(), 12);
  EXPECT_EQ(CatPage("Twelve")->Summary()->Caption(), "12 titles  ---  1:02:05  ---  1,235kb");
  EXPECT_EQ(CatPage("One")->Summary()->Caption(), "1 title  ---  5:00  ---  1kb");
  EXPECT_EQ(CatPage("None")->Summary()->Caption(), "0 titles  ---  0:00  ---  0kb");
  EXPECT_EQ(FAllSummary->Caption(), "13 titles  ---  1:07:05  ---  1,236kb");
  // A category grid has no category column; the all-titles grid shows it first.
  EXPECT_EQ(CatPage("Twelve")->GridControl()->Cells(0, 0), "Artist");
  EXPECT_EQ(FAll->Cells(0, 0), "Category");

  ASSERT_EQ(FAlbs->PageCount(), 3);
  ASSERT_EQ(FList->ItemCount(), 2);
  TTunePage* best = AlbPage("Best");
  ASSERT_TRUE(best);
  EXPECT_EQ(best->Sheet()->Caption(), "Best     ");
  EXPECT_EQ(best->ListItem()->Caption(), "Best");
  EXPECT_EQ(best->ListItem()->SubItems(0), "2");
  EXPECT_EQ(best->ListItem()->SubItems(1), "10:20");
  EXPECT_EQ(best->Summary()->Caption(), "2 titles  ---  10:20  ---  206kb");
  EXPECT_EQ(AlbPage("Mix")->Summary()->Caption(), "1 title  ---  5:00  ---  1kb");
  EXPECT_EQ(best->GridControl()->Cells(0, 0), "Artist");
  EXPECT_EQ(best->GridControl()->ColCount(), 3);
}

TEST_F(Views, ActivePagesAndAlbumLinesDecideWhichKeysCommandsCarry) {
  // The all-titles page: no active category, the all-titles grid is the active one.
  EXPECT_EQ(FCatList->ActiveIndex(), -1);
  EXPECT_EQ(FCatList->ActiveGrid(), &FCatArea->AllTitlesGrid());
  FCats->SetActivePage(CatPage("One")->Sheet());
  ASSERT_GE(FCatList->ActiveIndex(), 0);
  EXPECT_EQ(FCatList->Items(FCatList->ActiveIndex()).Name, "One");
  EXPECT_EQ(FCatList->PageIndexOfKey(FCatList->FindCategory("One")),
            CatPage("One")->Sheet()->PageIndex());

  // "ALL ALBUMS" with no line selected: no active album, no keys.
  TStringList keys;
  EXPECT_EQ(FAlbList->ActiveIndex(), -1);
  EXPECT_EQ(FAlbList->GetActiveAlbumKeys(keys), 0);
  EXPECT_EQ(FAlbList->ActiveAlbumName(), "");
  // Selecting both lines: every title of both albums, album by album.
  AlbPage("Best")->ListItem()->SetSelected(true);
  AlbPage("Mix")->ListItem()->SetSelected(true);
  EXPECT_EQ(FAlbList->GetSelectedKeys(keys), 3);
  EXPECT_EQ(FAlbList->GetAllKeys(keys), 3);
  EXPECT_EQ(StrToInt(keys[2]), FSingle);
  // A double click on a line brings up that album's page; there the selected rows count.
  AlbPage("Mix")->ListItem()->SetSelected(false);
  FAlbList->ShowSelectedAlbumTab();
  EXPECT_EQ(FAlbs->ActivePage(), AlbPage("Best")->Sheet());
  EXPECT_EQ(FAlbList->ActiveAlbumName(), "Best");
  TMyStringGrid* grid = AlbPage("Best")->GridControl();
  grid->ClearSelection();
  grid->SetRowSelected(2, true);
  EXPECT_EQ(FAlbList->GetSelectedKeys(keys), 1);
  EXPECT_EQ(StrToInt(keys[0]), FTwelve[1]);
  EXPECT_EQ(FAlbList->GetActiveAlbumKeys(keys), 2);
}

TEST_F(Views, RenamingACategoryRelabelsItOrMergesItIntoTheOneWithThatName) {
  int32_t twelve = FCatList->FindCategory("Twelve");
  // Another letter case is another name: only a relabel.
  FCatList->RenameCategory(twelve, "twelve");
  EXPECT_EQ(FCats->PageCount(), 4);
  EXPECT_EQ(CatPage("twelve")->Sheet()->Caption(), "  twelve  ");
  EXPECT_EQ(FCats->TabHints()[CatPage("twelve")->Sheet()->PageIndex()],
            "View all \"twelve\" titles");
  TTuneRec rec;
  ASSERT_TRUE(FDm->MyDB()->FindById(FTwelve[3], rec));
  EXPECT_EQ(rec.CategoryName, "twelve");
  int row = FAll->FindKeyRow(FTwelve[3]);
  EXPECT_EQ(FAll->Cells(0, row), "twelve");

  // The exact name of another category: the titles move there and the page goes.
  int32_t one = FCatList->FindCategory("One");
  FCatList->RenameCategory(twelve, "One");
  EXPECT_EQ(FCats->PageCount(), 3);
  EXPECT_EQ(FCatList->FindCategory("twelve"), 0);
  EXPECT_EQ(FCats->ActivePageIndex(), 0);
  EXPECT_EQ(CatPage("One")->Summary()->Caption(), "13 titles  ---  1:07:05  ---  1,236kb");
  ASSERT_TRUE(FDm->MyDB()->FindById(FTwelve[3], rec));
  EXPECT_EQ(rec.CategoryKey, one);
  EXPECT_EQ(FAll->Cells(0, FAll->FindKeyRow(FTwelve[3])), "One");
  EXPECT_EQ(FCats->TabHints().Count(), 3);
  FCatList->SaveToFile();
  EXPECT_EQ(StoredCategories(), (std::vector<std::string>{"None", "One"}));
}

TEST_F(Views, DeletingACategoryTakesItsTitlesOutOfEveryGridAndTheStore) {
  std::vector<int32_t> told;
  FCats->SetActivePage(CatPage("Twelve")->Sheet());
  FCatList->DeleteActiveCategory([&](int32_t key) { told.push_back(key); });
  EXPECT_EQ(told.size(), 12u);
  EXPECT_EQ(FCats->PageCount(), 3);
  EXPECT_EQ(FCats->ActivePageIndex(), 0);
  EXPECT_EQ(FCats->TabHints().Count(), 3);
  EXPECT_EQ(FAll->TuneCount(), 1);
  EXPECT_EQ(FAllSummary->Caption(), "1 title  ---  5:00  ---  1kb");
  TTuneRec rec;
  EXPECT_FALSE(FDm->MyDB()->FindById(FTwelve[0], rec));
  // "Best" held two of them: it is empty now but stays.
  EXPECT_EQ(AlbPage("Best")->GridControl()->TuneCount(), 0);
  EXPECT_EQ(AlbPage("Best")->ListItem()->SubItems(0), "0");
  EXPECT_EQ(AlbPage("Mix")->GridControl()->TuneCount(), 1);
  // Deleting single titles reaches the album grids too.
  TStringList keys;
  keys.Add(IntToStr(FSingle));
  FCatList->DeleteTitles(keys);
  EXPECT_EQ(FAll->TuneCount(), 0);
  EXPECT_EQ(AlbPage("Mix")->Summary()->Caption(), "0 titles  ---  0:00  ---  0kb");
  EXPECT_EQ(CatPage("One")->Summary()->Caption(), "0 titles  ---  0:00  ---  0kb");
}

TEST_F(Views, AlbumsAreFoundOnceAndRenamedOrMergedIgnoringCase) {
  // A padded, over-long name is stored trimmed and cut, and found again as such.
  std::string longName = "  " + std::string(50, 'x') + "  ";
  int32_t key = FAlbList->FindOrAddAlbum(longName);
  EXPECT_EQ(FAlbList->FindOrAddAlbum(longName), key);
  EXPECT_EQ(FAlbList->FindOrAddAlbum("best"), 1);
  EXPECT_EQ(FAlbList->Count(), 3);
  EXPECT_EQ(FList->ItemCount(), 3);
  EXPECT_EQ(FAlbList->Items(FAlbList->IndexOfKey(key)).Name, std::string(40, 'x'));

  FAlbList->RenameAlbum(1, "BEST");
  EXPECT_EQ(AlbPage("BEST")->Sheet()->Caption(), "  BEST       ");
  EXPECT_EQ(AlbPage("BEST")->ListItem()->Caption(), "BEST");
  // "mix" is "Mix": its titles join "BEST" behind its own, and "Mix" goes.
  FAlbList->RenameAlbum(2, "best");
  EXPECT_EQ(FAlbList->IndexOfKey(2), -1);
  EXPECT_EQ(FList->ItemCount(), 2);
  EXPECT_EQ(AlbumKeys(AlbPage("BEST")), (std::vector<int32_t>{FTwelve[0], FTwelve[1], FSingle}));
  EXPECT_EQ(AlbPage("BEST")->ListItem()->SubItems(0), "3");
  FAlbList->SaveToFile();

  // The next start sees the merged album; deleting an album leaves its titles in the catalogue.
  TAlbList again(FDir.Path());
  again.LoadFromFile(AlbumsName, nullptr);
  ASSERT_EQ(again.Count(), 2);
  std::string titles = ReadFileBytes(again.TitlesPath());
  ASSERT_EQ(titles.size(), 3u * TuneRecSize);
  TTuneRec last = DecodeTuneRec(reinterpret_cast<const uint8_t*>(titles.data()) + 2 * TuneRecSize);
  EXPECT_EQ(last.MasterKey, FSingle);
  EXPECT_EQ(last.AlbumKey, 1);
  FAlbList->DeleteAlbum(1);
  EXPECT_EQ(FList->ItemCount(), 1);
  EXPECT_EQ(FAlbs->PageCount(), 2);
  EXPECT_EQ(FAll->TuneCount(), 13);
}

TEST_F(Views, TitlesDroppedOnAnAlbumLineOrPageJoinThatAlbum) {
  TStringList keys;
  keys.Add(IntToStr(FTwelve[5]));
  keys.Add(IntToStr(FTwelve[6]));
  TTunePage* mix = AlbPage("Mix");
  POINT p = LinePoint(mix);
  FAlbList->AddTitlesToAlbum(FList, p.x, p.y, keys);
  EXPECT_EQ(AlbumKeys(mix), (std::vector<int32_t>{FSingle, FTwelve[5], FTwelve[6]}));
  EXPECT_EQ(mix->ListItem()->SubItems(0), "3");
  // The line's last column (its duration) is the line too.
  RECT last{LVIR_BOUNDS, 2, 0, 0};
  ASSERT_TRUE(SendMessageA(FList->Handle(), LVM_GETSUBITEMRECT, mix->ListItem()->Index(),
                           reinterpret_cast<LPARAM>(&last)));
  TStringList seventh;
  seventh.Add(IntToStr(FTwelve[7]));
  FAlbList->AddTitlesToAlbum(FList, last.left + 3, (last.top + last.bottom) / 2, seventh);
  EXPECT_EQ(mix->ListItem()->SubItems(0), "4");
  EXPECT_TRUE(FHost.Messages.empty());
  // Below the last line there is no album.
  FAlbList->AddTitlesToAlbum(FList, p.x, 500, keys);
  EXPECT_EQ(FHost.Messages, (std::vector<std::string>{"Targeted album not found"}));
  // On the album's page without a drop row: at the top, selected. The same title may stand twice.
  FAlbs->SetActivePage(mix->Sheet());
  TStringList one;
  one.Add(IntToStr(FSingle));
  FAlbList->AddTitlesToAlbum(mix->GridControl(), 10, 10, one);
  EXPECT_EQ(AlbumKeys(mix),
            (std::vector<int32_t>{FSingle, FSingle, FTwelve[5], FTwelve[6], FTwelve[7]}));
  EXPECT_TRUE(mix->GridControl()->IsRowSelected(1));
  // Removing the selected titles from the album takes them from it alone.
  FAlbList->RemoveSelectedFromActive(keys);
  EXPECT_EQ(AlbumKeys(mix), (std::vector<int32_t>{FSingle, FSingle, FTwelve[7]}));
  EXPECT_EQ(FAll->TuneCount(), 13);
}

} // namespace

namespace {

TEST_F(Views, ThePageThatGoesHandsOverToTheFirstPageAsAChange) {
  int changes = 0;
  FCats->OnChange = [&](TObject*) { ++changes; };
  FAlbs->OnChange = [&](TObject*) { ++changes; };
  // Hidden tabs do not shift which category or album a page stands for.
  CatPage("None")->Sheet()->SetTabVisible(false);
  FCats->SetActivePage(CatPage("Twelve")->Sheet());
  ASSERT_GE(FCatList->ActiveIndex(), 0);
  EXPECT_EQ(FCatList->Items(FCatList->ActiveIndex()).Name, "Twelve");
  changes = 0;
  FCatList->DeleteActiveCategory();
  EXPECT_EQ(FCats->ActivePageIndex(), 0);
  EXPECT_GE(changes, 1);

  // A selected line brings its album's hidden tab back, and a drop there finds it.
  AlbPage("Mix")->Sheet()->SetTabVisible(false);
  AlbPage("Mix")->ListItem()->SetSelected(true);
  FAlbList->ShowSelectedAlbumTab();
  EXPECT_TRUE(AlbPage("Mix")->Sheet()->TabVisible());
  EXPECT_EQ(FAlbList->DropTargetIndex(AlbPage("Mix")->GridControl(), 0, 0),
            FAlbList->IndexOfKey(2));
  changes = 0;
  FAlbList->DeleteActiveAlbum();
  EXPECT_EQ(FAlbs->ActivePageIndex(), 0);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(FAlbList->IndexOfKey(2), -1);
}

// The lists over the store alone, with no pages, as a tool that prepares a catalogue uses them.
TEST(ListsWithoutPages, MergesMoveTitlesAndNewAlbumsKeepTheAlbumTitles) {
  TScratchDir dir{"tbnopages"};
  std::vector<int32_t> twelve;
  int32_t single = 0;
  PrepareStore(dir.Path(), twelve, single);
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  TDMM2 dm(dir.Path());
  dm.FormCreate();
  TCatList cats(dir.Path());
  cats.LoadFromFile(CategoriesName, nullptr);
  cats.SetStore(dm.MyDB());
  TAlbList albums(dir.Path());
  albums.LoadFromFile(AlbumsName, nullptr);
  albums.SetStore(dm.MyDB());
  dm.MyDB()->SetCatList(&cats);
  dm.MyDB()->SetAlbList(&albums);
  dm.MyDB()->Open(dir.Path() + "Music");

  int32_t one = cats.FindCategory("One");
  cats.RenameCategory(cats.FindCategory("Twelve"), "One");
  EXPECT_EQ(cats.FindCategory("Twelve"), 0);
  EXPECT_EQ(dm.MyDB()->LiveCount(), 13);
  TTuneRec rec;
  ASSERT_TRUE(dm.MyDB()->FindById(twelve[7], rec));
  EXPECT_EQ(rec.CategoryKey, one);

  // A new album rewrites the album files at once; the titles of the others stay.
  int32_t fresh = albums.FindOrAddAlbum("Fresh");
  EXPECT_EQ(ReadFileBytes(albums.TitlesPath()).size(), 3u * TuneRecSize);
  // "mix" merges into "Best" behind its own titles.
  albums.RenameAlbum(2, "best");
  albums.SaveToFile();
  std::string titles = ReadFileBytes(albums.TitlesPath());
  ASSERT_EQ(titles.size(), 3u * TuneRecSize);
  std::vector<std::pair<int32_t, int32_t>> stored;
  for (size_t at = 0; at < titles.size(); at += TuneRecSize) {
    TTuneRec r = DecodeTuneRec(reinterpret_cast<const uint8_t*>(titles.data()) + at);
    stored.emplace_back(r.MasterKey, r.AlbumKey);
  }
  EXPECT_EQ(stored, (std::vector<std::pair<int32_t, int32_t>>{
                        {twelve[0], 1}, {twelve[1], 1}, {single, 1}}));
  EXPECT_EQ(albums.IndexOfKey(2), -1);
  EXPECT_GE(albums.IndexOfKey(fresh), 0);
  dm.MyDB()->Close();
}

} // namespace

namespace {

TEST(ListsWithoutPages, AlbumRowsWhoseTitleIsGoneOrReplacedAreLeftOutAtLoad) {
  TScratchDir dir{"tbalbrows"};
  std::vector<int32_t> twelve;
  int32_t single = 0;
  PrepareStore(dir.Path(), twelve, single);
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  TDMM2 dm(dir.Path());
  dm.FormCreate();
  dm.MyDB()->Open(dir.Path() + "Music");
  // The album titles as a program that ended early left them: a title deleted since, and a key
  // now carried by another title.
  std::string titles = ReadFileBytes(dir / "Albums_AT.dex");
  TTuneRec gone, reused;
  ASSERT_TRUE(dm.MyDB()->FindById(twelve[4], gone));
  gone.MasterKey = 99999;
  gone.AlbumKey = 1;
  ASSERT_TRUE(dm.MyDB()->FindById(twelve[5], reused));
  reused.Crc ^= 0x5A5A5A5Au;
  reused.AlbumKey = 2;
  for (const TTuneRec& r : {gone, reused}) {
    uint8_t bytes[TuneRecSize];
    EncodeTuneRec(r, bytes);
    titles.append(reinterpret_cast<const char*>(bytes), TuneRecSize);
  }
  WriteFileBytes(dir / "Albums_AT.dex", titles);

  TAlbList albums(dir.Path());
  albums.SetStore(dm.MyDB());
  albums.LoadFromFile(AlbumsName, nullptr);
  albums.SaveToFile();
  EXPECT_EQ(ReadFileBytes(dir / "Albums_AT.dex").size(), 3u * TuneRecSize);
  dm.MyDB()->Close();
}

} // namespace
