// The play pop-up over a real catalogue: a grid's double click and Enter put the selected titles
// into the program, at once when nothing plays, at the top, the bottom or in place of the program
// when the user chooses so; the step buttons move through it.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "MasterProbe.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "DataCodeD2.h"
#include "MailHandOff.h"
#include "MainWindowFixture.h"
#include "StandInSequencer.h"
#include "HourGlass.h"
#include "MainViews.h"

namespace {

const std::vector<std::string> PlayChoices = {"PLAY: &Top of program", "PLAY: &Bottom of program",
                                              "PLAY: &Replace program", "&Cancel"};

class PlayPopUp : public TMainWindowFixture {
protected:
  PlayPopUp() : TMainWindowFixture("tbpopup") {}
  // The machine has no MIDI output: the titles "play" on a stand-in sequencer.
  TEndingSequencer FSeq;
  // The user at the pop-up: what each showing offered, and the item chosen (nullptr: none).
  std::vector<std::vector<std::string>> FShown;
  TMenuItem* FChoice = nullptr;
  std::function<void()> FWhileOpen;

  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
    TPopupMenu::SetPopupHook([this](TPopupMenu& menu) -> TMenuItem* {
      std::vector<std::string> visible;
      for (int i = 0; i < menu.Items().Count(); ++i)
        if (menu.Items().Items(i)->Visible()) visible.push_back(menu.Items().Items(i)->Caption());
      FShown.push_back(visible);
      if (FWhileOpen) FWhileOpen();
      return FChoice;
    });
  }
  void TearDown() override {
    TPopupMenu::SetPopupHook(nullptr);
    TMainWindowFixture::TearDown();
  }
  TProgram& Program() { return FForm->Road().Program(); }
  std::vector<int> ProgramKeys() {
    std::vector<int> keys;
    for (int i = 0; i < Program().Count(); ++i)
      keys.push_back(Program().Keys(i));
    return keys;
  }
  int KeyPlaying() { return FForm->Road().MasterKeyPlaying(); }
  std::string PlayFileBytes() { return ReadFileBytes(FDir / "AInternal.MID"); }
  // Two clicks on the title's row, as the mouse sends them.
  void DoubleClick(TMyStringGrid& grid, int32_t key) {
    int row = RowOfKey(grid, key);
    ASSERT_GT(row, 0) << key;
    RECT r = grid.CellRect(1, row);
    ASSERT_LT(r.left, r.right) << "row " << row << " is not in view";
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(grid.Handle(), WM_LBUTTONUP, 0, at);
    SendMessageA(grid.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(grid.Handle(), WM_LBUTTONUP, 0, at);
  }
  // Enter on a selection of titles; answers their keys in row order.
  std::vector<int> PressEnter(TMyStringGrid& grid, std::vector<int32_t> keys) {
    std::vector<int> rows;
    for (int32_t key : keys)
      rows.push_back(RowOfKey(grid, key));
    std::sort(rows.begin(), rows.end());
    grid.ClearSelection();
    for (int row : rows)
      grid.SetRowSelected(row, true);
    grid.SetRow(rows.front());
    SendMessageA(grid.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    std::vector<int> inRowOrder;
    for (int row : rows)
      inRowOrder.push_back(grid.Objects(row)->MasterKey);
    return inRowOrder;
  }
  // The grids' pop-up: the play choices and the title commands that have their action.
  std::vector<std::string> AllCaptions() {
    std::vector<std::string> all = PlayChoices;
    for (TMenuItem* item : {Probe(FForm).Item("Edit2"), Probe(FForm).Item("Delete5"),
                            Probe(FForm).Item("Mail4"), Probe(FForm).Item("Save2")})
      if (item->OnClick && (item != Probe(FForm).Item("Mail4") || MailWindowLink()))
        all.push_back(item->Caption());
    return all;
  }
};

// A mail window that takes nothing in: only its being there matters here.
class TQuietMail : public TMailWindowLink {
public:
  void SetMailCaption(const std::string&) override {}
  void ShowMailWindow() override {}
  void SetMailStatus(const std::string&) override {}
  void AttachTitles(const TStringList&) override {}
};

TEST_F(PlayPopUp, WithoutAProgramTheTitlesPlayAtOnce) {
  Start();
  TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
  const auto& k = FCat.Keys;
  DoubleClick(grid, k[1]);
  EXPECT_TRUE(FShown.empty()) << "nothing to choose: no pop-up";
  EXPECT_EQ(ProgramKeys(), std::vector<int>{k[1]});
  EXPECT_TRUE(Program().Playing());
  EXPECT_EQ(KeyPlaying(), k[1]);
  EXPECT_EQ(PlayFileBytes(), ReadFileBytes(FCat.Files[1]));

  // Erasing the program leaves its title playing; Enter then plays the whole selection at once.
  FForm->PlayCommands().MusicClearClick(nullptr);
  EXPECT_EQ(Program().Count(), 0);
  EXPECT_FALSE(Program().Playing());
  EXPECT_EQ(KeyPlaying(), k[1]);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  std::vector<int> selection = PressEnter(grid, {k[0], k[2]});
  EXPECT_TRUE(FShown.empty());
  EXPECT_EQ(ProgramKeys(), selection);
  EXPECT_EQ(KeyPlaying(), selection[0]);
  EXPECT_EQ(Probe(FForm).DragList().Count(), 0);
  CloseAndWait();
}

TEST_F(PlayPopUp, WhileAProgramPlaysThePopUpChoosesWhereTheTitlesGo) {
  Start();
  TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
  const auto& k = FCat.Keys;
  DoubleClick(grid, k[0]);
  ASSERT_EQ(KeyPlaying(), k[0]);
  const size_t opened = FSeq.Opened.size();

  // Bottom: appended behind the title playing, which plays on untouched.
  FChoice = Probe(FForm).Item("PlayB");
  DoubleClick(grid, k[1]);
  ASSERT_EQ(FShown.size(), 1u);
  EXPECT_EQ(FShown[0], AllCaptions()) << "a grid's pop-up offers the title commands too";
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{k[0], k[1]}));
  EXPECT_EQ(KeyPlaying(), k[0]);
  EXPECT_EQ(FSeq.Opened.size(), opened);

