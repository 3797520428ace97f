// The program viewer over a prepared catalogue and the stand-in sequencer: its rows, Order texts
// and summary, its and the main window's buttons, playing, removing, shuffling and clearing from
// it, its size, a picture of it, and its spectrum fed from the recorder's sine.
#include <gtest/gtest.h>
#include <windows.h>
#include <cmath>
#include "../mainwin/MainWindowFixture.h"
#include "MainLayout.h"
#include "VisualEffects.h"
#include "PlayerCommands.h"
#include "../mainwin/StandInSequencer.h"
#include "TestCapture.h"
#include "ViewProgCode.h"
#include "DataCodeD2.h"

namespace {

class ProgramViewer : public TMainWindowFixture {
protected:
  ProgramViewer() : TMainWindowFixture("tbprogview") {}
  TEndingSequencer FSeq;

  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
  }
  void TearDown() override {
    if (FForm) FForm->ProgramViewer().Hide();
    TMainWindowFixture::TearDown();
  }
  TProgram& Program() { return FForm->Road().Program(); }
  TViewProgFrm& Viewer() { return FForm->ProgramViewer(); }
  TMyStringGrid& Grid() { return *Viewer().SG1; }
  // The first n titles in the program; the first one plays.
  void PlayTitles(size_t n) {
    TStringList keys;
    for (size_t i = 0; i < n; ++i)
      keys.Add(std::to_string(FCat.Keys[i]));
    Program().PlayAtTop(keys);
    // As the play commands do after putting titles in.
    static_cast<TPlayRoadView*>(FForm)->UpdatePlayControls();
    ASSERT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  }
  std::string TitleOf(size_t i) { return ChangeFileExt(ExtractFileName(FCat.Files[i]), ""); }
  std::vector<int> ProgramKeys() {
    std::vector<int> keys;
    for (int i = 0; i < Program().Count(); ++i)
      keys.push_back(Program().Keys(i));
    return keys;
  }
  std::vector<int> SelectedRows() {
    std::vector<int> rows;
    for (int r = 0; r < Grid().RowCount(); ++r)
      if (Grid().IsRowSelected(r)) rows.push_back(r);
    return rows;
  }
  void Key(WORD key) {
    SendMessageA(Grid().Handle(), WM_KEYDOWN, key, 0);
    SendMessageA(Grid().Handle(), WM_KEYUP, key, 0xC0000000);
  }
  void KeyOnRow(int row, WORD key) {
    Grid().KeyMovedTo(row, false);
    Key(key);
  }
  // Two clicks on a row, as the mouse sends them.
  void DoubleClick(int row) {
    RECT r = Grid().CellRect(1, row);
    ASSERT_LT(r.left, r.right) << "row " << row << " is not in view";
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(Grid().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(Grid().Handle(), WM_LBUTTONUP, 0, at);
    SendMessageA(Grid().Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(Grid().Handle(), WM_LBUTTONUP, 0, at);
  }
  void Open() {
    ASSERT_TRUE(Probe(FForm).ProgView()->Enabled());
    Probe(FForm).ProgView()->Click();
    ASSERT_TRUE(Viewer().Visible());
  }
};

} // namespace

TEST_F(ProgramViewer, RowsOrderTextsAndSummary) {
  Start();
  PlayTitles(3);
  // Durations set after the start (a start stores the sequencer's length): a damaged -1 adds
  // nothing to the total.
  TMyDB& db = *FForm->DMM2()->MyDB();
  ASSERT_TRUE(db.SetDuration(61, FCat.Keys[0]));
  ASSERT_TRUE(db.SetDuration(3599, FCat.Keys[1]));
  ASSERT_TRUE(db.SetDuration(-1, FCat.Keys[2]));
  Open();
  EXPECT_EQ(Viewer().Caption(), "Music program titles");
  ASSERT_EQ(Grid().RowCount(), 4);
  EXPECT_EQ(Grid().Cells(0, 0), "Order");
  EXPECT_EQ(Grid().Cells(1, 0), "Title");
  EXPECT_EQ(Grid().Cells(2, 0), "Artist");
  EXPECT_EQ(Grid().Cells(3, 0), "Duration");
  const char* durations[] = {"1:01", "59:59", "?"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Grid().Cells(0, i + 1), i == 0 ? "Playing" : std::to_string(i + 1));
    EXPECT_EQ(Grid().Cells(1, i + 1), TitleOf(i));
    EXPECT_EQ(Grid().Cells(2, i + 1), "Some Body");
    EXPECT_EQ(Grid().Cells(3, i + 1), durations[i]);
  }
  EXPECT_EQ(Viewer().Label1->Caption(), "3 title(s)  ---  1:01:00");
  EXPECT_EQ(SelectedRows(), std::vector<int>{1});
  // The summary stands centred over the list.
  const int labelMiddle = Viewer().Label1->Left() + Viewer().Label1->Width() / 2;
  EXPECT_NEAR(labelMiddle, Viewer().Panel2->ClientWidth() / 2, 1);

