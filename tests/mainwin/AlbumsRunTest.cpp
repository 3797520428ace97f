// Tonalbrook.exe itself keeps album work through a crash: each change made through its menus and
// with the mouse (create, add titles, move rows, remove a title, delete) is followed by
// TerminateProcess, and the next start shows it. The album files
// left after each end are kept for tests/checks/mainwin_albums.py, which reads them by their
// record layout.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <functional>
#include <map>
#include "DataCodeD2.h"
#include "Handles.h"
#include "PlayerRegistry.h"
#include "PreparedCatalogue.h"
#include "RunningProgram.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

void MoveTo(POINT p) {
  SetCursorPos(p.x, p.y);
  MouseInput(MOUSEEVENTF_MOVE);
  PumpQueued();
}

void Click(POINT p, bool shift = false) {
  MoveTo(p);
  if (shift) KeyInput(VK_SHIFT, false);
  MouseInput(MOUSEEVENTF_LEFTDOWN);
  MouseInput(MOUSEEVENTF_LEFTUP);
  if (shift) KeyInput(VK_SHIFT, true);
  // The program takes the click in its own time, as in the other whole-program tests.
  PumpUntil([] { return false; }, 300);
}

// Presses at from, moves there in steps as a hand does, and lets go at to.
void DragWithMouse(POINT from, POINT to) {
  MoveTo(from);
  MouseInput(MOUSEEVENTF_LEFTDOWN);
  PumpQueued();
  for (int i = 1; i <= 10; ++i)
    MoveTo({from.x + (to.x - from.x) * i / 10, from.y + (to.y - from.y) * i / 10});
  PumpUntil([] { return false; }, 100);
  MouseInput(MOUSEEVENTF_LEFTUP);
  PumpQueued();
}

using runprog::ClassOf;
using runprog::CollectChild;

HWND AlbumList(HWND main) {
  std::vector<HWND> all;
  EnumChildWindows(main, CollectChild, reinterpret_cast<LPARAM>(&all));
  for (HWND w : all)
    if (ClassOf(w) == "SysListView32") return w;
  return nullptr;
}

// The album list as its lines show it: name and number of titles.
std::map<std::string, std::string> AlbumLines(HWND list) {
  std::map<std::string, std::string> lines;
  int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i)
    lines[ListViewText(list, i)] = ListViewText(list, i, 1);
  return lines;
}

int AlbumLine(HWND list, const std::string& name) {
  int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i)
    if (ListViewText(list, i) == name) return i;
  return -1;
}

POINT CentreOf(const RECT& r) {
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The centre of a grid's data row (row 1 is the first under the header): rows of 16 pixels and a
// line, as the grid draws them.
POINT RowCentre(HWND grid, int row) {
  POINT p{60, row * 17 + 8};
  ClientToScreen(grid, &p);
  return p;
}

// The titles of a grid's data rows, in order; column is where the title stands.
std::vector<std::string> TitlesOf(HWND grid, size_t column) {
  std::vector<std::string> titles;
  auto rows = GridRows(grid);
  for (size_t r = 1; r < rows.size(); ++r)
    if (rows[r].size() > column && !rows[r][column].empty()) titles.push_back(rows[r][column]);
  return titles;
}

// The visible menus of the process, the newest (topmost) first.
std::vector<HWND> Menus(DWORD pid) {
  std::vector<HWND> all, menus;
  EnumWindows(CollectChild, reinterpret_cast<LPARAM>(&all));
  for (HWND w : all) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid && IsWindowVisible(w) && ClassOf(w) == "#32768") menus.push_back(w);
  }
  return menus;
}

// Works a menu bar entry with the keyboard: each letter goes to the menu level it belongs to,
// once that level shows.
bool MenuLetters(HWND main, DWORD pid, char bar, const std::string& letters) {
  PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, static_cast<unsigned char>(bar));
  for (size_t level = 0; level < letters.size(); ++level) {
    std::vector<HWND> menus;
    auto shown = [&] { return (menus = Menus(pid)).size() == level + 1; };
    // The menu bar's menu comes whatever the letter: on a busy machine it may be slow to.
    if (!PumpUntil(shown, level == 0 ? 20000 : 3000) && level > 0 && menus.size() == level) {
      // A letter that two items share only selects the first; Enter opens it.
      PostMessageA(menus.front(), WM_KEYDOWN, VK_RETURN, 0);
      PumpUntil(shown, 10000);
    }
    if (menus.size() != level + 1) return false;
    PostMessageA(menus.front(), WM_CHAR, static_cast<unsigned char>(letters[level]), 0);
  }
  return true;
}

