// Creating, renaming and deleting categories, albums and titles from the menus over a real
// catalogue: each command's questions and what it changes; the files left at shutdown are read
// again by tests/checks/mainwin_editing.py. A change whose file cannot be replaced is told and
// leaves the former file.
#include <gtest/gtest.h>
#include <windows.h>
#include <fstream>
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "MasterProbe.h"
#include "EditingChecks.h"
#include "MainWindowFixture.h"
#include "ModalScript.h"
#include "StandInSequencer.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "AdderCodeD2.h"
#include "DataCodeD2.h"
#include "FileOps.h"
#include "MainViews.h"
#include "RenamerCodeD2.h"

namespace {

// The final rename of every safe replace refused, as Windows refuses it over a read-only file.
bool RefuseRename(const std::string&, const std::string&) {
  SetLastError(ERROR_ACCESS_DENIED);
  return false;
}

struct TRefusedReplace {
  TRenameOverFunc Former = SetRenameOverFunc(RefuseRename);
  ~TRefusedReplace() { SetRenameOverFunc(Former); }
};

class Organise : public TMainWindowFixture {
protected:
  Organise() : TMainWindowFixture("tborganise") {}
  TEndingSequencer FSeq;
  TModalScript FScript;
  std::vector<TBoxSeen> FBoxes;

  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
  }
  // The name dialog answered with a name typed and OK; proposal gets what it offered.
  void Name(const std::string& name, std::string* proposal = nullptr) {
    FAnswers.Push(FScript.Run({[name, proposal](TForm& f) {
      auto& r = dynamic_cast<TRenamer&>(f);
      if (proposal) *proposal = r.Edit1->Text();
      TypeInto(r.Edit1->Handle(), name);
      ClickButton(*r.BitBtn1);
    }}));
  }
  void Box(int answer) { FAnswers.Push(RecordBox(answer, FBoxes)); }
  void ShowCategory(const std::string& name) {
    for (auto& page : FForm->CategoryArea().Pages())
      if (Trim(page->Sheet()->Caption()) == name) {
        Probe(FForm).Categories()->SetActivePage(page->Sheet());
        return;
      }
    ADD_FAILURE() << name;
  }
  void ShowAlbum(int index) { Probe(FForm).Albums()->SetActivePageIndex(index + 1); }
  bool InStore(int32_t key) {
    TTuneRec rec;
    return FForm->DMM2()->MyDB()->FindById(key, rec);
  }
  std::vector<int> ProgramKeys() {
    std::vector<int> keys;
    TProgram& p = FForm->Road().Program();
    for (int i = 0; i < p.Count(); ++i)
      keys.push_back(p.Keys(i));
    return keys;
  }
  void PutInProgram(std::vector<int32_t> keys) {
    for (int32_t key : keys)
      Probe(FForm).DragList().Add(IntToStr(key));
    FForm->SetDragSource(false, true);
    FForm->PlayCommands().PlayBClick(nullptr);
  }
  void SelectRows(TMyStringGrid& grid, std::vector<int32_t> keys) {
    grid.ClearSelection();
    for (int32_t key : keys) {
      int row = RowOfKey(grid, key);
      ASSERT_GT(row, 0) << key;
      grid.SetRowSelected(row, true);
    }
  }
  // The box told of this file and that it was kept.
  static void ExpectToldOf(const TBoxSeen& box, const std::string& path) {
    const std::string start = "Cannot save \"" + path + "\": ";
    EXPECT_EQ(box.Text.substr(0, start.size()), start) << box.Text;
    const std::string end = "The file is kept as it was.";
    ASSERT_GE(box.Text.size(), end.size());
    EXPECT_EQ(box.Text.substr(box.Text.size() - end.size()), end) << box.Text;
  }
  void AddToAlbum(int32_t album, std::vector<int32_t> keys) {
    TAlbList& albums = *Probe(FForm).AlbList();
    Probe(FForm).Albums()->SetActivePageIndex(albums.PageIndexOfKey(album));
    TStringList list;
    for (int32_t key : keys)
      list.Add(IntToStr(key));
    albums.AddTitlesToAlbum(Probe(FForm).Albums(), 0, 0, list);
  }
  static void ExpectBox(const TBoxSeen& box, const std::string& caption, const std::string& text,
                        std::vector<int> ids) {
    EXPECT_EQ(box.Caption, caption);
    EXPECT_EQ(box.Text, text);
    EXPECT_EQ(box.Ids, ids);
    EXPECT_EQ(box.HelpContext, 0);
  }
};