  // Pause, resume and stop refresh the viewer.
  FForm->PlayerCommands().PauseClick(nullptr);
  EXPECT_EQ(Grid().Cells(0, 1), "Paused");
  FForm->PlayerCommands().PauseClick(nullptr);
  EXPECT_EQ(Grid().Cells(0, 1), "Playing");
  FForm->PlayerCommands().OneStopClick(nullptr);
  EXPECT_EQ(Grid().Cells(0, 1), "Stopped");
  FSeq.StuckMode = MCI_MODE_SEEK;
  Probe(FForm).Viewtitles1Click(nullptr);
  EXPECT_EQ(Grid().Cells(0, 1), "Current");
  FSeq.StuckMode = 0;

  // Nothing known: no total at all.
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(db.SetDuration(-i, FCat.Keys[i]));
  Probe(FForm).Viewtitles1Click(nullptr);
  EXPECT_EQ(Viewer().Label1->Caption(), "3 title(s)");
  CloseAndWait();
}

TEST_F(ProgramViewer, ButtonsFollowTheProgramSize) {
  Start();
  EXPECT_FALSE(Probe(FForm).ProgView()->Enabled());
  Probe(FForm).Viewtitles1Click(nullptr); // the menu opens it on an empty program too
  ASSERT_TRUE(Viewer().Visible());
  EXPECT_EQ(Viewer().Label1->Caption(), "Empty");
  EXPECT_EQ(Grid().RowCount(), 2);
  EXPECT_EQ(Grid().Cells(1, 1), "No titles in program");
  EXPECT_FALSE(Viewer().BitBtn2->Enabled());
  EXPECT_FALSE(Viewer().BitBtn3->Enabled());
  EXPECT_TRUE(Viewer().BitBtn1->Enabled());
  // Delete on the empty program's row takes nothing out and changes nothing.
  KeyOnRow(1, VK_DELETE);
  EXPECT_EQ(Program().Count(), 0);
  EXPECT_EQ(Grid().Cells(1, 1), "No titles in program");
  EXPECT_EQ(Viewer().Label1->Caption(), "Empty");

  struct TRow {
    size_t titles;
    bool shuffle, clear;
  };
  for (const TRow& r : {TRow{1, false, true}, TRow{3, true, true}}) {
    SCOPED_TRACE(r.titles);
    PlayTitles(r.titles); // refreshes the visible viewer
    EXPECT_EQ(Viewer().BitBtn2->Enabled(), r.shuffle);
    EXPECT_EQ(Viewer().BitBtn3->Enabled(), r.clear);
    EXPECT_EQ(Viewer().Label1->Caption(), std::to_string(r.titles) + " title(s)  ---  1:01");
    EXPECT_EQ(Probe(FForm).Shuffle()->Enabled(), r.shuffle);
    EXPECT_EQ(Probe(FForm).Back()->Enabled(), r.shuffle);
    EXPECT_EQ(Probe(FForm).PlayNext()->Enabled(), r.shuffle);
    EXPECT_EQ(Probe(FForm).MusicClear()->Enabled(), r.clear);
    EXPECT_EQ(Probe(FForm).ProgView()->Enabled(), r.clear);
    Viewer().BitBtn3->Click();
  }
  EXPECT_FALSE(Probe(FForm).MusicClear()->Enabled());
  EXPECT_FALSE(Probe(FForm).ProgView()->Enabled());
  EXPECT_FALSE(Probe(FForm).Shuffle()->Enabled());
  Viewer().BitBtn1->Click();
  EXPECT_FALSE(Viewer().Visible());
  CloseAndWait();
}

