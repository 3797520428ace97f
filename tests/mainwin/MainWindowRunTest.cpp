// Tonalbrook.exe's main window as a user finds it, read from outside: where the tool row's
// commands go, the album list's lines and columns, the start-up questions over the splash, where
// the save dialog opens, and the wording of the questions.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <vector>
#include "DataCodeD2.h"
#include "PlayerRegistry.h"
#include "PreparedCatalogue.h"
#include "RunningProgram.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

using runprog::ChildrenOfClass;
using runprog::ClassOf;

RECT ScreenRectOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT both{};
  return IntersectRect(&both, &a, &b) != FALSE;
}

// The mouse moved to a point of the screen: the move goes in the input queue with the buttons,
// so that a press after it happens there (a warped cursor may still catch up with older moves).
void MouseTo(POINT p) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof(INPUT));
  PumpQueued();
}

class MainWindowRun : public testing::Test {
protected:
  TScratchDir FDir{"tbwindow"};
  std::unique_ptr<TRunningProgram> FRun;

  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
  }
  // Started with these settings and up, its start-up questions answered No.
  void Start(const std::string& settings) {
    WriteFileBytes(FDir / "Tonalbrook.ini", settings);
    FRun = std::make_unique<TRunningProgram>(FDir.Path(), "");
    ASSERT_TRUE(FRun->Started());
    ASSERT_TRUE(FRun->WaitForMainWindow());
    ASSERT_TRUE(FRun->AnswerUntil([&] { return FRun->StartUpDone(); }, 120000));
    // The splash stands in front for a while and would take the mouse's presses.
    ASSERT_TRUE(FRun->WaitForSplashGone());
    SetForegroundWindow(FRun->MainWindow());
    PumpQueued();
  }
  void CloseCleanly() {
    ASSERT_TRUE(FRun->AnswerAndClose());
    EXPECT_EQ(FRun->ExitCode(), 0u);
  }
};

} // namespace

TEST_F(MainWindowRun, HidingTheToolRowGivesItsRoomToThePanelsAndTheCommandsLeftCoverNothing) {
  Start("[Setup]\r\nRemindToScan=0\r\nShowTools=1\r\n[Visual]\r\nVisE=0\r\n");
  HWND main = FRun->MainWindow();
  std::vector<HWND> areas = ChildrenOfClass(main, "TExtPageControl");
  ASSERT_EQ(areas.size(), 2u) << "the album and category areas";
  std::vector<HWND> display = ChildrenOfClass(main, "TCDPanelP");
  ASSERT_EQ(display.size(), 1u);
  const RECT before = ScreenRectOf(areas[0]);
  ASSERT_TRUE(MenuKeys(main, 'v', {{WM_CHAR, 'h'}})); // View, "&Hide music toolbar"
  ASSERT_TRUE(PumpUntil([&] { return ScreenRectOf(areas[0]).top < before.top; }, 10000))
      << "the album area stayed where it was";
  ASSERT_TRUE(FRun->Settled());
  // The tool row's height goes to both areas, which keep their bottoms.
  for (HWND area : areas) {
    RECT r = ScreenRectOf(area);
    EXPECT_EQ(r.top, ScreenRectOf(areas[0]).top);
    EXPECT_GE(before.top - r.top, 30) << "the areas moved up by the row's height";
    EXPECT_EQ(r.bottom, before.bottom);
  }
  // Loading, scanning, archiving and printing go with the row; the commands that titles are
  // dropped on stay, each whole, over nothing else.
  for (const char* gone : {"&Archive", "P&rint", "&Load", "S&can", "&Drives"}) {
    HWND button = FindChildByText(main, gone);
    EXPECT_TRUE(button && !IsWindowVisible(button)) << gone;
  }
  std::vector<RECT> shown;
  RECT client{};
  GetClientRect(main, &client);
  MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
  for (const char* stays : {"New &album", "&Web", "&Edit", "&Mail", "&Save", "&Delete"}) {
    SCOPED_TRACE(stays);
    HWND button = FindChildByText(main, stays);
    ASSERT_TRUE(button);
    EXPECT_TRUE(IsWindowVisible(button));
    RECT r = ScreenRectOf(button);
    RECT inside{};
    EXPECT_TRUE(IntersectRect(&inside, &r, &client) && EqualRect(&inside, &r)) << "cut off";
    for (HWND other : {areas[0], areas[1], display[0]})
      EXPECT_FALSE(Overlap(r, ScreenRectOf(other))) << ClassOf(other);
    for (const RECT& earlier : shown)
      EXPECT_FALSE(Overlap(r, earlier));
    shown.push_back(r);
  }
  CloseCleanly();
}

