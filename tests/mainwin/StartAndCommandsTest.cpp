// The main window's foundations: a cancelled Windows shutdown, work folders that cannot be made,
// a catalogue that does not open, the start-up state of its areas, and no command a user can
// reach that does nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "MasterProbe.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "MainWindowFixture.h"
#include "StandInSequencer.h"

namespace {

class StartAndCommands : public TMainWindowFixture {
protected:
  StartAndCommands() : TMainWindowFixture("tbfound") {}
  TEndingSequencer FSeq;
  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
  }
  TProgram& Program() { return FForm->Road().Program(); }
  std::vector<int> ProgramKeys() {
    std::vector<int> keys;
    for (int i = 0; i < Program().Count(); ++i)
      keys.push_back(Program().Keys(i));
    return keys;
  }
  // Enter on one title of the all-titles grid: without a program it plays at once.
  void PlayTitle(int32_t key) {
    TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
    int row = RowOfKey(grid, key);
    ASSERT_GT(row, 0);
    grid.ClearSelection();
    grid.SetRowSelected(row, true);
    grid.SetRow(row);
    SendMessageA(grid.Handle(), WM_KEYDOWN, VK_RETURN, 0);
  }
};

// Every menu item a user can open and click, below the given one.
void ReachableItems(TMenuItem& parent, std::vector<TMenuItem*>& out) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* m = parent.Items(i);
    if (!m->Visible() || !m->Enabled() || m->IsLine()) continue;
    if (m->Count() > 0)
      ReachableItems(*m, out);
    else
      out.push_back(m);
  }
}

TEST_F(StartAndCommands, ACancelledShutdownStopsTheMusicAndTheNextTitleStillPlays) {
  Start();
  PlayTitle(FCat.Keys[0]);
  ASSERT_EQ(FForm->Road().MasterKeyPlaying(), FCat.Keys[0]);
  ASSERT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));

  // Windows asks: the music stops at once, nothing else is settled yet.
  SendMessageA(FForm->Handle(), WM_QUERYENDSESSION, 0, 0);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_EQ(Probe(FForm).MyMidi1().DeviceId(), -1) << "the sequencer is closed";
  EXPECT_FALSE(Probe(FForm).Timer1()->Enabled());
  // The user cancels the shutdown.
  SendMessageA(FForm->Handle(), WM_ENDSESSION, FALSE, 0);
  EXPECT_FALSE(FForm->Road().Aborted());
  EXPECT_FALSE(FForm->SessionEnding());
  ASSERT_NE(MasterFrm, nullptr) << "the program carries on";

  // A title started afterwards plays.
  size_t opened = FSeq.Opened.size();
  Program().EraseProgram();
  PlayTitle(FCat.Keys[2]);
  EXPECT_EQ(FSeq.Opened.size(), opened + 1);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), FCat.Keys[2]);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_EQ(ReadFileBytes(FDir / "AInternal.MID"), ReadFileBytes(FCat.Files[2]));
  CloseAndWait();
}

TEST_F(StartAndCommands, WorkFoldersThatCannotBeMadeAreReportedOnceAndTheCatalogueStillOpens) {
  // Files where the work folders belong: nothing can make the folders there.
  for (const char* name : WorkFolderNames) {
    RemoveTree(FDir / name);
    WriteFileBytes(FDir / name, "in the way");
  }
  Start();
  ASSERT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_EQ(FAnswers.Asked()[0].Text,
            "These work folders could not be made in " + FDir.Path() +
                ": TempTune, TempZips, TempMail, TempTrash, BackUp.\r\n\r\nWork that needs them "
                "will fail until the program folder can be written to.");
  for (const char* name : WorkFolderNames)
    EXPECT_EQ(ReadFileBytes(FDir / name), "in the way") << name;
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());
  EXPECT_EQ(Probe(FForm).AllCatGrid()->TuneCount(), static_cast<int>(FCat.Keys.size()));
  CloseAndWait();
}