TEST_F(ProgramViewer, EnterAndDoubleClickPlayTheRow) {
  Start();
  PlayTitles(3);
  Open();
  const size_t opened = FSeq.Opened.size();
  KeyOnRow(3, VK_RETURN);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), FCat.Keys[2]);
  EXPECT_EQ(Program().Index(), 2);
  EXPECT_EQ(FSeq.Opened.size(), opened + 1);
  EXPECT_EQ(Grid().Cells(0, 3), "Playing");
  EXPECT_EQ(Grid().Cells(0, 1), "1");
  EXPECT_EQ(SelectedRows(), std::vector<int>{3});
  DoubleClick(2);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), FCat.Keys[1]);
  EXPECT_EQ(Program().Index(), 1);
  EXPECT_EQ(SelectedRows(), std::vector<int>{2});
  // A double click on the header plays nothing.
  RECT head = Grid().CellRect(1, 0);
  LPARAM at = MAKELPARAM((head.left + head.right) / 2, (head.top + head.bottom) / 2);
  SendMessageA(Grid().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(Grid().Handle(), WM_LBUTTONUP, 0, at);
  SendMessageA(Grid().Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(Grid().Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(FSeq.Opened.size(), opened + 2);
  EXPECT_EQ(Program().Index(), 1);
  EXPECT_EQ(Program().Count(), 3);
  CloseAndWait();
}

TEST_F(ProgramViewer, DeleteAboveOnAndBelowTheCurrentRow) {
  Start();
  PlayTitles(4);
  Open();
  const std::vector<int> k(FCat.Keys.begin(), FCat.Keys.begin() + 4);
  KeyOnRow(2, VK_RETURN); // the second title plays
  size_t opened = FSeq.Opened.size();

  // Above: the same title plays on, its row still marked and selected.
  KeyOnRow(1, VK_DELETE);
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{k[1], k[2], k[3]}));
  EXPECT_EQ(Program().Index(), 0);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), k[1]);
  EXPECT_EQ(FSeq.Opened.size(), opened);
  EXPECT_EQ(Grid().Cells(0, 1), "Playing");
  EXPECT_EQ(Grid().Cells(1, 1), TitleOf(1));
  EXPECT_EQ(SelectedRows(), std::vector<int>{1});
  EXPECT_EQ(Viewer().Label1->Caption().substr(0, 10), "3 title(s)");

  // Below: nothing else changes.
  KeyOnRow(3, VK_DELETE);
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{k[1], k[2]}));
  EXPECT_EQ(Program().Index(), 0);
  EXPECT_EQ(FSeq.Opened.size(), opened);
  EXPECT_EQ(SelectedRows(), std::vector<int>{1});

  // On it: the title that followed plays.
  KeyOnRow(1, VK_DELETE);
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{k[2]}));
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), k[2]);
  EXPECT_EQ(FSeq.Opened.size(), opened + 1);
  EXPECT_EQ(Program().Index(), 0);
  EXPECT_EQ(Grid().Cells(0, 1), "Playing");

  // The only title: the program is empty and the title plays on.
  KeyOnRow(1, VK_DELETE);
  EXPECT_EQ(Program().Count(), 0);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_EQ(FSeq.Opened.size(), opened + 1);
  EXPECT_EQ(Viewer().Label1->Caption(), "Empty");
  EXPECT_EQ(Grid().Cells(1, 1), "No titles in program");
  EXPECT_FALSE(Probe(FForm).MusicClear()->Enabled());
  EXPECT_FALSE(Viewer().BitBtn3->Enabled());
  // And once more on the empty program: nothing.
  KeyOnRow(1, VK_DELETE);
  EXPECT_EQ(Program().Count(), 0);
  EXPECT_EQ(FSeq.Opened.size(), opened + 1);
  CloseAndWait();
}

TEST_F(ProgramViewer, ShuffleStartsTheNewFirstTitleAndClearKeepsPlay) {
  Start();
  PlayTitles(4);
  Open();
  KeyOnRow(3, VK_RETURN);
  const std::vector<int> before = ProgramKeys();
  Viewer().BitBtn2->Click();
  const std::vector<int> after = ProgramKeys();
  EXPECT_NE(after[0], before[0]) << "the former first title never stays first";
  std::vector<int> a = after, b = before;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
  EXPECT_EQ(Program().Index(), 0);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), after[0]);
  EXPECT_EQ(Grid().Cells(0, 1), "Playing");
  EXPECT_EQ(SelectedRows(), std::vector<int>{1});
  EXPECT_TRUE(Viewer().Visible());

  const int playing = FForm->Road().MasterKeyPlaying();
  const size_t opened = FSeq.Opened.size();
  Viewer().BitBtn3->Click();
  EXPECT_EQ(Program().Count(), 0);
  EXPECT_FALSE(Program().Playing());
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_EQ(FSeq.Opened.size(), opened);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), playing);
  EXPECT_EQ(Viewer().Label1->Caption(), "Empty");
  EXPECT_FALSE(Probe(FForm).MusicClear()->Enabled());
  EXPECT_FALSE(Probe(FForm).Item("Music1")->Enabled());
  CloseAndWait();
}

