// The title editor over a real catalogue, worked through its boxes and buttons: what it shows for
// one and for several titles, what OK hands over and files, what it refuses, and the deletion of
// titles from the play pop-up.
#include <gtest/gtest.h>
#include <windows.h>
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "EditCommands.h"
#include "MasterProbe.h"
#include "EditingChecks.h"
#include "MainWindowFixture.h"
#include "ModalScript.h"
#include "StandInSequencer.h"
#include "SysUtils.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include "DragDrop.h"
#include "AdderCodeD2.h"
#include "DataCodeD2.h"
#include "MainViews.h"

namespace {

class TitleEditor : public TMainWindowFixture {
protected:
  TitleEditor() : TMainWindowFixture("tbtitleed") {}
  TEndingSequencer FSeq;
  TModalScript FScript;
  std::vector<TBoxSeen> FBoxes;

  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
  }
  TTuneRec Record(int32_t key) {
    TTuneRec rec;
    EXPECT_TRUE(FForm->DMM2()->MyDB()->FindById(key, rec)) << key;
    return rec;
  }
  std::string ArtistsFile() { return ReadFileBytes(FDir / "Artists.dex"); }
  // Selects the titles' rows in the all-titles grid and runs the Titles menu's Edit.
  void EditFromAllTitles(std::vector<int32_t> keys) {
    TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
    Probe(FForm).Categories()->SetActivePageIndex(0);
    grid.ClearSelection();
    for (int32_t key : keys) {
      int row = RowOfKey(grid, key);
      ASSERT_GT(row, 0) << key;
      grid.SetRowSelected(row, true);
    }
    Probe(FForm).Item("Edit1")->Click();
  }
  TTunePage* CategoryPage(const std::string& name) {
    for (auto& page : FForm->CategoryArea().Pages())
      if (Trim(page->Sheet()->Caption()) == name) return page.get();
    return nullptr;
  }
  static TTuneAdder& Adder(TForm& f) { return dynamic_cast<TTuneAdder&>(f); }
};

TEST_F(TitleEditor, OneTitleShownAsItIsAndEnterMovesOnToOK) {
  Start();
  const int32_t key = FCat.Keys[1];
  const TTuneRec before = Record(key);
  const std::string artists = ArtistsFile();
  struct {
    std::string Caption, Selection, Title, Artist, Category;
    bool TitleEnabled = false, TitleFocused = false, ArtistFocused = false, CategoryFocused = false;
    int Width = 0, Height = 0, ArtistItems = 0;
    std::string LastArtistItem;
  } seen;
  TBitmap shot;
  FAnswers.Push(FScript.Run({
      [&](TForm& f) {
        TTuneAdder& a = Adder(f);
        seen.Caption = a.Caption();
        seen.Width = a.ClientWidth();
        seen.Height = a.ClientHeight();
        seen.Selection = a.Label2->Caption();
        seen.Title = a.TitleEdit->Text();
        seen.TitleEnabled = a.TitleEdit->Enabled();
        seen.Artist = a.Artists->Text();
        seen.Category = a.Categories->Text();
        seen.ArtistItems = a.Artists->Items().Count();
        seen.LastArtistItem = a.Artists->Items()[seen.ArtistItems - 1];
        seen.TitleFocused = HasFocus(*a.TitleEdit);
        CaptureWindow(a.Handle(), shot);
        PressKey(GetFocus(), VK_RETURN);
      },
      [&](TForm& f) {
        seen.ArtistFocused = HasFocus(*Adder(f).Artists);
        PressKey(GetFocus(), VK_RETURN);
      },
      [&](TForm& f) {
        seen.CategoryFocused = HasFocus(*Adder(f).Categories);
        PressKey(GetFocus(), VK_RETURN); // acts as OK
      },
  }));
  EditFromAllTitles({key});
  SaveShot(shot, "title_editor_single.bmp");
  EXPECT_EQ(seen.Caption, " MIDI Selection Information");
  EXPECT_EQ(seen.Width, 408);
  EXPECT_EQ(seen.Height, 255);
  EXPECT_EQ(seen.Selection, before.Title);
  EXPECT_EQ(seen.Title, before.Title);
  EXPECT_TRUE(seen.TitleEnabled);
  EXPECT_EQ(seen.Artist, "Body, Some");
  EXPECT_EQ(seen.Category, "Jazz");
  EXPECT_EQ(seen.ArtistItems, 1) << "no placeholder for one title";
  EXPECT_EQ(seen.LastArtistItem, "Body, Some");
  EXPECT_TRUE(seen.TitleFocused);
  EXPECT_TRUE(seen.ArtistFocused);
  EXPECT_TRUE(seen.CategoryFocused);
  EXPECT_TRUE(FForm->EditCommands().Adder().OKPressed());
  // OK on what it showed changes nothing: the shown artist is found, not added again.
  const TTuneRec after = Record(key);
  EXPECT_EQ(after.PerformerKey, before.PerformerKey);
  EXPECT_EQ(after.CategoryKey, before.CategoryKey);
  EXPECT_EQ(after.Title, before.Title);
  EXPECT_EQ(ArtistsFile(), artists);
  EXPECT_EQ(FAnswers.Unanswered(), 0);
  CloseAndWait();
}