TEST_F(StartAndCommands, ACatalogueThatCannotBeOpenedGoesToTheExceptionHandlerAndNothingIsEnabled) {
  // Another program holds the title index alone.
  HANDLE held = CreateFileA((FDir / "Music.dex").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Start();
  CloseHandle(held);
  ASSERT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_EQ(FAnswers.Asked()[0].Text.rfind("Application exception:\r\n\r\n", 0), 0u)
      << FAnswers.Asked()[0].Text;
  EXPECT_NE(FAnswers.Asked()[0].Text.find("Music.dex"), std::string::npos)
      << FAnswers.Asked()[0].Text;
  EXPECT_TRUE(StartUpDone) << "the splash would wait for ever";
  EXPECT_FALSE(Probe(FForm).CommandsEnabled());
  EXPECT_FALSE(Probe(FForm).Item("Albums1")->Enabled());
  EXPECT_FALSE(Probe(FForm).GetLocal()->Enabled());
  EXPECT_NE(GetPropA(FForm->Handle(), StartUpDoneProperty), nullptr);
  CloseAndWait();
}

TEST_F(StartAndCommands, StartUpEndsWithTheStoresDoneAndShowsTheAreasAsBuilt) {
  Start();
  EXPECT_EQ(Probe(FForm).StatusBar1()->Panels(0).Text(), "Done");
  EXPECT_NE(GetPropA(FForm->Handle(), StartUpDoneProperty), nullptr);
  // Both tab rows wrap onto further rows, as high as their font.
  for (TExtPageControl* tabs : {Probe(FForm).Categories(), Probe(FForm).Albums()}) {
    EXPECT_TRUE(GetWindowLongA(tabs->Handle(), GWL_STYLE) & TCS_MULTILINE) << tabs->Name();
    EXPECT_EQ(tabs->TabHeight(), 0) << tabs->Name();
  }
  // The album list's lines carry the album picture, 32 x 32 and 16 x 16.
  HWND lv = Probe(FForm).AllAlbLV()->Handle();
  auto size = [&](int which) {
    auto list = reinterpret_cast<HIMAGELIST>(SendMessageA(lv, LVM_GETIMAGELIST, which, 0));
    int cx = 0, cy = 0;
    if (!list || !ImageList_GetIconSize(list, &cx, &cy)) return std::make_pair(-1, -1);
    return std::make_pair(cx, cy);
  };
  EXPECT_EQ(size(LVSIL_NORMAL), std::make_pair(32, 32));
  EXPECT_EQ(size(LVSIL_SMALL), std::make_pair(16, 16));
  LVITEMA line{};
  line.mask = LVIF_IMAGE;
  line.iItem = 0;
  ASSERT_TRUE(SendMessageA(lv, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&line)));
  EXPECT_EQ(line.iImage, 0);
  // The menu captions.
  EXPECT_EQ(Probe(FForm).Item("Viewtitles1")->Caption(), "&View titles");
  EXPECT_EQ(Probe(FForm).Item("Lights1")->Caption(), "&Oscilloscope");
  EXPECT_EQ(Probe(FForm).Item("Spectrograph1")->Caption(), "&Spectrograph");
  CloseAndWait();
}

TEST_F(StartAndCommands, TitlesSelectedOnTheAlbumSummaryPlayTheSelectedAlbumsTitles) {
  Start();
  ASSERT_EQ(Probe(FForm).Albums()->ActivePageIndex(), 0);
  ASSERT_EQ(Probe(FForm).AllAlbLV()->ItemCount(), 1);
  Probe(FForm).AllAlbLV()->Items(0).SetSelected(true);
  Probe(FForm).Item("Titlesselected7")->Click();
  // The album "Evening" holds the first and the last title, in that order.
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{FCat.Keys[0], FCat.Keys[3]}));
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), FCat.Keys[0]);
  CloseAndWait();
}

