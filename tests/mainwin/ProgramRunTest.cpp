// Tonalbrook.exe itself, started in a scratch program folder: its message boxes answered, closed
// as a user would, and a second start handing its command line to the first.
#include <gtest/gtest.h>
#include "DataCodeD2.h"
#include "FileAssoc.h"
#include "MainCodeD2.h"
#include "PlayerRegistry.h"
#include "PreparedCatalogue.h"
#include <windows.h>
#include <algorithm>
#include "Handles.h"
#include "IniFiles.h"
#include "Messages.h"
#include "SysUtils.h"
#include "RunningProgram.h"
#include "TestCapture.h"
#include "TestUtil.h"

namespace {

class ProgramRun : public testing::Test {
protected:
  TScratchDir FDir{"tbrun"};
  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
  }
  // The program's window up and its start-up done.
  static void WaitStartedUp(TRunningProgram& run) {
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitForMainWindow());
    ASSERT_TRUE(run.AnswerUntil([&] { return run.StartUpDone(); }, 120000));
  }
};

TEST_F(ProgramRun, FirstAndSecondRunPrepareFoldersWriteSettingsAndCloseCleanly) {
  ForceDirectories(FDir / "TempZips");
  ForceDirectories(FDir / "TempTrash");
  ForceDirectories(FDir / "BackUp");
  WriteFileBytes(FDir / "TempZips\\left.zip", "x");
  WriteFileBytes(FDir / "TempTrash\\S.dat", "x");
  WriteFileBytes(FDir / "TempTrash\\kept.mid", "x");
  WriteFileBytes(FDir / "BackUp\\Music.dax", "x");
  WriteFileBytes(FDir / "AInternal.MID", "MThd");
  // Another program is the default player: the first run asks to scan, then to take its place;
  // No to the first and Yes to the second makes Tonalbrook the default player.
  TPlayerRegistry formerPlayer("midfile");
  {
    TRunningProgram run(FDir.Path(), "");
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitForMainWindow());
    ASSERT_TRUE(run.AnswerAndClose({"&No", "&Yes"}));
    EXPECT_EQ(run.ExitCode(), 0u);
    // The two questions, then the note that the program is the default player now.
    EXPECT_EQ(run.Asked(), (std::vector<std::string>{"Confirm", "Confirm", "Information"}));
    EXPECT_EQ(run.Boxes()[1].Text,
              "Make Tonalbrook your default Windows MIDI player (recommended)?");
    EXPECT_TRUE(IsDefaultMIDIPlayer()) << "the second question was the default player's";
    EXPECT_EQ(ReadFileBytes(FDir / OldMidKeyFile), "midfile\r\n");
  }
  for (const char* name : {"TempTune", "TempZips", "TempMail", "TempTrash", "BackUp"})
    EXPECT_TRUE(DirectoryExists(FDir / name)) << name;
  EXPECT_FALSE(FileExists(FDir / "TempZips\\left.zip"));
  EXPECT_FALSE(FileExists(FDir / "TempTrash\\S.dat"));
  EXPECT_TRUE(FileExists(FDir / "TempTrash\\kept.mid"));
  EXPECT_TRUE(FileExists(FDir / "BackUp\\Music.dax"));
  EXPECT_EQ(ReadFileBytes(FDir / "QXmidiX.ico"),
            ReadFileBytes(WinPath(EnvVar("TB_SOURCE_DIR") + "/app/res/Tonalbrook.ico")))
      << "the document type's icon, written from the program's own";
  EXPECT_FALSE(FileExists(FDir / "AInternal.MID")) << "the play file is deleted at shutdown";
  ASSERT_TRUE(FileExists(FDir / "Tonalbrook.ini"));
  {
    TIniFile ini(FDir / "Tonalbrook.ini");
    EXPECT_EQ(ini.ReadInteger("Setup", "AutoLooping", -1), 1);
    EXPECT_EQ(ini.ReadInteger("Setup", "RemindToScan", -1), 1);
    EXPECT_EQ(ini.ReadInteger("Setup", "ShowTools", -1), 1);
    EXPECT_EQ(ini.ReadInteger("Setup", "MIDIOutPort", -1), 0);
    EXPECT_EQ(ini.ReadInteger("Format", "Width", -1), 585);
    EXPECT_EQ(ini.ReadInteger("Format", "Height", -1), 400);
    EXPECT_EQ(ini.ReadInteger("Format", "AlbPanelWidth", -1), 200);
  }

  // Not the first run any more: only the reminder to scan is asked again.
  TRunningProgram again(FDir.Path(), "");
  ASSERT_TRUE(again.Started());
  ASSERT_TRUE(again.WaitForMainWindow());
  ASSERT_TRUE(again.AnswerAndClose());
  EXPECT_EQ(again.Asked(), std::vector<std::string>{"Confirm"});
}

