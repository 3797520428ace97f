// Tonalbrook.exe itself with the visual effects running on the recorded sine: the menu bar, a tab
// pop-up and the title pop-up of the catalogue grid, each driven by real mouse and keyboard input
// from this process, still carry out the command chosen.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include "../mainwin/PreparedCatalogue.h"
#include "Graphics.h"
#include "Messages.h"
#include "RunningProgram.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

void Wait(uint32_t ms) {
  PumpUntil([] { return false; }, ms);
}

void Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
  Wait(80);
}

void Press(WORD vk) {
  Key(vk, false);
  Key(vk, true);
}

void Mouse(DWORD flags, POINT p = {}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  SendInput(1, &in, sizeof in);
  Wait(80);
}

// Moves there (menus select the item under the mouse) and clicks with that button.
void Click(POINT p, bool right = false) {
  Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {p.x - 2, p.y - 2});
  Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p);
  Mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
  Mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

void DoubleClick(POINT p) {
  Click(p);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Mouse(MOUSEEVENTF_LEFTUP);
}

// The screen as it is, saved under build/out/screenshots for a look after a failure.
void ScreenShot(const std::string& name) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  TBitmap shot(w, h);
  HDC screen = GetDC(nullptr);
  BitBlt(shot.Canvas().Handle(), 0, 0, w, h, screen, 0, 0, SRCCOPY);
  ReleaseDC(nullptr, screen);
  const std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\screenshots\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  shot.SaveToFile(dir + "effectsrun_" + name + ".bmp");
}

std::string ClassOf(HWND w) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  return name;
}

struct TWindows {
  DWORD Pid;
  std::vector<HWND> Found;
};

BOOL CALLBACK Collect(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TWindows*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if (owner == f->Pid && IsWindowVisible(w)) f->Found.push_back(w);
  return TRUE;
}

// The process's visible top-level windows.
std::vector<HWND> Windows(DWORD pid) {
  TWindows f{pid, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&f));
  return f.Found;
}

struct TChildren {
  std::string Class;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectChild(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TChildren*>(lp);
  if (IsWindowVisible(w) && ClassOf(w).find(f->Class) != std::string::npos) f->Found.push_back(w);
  return TRUE;
}

std::vector<HWND> Children(HWND parent, const char* cls) {
  TChildren f{cls, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&f));
  return f.Found;
}

RECT ScreenRect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

POINT ClientOrigin(HWND w) {
  POINT p{0, 0};
  ClientToScreen(w, &p);
  return p;
}

// The width of a text in the menus' font.
int MenuTextWidth(const char* text) {
  NONCLIENTMETRICSA m{};
  m.cbSize = sizeof m;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontIndirectA(&m.lfMenuFont);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE s{};
  GetTextExtentPoint32A(dc, text, int(strlen(text)), &s);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return s.cx;
}

// Where the items sit in the pop-ups (every item of one height, no separators). The categories'
// tab pop-up: Play, Print, Sort titles by, the summary tab switch, Tab colours, Create new
// category, Rename category, Delete, Mail, Archive and Save to disk.
constexpr int PopUpItems = 11, NewCategoryIndex = 5;
// The title pop-up while a program plays: the three places to play, Cancel, Edit, Delete, Mail and
// Save to disk.
constexpr int TitleItems = 8, EditIndex = 4;