class AlbumsRun : public testing::Test {
protected:
  TScratchDir FDir{"tbalbums"};
  std::string FChecks = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\mainwin_albums\\";
  std::unique_ptr<TRunningProgram> FRun;

  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
    // Not a first start, and no reminder to scan: a start asks nothing. A window large enough to
    // show the titles and the album lines side by side.
    WriteFileBytes(FDir / "Tonalbrook.ini",
                   "[Setup]\r\nFullScanDone=1\r\nRemindToScan=0\r\n"
                   "[Format]\r\nTop=10\r\nLeft=10\r\nWidth=1000\r\nHeight=700\r\n");
  }

  // A fresh start, up and idle; the album list as it shows after loading.
  std::map<std::string, std::string> Start() {
    FRun = std::make_unique<TRunningProgram>(FDir.Path(), "");
    EXPECT_TRUE(FRun->Started());
    EXPECT_TRUE(FRun->WaitForMainWindow());
    EXPECT_TRUE(FRun->AnswerUntil([&] { return FRun->StartUpDone(); }, 120000));
    EXPECT_TRUE(FRun->Boxes().empty());
    SetForegroundWindow(FRun->MainWindow());
    PumpQueued();
    return AlbumLines(AlbumList(FRun->MainWindow()));
  }

  // Ends the program as a crash would, once it has done what it was asked, and keeps what it
  // left on the disk under the step's name.
  void Crash(const std::string& step) {
    ASSERT_TRUE(FRun->Settled());
    ASSERT_TRUE(FRun->Kill());
    FRun.reset();
    // The saves were whole: no work file is left beside the lists.
    WIN32_FIND_DATAA found{};
    TFindHandle search(FindFirstFileA((FDir / "*.new").c_str(), &found));
    EXPECT_FALSE(search.Valid()) << found.cFileName;
    std::string dir = FChecks + step + "\\";
    ForceDirectories(dir);
    for (const char* f : {"Albums_A.dex", "Albums_AT.dex", "Categories.dex", "Music.dex"})
      CopyFileA((FDir / f).c_str(), (dir + f).c_str(), FALSE);
  }

  void ShowAlbumPage(const std::string& name) {
    HWND list = AlbumList(FRun->MainWindow());
    int line = AlbumLine(list, name);
    ASSERT_GE(line, 0) << name;
    POINT p = CentreOf(ListViewItemRect(list, line, LVIR_LABEL));
    MoveTo(p);
    MouseInput(MOUSEEVENTF_LEFTDOWN);
    MouseInput(MOUSEEVENTF_LEFTUP);
    MouseInput(MOUSEEVENTF_LEFTDOWN);
    MouseInput(MOUSEEVENTF_LEFTUP);
    PumpQueued();
    ASSERT_TRUE(
        PumpUntil([&] { return GridWithHeader(FRun->MainWindow(), "Artist") != nullptr; }, 10000));
  }

  void NameDialog(const std::string& name) {
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
          return (dialog = FindProcessWindow(FRun->Pid(), "TRenamer")) && IsWindowVisible(dialog);
        },
        10000));
    std::vector<HWND> all;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&all));
    auto edit = std::find_if(all.begin(), all.end(), [](HWND w) { return ClassOf(w) == "Edit"; });
    ASSERT_NE(edit, all.end());
    SendMessageA(*edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(FindChildByText(dialog, "OK"), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(dialog); }, 10000));
  }
};

} // namespace

