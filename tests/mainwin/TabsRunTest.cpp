// Tonalbrook.exe with many categories and albums, its tab areas read from outside as the tab
// controls they answer for: the pages keep two thirds of each area, Ctrl+Tab reaches every page,
// and the page keys and the arrows after a click turn the pages of the area in use only.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <climits>
#include <memory>
#include <utility>
#include "PreparedCatalogue.h"
#include "RunningProgram.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

BOOL CALLBACK CollectTabs(HWND w, LPARAM lp) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  if (std::string(name) == "TExtPageControl")
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

// A rectangle the tab control fills in through a pointer, asked across the processes.
RECT AskRect(HWND tabs, UINT msg, WPARAM wp, RECT r = {}) {
  runprog::InRemoteBuffer(
      tabs, &r, sizeof r, [](char*) {},
      [&](char* remote) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(tabs, msg, wp, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 10000,
                            &ignored);
      });
  return r;
}

int Selected(HWND tabs) {
  return static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
}

// The program takes the move before the press, or the press may come first and be lost.
void ClickAt(TRunningProgram& run, HWND w, POINT p) {
  ClientToScreen(w, &p);
  SetCursorPos(p.x, p.y);
  MouseInput(MOUSEEVENTF_MOVE);
  ASSERT_TRUE(run.Settled());
  MouseInput(MOUSEEVENTF_LEFTDOWN);
  MouseInput(MOUSEEVENTF_LEFTUP);
}

// The keyboard focus lies in area, on the window itself or inside it.
bool FocusIn(HWND area, bool itself = false) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(area, nullptr), &info)) return false;
  return info.hwndFocus == area || (!itself && IsChild(area, info.hwndFocus));
}

void Press(WORD key, bool ctrl = false, bool shift = false) {
  if (ctrl) KeyInput(VK_CONTROL, false);
  if (shift) KeyInput(VK_SHIFT, false);
  KeyInput(key, false);
  KeyInput(key, true);
  if (shift) KeyInput(VK_SHIFT, true);
  if (ctrl) KeyInput(VK_CONTROL, true);
}

bool TurnsTo(HWND tabs, int tab) {
  return PumpUntil([&] { return Selected(tabs) == tab; }, 10000);
}

POINT CentreOf(const RECT& r) {
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The pages keep two thirds of the area, less their frame; the selected tab shows inside the
// area, on the row next to the pages.
void ExpectPagesRoomAndSelectedTab(HWND tabs) {
  RECT client{};
  GetClientRect(tabs, &client);
  RECT pages = AskRect(tabs, TCM_ADJUSTRECT, FALSE, client);
  EXPECT_GE(pages.bottom - pages.top, client.bottom * 2 / 3 - 8) << "of " << client.bottom;
  RECT tab = AskRect(tabs, TCM_GETITEMRECT, Selected(tabs));
  EXPECT_GE(tab.top, 0);
  EXPECT_LT(tab.left, tab.right);
  EXPECT_LE(tab.right, client.right);
  EXPECT_NEAR(tab.bottom, pages.top, 6) << "tab " << Selected(tabs);
}

class TabsRun : public testing::Test {
protected:
  TScratchDir FDir{"tbtabsrun"};
  std::unique_ptr<TRunningProgram> FRun;
  HWND FAlbums = nullptr, FCategories = nullptr;

  // Started with count categories and as many albums, at the first start's size.
  void Start(int count) {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
    std::string cats, albums;
    for (int i = 0; i < count; ++i) {
      cats += ListRecord(i + 1, "Category " + IntToStr(i + 1), 72);
      albums += ListRecord(i + 1, "Album " + IntToStr(i + 1), 76);
    }
    WriteFileBytes(FDir / "Categories.dex", cats);
    WriteFileBytes(FDir / "Albums_A.dex", albums);
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
    FRun = std::make_unique<TRunningProgram>(FDir.Path(), "");
    ASSERT_TRUE(FRun->WaitForMainWindow());
    ASSERT_TRUE(FRun->AnswerUntil([&] { return FRun->StartUpDone(); }, 120000));
    // The splash stands over the tabs until it goes by itself.
    ASSERT_TRUE(FRun->WaitForSplashGone());
    HWND main = FRun->MainWindow();
    SetWindowPos(main, HWND_TOP, 0, 0, 585, 400, SWP_NOMOVE);
    ASSERT_TRUE(FRun->Settled());
    std::vector<HWND> areas;
    EnumChildWindows(main, CollectTabs, reinterpret_cast<LPARAM>(&areas));
    ASSERT_EQ(areas.size(), 2u);
    RECT a{}, b{};
    GetWindowRect(areas[0], &a);
    GetWindowRect(areas[1], &b);
    // The albums lie left of the categories.
    if (a.left > b.left) std::swap(areas[0], areas[1]);
    FAlbums = areas[0];
    FCategories = areas[1];
  }

  // From a click on the first tab, Ctrl+Tab turns every page in turn and back to the first.
  void CtrlTabThroughEveryPage(HWND tabs, int pages) {
    SCOPED_TRACE(tabs == FAlbums ? "albums" : "categories");
    ExpectPagesRoomAndSelectedTab(tabs);
    RECT first = AskRect(tabs, TCM_GETITEMRECT, 0);
    ClickAt(*FRun, tabs, {first.left + 8, (first.top + first.bottom) / 2});
    ASSERT_TRUE(PumpUntil([&] { return FocusIn(tabs); }, 10000));
    ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), pages);
    for (int i = 1; i <= pages; ++i) {
      Press(VK_TAB, true);
      ASSERT_TRUE(TurnsTo(tabs, i % pages)) << i;
      if (i % 10 == 0 || i >= pages - 1) ExpectPagesRoomAndSelectedTab(tabs);
    }
  }
};