class EffectsRun : public testing::Test {
protected:
  TScratchDir FDir{"tbfx"};
  std::unique_ptr<TRunningProgram> FRun;
  HWND FMain = nullptr;

  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
    PrepareCatalogue(FDir.Path());
    // The effects on, with every display of the music panel ticked; nothing asked at start.
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nShowTools=1\r\nFullScanDone=1\r\n"
                                            "RemindToScan=0\r\n[Visual]\r\nVisE=1\r\nSpecBars=1\r\n"
                                            "Lights=1\r\nSpecGraph=1\r\n[Format]\r\nLeft=10\r\n"
                                            "Top=10\r\nWidth=900\r\nHeight=700\r\n");
    FRun = std::make_unique<TRunningProgram>(FDir.Path(), "");
    ASSERT_TRUE(FRun->Started());
    ASSERT_TRUE(FRun->WaitForMainWindow());
    ASSERT_TRUE(FRun->AnswerUntil([&] { return FRun->StartUpDone(); }, 60000));
    FMain = FRun->MainWindow();
    SetForegroundWindow(FMain);
    const bool lit = PumpUntil([&] { return LevelBarsLit(); }, 20000);
    if (!lit) {
      ScreenShot("no_level_bars");
      RECT r = ScreenRect(FMain);
      ADD_FAILURE() << "main window " << r.left << "," << r.top << " " << r.right << "," << r.bottom
                    << " visible " << IsWindowVisible(FMain) << " iconic " << IsIconic(FMain)
                    << " foreground " << (GetForegroundWindow() == FMain) << " answers "
                    << SendMessageTimeoutA(FMain, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, nullptr);
    }
    ASSERT_TRUE(lit) << "the level bars never showed the sine";
  }

  void TearDown() override {
    if (!FRun) return;
    Press(VK_ESCAPE);
    Press(VK_ESCAPE);
    EXPECT_TRUE(FRun->AnswerAndClose());
  }

  // Shows the music panel's displays (View, the music toolbar's switch, by keyboard) and answers
  // the panel: the largest panel of the main window.
  HWND ShowDisplays() {
    Key(VK_MENU, false);
    Press('V');
    Key(VK_MENU, true);
    if (!OpenMenu()) return nullptr;
    Press(VK_UP); // the last item, Tab colours
    Press(VK_UP); // the music toolbar's switch: "&Show visual effects"
    Press(VK_RETURN);
    Wait(1000);
    HWND panel = nullptr;
    auto area = [](HWND w) {
      RECT r = ScreenRect(w);
      return (r.right - r.left) * (r.bottom - r.top);
    };
    for (HWND p : Children(FMain, "TPanel"))
      if (!panel || area(p) > area(panel)) panel = p;
    return panel;
  }

  // Points across the lower part of a panel, where the spectrogram scrolls.
  std::vector<COLORREF> Sample(HWND panel) {
    RECT r = ScreenRect(panel);
    std::vector<COLORREF> points;
    HDC dc = GetDC(nullptr);
    for (int k = 0; k < 3; ++k) {
      const int y = r.bottom - (r.bottom - r.top) * (4 + 3 * k) / 36;
      for (int x = r.left + 10; x < r.right - 10; x += 12)
        points.push_back(GetPixel(dc, x, y));
    }
    ReleaseDC(nullptr, dc);
    return points;
  }

  // The level bars at the top of the main window show some of their active colour (cyan): the
  // recorder runs and the connector draws.
  bool LevelBarsLit() {
    POINT origin = ClientOrigin(FMain);
    HDC dc = GetDC(nullptr);
    int lit = 0;
    // The bars are spots with gaps between them: a few columns are looked at.
    for (int x = origin.x + 60; x < origin.x + 64; ++x)
      for (int y = origin.y; y < origin.y + 140; ++y)
        lit += GetPixel(dc, x, y) == RGB(0, 255, 255);
    ReleaseDC(nullptr, dc);
    return lit > 0;
  }

  // Waits for a new window of the program (a dialog or a message box) that was not up before;
  // answers its class and closes it (No or Cancel for a message box).
  std::string NewWindowAfter(const std::vector<HWND>& before) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
          for (HWND w : Windows(FRun->Pid()))
            if (std::find(before.begin(), before.end(), w) == before.end() &&
                ClassOf(w) != "#32768")
              found = w;
          return found != nullptr;
        },
        10000);
    if (!found) return "";
    const std::string cls = ClassOf(found);
    if (cls == "TMessageForm") {
      FRun->AnswerBox({"&No"});
    } else {
      PostMessageA(found, WM_CLOSE, 0, 0);
    }
    PumpUntil([&] { return !IsWindow(found) || !IsWindowVisible(found); }, 10000);
    return cls;
  }

  // The open menu's window.
  HWND OpenMenu(const std::string& shot = "") {
    HWND menu = nullptr;
    PumpUntil([&] { return (menu = FindProcessWindow(FRun->Pid(), "#32768")) != nullptr; }, 5000);
    if (menu) Wait(150);
    if (!shot.empty()) ScreenShot(shot);
    return menu;
  }

  // The point in the middle of item index of an open menu whose items are all of one height.
  POINT MenuItem(HWND menu, int index, int count) {
    RECT r = ScreenRect(menu);
    const int border = 3, h = (r.bottom - r.top - 2 * border) / count;
    return {(r.left + r.right) / 2, r.top + border + index * h + h / 2};
  }

  RECT CategoriesTabs() {
    std::vector<HWND> pages = Children(FMain, "TExtPageControl");
    EXPECT_EQ(pages.size(), 2u);
    // The categories are right of the albums.
    HWND right = pages.empty() ? nullptr : pages[0];
    for (HWND p : pages)
      if (ScreenRect(p).left > ScreenRect(right).left) right = p;
    return ScreenRect(right);
  }

  // The first title row of the all-titles grid.
  POINT FirstTitle() {
    std::vector<HWND> grids = Children(FMain, "TMyStringGrid");
    HWND widest = nullptr;
    for (HWND g : grids)
      if (!widest || ScreenRect(g).right - ScreenRect(g).left >
                         ScreenRect(widest).right - ScreenRect(widest).left)
        widest = g;
    EXPECT_NE(widest, nullptr);
    POINT o = ClientOrigin(widest);
    return {o.x + 30, o.y + 17 + 8}; // below the heading row of 16 pixels and its grid line
  }
};

} // namespace