TEST_F(ProgramViewer, SizePlacementAndPicture) {
  Start();
  PlayTitles(4);
  Open();
  // Placed over the main window: 30 above it and 60 higher (within the screen).
  const int screen = GetSystemMetrics(SM_CYSCREEN);
  const int top = FForm->Top() - 30 < 0 ? 30 : FForm->Top() - 30;
  EXPECT_EQ(Viewer().Top(), top);
  EXPECT_EQ(Viewer().Height(), std::max(std::min(FForm->Height() + 60, screen - top - 35), 280));
  // The minimum tracking size wins over the designed 302 x 450.
  EXPECT_GE(Viewer().Width(), 410);
  Viewer().SetBounds(Viewer().Left(), Viewer().Top(), 302, 200);
  EXPECT_EQ(Viewer().Width(), 410);
  EXPECT_EQ(Viewer().Height(), 280);
  MINMAXINFO info{};
  SendMessageA(Viewer().Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 410);
  EXPECT_EQ(info.ptMinTrackSize.y, 280);
  Viewer().SetBounds(Viewer().Left(), Viewer().Top(), 420, 330);
  ProcessMessages();

  // The spectrum's panel follows the effects switch; off by default.
  EXPECT_FALSE(Viewer().Panel1->Visible());
  EXPECT_FALSE(Viewer().Splitter1->Visible());

  TBitmap shot;
  CaptureControl(Viewer(), shot);
  const std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  CreateDirectoryA((dir + "progview\\").c_str(), nullptr);
  shot.SaveToFile(dir + "progview\\viewer.bmp");
  // The current row is drawn selected (navy), the next one plain (white).
  TBitmap grid;
  CaptureControl(Grid(), grid);
  RECT r1 = Grid().CellRect(2, 1), r2 = Grid().CellRect(2, 2);
  EXPECT_EQ(grid.Pixel(r1.right - 3, r1.top + 2), clNavy);
  EXPECT_EQ(grid.Pixel(r2.right - 3, r2.top + 2), clWhite);
  // The three buttons in a row under the list, centred.
  TBitBtn* b2 = Viewer().BitBtn2;
  TBitBtn* b1 = Viewer().BitBtn1;
  EXPECT_EQ(b2->Top(), b1->Top());
  EXPECT_GT(b2->Top(), Grid().Top() + Grid().Height());
  EXPECT_NEAR(b2->Left() + (b1->Left() + b1->Width() - b2->Left()) / 2,
              Viewer().Panel2->ClientWidth() / 2, 1);
  CloseAndWait();
}

TEST_F(ProgramViewer, SpectrumPeaksLikeTheMainOne) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n[Visual]\r\nVisE=1\r\n");
  Start();
  // The main window's displays analyse only while its music panel shows (tool row on, effects
  // ticked: the button brings it forward).
  FForm->Layout().ToolsLeftClick(nullptr);
  ASSERT_TRUE(Probe(FForm).MusicPanel()->Visible());
  Probe(FForm).Viewtitles1Click(nullptr);
  ASSERT_TRUE(Viewer().Panel1->Visible());
  ASSERT_TRUE(Viewer().Splitter1->Visible());
  EXPECT_EQ(Viewer().Panel1->Height(), 120);
  EXPECT_EQ(Viewer().MMSpectrum1->Width(), Viewer().Panel1->ClientWidth());
  TMMConnector* main = Probe(FForm).MMConnector2();
  TMMConnector* own = Viewer().MMConnector1;
  ASSERT_EQ(main->Output(), own);
  ASSERT_TRUE(PumpUntil(
      [&] { return main->FrameCount(cgSpectra) >= 20 && own->FrameCount(cgSpectra) >= 20; }, 15000))
      << main->FrameCount(cgSpectra) << " " << own->FrameCount(cgSpectra);
  const double mainPeak = Probe(FForm).MMSpectrum1()->PeakFrequency();
  const double ownPeak = Viewer().MMSpectrum1->PeakFrequency();
  printf("peaks: main %.1f Hz, viewer %.1f Hz\n", mainPeak, ownPeak);
  // 128 points at 11025 Hz: bins of 86.1 Hz; the sine is at 1000 Hz.
  EXPECT_LE(std::abs(ownPeak - 1000), 11025.0 / 128) << ownPeak;
  EXPECT_NEAR(ownPeak, mainPeak, 11025.0 / 128 + 0.01);
  TBitmap shot;
  CaptureControl(*Viewer().Panel1, shot);
  shot.SaveToFile(WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\progview\\spectrum.bmp");

  // Unticked, the panel and splitter go; ticked again, they come back.
  FForm->VisualEffects().Visualeffects1Click(nullptr); // Yes by default
  EXPECT_FALSE(Viewer().Panel1->Visible());
  EXPECT_FALSE(Viewer().Splitter1->Visible());
  FForm->VisualEffects().Visualeffects1Click(nullptr);
  EXPECT_TRUE(Viewer().Panel1->Visible());
  EXPECT_TRUE(Viewer().Splitter1->Visible());
  EXPECT_EQ(Viewer().Splitter1->Top(), Viewer().Panel1->Top() + Viewer().Panel1->Height());
  FForm->VisualEffects().Visualeffects1Click(nullptr);
  CloseAndWait();
}
