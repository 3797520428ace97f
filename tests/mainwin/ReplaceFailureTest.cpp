// Album and category changes whose list file cannot be replaced (a read-only file under Windows):
// the user is told which file, the former file stays byte for byte, and the program carries on.
#include <gtest/gtest.h>
#include <windows.h>
#include "DataCodeD2.h"
#include "FileOps.h"
#include "MainWindowFixture.h"
#include "ModalScript.h"
#include "RenamerCodeD2.h"
#include "StandInSequencer.h"

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

class ReplaceFailure : public TMainWindowFixture {
protected:
  ReplaceFailure() : TMainWindowFixture("tbreplace") {}
  TEndingSequencer FSeq;
  TModalScript FScript;
  std::vector<TBoxSeen> FBoxes;

  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
  }
  void Name(const std::string& name) {
    FAnswers.Push(FScript.Run({[name](TForm& f) {
      auto& r = dynamic_cast<TRenamer&>(f);
      TypeInto(r.Edit1->Handle(), name);
      ClickButton(*r.BitBtn1);
    }}));
  }
  void Box() { FAnswers.Push(RecordBox(mrOk, FBoxes)); }
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
};

TEST_F(ReplaceFailure, AnAlbumMadeAndFilledIsToldOfEachTimeKeepsTheFilesAndIsWrittenLater) {
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
    Box();
    ClickButton(*Probe(FForm).NewAlb());
    ASSERT_EQ(FBoxes.size(), 1u);
    ExpectToldOf(FBoxes[0], albumFile);
    morning = albums.FindAlbum("Morning");
    ASSERT_NE(morning, 0) << "the new album stays in the window";

    Box();
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

TEST_F(ReplaceFailure, ANewCategoryIsToldOfKeptInTheWindowAndWrittenLater) {
  Start();
  const std::string file = FDir / "Categories.dex";
  const std::string bytes = ReadFileBytes(file);
  {
    TRefusedReplace refused;
    Name("Blues");
    Box();
    Box(); // the note that follows a new category
    Probe(FForm).Createnew2()->Click();
    ASSERT_EQ(FBoxes.size(), 2u);
    ExpectToldOf(FBoxes[0], file);
    EXPECT_NE(FForm->CatList()->FindCategory("Blues"), 0);
    EXPECT_EQ(ReadFileBytes(file), bytes);
    EXPECT_FALSE(FileExists(file + ".new"));
  }
  // The next change writes what the failed save could not.
  Name("Soul");
  Box();
  Probe(FForm).Createnew2()->Click();
  EXPECT_EQ(FBoxes.size(), 3u);
  const std::string written = ReadFileBytes(file);
  EXPECT_NE(written.find("Blues"), std::string::npos);
  EXPECT_NE(written.find("Soul"), std::string::npos);
  CloseAndWait();
}

} // namespace