TEST_F(EffectsRun, TheMenuBarTakesKeysAndClicks) {
  // The displays of the music panel are shown: the spectrogram scrolls on in the open menu.
  HWND panel = ShowDisplays();
  ASSERT_NE(panel, nullptr);
  // File, Open by keyboard: Alt+F opens the menu on its first item.
  std::vector<HWND> before = Windows(FRun->Pid());
  Key(VK_MENU, false);
  Press('F');
  Key(VK_MENU, true);
  ASSERT_NE(OpenMenu(), nullptr) << "Alt+F opened no menu";
  const std::vector<COLORREF> first = Sample(panel);
  bool moved = false;
  PumpUntil([&] { return moved = Sample(panel) != first; }, 3000);
  EXPECT_TRUE(moved) << "the displays stood still while the menu was open";
  Press(VK_RETURN);
  const std::string byKeys = NewWindowAfter(before);
  EXPECT_FALSE(byKeys.empty()) << "File, Open by keyboard showed nothing";

  // By mouse: a click on "File" in the bar, then on its first item.
  SetForegroundWindow(FMain);
  Wait(200);
  before = Windows(FRun->Pid());
  POINT o = ClientOrigin(FMain);
  const int bar = GetSystemMetrics(SM_CYMENU);
  Click({o.x + 4 + MenuTextWidth("File") / 2, o.y - bar / 2});
  HWND menu = OpenMenu("file_menu");
  ASSERT_NE(menu, nullptr) << "a click on File opened no menu";
  RECT r = ScreenRect(menu);
  Click({(r.left + r.right) / 2, r.top + 3 + 8});
  EXPECT_EQ(NewWindowAfter(before), byKeys) << "File, Open by mouse";
  EXPECT_TRUE(LevelBarsLit());
}

TEST_F(EffectsRun, TheCategoryTabPopUpTakesKeysAndClicks) {
  RECT tabs = CategoriesTabs();
  const POINT tab{tabs.left + 40, tabs.top + 10};
  // "Create &new category" by its key: the name box comes up.
  std::vector<HWND> before = Windows(FRun->Pid());
  Click(tab, true);
  ASSERT_NE(OpenMenu(), nullptr) << "no pop-up on the tabs";
  Press('N');
  const std::string byKeys = NewWindowAfter(before);
  EXPECT_FALSE(byKeys.empty()) << "the new category's name box did not come up";

  // By mouse: the same item, clicked.
  before = Windows(FRun->Pid());
  Click(tab, true);
  HWND menu = OpenMenu("tab_popup");
  ASSERT_NE(menu, nullptr);
  Click(MenuItem(menu, NewCategoryIndex, PopUpItems));
  EXPECT_EQ(NewWindowAfter(before), byKeys) << "Create new category by mouse";
  EXPECT_TRUE(LevelBarsLit());
}

TEST_F(EffectsRun, TheTitlePopUpTakesKeysAndClicks) {
  // A title played makes a program, so that the next titles are offered in the pop-up.
  const POINT title = FirstTitle();
  DoubleClick(title);
  FRun->AnswerUntil([] { return false; }, 1500);
  // "&Edit" by its key: the title editor comes up.
  std::vector<HWND> before = Windows(FRun->Pid());
  Click(title, true);
  ASSERT_NE(OpenMenu(), nullptr) << "no title pop-up";
  Press('E');
  const std::string byKeys = NewWindowAfter(before);
  EXPECT_FALSE(byKeys.empty()) << "the title editor did not come up";

  before = Windows(FRun->Pid());
  Click(title, true);
  HWND menu = OpenMenu("title_popup");
  ASSERT_NE(menu, nullptr);
  Click(MenuItem(menu, EditIndex, TitleItems));
  EXPECT_EQ(NewWindowAfter(before), byKeys) << "Edit by mouse";
  EXPECT_TRUE(LevelBarsLit());
}