TEST_F(ProgramRun, AFirstRunAsTheDefaultPlayerAlreadyAsksOnlyToScan) {
  TPlayerRegistry player(DocTypeName);
  TRunningProgram run(FDir.Path(), "");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(run.Asked(), std::vector<std::string>{"Confirm"});
  EXPECT_FALSE(FileExists(FDir / OldMidKeyFile));
}

TEST_F(ProgramRun, AWindowStoredFarOffTheScreenOpensOnItAndIsSavedThere) {
  WriteFileBytes(FDir / "Tonalbrook.ini",
                 "[Setup]\r\nRemindToScan=0\r\n[Format]\r\nTop=99999\r\nLeft=99999\r\n");
  TRunningProgram run(FDir.Path(), "");
  WaitStartedUp(run);
  RECT work{}, window{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  ASSERT_TRUE(GetWindowRect(run.MainWindow(), &window));
  EXPECT_TRUE(window.left >= work.left && window.right <= work.right && window.top >= work.top &&
              window.bottom <= work.bottom)
      << window.left << "," << window.top;
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_EQ(ini.ReadInteger("Format", "Left", -1), window.left);
  EXPECT_EQ(ini.ReadInteger("Format", "Top", -1), window.top);
}

TEST_F(ProgramRun, StartsMadeAtTheSameMomentLeaveOneInstance) {
  // As when several files are opened at once from the shell.
  std::vector<std::unique_ptr<TRunningProgram>> runs;
  for (const char* name : {"a.mid", "b.mid", "c.mid"})
    runs.push_back(std::make_unique<TRunningProgram>(FDir.Path(), "P" + FDir.Path() + name));
  for (auto& run : runs)
    ASSERT_TRUE(run->Started());
  auto ended = [&] {
    int n = 0;
    for (auto& run : runs)
      n += run->Ended() ? 1 : 0;
    return n;
  };
  ASSERT_TRUE(PumpUntil([&] { return ended() == 2; }, 120000)) << ended() << " ended";
  TRunningProgram* survivor = nullptr;
  for (auto& run : runs)
    if (run->Ended())
      EXPECT_EQ(run->ExitCode(), 0u) << "a later start hands over and ends";
    else
      survivor = run.get();
  ASSERT_NE(survivor, nullptr);
  ASSERT_TRUE(survivor->WaitForMainWindow());
  ASSERT_TRUE(PumpUntil([&] { return survivor->StartUpDone() || survivor->Ended(); }, 60000));
  EXPECT_EQ(ended(), 2) << "the one instance runs on";
  ASSERT_TRUE(survivor->AnswerAndClose());
  EXPECT_TRUE(survivor->Asked().empty()) << "starts with parameters ask nothing";
  EXPECT_EQ(survivor->ExitCode(), 0u);
}

TEST_F(ProgramRun, MinimisedStartAndASecondStartHandingOverItsCommandLine) {
  TRunningProgram first(FDir.Path(), "M");
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(first.WaitForMainWindow());
  HWND main = first.MainWindow();
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(main) != FALSE; }, 60000))
      << "a start with M is minimised";

  // The second start finds the first, hands over its parameters and ends at once.
  TRunningProgram second(FDir.Path(), "P" + FDir.Path() + "absent.mid");
  ASSERT_TRUE(second.Started());
  ASSERT_TRUE(PumpUntil([&] { return second.Ended(); }, 120000));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_EQ(second.MainWindow(), nullptr);
  // The first instance restores itself when it receives them.
  EXPECT_TRUE(PumpUntil([&] { return !IsIconic(main); }, 60000));
  EXPECT_FALSE(first.Ended());

  ASSERT_TRUE(first.AnswerAndClose());
  EXPECT_TRUE(first.Asked().empty()) << "a start with parameters asks nothing";
  EXPECT_TRUE(FileExists(FDir / "Tonalbrook.ini"));
}