TEST_F(AlbumsRun, EachAlbumChangeIsFoundAfterTheProgramIsKilled) {
  RemoveTree(FChecks);
  ForceDirectories(FChecks);
  TPlayerRegistry player(DocTypeName);
  TPrepared cat = PrepareCatalogue(FDir.Path(), 4);
  ASSERT_EQ(cat.Keys.size(), 4u);
  std::string keys;
  for (int32_t k : cat.Keys)
    keys += IntToStr(k) + " ";
  WriteFileBytes(FChecks + "keys.txt", keys);

  // A new album through the Albums menu.
  auto lines = Start();
  EXPECT_EQ(lines, (std::map<std::string, std::string>{{"Evening", "2"}}));
  ASSERT_TRUE(MenuKeys(FRun->MainWindow(), 'a', {{WM_CHAR, 'n'}})); // "Create &new album"
  NameDialog("Road");
  ASSERT_TRUE(
      PumpUntil([&] { return AlbumLine(AlbumList(FRun->MainWindow()), "Road") >= 0; }, 10000));
  Crash("1_created");

  // Three titles of the all-titles grid dropped on the album's line.
  lines = Start();
  EXPECT_EQ(lines, (std::map<std::string, std::string>{{"Evening", "2"}, {"Road", "0"}}));
  HWND all = GridWithHeader(FRun->MainWindow(), "Category");
  ASSERT_TRUE(all);
  Click(RowCentre(all, 1));
  Click(RowCentre(all, 3), true);
  HWND list = AlbumList(FRun->MainWindow());
  // Dropped on the album's name, as a user aims.
  DragWithMouse(RowCentre(all, 2),
                CentreOf(ListViewItemRect(list, AlbumLine(list, "Road"), LVIR_LABEL)));
  ASSERT_TRUE(PumpUntil([&] { return AlbumLines(list)["Road"] == "3"; }, 10000))
      << AlbumLines(list)["Road"];
  Crash("2_added");

  // The album's first row dragged below its third on the album's page.
  lines = Start();
  EXPECT_EQ(lines, (std::map<std::string, std::string>{{"Evening", "2"}, {"Road", "3"}}));
  ShowAlbumPage("Road");
  HWND grid = GridWithHeader(FRun->MainWindow(), "Artist");
  std::vector<std::string> before = TitlesOf(grid, 1);
  ASSERT_EQ(before.size(), 3u);
  // Pressing the row selects it; a click first would make the press a double click.
  DragWithMouse(RowCentre(grid, 1), RowCentre(grid, 3));
  std::vector<std::string> after;
  EXPECT_TRUE(PumpUntil([&] { return (after = TitlesOf(grid, 1)) != before; }, 10000))
      << "the rows did not move";
  EXPECT_TRUE(std::is_permutation(after.begin(), after.end(), before.begin(), before.end()));
  Crash("3_moved");

  // The album's first title removed through Albums, Delete, Titles selected.
  lines = Start();
  EXPECT_EQ(lines, (std::map<std::string, std::string>{{"Evening", "2"}, {"Road", "3"}}));
  list = AlbumList(FRun->MainWindow());
  ShowAlbumPage("Road");
  grid = GridWithHeader(FRun->MainWindow(), "Artist");
  EXPECT_EQ(TitlesOf(grid, 1), after) << "the order moved to is kept";
  Click(RowCentre(grid, 1));
  FRun->Answer = [](const TRunningProgram::TAsked&) { return std::string("OK"); };
  ASSERT_TRUE(MenuLetters(FRun->MainWindow(), FRun->Pid(), 'a', "dt")); // Delete, Titles selected
  ASSERT_TRUE(FRun->AnswerUntil([&] { return AlbumLines(list)["Road"] == "2"; }, 10000));
  ASSERT_EQ(FRun->Boxes().size(), 1u);
  EXPECT_EQ(FRun->Boxes()[0].Text, "Delete this title from album \"Road\"?");
  Crash("4_removed");

  // Deleted through Albums, Delete, Album selected.
  lines = Start();
  EXPECT_EQ(lines, (std::map<std::string, std::string>{{"Evening", "2"}, {"Road", "2"}}));
  ShowAlbumPage("Road");
  Click(RowCentre(GridWithHeader(FRun->MainWindow(), "Artist"), 1));
  FRun->Answer = [](const TRunningProgram::TAsked&) { return std::string("OK"); };
  ASSERT_TRUE(MenuLetters(FRun->MainWindow(), FRun->Pid(), 'a', "da")); // Delete, Album selected
  list = AlbumList(FRun->MainWindow());
  ASSERT_TRUE(FRun->AnswerUntil([&] { return AlbumLine(list, "Road") < 0; }, 10000));
  ASSERT_EQ(FRun->Boxes().size(), 1u);
  EXPECT_EQ(FRun->Boxes()[0].Text, "Permanently delete album \"Road\"?");
  Crash("5_deleted");

  lines = Start();
  EXPECT_EQ(lines, (std::map<std::string, std::string>{{"Evening", "2"}}));
  ASSERT_TRUE(FRun->Kill());
}