TEST_F(TitleEditor, TypedArtistIsFiledBeforeTheWindowClosesAndTheRowsMove) {
  Start();
  const int32_t key = FCat.Keys[1]; // in "Jazz"
  std::string artistsAtOK;
  bool openAtOK = false;
  FAnswers.Push(FScript.Run({
      [&](TForm& f) {
        TTuneAdder& a = Adder(f);
        TypeInto(a.TitleEdit->Handle(), "Evening Song");
        TypeInto(ComboEdit(*a.Artists), "Doe,   John ");
        a.Categories->SetItemIndex(a.Categories->Items().IndexOf("Folk"));
      },
      [&](TForm& f) {
        TTuneAdder& a = Adder(f);
        ClickButton(*a.OKBB);
        openAtOK = a.Modal();
        artistsAtOK = ArtistsFile();
      },
  }));
  EditFromAllTitles({key});
  EXPECT_TRUE(openAtOK);
  EXPECT_NE(artistsAtOK.find(std::string("\x04John", 5)), std::string::npos);
  EXPECT_NE(artistsAtOK.find(std::string("\x03"
                                         "Doe",
                                         4)),
            std::string::npos);
  const TTuneRec rec = Record(key);
  EXPECT_EQ(rec.Title, "Evening Song");
  EXPECT_EQ(rec.LastName, "Doe");
  EXPECT_EQ(rec.FirstName, "John");
  EXPECT_EQ(rec.CategoryName, "Folk");
  // The row left the "Jazz" page for the "Folk" page, and both summaries count again.
  TTunePage* folk = CategoryPage("Folk");
  TTunePage* jazz = CategoryPage("Jazz");
  ASSERT_TRUE(folk && jazz);
  EXPECT_GT(RowOfKey(*folk->GridControl(), key), 0);
  EXPECT_EQ(RowOfKey(*jazz->GridControl(), key), -1);
  EXPECT_EQ(folk->Summary()->Caption().substr(0, 8), "3 titles");
  EXPECT_EQ(jazz->Summary()->Caption().substr(0, 7), "1 title");
  int row = RowOfKey(*Probe(FForm).AllCatGrid(), key);
  ASSERT_GT(row, 0);
  EXPECT_EQ(Probe(FForm).AllCatGrid()->Objects(row)->Title, "Evening Song");
  CloseAndWait();
}