TEST_F(MainWindowRun, TheSaveDialogOpensCentredOverTheProgram) {
  TPlayerRegistry player(DocTypeName);
  PrepareCatalogue(FDir.Path(), 1);
  // A large window: a dialog set at its top left is far from its centre.
  Start("[Setup]\r\nRemindToScan=0\r\n[Format]\r\nTop=60\r\nLeft=100\r\nWidth=1000\r\nHeight="
        "760\r\n");
  HWND main = FRun->MainWindow();
  // Categories, down past play, sorting, the summary tab, new, rename, delete, mail and archive
  // to "&Save to disk", then "A&ll categories": one title, one dialog.
  std::vector<std::pair<UINT, WPARAM>> keys(9, {WM_KEYDOWN, VK_DOWN});
  keys.emplace_back(WM_KEYDOWN, VK_RIGHT);
  keys.emplace_back(WM_CHAR, 'l');
  FRun->Answer = [](const TRunningProgram::TAsked& box) {
    return box.Text.find("to disk?") != std::string::npos ? "&Yes" : "";
  };
  ASSERT_TRUE(MenuKeys(main, 'c', keys));
  HWND dialog = nullptr;
  auto saveDialog = [&] {
    runprog::TFound found{FRun->Pid(), "#32770", nullptr, true};
    EnumWindows(runprog::MatchWindow, reinterpret_cast<LPARAM>(&found));
    return found.Window;
  };
  ASSERT_TRUE(FRun->AnswerUntil([&] { return (dialog = saveDialog()) != nullptr; }, 30000));
  EXPECT_EQ(runprog::WindowText(dialog).rfind("Save ", 0), 0u) << runprog::WindowText(dialog);
  const RECT over = ScreenRectOf(main);
  RECT box{};
  // Placed once it has laid itself out.
  PumpUntil(
      [&] {
        box = ScreenRectOf(dialog);
        return std::abs((box.left + box.right) - (over.left + over.right)) <= 2;
      },
      5000);
  EXPECT_NEAR((box.left + box.right) / 2.0, (over.left + over.right) / 2.0, 1.0);
  EXPECT_NEAR((box.top + box.bottom) / 2.0, (over.top + over.bottom) / 2.0, 1.0);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(PumpUntil([&] { return saveDialog() == nullptr; }, 10000));
  CloseCleanly();
}

namespace {

int ColumnWidth(HWND list, int column) {
  DWORD_PTR width = 0;
  SendMessageTimeoutA(list, LVM_GETCOLUMNWIDTH, column, 0, SMTO_NORMAL, 10000, &width);
  return static_cast<int>(width);
}

// Presses at from, moves there in steps as a hand does, and lets go at to.
void DragWithMouse(POINT from, POINT to) {
  MouseTo(from);
  MouseInput(MOUSEEVENTF_LEFTDOWN);
  PumpQueued();
  for (int i = 1; i <= 8; ++i)
    MouseTo({from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8});
  MouseInput(MOUSEEVENTF_LEFTUP);
  PumpQueued();
}

} // namespace