TEST_F(ProgramRun, TheCatalogueIsKeptAcrossTwoStarts) {
  // The program is the default player already: each start asks only to scan.
  TPlayerRegistry player(DocTypeName);
  TPrepared cat = PrepareCatalogue(FDir.Path());
  ASSERT_GE(cat.Keys.size(), 3u);
  // The program writes its lists at shutdown: gone before, there again after. Both album files
  // go: album rows without their album file would be damage.
  DeleteFile(FDir / "Albums_A.dex");
  DeleteFile(FDir / "Albums_AT.dex");
  DeleteFile(FDir / "Categories.dex.bak");
  for (int start = 1; start <= 2; ++start) {
    TRunningProgram run(FDir.Path(), "");
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitForMainWindow());
    // A plain start puts up the splash while the catalogue loads.
    EXPECT_TRUE(PumpUntil(
        [&] {
          for (HWND w = FindWindowExA(nullptr, nullptr, "TSplashFrm", nullptr); w;
               w = FindWindowExA(nullptr, w, "TSplashFrm", nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == run.Pid() && IsWindowVisible(w)) return true;
          }
          return false;
        },
        30000))
        << start;
    ASSERT_TRUE(run.AnswerAndClose()); // No to the reminder to scan
    EXPECT_EQ(run.Asked(), std::vector<std::string>{"Confirm"}) << start;
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_TRUE(FileExists(FDir / "Albums_A.dex")) << start;
    TMyDB db;
    db.Open(FDir / "Music");
    EXPECT_EQ(db.LiveCount(), static_cast<int>(cat.Keys.size())) << start;
    for (int32_t key : cat.Keys)
      EXPECT_NE(db.IdToRecNo(key), 0) << start << " key " << key;
    db.Close();
    TCatList cats(FDir.Path());
    cats.LoadFromFile(CategoriesName, nullptr);
    EXPECT_EQ(cats.Count(), 2) << start;
  }
}

} // namespace

TEST_F(ProgramRun, ThePlugInsMixerRequestShowsTheMixerWindowCentred) {
  TPlayerRegistry player(DocTypeName);
  TRunningProgram run(FDir.Path(), "");
  ASSERT_NO_FATAL_FAILURE(WaitStartedUp(run));
  const size_t asked = run.Asked().size();
  HWND main = run.MainWindow();
  HWND mixer = FindProcessWindow(run.Pid(), "TMixerFrmF");
  ASSERT_TRUE(mixer) << "made at start-up";
  EXPECT_FALSE(IsWindowVisible(mixer));
  DWORD_PTR result = 1;
  ASSERT_TRUE(SendMessageTimeoutA(main, RegisterWindowMessageA("QX_ShowMixerWindow"), 0, 0,
                                  SMTO_NORMAL, 20000, &result));
  EXPECT_EQ(result, 0u);
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(mixer) != FALSE; }, 20000));
  char caption[64] = {};
  GetWindowTextA(mixer, caption, sizeof caption);
  EXPECT_STREQ(caption, " Tonalbrook sound control");
  RECT m, w;
  GetWindowRect(main, &m);
  GetWindowRect(mixer, &w);
  EXPECT_NEAR((w.left + w.right) / 2, (m.left + m.right) / 2, 2);
  EXPECT_NEAR((w.top + w.bottom) / 2, (m.top + m.bottom) / 2, 2);
  EXPECT_FALSE(run.AnswerBox()) << "no box";
  EXPECT_EQ(run.Asked().size(), asked);
  // The close is posted behind whatever the request posted in turn, and the boxes are watched
  // until the program has ended: a box that came of the request would be among them.
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(run.Asked().size(), asked) << "no box";
}

namespace {

struct TSystemBox {
  DWORD Pid;
  HWND Window = nullptr;
};

BOOL CALLBACK FindSystemBox(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TSystemBox*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  char name[16] = {};
  GetClassNameA(w, name, sizeof name);
  if (owner != f->Pid || std::string(name) != "#32770" || !IsWindowVisible(w)) return TRUE;
  f->Window = w;
  return FALSE;
}

} // namespace