TEST_F(TitleEditor, TheSelectionFollowsTheEditedTitleToItsNewRow) {
  Start();
  TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
  Probe(FForm).Categories()->SetActivePageIndex(0);
  grid.SortByColumn(2); // by title
  const int32_t key = grid.Objects(1)->MasterKey;
  const int32_t below = grid.Objects(2)->MasterKey; // moves up into row 1
  // The user clicks the first row and edits it from the Titles menu.
  RECT r = grid.CellRect(1, 1);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(grid.Handle(), WM_LBUTTONUP, 0, at);
  ProcessMessages();
  FAnswers.Push(FScript.Run({
      [&](TForm& f) { TypeInto(Adder(f).TitleEdit->Handle(), "Zzz last of all"); },
      [&](TForm& f) { ClickButton(*Adder(f).OKBB); },
  }));
  Probe(FForm).Item("Edit1")->Click();
  ProcessMessages();
  ASSERT_EQ(Record(key).Title, "Zzz last of all");
  ASSERT_EQ(RowOfKey(grid, key), grid.RowCount() - 1) << "sorted last by its new title";
  ASSERT_EQ(RowOfKey(grid, below), 1);
  auto selectedKeys = [&] {
    TStringList keys;
    grid.GetSelectedKeys(keys);
    std::vector<std::string> out;
    for (int i = 0; i < keys.Count(); ++i)
      out.push_back(keys[i]);
    return out;
  };
  const std::vector<std::string> edited{IntToStr(key)};
  EXPECT_EQ(selectedKeys(), edited);
  // The next drag, at once, carries the edited title alone.
  BeginDrag(&grid);
  std::vector<std::string> dragged;
  for (int i = 0; i < Probe(FForm).DragList().Count(); ++i)
    dragged.push_back(Probe(FForm).DragList()[i]);
  CancelDrag();
  EXPECT_EQ(dragged, edited);
  // The focus leaves the grid and comes back: still the edited title, not the row it left.
  Probe(FForm).AllAlbLV()->SetFocus();
  ProcessMessages();
  grid.SetFocus();
  ProcessMessages();
  EXPECT_EQ(selectedKeys(), edited);
  CloseAndWait();
}

TEST_F(TitleEditor, SeveralTitlesShowTheCommonArtistAndKeepEachCategory) {
  Start();
  const auto& k = FCat.Keys; // k0 and k2 in "Folk", k1 in "Jazz", all by "Body, Some"
  const std::string artists = ArtistsFile();
  struct {
    std::string Selection, Title, Artist, Category, LastArtist, LastCategory;
    bool TitleEnabled = true;
  } seen;
  TBitmap shot;
  FAnswers.Push(FScript.Run({[&](TForm& f) {
    TTuneAdder& a = Adder(f);
    seen.Selection = a.Label2->Caption();
    seen.Title = a.TitleEdit->Text();
    seen.TitleEnabled = a.TitleEdit->Enabled();
    seen.Artist = a.Artists->Text();
    seen.Category = a.Categories->Text();
    seen.LastArtist = a.Artists->Items()[a.Artists->Items().Count() - 1];
    seen.LastCategory = a.Categories->Items()[a.Categories->Items().Count() - 1];
    CaptureWindow(a.Handle(), shot);
    ClickButton(*a.OKBB);
  }}));
  EditFromAllTitles({k[0], k[1], k[2]});
  SaveShot(shot, "title_editor_several.bmp");
  EXPECT_EQ(seen.Selection, "3 titles to be assigned an artist and a category");
  EXPECT_EQ(seen.Title, "Not applicable");
  EXPECT_FALSE(seen.TitleEnabled);
  EXPECT_EQ(seen.Artist, "Body, Some");
  EXPECT_EQ(seen.LastArtist, "<No common artists>");
  EXPECT_EQ(seen.LastCategory, "<No common categories>");
  // No common category: its placeholder is chosen, and hands over "keep each one's own".
  EXPECT_EQ(seen.Category, "<No common categories>");
  EXPECT_EQ(FForm->EditCommands().AddCategoryKey(), -99);
  EXPECT_EQ(Record(k[0]).CategoryName, "Folk");
  EXPECT_EQ(Record(k[1]).CategoryName, "Jazz");
  EXPECT_EQ(Record(k[2]).CategoryName, "Folk");
  for (int32_t key : {k[0], k[1], k[2]})
    EXPECT_EQ(Record(key).LastName, "Body");
  EXPECT_EQ(ArtistsFile(), artists);
  CloseAndWait();
}