TEST_F(Organise, OnAllCategoriesRenameAndDeleteOnlyExplain) {
  Start();
  Probe(FForm).Categories()->SetActivePageIndex(0);
  const int categories = FForm->CatList()->Count();
  Box(mrOk);
  Probe(FForm).Item("Renameexisting1")->Click();
  Box(mrOk);
  Probe(FForm).Item("Activecategory4")->Click();
  ASSERT_EQ(FBoxes.size(), 2u);
  ExpectBox(FBoxes[0], "Information", "\"ALL CATEGORIES\" is not a renameable single category",
            {IDOK});
  ExpectBox(FBoxes[1], "Information", "\"ALL CATEGORIES\" is not a delete-able single category!",
            {IDOK});
  // The rename without the notice does nothing there; the delete a dropped tab reaches explains.
  Probe(FForm).Item("Renamealbum2")->Click();
  Box(mrOk);
  Probe(FForm).Item("Deletecategory1")->Click();
  ASSERT_EQ(FBoxes.size(), 3u);
  EXPECT_EQ(FBoxes[2].Text, FBoxes[1].Text);
  EXPECT_EQ(FForm->CatList()->Count(), categories);
  for (int32_t key : FCat.Keys)
    EXPECT_TRUE(InStore(key));
  CloseAndWait();
}

TEST_F(Organise, RenamingOntoAnotherCategorysNameMerges) {
  Start();
  const int32_t folk = FForm->CatList()->FindCategory("Folk");
  ShowCategory("Jazz");
  std::string proposal;
  Name("Folk", &proposal);
  Probe(FForm).Item("Rename2")->Click();
  EXPECT_EQ(proposal, "Jazz");
  EXPECT_EQ(FForm->CatList()->FindCategory("Jazz"), 0);
  ASSERT_EQ(FForm->CatList()->Count(), 1);
  for (int32_t key : FCat.Keys) {
    TTuneRec rec;
    ASSERT_TRUE(FForm->DMM2()->MyDB()->FindById(key, rec));
    EXPECT_EQ(rec.CategoryKey, folk);
  }
  ASSERT_EQ(FForm->CategoryArea().Pages().size(), 1u);
  EXPECT_EQ(FForm->CategoryArea().Pages()[0]->GridControl()->TuneCount(), 4);
  CloseAndWait();
}

TEST_F(Organise, AlbumsAreMadeRenamedAndDeletedAllOnlyAfterTwoYeses) {
  Start();
  TAlbList& albums = *Probe(FForm).AlbList();
  Name("Morning");
  ClickButton(*Probe(FForm).NewAlb());
  ASSERT_EQ(albums.Count(), 2);
  const int32_t evening = albums.FindAlbum("Evening");
  ShowAlbum(0);
  std::string proposal;
  Name("Night", &proposal);
  Probe(FForm).Item("Rename3")->Click();
  EXPECT_EQ(proposal, "Evening");
  // The album keeps its key under the new name (the list is kept in name order as it is saved).
  EXPECT_EQ(albums.FindAlbum("Night"), evening);
  EXPECT_EQ(albums.FindAlbum("Evening"), 0);
  EXPECT_TRUE(Probe(FForm).AlbumsInUse());

  // All albums: Cancel at the first question, Abort at the second, then Yes and OK.
  Box(mrCancel);
  Probe(FForm).Item("Allalbums4")->Click();
  Box(mrYes);
  Box(mrAbort);
  Probe(FForm).Item("Allalbums8")->Click();
  EXPECT_EQ(albums.Count(), 2);
  ASSERT_EQ(FBoxes.size(), 3u);
  ExpectBox(FBoxes[0], "Warning", "Are you sure you want to delete all 2 albums?",
            {IDYES, IDCANCEL});
  ExpectBox(FBoxes[2], "Warning", "Deletion of all 2 albums will proceed!", {IDOK, IDABORT});

  // One album: its question, then it is gone and its titles stay in the catalogue.
  ShowAlbum(1);
  Box(mrOk);
  Probe(FForm).Item("Albumselected3")->Click();
  ASSERT_EQ(FBoxes.size(), 4u);
  ExpectBox(FBoxes[3], "Confirm", "Permanently delete album \"Morning\"?", {IDOK, IDCANCEL});
  ASSERT_EQ(albums.Count(), 1);
  EXPECT_EQ(albums.Items(0).Name, "Night");

  Box(mrYes);
  Box(mrOk);
  Probe(FForm).Item("Allalbums4")->Click();
  EXPECT_EQ(albums.Count(), 0);
  EXPECT_EQ(FForm->AlbumArea().Pages().size(), 0u);
  EXPECT_EQ(Probe(FForm).SelectedAlbumKeys().Count(), 0);
  for (int32_t key : FCat.Keys)
    EXPECT_TRUE(InStore(key));
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());
  CloseAndWait();
}