TEST_F(ProgramRun, ViewHelpFileSaysPlainlyThatNoHelpIsInstalled) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  TRunningProgram run(FDir.Path(), "");
  ASSERT_NO_FATAL_FAILURE(WaitStartedUp(run));
  // Help > View help file from the keyboard, as a user without a mouse would choose it.
  HWND main = run.MainWindow();
  PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 'h');
  ASSERT_TRUE(PumpUntil(
      [&] {
        HWND menu = FindProcessWindow(run.Pid(), "#32768");
        return menu && IsWindowVisible(menu);
      },
      30000))
      << "the Help menu is open";
  PostMessageA(main, WM_CHAR, 'v', 0);
  TSystemBox box{run.Pid()};
  ASSERT_TRUE(PumpUntil(
      [&] {
        EnumWindows(FindSystemBox, reinterpret_cast<LPARAM>(&box));
        return box.Window != nullptr;
      },
      30000));
  const std::string text = BoxText(box.Window);
  EXPECT_EQ(text.rfind("The help file is not installed", 0), 0u) << text;
  EXPECT_NE(UpperCase(text).find("TONALBROOK.HLP"), std::string::npos) << text;
  PostMessageA(box.Window, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(run.Asked().empty());
}

namespace {

// The names of a list file's records, in file order.
std::vector<std::string> RecordNames(const std::string& bytes, size_t size) {
  std::vector<std::string> names;
  for (size_t at = 0; at + size <= bytes.size(); at += size)
    names.push_back(bytes.substr(at + 17, static_cast<unsigned char>(bytes[at + 16])));
  return names;
}

struct TShownMenus {
  DWORD Pid;
  int Count = 0;
};

BOOL CALLBACK CountShownMenus(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TShownMenus*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  char name[16] = {};
  GetClassNameA(w, name, sizeof name);
  if (owner == f->Pid && std::string(name) == "#32768" && IsWindowVisible(w)) ++f->Count;
  return TRUE;
}

// How many menu windows of the process are open (a pop-up, its sub-menu).
int ShownMenus(DWORD pid) {
  TShownMenus found{pid};
  EnumWindows(CountShownMenus, reinterpret_cast<LPARAM>(&found));
  return found.Count;
}

} // namespace

TEST_F(ProgramRun, AReadOnlySettingsFileIsReportedOnceAndTheCloseSavesEverythingElse) {
  TPlayerRegistry player(DocTypeName);
  TPrepared cat = PrepareCatalogue(FDir.Path());
  // A nameless category, dropped when the list is written at the close, and a second album that
  // the close writes before "Evening" (albums are written in name order).
  {
    std::string cats = ReadFileBytes(FDir / "Categories.dex");
    ASSERT_EQ(RecordNames(cats, 72), (std::vector<std::string>{"Folk", "Jazz"}));
    WriteFileBytes(FDir / "Categories.dex", cats + ListRecord(999, "", 72));
    std::string albums = ReadFileBytes(FDir / "Albums_A.dex");
    ASSERT_EQ(RecordNames(albums, 76), std::vector<std::string>{"Evening"});
    WriteFileBytes(FDir / "Albums_A.dex", albums + ListRecord(77, "Autumn", 76));
  }
  const std::string ini = FDir / "Tonalbrook.ini";
  const std::string settings = "[Setup]\r\nRemindToScan=0\r\nShowTools=1\r\n";
  WriteFileBytes(ini, settings);
  ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  // Under Wine a process running as root still writes a read-only file; held open by another
  // program that shares it only for reading, it refuses writes as a read-only file does.
  HANDLE held =
      CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  {
    TRunningProgram run(FDir.Path(), "");
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitForMainWindow());
    // One close only: the program must end on it.
    ASSERT_TRUE(run.AnswerAndClose());
    EXPECT_EQ(run.ExitCode(), 0u);
    int settingsBoxes = 0;
    for (const auto& box : run.Boxes())
      if (box.Text.find("Tonalbrook.ini") != std::string::npos) {
        ++settingsBoxes;
        EXPECT_NE(box.Text.find("Unable to write to"), std::string::npos) << box.Text;
      }
    EXPECT_EQ(settingsBoxes, 1) << "the mail settings and the program's share the file";
    EXPECT_EQ(run.Boxes().size(), 1u);
  }
  CloseHandle(held);
  SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(ini), settings) << "the read-only file is left as it was";
  // Everything else was saved.
  EXPECT_EQ(RecordNames(ReadFileBytes(FDir / "Categories.dex"), 72),
            (std::vector<std::string>{"Folk", "Jazz"}));
  EXPECT_EQ(RecordNames(ReadFileBytes(FDir / "Albums_A.dex"), 76),
            (std::vector<std::string>{"Autumn", "Evening"}));
  EXPECT_EQ(ReadFileBytes(FDir / "Albums_AT.dex").size(), 2u * 672u);
  EXPECT_TRUE(FileExists(FDir / "Artists.dex"));
  TMyDB db;
  db.Open(FDir / "Music");
  EXPECT_EQ(db.LiveCount(), static_cast<int>(cat.Keys.size()));
  db.Close();
}