TEST_F(TitleEditor, BlankNamesAreRefusedAndATypedArtistWithoutCategoryCancels) {
  Start();
  const int32_t key = FCat.Keys[0];
  const TTuneRec before = Record(key);
  const std::string artists = ArtistsFile();
  const int categories = FForm->CatList()->Count();
  bool openAfterBlankCategory = false, openAfterBlankArtist = false;
  FAnswers.Push(FScript.Run({
      [&](TForm& f) {
        TTuneAdder& a = Adder(f);
        a.Artists->SetItemIndex(0); // from the list
        TypeInto(ComboEdit(*a.Categories), "   ");
        ClickButton(*a.OKBB);
      },
      [&](TForm& f) {
        TTuneAdder& a = Adder(f);
        openAfterBlankCategory = a.Modal() && a.ModalResult() == mrNone;
        TypeInto(ComboEdit(*a.Artists), " , ");
        TypeInto(ComboEdit(*a.Categories), "Folk");
        ClickButton(*a.OKBB);
      },
      [&](TForm& f) {
        TTuneAdder& a = Adder(f);
        openAfterBlankArtist = a.Modal() && a.ModalResult() == mrNone;
        ClickButton(*a.CancelBB);
      },
  }));
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  EditFromAllTitles({key});
  EXPECT_TRUE(openAfterBlankCategory);
  EXPECT_TRUE(openAfterBlankArtist);
  ASSERT_EQ(FBoxes.size(), 2u);
  EXPECT_NE(FBoxes[0].Text.find("category"), std::string::npos);
  EXPECT_NE(FBoxes[1].Text.find("artist"), std::string::npos);
  EXPECT_FALSE(FForm->EditCommands().Adder().OKPressed());

  // A typed artist with no category closes as cancelled and adds nothing.
  FAnswers.Push(FScript.Run({[&](TForm& f) {
    TTuneAdder& a = Adder(f);
    TypeInto(ComboEdit(*a.Artists), "Newman, Ann");
    TypeInto(ComboEdit(*a.Categories), "");
    ClickButton(*a.OKBB);
  }}));
  EditFromAllTitles({key});
  EXPECT_FALSE(FForm->EditCommands().Adder().OKPressed());
  // Nor does a typed category with nothing typed for the artist: the cancel comes first.
  FAnswers.Push(FScript.Run({[&](TForm& f) {
    TTuneAdder& a = Adder(f);
    TypeInto(ComboEdit(*a.Artists), "  ");
    TypeInto(ComboEdit(*a.Categories), "Brand New");
    ClickButton(*a.OKBB);
  }}));
  EditFromAllTitles({key});
  EXPECT_FALSE(FForm->EditCommands().Adder().OKPressed());
  EXPECT_EQ(FForm->CatList()->FindCategory("Brand New"), 0);
  EXPECT_EQ(ArtistsFile(), artists);
  EXPECT_EQ(FForm->CatList()->Count(), categories);
  for (int i = 0; i < FForm->CatList()->Count(); ++i)
    EXPECT_FALSE(Trim(FForm->CatList()->Items(i).Name).empty());
  const TTuneRec after = Record(key);
  EXPECT_EQ(after.PerformerKey, before.PerformerKey);
  EXPECT_EQ(after.CategoryKey, before.CategoryKey);
  EXPECT_EQ(FAnswers.Unanswered(), 0);
  CloseAndWait();
}

TEST_F(TitleEditor, LastItemsOfOneTitlesListsHandTheirKeys) {
  Start();
  const int32_t zappa = FForm->DMM2()->PerfList()->FindOrAddPerformer("Zed", "Zappa");
  const int32_t jazz = FForm->CatList()->FindCategory("Jazz");
  const int32_t key = FCat.Keys[0]; // "Folk", by "Body, Some"
  FAnswers.Push(FScript.Run({[&](TForm& f) {
    TTuneAdder& a = Adder(f);
    a.Artists->SetItemIndex(a.Artists->Items().Count() - 1);
    a.Categories->SetItemIndex(a.Categories->Items().Count() - 1);
    ClickButton(*a.OKBB);
  }}));
  EditFromAllTitles({key});
  EXPECT_EQ(FForm->EditCommands().AddArtistKey(), zappa);
  EXPECT_EQ(FForm->EditCommands().AddCategoryKey(), jazz);
  EXPECT_EQ(Record(key).LastName, "Zappa");
  EXPECT_EQ(Record(key).CategoryKey, jazz);
  CloseAndWait();
}