TEST_F(Organise, OneTitleTakenOutOfAnAlbumGetsTheSingularQuestion) {
  Start();
  const auto& k = FCat.Keys;
  ShowAlbum(0);
  TMyStringGrid& grid = *FForm->AlbumArea().Pages()[0]->GridControl();
  SelectRows(grid, {k[0]});
  Box(mrCancel);
  Probe(FForm).Item("Titlesselected19")->Click();
  EXPECT_GT(RowOfKey(grid, k[0]), 0) << "Cancel keeps it";
  SelectRows(grid, {k[0], k[3]});
  Box(mrCancel);
  Probe(FForm).Item("Titlesselected3")->Click();
  SelectRows(grid, {k[0]});
  Box(mrOk);
  Probe(FForm).Item("Titlesselected3")->Click();
  ASSERT_EQ(FBoxes.size(), 3u);
  ExpectBox(FBoxes[0], "Information", "Delete this title from album \"Evening\"?",
            {IDOK, IDCANCEL});
  EXPECT_EQ(FBoxes[1].Text, "Delete these 2 titles from album \"Evening\"?");
  EXPECT_EQ(RowOfKey(grid, k[0]), -1);
  EXPECT_GT(RowOfKey(grid, k[3]), 0);
  EXPECT_TRUE(InStore(k[0]));
  CloseAndWait();
}

TEST_F(Organise, DeletedCategoryLeavesEveryAlbumAndTheProgram) {
  Start();
  const auto& k = FCat.Keys; // "Folk": k0, k2; album "Evening": k0, k3
  PutInProgram({k[1], k[0], k[2], k[3]});
  ASSERT_EQ(FForm->Road().MasterKeyPlaying(), k[1]);
  ShowCategory("Folk");
  Box(mrCancel);
  Probe(FForm).Item("Activecategory1")->Click();
  EXPECT_TRUE(InStore(k[0]));
  Box(mrOk);
  Box(mrCancel);
  Probe(FForm).Item("Activecategory1")->Click();
  EXPECT_TRUE(InStore(k[0]));
  Box(mrOk);
  Box(mrOk);
  Probe(FForm).Item("Activecategory4")->Click();
  ASSERT_EQ(FBoxes.size(), 5u);
  ExpectBox(FBoxes[0], "Confirm", "Permanently delete all \"Folk\" titles from the database?",
            {IDOK, IDCANCEL});
  ExpectBox(FBoxes[2], "Warning", "All \"FOLK\" titles will be deleted!", {IDOK, IDCANCEL});
  EXPECT_FALSE(InStore(k[0]));
  EXPECT_FALSE(InStore(k[2]));
  EXPECT_EQ(FForm->CatList()->FindCategory("Folk"), 0);
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{k[1], k[3]}));
  TMyStringGrid& album = *FForm->AlbumArea().Pages()[0]->GridControl();
  EXPECT_EQ(RowOfKey(album, k[0]), -1);
  EXPECT_GT(RowOfKey(album, k[3]), 0);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), k[1]);
  CloseAndWait();
}