TEST_F(MainWindowRun, TheAlbumListsNameColumnTakesTheRoomTheSplitterGivesIt) {
  Start("[Setup]\r\nRemindToScan=0\r\n[Format]\r\nTop=40\r\nLeft=40\r\nWidth=1000\r\nHeight="
        "600\r\nAlbPanelWidth=200\r\n");
  HWND main = FRun->MainWindow();
  std::vector<HWND> lists = ChildrenOfClass(main, "SysListView32");
  ASSERT_EQ(lists.size(), 1u);
  HWND list = lists[0];
  std::vector<HWND> areas = ChildrenOfClass(main, "TExtPageControl");
  ASSERT_EQ(areas.size(), 2u);
  const int titles = ColumnWidth(list, 1), duration = ColumnWidth(list, 2);
  auto nameWidth = [&] { return ColumnWidth(list, 0); };
  auto clientWidth = [&] {
    RECT r{};
    GetClientRect(list, &r);
    return static_cast<int>(r.right);
  };
  const int name = nameWidth(), client = clientWidth();
  // The splitter between the two areas, dragged about 250 pixels to the right and back.
  const RECT albums = ScreenRectOf(areas[0]), categories = ScreenRectOf(areas[1]);
  POINT split{(albums.right + categories.left) / 2, (albums.top + albums.bottom) / 2};
  DragWithMouse(split, {split.x + 250, split.y});
  ASSERT_TRUE(PumpUntil([&] { return clientWidth() >= client + 200; }, 10000))
      << "the album area did not widen";
  // The name takes all the new room; the counts keep their widths and reach the list's edge.
  EXPECT_TRUE(PumpUntil([&] { return nameWidth() == clientWidth() - titles - duration; }, 5000))
      << nameWidth() << " of " << clientWidth();
  const int wide = clientWidth(), wideName = nameWidth();
  EXPECT_GE(wideName, name + 200);
  EXPECT_EQ(ColumnWidth(list, 1), titles);
  EXPECT_EQ(ColumnWidth(list, 2), duration);
  // Back from where the splitter now stands (the mouse may have let go short of the end).
  ASSERT_TRUE(FRun->Settled());
  const RECT wideAlbums = ScreenRectOf(areas[0]), wideCategories = ScreenRectOf(areas[1]);
  DragWithMouse({(wideAlbums.right + wideCategories.left) / 2, split.y + 40},
                {split.x, split.y + 40});
  ASSERT_TRUE(PumpUntil([&] { return clientWidth() < wide - 150; }, 10000));
  // Narrowed, the name gives the room back, down to its least width.
  EXPECT_TRUE(PumpUntil(
      [&] { return nameWidth() == std::max(90, clientWidth() - titles - duration); }, 5000))
      << nameWidth() << " of " << clientWidth();
  EXPECT_LE(nameWidth(), wideName - 150);
  CloseCleanly();
}

TEST_F(MainWindowRun, TheScanQuestionComesInFrontOfTheSplashSaysHowToStopItAndTakesTheFirstClick) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=1\r\n");
  FRun = std::make_unique<TRunningProgram>(FDir.Path(), "");
  ASSERT_TRUE(FRun->Started());
  ASSERT_TRUE(FRun->WaitForMainWindow());
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] { return (box = FindProcessWindow(FRun->Pid(), "TMessageForm")) != nullptr; }, 60000));
  EXPECT_EQ(BoxText(box), "Scan your system to find all MIDI files (recommended)?\r\n\r\n"
                          "Options > Remind to scan switches this question off.");
  HWND splash = FindProcessWindow(FRun->Pid(), "TSplashFrm");
  EXPECT_FALSE(splash && IsWindowVisible(splash)) << "the splash still stands over the question";
  // The user's first click, on No, answers it.
  HWND no = FindChildByText(box, "&No");
  ASSERT_TRUE(no);
  const RECT button = ScreenRectOf(no);
  MouseTo({(button.left + button.right) / 2, (button.top + button.bottom) / 2});
  MouseInput(MOUSEEVENTF_LEFTDOWN);
  MouseInput(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000))
      << "the click did not reach the question";
  ASSERT_TRUE(FRun->AnswerAndClose());
  EXPECT_EQ(FRun->Boxes().size(), 0u) << "nothing more was asked";
}