  // Top: ahead of the program, and playing now.
  FChoice = Probe(FForm).Item("PlayT");
  DoubleClick(grid, k[2]);
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{k[2], k[0], k[1]}));
  EXPECT_EQ(KeyPlaying(), k[2]);
  EXPECT_EQ(Program().Index(), 0);
  EXPECT_EQ(PlayFileBytes(), ReadFileBytes(FCat.Files[2]));

  // Cancel changes nothing.
  FChoice = Probe(FForm).Item("Cancel1");
  DoubleClick(grid, k[3]);
  EXPECT_EQ(FShown.size(), 3u);
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{k[2], k[0], k[1]}));
  EXPECT_EQ(KeyPlaying(), k[2]);

  // Enter asks the same; replace leaves only the selection, its first title playing.
  FChoice = Probe(FForm).Item("PlayR");
  std::vector<int> selection = PressEnter(grid, {k[1], k[3]});
  ASSERT_EQ(FShown.size(), 4u);
  EXPECT_EQ(FShown[3], AllCaptions());
  EXPECT_EQ(ProgramKeys(), selection);
  EXPECT_EQ(KeyPlaying(), selection[0]);
  EXPECT_EQ(Program().Index(), 0);
  EXPECT_EQ(Probe(FForm).DragList().Count(), 0);
  CloseAndWait();
}

TEST_F(PlayPopUp, AlbumTitlesComeFromTheAlbumsAndPlay) {
  Start();
  Probe(FForm).Albums()->SetActivePageIndex(1);
  ASSERT_EQ(FForm->AlbumArea().Pages().size(), 1u);
  TMyStringGrid& album = *FForm->AlbumArea().Pages()[0]->GridControl();
  const int32_t first = FCat.Keys.front(), last = FCat.Keys.back();
  DoubleClick(album, last);
  EXPECT_TRUE(FShown.empty());
  EXPECT_EQ(ProgramKeys(), std::vector<int>{last});
  EXPECT_EQ(KeyPlaying(), last);

  bool fromAlbums = false, fromCategories = true;
  int carried = 0;
  FWhileOpen = [&] {
    fromAlbums = Probe(FForm).DragFromAlbums();
    fromCategories = Probe(FForm).DragFromCategories();
    carried = Probe(FForm).DragList().Count();
  };
  FChoice = Probe(FForm).Item("PlayB");
  PressEnter(album, {first});
  ASSERT_EQ(FShown.size(), 1u);
  // Album rows can be edited and taken out of their album.
  const auto& offered = FShown[0];
  EXPECT_NE(std::find(offered.begin(), offered.end(), "&Edit"), offered.end());
  EXPECT_NE(std::find(offered.begin(), offered.end(), "&Delete"), offered.end());
  EXPECT_TRUE(fromAlbums);
  EXPECT_FALSE(fromCategories);
  EXPECT_EQ(carried, 1);
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{last, first}));
  EXPECT_EQ(KeyPlaying(), last);
  // The command spent the working keys.
  EXPECT_EQ(Probe(FForm).DragList().Count(), 0);
  EXPECT_FALSE(Probe(FForm).DragFromAlbums());
  EXPECT_FALSE(Probe(FForm).DragFromCategories());

  // Delete on an album row asks about the album and takes the title out of it only.
  FWhileOpen = nullptr;
  FChoice = Probe(FForm).Item("Delete5");
  FAnswers.Clear();
  FAnswers.Push(mrOk);
  PressEnter(album, {first});
  ASSERT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_EQ(FAnswers.Asked()[0].Text, "Delete this title from album \"Evening\"?");
  EXPECT_EQ(RowOfKey(album, first), -1);
  EXPECT_GT(RowOfKey(album, last), 0);
  EXPECT_GT(RowOfKey(*Probe(FForm).AllCatGrid(), first), 0) << "still in the catalogue";
  TTuneRec kept;
  EXPECT_TRUE(FForm->DMM2()->MyDB()->FindById(first, kept));
  CloseAndWait();
}