TEST_F(Organise, TitlesDeletedFromTheCatalogueLeaveTheProgramSoAReusedKeyIsNotPlayed) {
  Start();
  const auto& k = FCat.Keys;
  const int32_t highest = k[3];
  PutInProgram({k[0], highest});
  SelectRows(*Probe(FForm).AllCatGrid(), {highest});
  Probe(FForm).Categories()->SetActivePageIndex(0);
  Box(mrAbort);
  Probe(FForm).Item("Titlesselected6")->Click();
  EXPECT_TRUE(InStore(highest));
  Box(mrOk);
  Probe(FForm).Item("Titleselected1")->Click();
  ASSERT_EQ(FBoxes.size(), 2u);
  ExpectBox(FBoxes[0], "Warning",
            "Permanently delete these 1 titles from the database and all albums?", {IDOK, IDABORT});
  EXPECT_FALSE(InStore(highest));
  EXPECT_EQ(ProgramKeys(), std::vector<int>{k[0]});
  // The next title added gets the deleted key again; the program does not name it.
  EXPECT_EQ(FForm->DMM2()->MyDB()->NextKey(), highest);
  EXPECT_EQ(RowOfKey(*Probe(FForm).AllCatGrid(), highest), -1);
  CloseAndWait();
}

TEST_F(Organise, TheTitlesMenusDeleteFollowsTheAreaLastClicked) {
  Start();
  const auto& k = FCat.Keys;
  auto click = [&](TMyStringGrid& grid, int32_t key) {
    int row = RowOfKey(grid, key);
    ASSERT_GT(row, 0) << key;
    RECT r = grid.CellRect(1, row);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(grid.Handle(), WM_LBUTTONUP, 0, at);
    ProcessMessages();
  };
  ShowAlbum(0);
  TMyStringGrid& album = *FForm->AlbumArea().Pages()[0]->GridControl();
  click(album, k[3]);
  EXPECT_TRUE(Probe(FForm).AlbumsInUse());
  Box(mrOk);
  Probe(FForm).Item("Delete4")->Click(); // albums: out of the album only
  EXPECT_EQ(RowOfKey(album, k[3]), -1);
  EXPECT_TRUE(InStore(k[3]));
  click(*Probe(FForm).AllCatGrid(), k[1]);
  EXPECT_TRUE(Probe(FForm).CategoriesInUse());
  EXPECT_EQ(Probe(FForm).SelectedCategoryKeys().Count(), 1);
  Box(mrCancel);
  Probe(FForm).Item("Delete4")->Click(); // categories: from the catalogue, after the question
  ASSERT_EQ(FBoxes.size(), 2u);
  EXPECT_EQ(FBoxes[0].Text, "Delete this title from album \"Evening\"?");
  EXPECT_EQ(FBoxes[1].Text.substr(0, 20), "Permanently delete \"");
  EXPECT_TRUE(InStore(k[1]));
  CloseAndWait();
}

// Changes of every kind, then a shutdown; the checker reads the files left behind.
TEST_F(Organise, FilesAfterShutdownHoldEveryChange) {
  Start();
  const auto& k = FCat.Keys;
  // k1: new title, a typed new artist and a typed new category.
  Probe(FForm).DragList().Add(IntToStr(k[1]));
  FForm->SetDragSource(false, true);
  FAnswers.Push(FScript.Run({[](TForm& f) {
    auto& a = dynamic_cast<TTuneAdder&>(f);
    TypeInto(a.TitleEdit->Handle(), "Evening Song");
    TypeInto(ComboEdit(*a.Artists), "Doe, John");
    TypeInto(ComboEdit(*a.Categories), "Bossa");
    ClickButton(*a.OKBB);
  }}));
  Probe(FForm).Item("Edit2")->Click();
  // k0 and k2: the artist shown, untouched, on two titles at once: no second "Body, Some".
  SelectRows(*Probe(FForm).AllCatGrid(), {k[0], k[2]});
  Probe(FForm).Categories()->SetActivePageIndex(0);
  FAnswers.Push(FScript.Run({[](TForm& f) { ClickButton(*dynamic_cast<TTuneAdder&>(f).OKBB); }}));
  Probe(FForm).Item("Edit1")->Click();
  // "Jazz" (now k3 alone) becomes "Cool Jazz"; album "Evening" becomes "Night"; a new "Morning".
  ShowCategory("Jazz");
  Name("Cool Jazz");
  Probe(FForm).Item("Renameexisting1")->Click();
  ShowAlbum(0);
  Name("Night");
  Probe(FForm).Item("Rename1")->Click();
  Name("Morning");
  Probe(FForm).Item("Createnew3")->Click();
  // k2 leaves the catalogue.
  Probe(FForm).Categories()->SetActivePageIndex(0);
  SelectRows(*Probe(FForm).AllCatGrid(), {k[2]});
  Box(mrOk);
  Probe(FForm).Item("Titlesselected6")->Click();
  EXPECT_EQ(FAnswers.Unanswered(), 0);
  CloseAndWait();

  const std::string dir = EditingCheckDir();
  for (const char* name :
       {"Categories.dex", "Artists.dex", "Albums_A.dex", "Albums_AT.dex", "Music.dex"})
    WriteFileBytes(dir + name, ReadFileBytes(FDir / name));
  std::ofstream keys(dir + "keys.txt");
  for (int32_t key : k)
    keys << key << "\n";
}