TEST_F(StartAndCommands, NoReachableCommandIsWithoutAnActionAndAHandlerEnablesItsCommand) {
  Start();
  // Every menu command a user can click does something (Cancel of the play pop-up closes it).
  std::vector<TMenuItem*> items;
  ReachableItems(Probe(FForm).MainMenu1()->Items(), items);
  ReachableItems(Probe(FForm).NewCatPopUp()->Items(), items);
  ReachableItems(Probe(FForm).AlbPopUp()->Items(), items);
  EXPECT_GT(items.size(), 20u);
  for (TMenuItem* m : items)
    EXPECT_TRUE(static_cast<bool>(m->OnClick)) << m->Name() << " " << m->Caption();
  // So does every button.
  int buttons = 0;
  for (int i = 0; i < FForm->ComponentCount(); ++i) {
    auto* c = dynamic_cast<TControl*>(FForm->Components(i));
    if (!c || (!dynamic_cast<TBitBtn*>(c) && !dynamic_cast<TSpeedButton*>(c))) continue;
    ++buttons;
    if (c->Enabled()) {
      EXPECT_TRUE(static_cast<bool>(c->OnClick)) << c->Name();
    }
  }
  EXPECT_GT(buttons, 20);
  for (TWinControl* c :
       std::initializer_list<TWinControl*>{Probe(FForm).ProgView(), Probe(FForm).GetWeb()})
    EXPECT_FALSE(IsWindowEnabled(c->Handle())) << c->Name();
  // Titles dropped on these act.
  for (TWinControl* c : std::initializer_list<TWinControl*>{
           Probe(FForm).Play(), Probe(FForm).PlayReplace(), Probe(FForm).EditCat(),
           Probe(FForm).MailTitle(), Probe(FForm).Archive(), Probe(FForm).ExportTitle(),
           Probe(FForm).TrashCat(), Probe(FForm).PrintCat()})
    EXPECT_TRUE(IsWindowEnabled(c->Handle())) << c->Name();
  EXPECT_TRUE(IsWindowEnabled(Probe(FForm).NewAlb()->Handle())) << "it makes an album";
  // Loading and the two scans are built.
  for (TWinControl* c : std::initializer_list<TWinControl*>{
           Probe(FForm).GetLocal(), Probe(FForm).BitBtn1(), Probe(FForm).BitBtn2()})
    EXPECT_TRUE(IsWindowEnabled(c->Handle())) << c->Name();
  EXPECT_FALSE(Probe(FForm).Item("Contents1")->Enabled());
  EXPECT_TRUE(Probe(FForm).Item("Viewtitles1")->Enabled()) << "it shows the program viewer";
  // Files dragged from the shell are offered to the window: it imports them.
  EXPECT_TRUE(GetWindowLongA(FForm->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

  // A command given its handler later is enabled by the next change of the busy state, and the
  // busy state still holds it while it lasts.
  int clicks = 0;
  Probe(FForm).GetWeb()->OnClick = [&](TObject*) { ++clicks; };
  {
    TBusyState busy(*FForm);
    EXPECT_FALSE(Probe(FForm).GetWeb()->Enabled());
  }
  EXPECT_TRUE(IsWindowEnabled(Probe(FForm).GetWeb()->Handle()));
  SendMessageA(Probe(FForm).GetWeb()->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  // A menu item given its handler is enabled when its menu opens.
  Probe(FForm).Item("Contents1")->OnClick = [&](TObject*) { ++clicks; };
  SendMessageA(FForm->Handle(), WM_INITMENUPOPUP,
               reinterpret_cast<WPARAM>(Probe(FForm).Item("Help1")->Handle()),
               MAKELPARAM(0, FALSE));
  EXPECT_TRUE(Probe(FForm).Item("Contents1")->Enabled());
  CloseAndWait();
}

TEST_F(StartAndCommands, TheShuffleAndEraseButtonsFollowTheProgram) {
  Start();
  EXPECT_FALSE(Probe(FForm).Shuffle()->Enabled());
  EXPECT_FALSE(Probe(FForm).MusicClear()->Enabled());
  PlayTitle(FCat.Keys[0]);
  EXPECT_TRUE(Probe(FForm).MusicClear()->Enabled());
  EXPECT_FALSE(Probe(FForm).Shuffle()->Enabled()) << "one title: nothing to shuffle";
  Probe(FForm).DragList().Clear();
  for (int32_t key : {FCat.Keys[1], FCat.Keys[2]})
    Probe(FForm).DragList().Add(std::to_string(key));
  FForm->SetDragSource(false, true);
  FForm->PlayCommands().PlayBClick(nullptr);
  ASSERT_EQ(Program().Count(), 3);
  EXPECT_TRUE(Probe(FForm).Shuffle()->Enabled());

  // Shuffle: the same titles, another one first, and that one plays.
  SendMessageA(Probe(FForm).Shuffle()->Handle(), BM_CLICK, 0, 0);
  std::vector<int> shuffled = ProgramKeys();
  ASSERT_EQ(shuffled.size(), 3u);
  EXPECT_NE(shuffled[0], FCat.Keys[0]);
  std::vector<int> sorted = shuffled;
  std::sort(sorted.begin(), sorted.end());
  std::vector<int> expected = {FCat.Keys[0], FCat.Keys[1], FCat.Keys[2]};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(sorted, expected);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), shuffled[0]);

  // Erase: the program is gone, the title playing plays on.
  SendMessageA(Probe(FForm).MusicClear()->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Program().Count(), 0);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_FALSE(Probe(FForm).MusicClear()->Enabled());
  EXPECT_FALSE(Probe(FForm).Shuffle()->Enabled());
  CloseAndWait();
}

} // namespace