TEST_F(PlayPopUp, MenuCommandsOfferOnlyThePlayChoicesAndNeedASourceView) {
  Start();
  const auto& k = FCat.Keys;
  DoubleClick(*Probe(FForm).AllCatGrid(), k[0]);
  ASSERT_EQ(KeyPlaying(), k[0]);
  // Title commands that cannot act stay out of the pop-up (mail without a mail window); one that
  // becomes ready shows.
  EXPECT_FALSE(Probe(FForm).Item("Mail4")->Visible());
  for (TMenuItem* item :
       {Probe(FForm).Item("Edit2"), Probe(FForm).Item("Delete5"), Probe(FForm).Item("Save2")})
    EXPECT_TRUE(item->Visible()) << item->Caption();
  TQuietMail mail;
  RegisterMailWindow(&mail);
  TScopeExit unregister([] { RegisterMailWindow(nullptr); });

  Probe(FForm).DragList().Add(IntToStr(k[1]));
  FForm->SetDragSource(false, true);
  FChoice = Probe(FForm).Item("Cancel1");
  FForm->PlayCommands().ChoosePlayMode(false);
  ASSERT_EQ(FShown.size(), 1u);
  EXPECT_EQ(FShown[0], PlayChoices);
  // Closed again, the pop-up has its ready title command back for the grids.
  EXPECT_TRUE(Probe(FForm).Item("Mail4")->Visible());
  EXPECT_TRUE(Probe(FForm).Item("Edit2")->Visible());
  EXPECT_TRUE(Probe(FForm).Item("Save2")->Visible());
  EXPECT_EQ(Probe(FForm).DragList().Count(), 0);
  FChoice = Probe(FForm).Item("Cancel1");
  DoubleClick(*Probe(FForm).AllCatGrid(), k[1]);
  ASSERT_EQ(FShown.size(), 2u);
  EXPECT_EQ(FShown[1], AllCaptions());
  EXPECT_EQ(FShown[1].back(), "&Save to disk");
  EXPECT_EQ(FShown[1][FShown[1].size() - 2], "&Mail");

  // Keys that came from no view are not played.
  Probe(FForm).DragList().Add(IntToStr(k[1]));
  FForm->SetDragSource(false, false);
  FChoice = Probe(FForm).Item("PlayT");
  FForm->PlayCommands().ChoosePlayMode(false);
  EXPECT_EQ(ProgramKeys(), std::vector<int>{k[0]});
  EXPECT_EQ(KeyPlaying(), k[0]);
  CloseAndWait();
}

TEST_F(PlayPopUp, TheStepButtonsFollowAndMoveThroughTheProgram) {
  Start();
  TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
  const auto& k = FCat.Keys;
  DoubleClick(grid, k[0]);
  EXPECT_FALSE(Probe(FForm).Back()->Enabled()) << "one title: nothing to step to";
  EXPECT_FALSE(Probe(FForm).PlayNext()->Enabled());
  FChoice = Probe(FForm).Item("PlayB");
  DoubleClick(grid, k[1]);
  DoubleClick(grid, k[2]);
  ASSERT_EQ(ProgramKeys(), (std::vector<int>{k[0], k[1], k[2]}));
  EXPECT_TRUE(Probe(FForm).Back()->Enabled());
  EXPECT_TRUE(Probe(FForm).PlayNext()->Enabled());

  Probe(FForm).PlayNext()->Click();
  EXPECT_EQ(KeyPlaying(), k[1]);
  EXPECT_EQ(PlayFileBytes(), ReadFileBytes(FCat.Files[1]));
  Probe(FForm).Back()->Click();
  Probe(FForm).Back()->Click();
  EXPECT_EQ(KeyPlaying(), k[2]) << "back from the first title wraps to the last";
  EXPECT_TRUE(Probe(FForm).PlayNext()->Enabled());

  // Shuffle plays the new first title, which is never the former one.
  FForm->PlayCommands().Shuffle2Click(nullptr);
  std::vector<int> shuffled = ProgramKeys();
  EXPECT_NE(shuffled[0], k[0]);
  std::vector<int> before{k[0], k[1], k[2]};
  std::sort(shuffled.begin(), shuffled.end());
  std::sort(before.begin(), before.end());
  EXPECT_EQ(shuffled, before);
  EXPECT_EQ(KeyPlaying(), Program().Keys(0));

  // Erased, the program leaves its title playing and nothing to step through.
  int playing = KeyPlaying();
  FForm->PlayCommands().MusicClearClick(nullptr);
  EXPECT_EQ(KeyPlaying(), playing);
  EXPECT_FALSE(Probe(FForm).Back()->Enabled());
  EXPECT_FALSE(Probe(FForm).PlayNext()->Enabled());
  CloseAndWait();
}

} // namespace