// A user's change whose list file cannot be replaced (read-only under Windows).
TEST_F(Organise, AnAlbumMadeAndFilledIsToldOfEachTimeKeepsTheFilesAndIsWrittenLater) {
  Start();
  const std::string albumFile = FDir / "Albums_A.dex";
  const std::string titlesFile = FDir / "Albums_AT.dex";
  const std::string albumBytes = ReadFileBytes(albumFile);
  const std::string titlesBytes = ReadFileBytes(titlesFile);
  ASSERT_FALSE(albumBytes.empty());
  TAlbList& albums = *Probe(FForm).AlbList();
  const auto& k = FCat.Keys; // album "Evening": k0, k3
  int32_t morning = 0;
  {
    TRefusedReplace refused;
    Name("Morning");
    Box(mrOk);
    ClickButton(*Probe(FForm).NewAlb());
    ASSERT_EQ(FBoxes.size(), 1u);
    ExpectToldOf(FBoxes[0], albumFile);
    morning = albums.FindAlbum("Morning");
    ASSERT_NE(morning, 0) << "the new album stays in the window";

    Box(mrOk);
    AddToAlbum(morning, {k[1], k[2]});
    ASSERT_EQ(FBoxes.size(), 2u) << "one box for the one change";
    ExpectToldOf(FBoxes[1], albumFile);
    TStringList rows;
    albums.Grid(albums.IndexOfKey(morning))->GetAllKeys(rows);
    EXPECT_EQ(rows.Count(), 2);

    EXPECT_EQ(ReadFileBytes(albumFile), albumBytes);
    EXPECT_EQ(ReadFileBytes(titlesFile), titlesBytes);
    EXPECT_FALSE(FileExists(albumFile + ".new"));
    EXPECT_FALSE(FileExists(titlesFile + ".new"));
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_TRUE(Probe(FForm).CommandsEnabled());
  }

  // The next change writes the album and every title given to it meanwhile.
  AddToAlbum(morning, {k[3]});
  EXPECT_EQ(FBoxes.size(), 2u);
  EXPECT_EQ(FAnswers.Unanswered(), 0);
  EXPECT_NE(ReadFileBytes(albumFile).find("Morning"), std::string::npos);
  // Five rows of 2 + 3 titles, and both albums.
  EXPECT_EQ(ReadFileBytes(titlesFile).size(), 5u * TuneRecSize);
  TAlbList reread(FDir.Path());
  reread.LoadFromFile("Albums", nullptr);
  EXPECT_EQ(reread.Count(), 2);
  CloseAndWait();
}

TEST_F(Organise, ANewCategoryIsToldOfKeptInTheWindowAndWrittenLater) {
  Start();
  const std::string file = FDir / "Categories.dex";
  const std::string bytes = ReadFileBytes(file);
  {
    TRefusedReplace refused;
    Name("Blues");
    Box(mrOk);
    Box(mrOk); // the note that follows a new category
    Probe(FForm).Item("Createnew2")->Click();
    ASSERT_EQ(FBoxes.size(), 2u);
    ExpectToldOf(FBoxes[0], file);
    EXPECT_NE(FForm->CatList()->FindCategory("Blues"), 0);
    EXPECT_EQ(ReadFileBytes(file), bytes);
    EXPECT_FALSE(FileExists(file + ".new"));
  }
  // The next change writes what the failed save could not.
  Name("Soul");
  Box(mrOk);
  Probe(FForm).Item("Createnew2")->Click();
  EXPECT_EQ(FBoxes.size(), 3u);
  const std::string written = ReadFileBytes(file);
  EXPECT_NE(written.find("Blues"), std::string::npos);
  EXPECT_NE(written.find("Soul"), std::string::npos);
  CloseAndWait();
}

} // namespace