TEST_F(AlbumsRun, InHelpModeAClickOrEnterOnAnAlbumsLineShowsHelpInsteadOfOpeningIt) {
  TPlayerRegistry player(DocTypeName);
  PrepareCatalogue(FDir.Path(), 4);
  EXPECT_EQ(Start(), (std::map<std::string, std::string>{{"Evening", "2"}}));
  HWND main = FRun->MainWindow(), list = AlbumList(main);
  const int line = AlbumLine(list, "Evening");
  ASSERT_GE(line, 0);
  auto albumPageShown = [&] { return GridWithHeader(main, "Artist") != nullptr; };
  // No help file is installed beside the program: help says so in a box of the system's.
  auto helpBox = [&] {
    runprog::TFound found{FRun->Pid(), "#32770", nullptr, true};
    EnumWindows(runprog::MatchWindow, reinterpret_cast<LPARAM>(&found));
    return found.Window;
  };
  auto enter = [&] {
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(list, WM_KEYUP, VK_RETURN, 0xC0000001);
  };
  const std::pair<const char*, std::function<void()>> gestures[] = {
      {"click", [&] { Click(CentreOf(ListViewItemRect(list, line, LVIR_LABEL))); }},
      {"Enter", enter}};
  for (const auto& [name, gesture] : gestures) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(MenuKeys(main, 'h', {{WM_CHAR, 'u'}})); // "&Use help cursor"
    ASSERT_TRUE(FRun->Settled());
    gesture();
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (box = helpBox()) != nullptr; }, 10000))
        << "help did not take the " << name;
    EXPECT_NE(BoxText(box).find("help file"), std::string::npos) << BoxText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return helpBox() == nullptr; }, 10000));
    ASSERT_TRUE(FRun->Settled());
    EXPECT_FALSE(albumPageShown()) << "the album opened in help mode";
    // Help mode ended with the gesture: a click on the line only chooses it (away from the
    // gesture's click, which would make a double click of the two).
    RECT label = ListViewItemRect(list, line, LVIR_LABEL);
    Click({label.left + 6, CentreOf(label).y});
    ASSERT_TRUE(FRun->Settled());
    EXPECT_EQ(helpBox(), nullptr) << "help mode outlived the " << name;
  }
  // Help mode has ended: Enter opens the album's page.
  enter();
  EXPECT_TRUE(PumpUntil(albumPageShown, 10000));
  ASSERT_TRUE(FRun->AnswerAndClose());
  EXPECT_TRUE(FRun->Boxes().empty());
}

TEST_F(AlbumsRun, ANewAlbumsLineShowsNoTitlesAndNoDurationAtOnceAsAfterARestart) {
  TPlayerRegistry player(DocTypeName);
  PrepareCatalogue(FDir.Path(), 4);
  Start();
  ASSERT_TRUE(MenuKeys(FRun->MainWindow(), 'a', {{WM_CHAR, 'n'}})); // "Create &new album"
  NameDialog("Road");
  HWND list = AlbumList(FRun->MainWindow());
  int line = -1;
  ASSERT_TRUE(PumpUntil([&] { return (line = AlbumLine(list, "Road")) >= 0; }, 10000));
  auto shown = [&] {
    return std::vector<std::string>{ListViewText(list, line, 1), ListViewText(list, line, 2)};
  };
  EXPECT_EQ(shown(), (std::vector<std::string>{"0", "0:00"}));
  ASSERT_TRUE(FRun->AnswerAndClose());
  // The next start shows the same line.
  Start();
  list = AlbumList(FRun->MainWindow());
  line = AlbumLine(list, "Road");
  ASSERT_GE(line, 0);
  EXPECT_EQ(shown(), (std::vector<std::string>{"0", "0:00"}));
  ASSERT_TRUE(FRun->AnswerAndClose());
}