TEST_F(ProgramRun, ASharedMenuLetterSelectsInTurnAndEnterRunsTheSelectedEntry) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\nAutoLooping=0\r\n");
  TRunningProgram run(FDir.Path(), "");
  ASSERT_NO_FATAL_FAILURE(WaitStartedUp(run));
  HWND main = run.MainWindow();
  auto openOptions = [&] {
    PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 'o');
    return PumpUntil([&] { return ShownMenus(run.Pid()) == 1; }, 30000);
  };
  auto type = [&](const char* letters) {
    for (const char* c = letters; *c; ++c)
      PostMessageA(main, WM_CHAR, static_cast<unsigned char>(*c), 0);
    PostMessageA(main, WM_KEYDOWN, VK_RETURN, 0);
  };
  // "&Looping" and "&Launch on Windows start": the menu opens on Looping, so L selects the
  // next entry with the letter, whose sub-menu Enter opens; Looping is not run on the way.
  ASSERT_TRUE(openOptions()) << "the Options menu is open";
  type("l");
  EXPECT_TRUE(PumpUntil([&] { return ShownMenus(run.Pid()) == 2; }, 30000))
      << "Enter opened the sub-menu of the second entry with the letter";
  PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(PumpUntil([&] { return ShownMenus(run.Pid()) == 0; }, 30000));
  // A second L comes round to Looping again, and Enter runs it.
  ASSERT_TRUE(openOptions());
  type("ll");
  ASSERT_TRUE(PumpUntil([&] { return ShownMenus(run.Pid()) == 0; }, 30000));
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_TRUE(ini.ReadBool("Setup", "AutoLooping", false)) << "Looping was ticked once";
}

namespace {

// The columns of a button window where its caption left ink (anything but the face colour
// between rows clear of the frame), read from the screen.
std::pair<int, int> ShownInkColumns(HWND button) {
  RECT r{};
  GetWindowRect(button, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  COLORREF face = GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
  int first = w, last = -1;
  for (int x = 0; x < w; ++x)
    for (int y = 4; y < h - 4; ++y) {
      COLORREF c = GetPixel(screen, r.left + x, r.top + y) & 0xFFFFFF;
      COLORREF frameRow = GetPixel(screen, r.left + x, r.top + 2) & 0xFFFFFF;
      if (c != face && c != frameRow) {
        first = std::min(first, x);
        last = x;
        break;
      }
    }
  ReleaseDC(nullptr, screen);
  return {first, last};
}

// Across the display panel's first line, read from the screen: the last column of the caption's
// grey ink and the first column of its value's ink (cyan, or green while it flashes).
std::pair<int, int> ShownCaptionAndValueColumns(HWND panel, int lineTop, int lineHeight) {
  RECT r{};
  GetWindowRect(panel, &r);
  TClientDC screen(nullptr);
  int captionEnd = -1, valueStart = -1;
  for (int x = 0; x < (r.right - r.left) / 2; ++x)
    for (int y = lineTop; y < lineTop + lineHeight; ++y) {
      COLORREF c = GetPixel(screen, r.left + x, r.top + y);
      int red = GetRValue(c), green = GetGValue(c), blue = GetBValue(c);
      if (red > 0 && red == green && green == blue) captionEnd = std::max(captionEnd, x);
      if (red == 0 && green > 0 && valueStart < 0) valueStart = x;
    }
  return {captionEnd, valueStart};
}

} // namespace

// Another program closing this one (End task, a shutdown helper) posts the close, and it may come
// while a menu is open; the program ends and keeps its work as after any close.
TEST_F(ProgramRun, ACloseFromOutsideWhileAMenuIsOpenEndsTheProgramAndKeepsItsWork) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  TRunningProgram run(FDir.Path(), "");
  ASSERT_NO_FATAL_FAILURE(WaitStartedUp(run));
  HWND main = run.MainWindow();
  PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 'v');
  ASSERT_TRUE(PumpUntil([&] { return ShownMenus(run.Pid()) == 1; }, 30000)) << "the View menu";
  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(run.WaitForEnd(60000)) << "the program ended";
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(FileExists(FDir / "Music.dex")) << "the catalogue was written";
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_EQ(ini.ReadInteger("Format", "Width", 0), 585) << "the settings were saved";
}