namespace {

TEST_F(PlayPopUp, PlayItemsOfTheMenusCarryTheirViewsTitles) {
  Start();
  const auto& k = FCat.Keys;
  // The all-titles page is no category: "Active category" has nothing to play there.
  FForm->PlayCommands().Activecategory2Click(nullptr);
  EXPECT_EQ(Program().Count(), 0);
  // All categories: every title, the first of them at once (nothing was playing).
  FForm->PlayCommands().Allcategories3Click(nullptr);
  EXPECT_EQ(FShown.size(), 0u);
  ASSERT_EQ(Program().Count(), static_cast<int>(k.size()));
  EXPECT_EQ(KeyPlaying(), Program().Keys(0));

  // While that plays, the album "Evening" goes to the bottom through the pop-up.
  FChoice = Probe(FForm).Item("PlayB");
  TTunePage* evening = FForm->AlbumArea().Pages().front().get();
  evening->ListItem()->SetSelected(true);
  int playing = KeyPlaying();
  FForm->PlayCommands().Albumselected4Click(nullptr);
  ASSERT_EQ(FShown.size(), 1u);
  EXPECT_EQ(FShown[0], PlayChoices);
  std::vector<int> keys = ProgramKeys();
  ASSERT_EQ(keys.size(), k.size() + 2);
  EXPECT_EQ(std::vector<int>(keys.end() - 2, keys.end()), (std::vector<int>{k.front(), k.back()}));
  EXPECT_EQ(KeyPlaying(), playing);

  // The selected titles of a category page, at the top.
  FChoice = Probe(FForm).Item("PlayT");
  TTunePage* jazz = nullptr;
  for (auto& page : FForm->CategoryArea().Pages())
    if (Trim(page->Sheet()->Caption()) == "Jazz") jazz = page.get();
  ASSERT_TRUE(jazz);
  Probe(FForm).Categories()->SetActivePage(jazz->Sheet());
  TMyStringGrid& grid = *jazz->GridControl();
  grid.ClearSelection();
  grid.SetRowSelected(1, true);
  int32_t chosen = grid.Objects(1)->MasterKey;
  FForm->PlayCommands().Titlesselected8Click(nullptr);
  EXPECT_EQ(Program().Keys(0), chosen);
  EXPECT_EQ(KeyPlaying(), chosen);
  CloseAndWait();
}

} // namespace

namespace {

TEST_F(PlayPopUp, ABusyDeviceClearsTheProgramAndPutsUpItsNotice) {
  Start();
  const auto& k = FCat.Keys;
  DoubleClick(*Probe(FForm).AllCatGrid(), k[0]);
  ASSERT_EQ(KeyPlaying(), k[0]);
  // Another program holds the MIDI output: the play command fails naming the device as in use.
  FSeq.PlayError = 343;
  FSeq.PlayErrorText = "The specified MIDI Device is already in use.";
  FChoice = Probe(FForm).Item("PlayB");
  FForm->PlayCommands().Allcategories3Click(nullptr);
  FChoice = Probe(FForm).Item("PlayT");
  FForm->PlayCommands().Allcategories3Click(nullptr);
  EXPECT_EQ(Program().Count(), 0);
  EXPECT_FALSE(Program().Playing());
  HWND notice = FindWindowA(nullptr, "MIDI device unavailable");
  ASSERT_TRUE(notice);
  EXPECT_TRUE(IsWindowVisible(notice));
  EXPECT_EQ(Probe(FForm).CDPanel()->StateLabel()->Caption(), "MIDI device unavailable");
  EXPECT_TRUE(Probe(FForm).CDPanel()->MessageShowing());
  // Not a broken title: nothing was offered for deletion.
  for (const TModalRequest& r : FAnswers.Asked())
    EXPECT_EQ(r.Text.find("corrupted"), std::string::npos) << r.Text;
  SendMessageA(notice, WM_CLOSE, 0, 0);
  ProcessMessages();
  CloseAndWait();
}

} // namespace