TEST_F(TitleEditor, EditingThePlayingTitleChangesWhatTheDisplayShows) {
  Start();
  const int32_t key = FCat.Keys[1];
  Probe(FForm).DragList().Add(IntToStr(key));
  FForm->SetDragSource(false, true);
  FForm->PlayCommands().PlayTClick(nullptr);
  ASSERT_EQ(FForm->Road().MasterKeyPlaying(), key);
  FAnswers.Push(FScript.Run({[&](TForm& f) {
    TTuneAdder& a = Adder(f);
    TypeInto(a.TitleEdit->Handle(), "  Blue Hour ");
    TypeInto(ComboEdit(*a.Artists), "Doe, John");
    ClickButton(*a.OKBB);
  }}));
  // From the play pop-up's Edit, as a grid's double click offers it.
  Probe(FForm).DragList().Add(IntToStr(key));
  FForm->SetDragSource(false, true);
  Probe(FForm).Item("Edit2")->Click();
  EXPECT_EQ(FForm->Road().TitleText(), "Blue Hour");
  EXPECT_EQ(FForm->Road().ArtistText(), "John Doe");
  EXPECT_EQ(FForm->Road().CategoryText(), "Jazz");
  CloseAndWait();
}

TEST_F(TitleEditor, DeletingFromThePlayPopUpAsksAndClearsEveryTrace) {
  Start();
  const auto& k = FCat.Keys; // album "Evening" holds k0 and k3
  TProgram& program = FForm->Road().Program();
  // A title as long as a record holds: the question still ends with its closing quote.
  TTuneRec longOne = Record(k[1]);
  ASSERT_TRUE(FForm->DMM2()->ChangeTune(k[1], true, longOne.PerformerKey, longOne.CategoryKey,
                                        std::string(200, 'x')));
  Probe(FForm).DragList().Add(IntToStr(k[1]));
  FForm->SetDragSource(false, true);
  FAnswers.Push(RecordBox(mrCancel, FBoxes));
  Probe(FForm).Item("Delete5")->Click();
  ASSERT_EQ(FBoxes.size(), 1u);
  const std::string tail = "\" from the database and all albums?";
  EXPECT_EQ(FBoxes[0].Text, "Permanently delete \"" + std::string(125, 'x') + tail);
  EXPECT_LE(FBoxes[0].Text.size(), 180u);
  EXPECT_EQ(FBoxes[0].Caption, "Confirm");
  EXPECT_EQ(FBoxes[0].Ids, (std::vector<int>{IDOK, IDCANCEL}));
  EXPECT_EQ(FBoxes[0].HelpContext, 0);
  Record(k[1]);                    // Cancel: still there
  Probe(FForm).DragList().Clear(); // as the pop-up does once it closes

  // k1 plays, k0 and k3 wait in the program; deleting k0 and k3 leaves k1 playing.
  Probe(FForm).DragList().Add(IntToStr(k[1]));
  Probe(FForm).DragList().Add(IntToStr(k[0]));
  Probe(FForm).DragList().Add(IntToStr(k[3]));
  FForm->SetDragSource(false, true);
  FForm->PlayCommands().PlayTClick(nullptr);
  ASSERT_EQ(FForm->Road().MasterKeyPlaying(), k[1]);
  ASSERT_EQ(program.Count(), 3);
  Probe(FForm).DragList().Add(IntToStr(k[0]));
  Probe(FForm).DragList().Add(IntToStr(k[3]));
  FForm->SetDragSource(false, true);
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  Probe(FForm).Item("Delete5")->Click();
  ASSERT_EQ(FBoxes.size(), 2u);
  EXPECT_EQ(FBoxes[1].Text, "Permanently delete 2 titles from the database and all albums?");
  TTuneRec gone;
  for (int32_t key : {k[0], k[3]}) {
    EXPECT_FALSE(FForm->DMM2()->MyDB()->FindById(key, gone)) << key;
    EXPECT_EQ(RowOfKey(*Probe(FForm).AllCatGrid(), key), -1);
    for (auto& page : FForm->CategoryArea().Pages())
      EXPECT_EQ(RowOfKey(*page->GridControl(), key), -1);
    for (auto& page : FForm->AlbumArea().Pages())
      EXPECT_EQ(RowOfKey(*page->GridControl(), key), -1);
  }
  ASSERT_EQ(program.Count(), 1);
  EXPECT_EQ(program.Keys(0), k[1]);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), k[1]);
  EXPECT_EQ(FForm->Road().Mode(), mdPlaying);
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());
  CloseAndWait();
}

} // namespace