TEST_F(ProgramRun, ShuffleAndEraseShowTheirCaptionsClearOfTheirFramesOnTheScreen) {
  ASSERT_EQ(ScreenDpi(), AskedScreenDpi());
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  TRunningProgram run(FDir.Path(), "");
  ASSERT_NO_FATAL_FAILURE(WaitStartedUp(run));
  HWND main = run.MainWindow();
  SetForegroundWindow(main);
  TGdiObject<HFONT> font(CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                     DEFAULT_QUALITY, 0, "MS Sans Serif"));
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int width : {585, 500}) { // the first size and the smallest
    SetWindowPos(main, HWND_TOP, 0, 0, width, 400, SWP_NOMOVE);
    for (const char* caption : {"Shuffle", "Erase"}) {
      SCOPED_TRACE(std::to_string(width) + " " + caption);
      const std::vector<int> whole = UnclippedCaptionInk(caption, font.Get(), false);
      HWND button = FindChildByText(main, caption);
      ASSERT_TRUE(button);
      RECT r{};
      GetWindowRect(button, &r);
      std::pair<int, int> ink{0, -1};
      // Painted once the resize has gone through the program's queue.
      PumpUntil(
          [&] {
            ink = ShownInkColumns(button);
            return ink.first <= ink.second;
          },
          10000);
      ASSERT_LE(ink.first, ink.second) << "the caption is drawn";
      // Frame 2 pixels, the focus line 4 pixels in, a pixel to spare: 5 each side.
      EXPECT_GE(ink.first, 5);
      EXPECT_LE(ink.second, r.right - r.left - 1 - 5);
      // All of the caption shows: every column of ink that its letters have when drawn without
      // a clip, in the class library's font (disabled: nothing is in the program yet).
      InflateRect(&r, -5, -5);
      std::vector<int> shown;
      PumpUntil([&] { return (shown = InkColumns(nullptr, r, face)) == whole; }, 5000);
      EXPECT_EQ(shown, whole);
    }
  }
  // The display panel's "Category" ends before its value begins, at any screen resolution.
  runprog::TChildFind find{[](HWND w) {
    char name[32] = {};
    GetClassNameA(w, name, sizeof name);
    return std::string(name) == "TCDPanelP";
  }};
  EnumChildWindows(main, runprog::MatchChild, reinterpret_cast<LPARAM>(&find));
  ASSERT_TRUE(find.Window);
  std::pair<int, int> line{-1, -1};
  // The first line's ink lies in its top rows, clear of the line below at either resolution.
  PumpUntil(
      [&] {
        line = ShownCaptionAndValueColumns(find.Window, 3, 14);
        return line.first >= 0 && line.second >= 0;
      },
      10000);
  ASSERT_GE(line.first, 0) << "\"Category\" is drawn";
  ASSERT_GE(line.second, 0) << "its value is drawn";
  EXPECT_LT(line.first + 2, line.second) << "\"Category\" runs into its value";
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
}

TEST_F(ProgramRun, TheProgramButtonShowsTheProgramViewerWithNothingToShuffleOrClear) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  TRunningProgram run(FDir.Path(), "");
  ASSERT_NO_FATAL_FAILURE(WaitStartedUp(run));
  HWND main = run.MainWindow();
  HWND programButton = FindChildByText(main, "...");
  ASSERT_TRUE(programButton);
  PostMessageA(programButton, BM_CLICK, 0, 0);
  HWND viewer = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        viewer = FindProcessWindow(run.Pid(), "TViewProgFrm");
        return viewer && IsWindowVisible(viewer);
      },
      30000));
  EXPECT_EQ(runprog::WindowText(viewer), "Music program titles");
  // The program is empty: the viewer's and the main window's program buttons are all off.
  HWND shuffle = FindChildByText(viewer, "&Shuffle"), clear = FindChildByText(viewer, "&Clear"),
       close = FindChildByText(viewer, "C&lose");
  ASSERT_TRUE(shuffle && clear && close);
  EXPECT_FALSE(IsWindowEnabled(shuffle));
  EXPECT_FALSE(IsWindowEnabled(clear));
  EXPECT_FALSE(IsWindowEnabled(FindChildByText(main, "Shuffle")));
  EXPECT_FALSE(IsWindowEnabled(FindChildByText(main, "Erase")));
  PostMessageA(close, BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(viewer); }, 30000));
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
}