TEST_F(TabsRun, TwentyOfEachLeaveThePagesTwoThirdsAndThePageKeysTurnTheAreaInUse) {
  Start(20);
  CtrlTabThroughEveryPage(FAlbums, 21);
  CtrlTabThroughEveryPage(FCategories, 21);

  // A click on a tab leaves the focus on the tabs: Right chooses the next one.
  RECT second = AskRect(FAlbums, TCM_GETITEMRECT, 1);
  ASSERT_LT(second.left, second.right) << "the second album tab shows";
  ClickAt(*FRun, FAlbums, CentreOf(second));
  ASSERT_TRUE(TurnsTo(FAlbums, 1));
  EXPECT_TRUE(PumpUntil([&] { return FocusIn(FAlbums, true); }, 10000));
  Press(VK_RIGHT);
  EXPECT_TRUE(TurnsTo(FAlbums, 2));
  Press(VK_NEXT, true);
  EXPECT_TRUE(TurnsTo(FAlbums, 3));
  Press(VK_PRIOR, true);
  EXPECT_TRUE(TurnsTo(FAlbums, 2));
  EXPECT_EQ(Selected(FCategories), 0);

  // In the list of all titles, the page keys turn the categories' pages, round the ends.
  RECT pages{};
  GetClientRect(FCategories, &pages);
  ClickAt(*FRun, FCategories, CentreOf(AskRect(FCategories, TCM_ADJUSTRECT, FALSE, pages)));
  ASSERT_TRUE(
      PumpUntil([&] { return FocusIn(FCategories) && !FocusIn(FCategories, true); }, 10000));
  Press(VK_TAB, true, true);
  EXPECT_TRUE(TurnsTo(FCategories, 20));
  Press(VK_NEXT, true);
  EXPECT_TRUE(TurnsTo(FCategories, 0));
  Press(VK_TAB, true);
  EXPECT_TRUE(TurnsTo(FCategories, 1));
  EXPECT_EQ(Selected(FAlbums), 2);
  ASSERT_TRUE(FRun->AnswerAndClose());
}

TEST_F(TabsRun, TwoHundredOfEachLeaveThePagesTwoThirdsAndCtrlTabReachesEveryPage) {
  Start(200);
  ExpectPagesRoomAndSelectedTab(FCategories);
  // The narrow albums' area: one tab to a row, and only a few rows in sight.
  CtrlTabThroughEveryPage(FAlbums, 201);
  ASSERT_TRUE(FRun->AnswerAndClose());
}

TEST_F(TabsRun, MaximisedTheMouseScrollsToTheLastCategoryAndChoosesIt) {
  Start(200);
  HWND main = FRun->MainWindow();
  PostMessageA(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(main) != FALSE; }, 10000));
  ASSERT_TRUE(FRun->Settled());
  ExpectPagesRoomAndSelectedTab(FAlbums);
  ExpectPagesRoomAndSelectedTab(FCategories);
  auto shown = [&](int tab) {
    RECT r = AskRect(FCategories, TCM_GETITEMRECT, tab);
    return r.left < r.right;
  };
  ASSERT_FALSE(shown(200)) << "the last rows are scrolled away at first";
  // The arrows stand at the end of the outermost row; the forward one is the right half.
  int outermost = INT_MAX;
  for (int tab = 0; tab <= 200; ++tab)
    if (shown(tab))
      outermost = std::min<int>(outermost, AskRect(FCategories, TCM_GETITEMRECT, tab).top);
  RECT client{};
  GetClientRect(FCategories, &client);
  RECT first = AskRect(FCategories, TCM_GETITEMRECT, 0);
  POINT forward{client.right - 5, outermost + (first.bottom - first.top) / 2};
  for (int clicks = 0; !shown(200) && clicks < 100; ++clicks)
    ASSERT_NO_FATAL_FAILURE(ClickAt(*FRun, FCategories, forward));
  ASSERT_TRUE(shown(200)) << "the arrow brought the last row in sight";
  ClickAt(*FRun, FCategories, CentreOf(AskRect(FCategories, TCM_GETITEMRECT, 200)));
  ASSERT_TRUE(TurnsTo(FCategories, 200));
  ExpectPagesRoomAndSelectedTab(FCategories);
  ASSERT_TRUE(FRun->AnswerAndClose());
}

} // namespace
