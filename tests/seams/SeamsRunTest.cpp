// Tonalbrook.exe itself using what the tests elsewhere replace: the system's help viewer, shell,
// registry, drives, mixer devices, dial-up library, compression manager, dialogs (printer setup
// included), message boxes, pop-up menus, file operations, the application's exception handler
// and the plug-in manager's links to the main window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <ras.h>
#include <tlhelp32.h>
#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include "DataCodeD2.h"
#include "FileAssoc.h"
#include "PlayerRegistry.h"
#include "PlugInTestKit.h"
#include "Registry.h"
#include "RunningProgram.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

struct TWindowFind {
  DWORD Pid;
  std::function<bool(HWND)> Match;
  HWND Window = nullptr;
};

BOOL CALLBACK MatchTopWindow(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TWindowFind*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if ((f->Pid == 0 || owner == f->Pid) && IsWindowVisible(w) && f->Match(w)) {
    f->Window = w;
    return FALSE;
  }
  return TRUE;
}

using runprog::ChildrenOfClass;
using runprog::ClassOf;

// A visible top-level window of the process (any process for pid 0) with that class, and that
// caption unless it is empty.
HWND VisibleWindow(DWORD pid, const std::string& cls, const std::string& caption = "") {
  TWindowFind find{pid, [&](HWND w) {
                     return (cls.empty() || ClassOf(w) == cls) &&
                            (caption.empty() || runprog::WindowText(w) == caption);
                   }};
  EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&find));
  return find.Window;
}

// A combo box's items; asked in UTF-16, which Wine carries between processes whole.
std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t wide[512] = {};
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
    char text[512] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    items.push_back(text);
  }
  return items;
}

// Runs a console command of Wine's and answers what it printed.
std::string CommandOutput(const std::string& commandLine, const std::string& scratch) {
  std::string outName = scratch + "command.out";
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE out =
      CreateFileA(outName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = out;
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  CloseHandle(out);
  return ReadFileBytes(outName);
}

// A registry value of the current user's or the classes' tree as it was, put back afterwards.
class TKeptValue {
public:
  TKeptValue(HRootKey root, const std::string& key, const std::string& name)
      : FRoot(root), FKey(key), FName(name) {
    TRegistry reg(0x20019); // KEY_READ
    reg.SetRootKey(root);
    if (reg.OpenKey(key, false) && reg.ValueExists(name)) FFormer = reg.ReadString(name);
  }
  ~TKeptValue() {
    TRegistry reg;
    reg.SetRootKey(FRoot);
    if (FFormer)
      Write(*FFormer);
    else if (reg.OpenKey(FKey, false))
      reg.DeleteValue(FName);
  }
  TKeptValue(const TKeptValue&) = delete;
  TKeptValue& operator=(const TKeptValue&) = delete;
  void Write(const std::string& value) {
    TRegistry reg;
    reg.SetRootKey(FRoot);
    if (reg.OpenKey(FKey, true)) reg.WriteString(FName, value);
  }

private:
  HRootKey FRoot;
  std::string FKey, FName;
  std::optional<std::string> FFormer;
};

class SeamsRun : public testing::Test {
protected:
  TScratchDir FDir{"tbseams"};
  // The program is the default player already: a start asks only to scan (answered No).
  TPlayerRegistry FPlayer{DocTypeName};
  std::unique_ptr<TRunningProgram> FRun;

  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
  }
  // Starts the program and answers its start-up questions; nullptr when that failed.
  TRunningProgram* Start(const std::string& params = "") {
    FRun = std::make_unique<TRunningProgram>(FDir.Path(), params);
    if (!FRun->Started() || !FRun->WaitForMainWindow() ||
        !FRun->AnswerUntil([&] { return FRun->StartUpDone(); }, 120000))
      return nullptr;
    // The splash closes a few seconds into the start; its going would close a menu being worked.
    PumpUntil([&] { return VisibleWindow(FRun->Pid(), "TSplashFrm") == nullptr; }, 30000);
    return FRun.get();
  }
  void CloseCleanly() {
    ASSERT_TRUE(FRun->AnswerAndClose());
    EXPECT_EQ(FRun->ExitCode(), 0u);
  }
};

// The static texts of a dialog box.
std::string StaticTexts(HWND box) {
  std::string text;
  for (HWND w : ChildrenOfClass(box, "Static"))
    text += runprog::WindowText(w) + "\n";
  return text;
}

TEST_F(SeamsRun, ViewHelpFileOpensTheProgramsHelpFileInTheSystemsViewer) {
  // With no help file the program says so itself; a file in its place goes to the system's viewer.
  WriteFileBytes(FDir / "Tonalbrook.hlp", "not a help file");
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  ASSERT_TRUE(MenuKeys(run->MainWindow(), 'h', {{WM_CHAR, 'v'}})); // "&View help file"
  // Wine's help viewer, a program of its own, keeps a hidden window of that class.
  HWND viewer = nullptr;
  ASSERT_TRUE(
      PumpUntil([&] { return (viewer = FindWindowA("MS_WINHELP", nullptr)) != nullptr; }, 60000));
  DWORD viewerPid = 0;
  GetWindowThreadProcessId(viewer, &viewerPid);
  EXPECT_NE(viewerPid, run->Pid());
  HANDLE viewerProc = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, viewerPid);
  // The file is no help file: the viewer says so, naming the program's own.
  std::string said;
  HWND box = nullptr;
  EXPECT_TRUE(
      PumpUntil([&] { return (box = VisibleWindow(viewerPid, "#32770")) != nullptr; }, 30000));
  while (box) {
    said += StaticTexts(box);
    for (int answer : {IDNO, IDOK, IDCANCEL})
      if (IsWindow(box) && IsWindowVisible(box)) {
        PostMessageA(box, WM_COMMAND, answer, 0);
        PumpUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 2000);
      }
    PumpUntil([&] { return (box = VisibleWindow(viewerPid, "#32770")) != nullptr; }, 2000);
  }
  EXPECT_NE(LowerCase(said).find("tonalbrook.hlp"), std::string::npos) << said;
  if (IsWindow(viewer)) PostMessageA(viewer, WM_CLOSE, 0, 0);
  if (viewerProc) {
    if (WaitForSingleObject(viewerProc, 20000) != WAIT_OBJECT_0) TerminateProcess(viewerProc, 1);
    CloseHandle(viewerProc);
  }
  CloseCleanly();
}

TEST_F(SeamsRun, EmailHandsTheSupportAddressToTheRegisteredMailProgram) {
  // The user's mail program is whatever the "mailto" protocol names: here a command that notes
  // the address it was given.
  TKeptValue handler(HKeyClassesRoot(), "\\mailto\\shell\\open\\command", "");
  std::string note = FDir / "mailto.txt";
  handler.Write("cmd.exe /c echo %1>\"" + note + "\"");
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  ASSERT_TRUE(MenuKeys(run->MainWindow(), 'h', {{WM_CHAR, 'e'}})); // "&Email"
  EXPECT_TRUE(run->AnswerUntil([&] { return FileSize(note) > 0; }, 60000));
  EXPECT_EQ(Trim(ReadFileBytes(note)), "mailto:support@tonalbrook.example");
  CloseCleanly();
  for (const TRunningProgram::TAsked& box : run->Boxes())
    EXPECT_EQ(box.Text.find("failed"), std::string::npos) << box.Text;
}

TEST_F(SeamsRun, LaunchOnWindowsStartWritesTheRunValueThatRegReads) {
  TKeptValue former(HKeyCurrentUser(), RunKey, RunValueName);
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  HWND main = run->MainWindow();
  const std::string query = "reg.exe query HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run "
                            "/v Tonalbrook";
  // Options, down past looping, the resets, the reminder and the two default-player entries to
  // "&Launch on Windows start", right into its choices ("&Launch" shares its letter).
  std::vector<std::pair<UINT, WPARAM>> launch(5, {WM_KEYDOWN, VK_DOWN});
  launch.emplace_back(WM_KEYDOWN, VK_RIGHT);
  auto choose = [&](char letter) {
    auto keys = launch;
    keys.emplace_back(WM_CHAR, letter);
    return MenuKeys(main, 'o', keys);
  };
  ASSERT_TRUE(choose('m')); // "&Minimized"
  std::string out;
  EXPECT_TRUE(PumpUntil(
      [&] {
        out = CommandOutput(query, FDir.Path());
        return out.find("Tonalbrook.exe") != std::string::npos;
      },
      30000));
  EXPECT_NE(out.find("\"" + FDir.Path() + "Tonalbrook.exe\" M"), std::string::npos) << out;
  ASSERT_TRUE(choose('t')); // "No&t"
  EXPECT_TRUE(PumpUntil(
      [&] {
        out = CommandOutput(query, FDir.Path());
        return out.find("Tonalbrook.exe") == std::string::npos;
      },
      30000))
      << out;
  CloseCleanly();
}

TEST_F(SeamsRun, AFailingCommandIsReportedByTheApplicationsExceptionBox) {
  // Another program is the default player, and the backup of its setting cannot be written.
  TPlayerRegistry former("midfile");
  ForceDirectories(FDir / OldMidKeyFile);
  TRunningProgram* run = Start(); // No to taking its place at start-up
  ASSERT_TRUE(run);
  const size_t asked = run->Boxes().size();
  ASSERT_TRUE(MenuKeys(run->MainWindow(), 'o', {{WM_CHAR, 'm'}})); // "Set as default ... &MIDI"
  ASSERT_TRUE(run->AnswerUntil([&] { return run->Boxes().size() > asked; }, 30000));
  EXPECT_EQ(run->Boxes().back().Caption, "Error");
  EXPECT_EQ(run->Boxes().back().Text,
            "Application exception:\r\n\r\nUnable to save key data for .mid");
  EXPECT_EQ(TPlayerRegistry::Read(".mid"), "midfile") << "the former player keeps its place";
  CloseCleanly();
}

TEST_F(SeamsRun, AStartWhoseFirstInstanceNeverAnswersSaysSoAndEndsWhenGivenUp) {
  // A first instance that took the start-up lock and then hung before making its window. The lock
  // is let go however the test ends, or every later start would wait on it.
  std::unique_ptr<void, void (*)(HANDLE)> lock(CreateMutexA(nullptr, TRUE, "TMasterFrm.OnceOnly"),
                                               [](HANDLE h) {
                                                 ReleaseMutex(h);
                                                 CloseHandle(h);
                                               });
  ASSERT_TRUE(lock);
  TRunningProgram second(FDir.Path(), "M");
  ASSERT_TRUE(second.Started());
  HWND note = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        return (note = VisibleWindow(second.Pid(), "THandOffNote")) != nullptr || second.Ended();
      },
      60000));
  ASSERT_TRUE(note) << "it waits, and says so";
  EXPECT_EQ(runprog::WindowText(note), "Tonalbrook");
  EXPECT_EQ(BoxText(note), "Tonalbrook is busy.\r\nWaiting for it to answer...");
  PostMessageA(note, WM_COMMAND, IDCANCEL, 0);
  // No file was to be handed over: given up, it ends without a further word.
  EXPECT_TRUE(second.WaitForEnd(20000));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_EQ(second.MainWindow(), nullptr) << "it started no window of its own";
}

TEST_F(SeamsRun, TheSystemScanListsTheMachinesFixedDrives) {
  std::vector<std::string> fixed;
  DWORD mask = GetLogicalDrives();
  for (char c = 'A'; c <= 'Z'; ++c)
    if (mask & (1u << (c - 'A')) &&
        GetDriveTypeA((std::string(1, c) + ":\\").c_str()) == DRIVE_FIXED)
      fixed.push_back(std::string(1, c));
  ASSERT_FALSE(fixed.empty());
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  ASSERT_TRUE(MenuKeys(run->MainWindow(), 'f', {{WM_CHAR, 's'}})); // "&Scan system for ..."
  HWND scan = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] { return (scan = VisibleWindow(run->Pid(), "TScanStatus")) != nullptr; }, 30000));
  HWND start = FindChildByText(scan, "&Scan system");
  ASSERT_TRUE(start);
  HWND list = ChildrenOfClass(scan, "SysListView32").at(0);
  PostMessageA(start, BM_CLICK, 0, 0);
  // The rows are listed before the walk starts; it is stopped at once (Z: is the whole host).
  EXPECT_TRUE(PumpUntil(
      [&] {
        return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) >= static_cast<LRESULT>(fixed.size());
      },
      30000));
  std::vector<std::string> rows;
  for (int i = 0; i < SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); ++i)
    rows.push_back(ListViewText(list, i));
  EXPECT_TRUE(PumpUntil(
      [&] {
        HWND w = VisibleWindow(run->Pid(), "TScanStatus");
        if (!w) return true;
        for (HWND b : ChildrenOfClass(w, "Button"))
          if (runprog::WindowText(b) == "Stop" && IsWindowEnabled(b))
            PostMessageA(b, BM_CLICK, 0, 0);
        return false;
      },
      60000, 5));
  EXPECT_EQ(rows, fixed);
  CloseCleanly();
}

TEST_F(SeamsRun, ADriveScanAddsTheMidiFilesOfTheFolderChosen) {
  ForceDirectories(FDir / "Songs");
  const std::vector<std::string> corpus = CorpusFiles("pianobooster");
  ASSERT_GE(corpus.size(), 2u);
  ASSERT_TRUE(CopyFileA(corpus[0].c_str(), (FDir / "Songs\\one.mid").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(corpus[1].c_str(), (FDir / "Songs\\two.mid").c_str(), FALSE));
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  ASSERT_TRUE(MenuKeys(run->MainWindow(), 'f', {{WM_CHAR, 'd'}})); // "Scan a &drive ..."
  HWND scan = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] { return (scan = VisibleWindow(run->Pid(), "TDriveScanFrm")) != nullptr; }, 30000));
  // The folder list starts at the program's folder, which holds the songs; the user names the
  // artist and the category of what is found.
  TypeScanArtistAndCategory(scan, L"Smith, Ann", L"Scanned");
  PostMessageA(FindChildByText(scan, "&Scan!"), BM_CLICK, 0, 0);
  EXPECT_TRUE(run->AnswerUntil([&] { return IndexRecords(FDir.Path()) == 2; }, 60000))
      << IndexRecords(FDir.Path());
  CloseCleanly();
  for (const TRunningProgram::TAsked& box : run->Boxes())
    EXPECT_EQ(box.Caption, "Confirm") << "only the reminder to scan: " << box.Text;
  TMyDB db;
  db.Open(FDir / "Music");
  int found = 0;
  for (int n = 1; n <= db.RecordCount(); ++n) {
    TTuneRec rec;
    if (!db.ReadRecord(n, rec) || !rec.Live) continue;
    ++found;
    EXPECT_EQ(rec.CategoryName, "Scanned");
    EXPECT_EQ(rec.LastName, "Smith");
  }
  db.Close();
  EXPECT_EQ(found, 2);
}

TEST_F(SeamsRun, AnArchiveOfSixTitlesIsImportedThroughTheArchiveWindow) {
  // The oracle's archive of six titles (five or more are imported in the archive window), and its
  // entries as the oracle lists them.
  const std::string oracle = OracleDir("import_archives");
  std::set<std::string> expected;
  std::istringstream tsv(ReadFileBytes(oracle + "\\expect.tsv"));
  for (std::string line; std::getline(tsv, line);)
    if (line.rfind("six.zip\t", 0) == 0) {
      std::string entry = line.substr(8, line.find('\t', 8) - 8);
      expected.insert(entry.substr(0, entry.size() - 4));
    }
  ASSERT_EQ(expected.size(), 6u);
  const std::string zip = FDir / "six.zip";
  ASSERT_TRUE(CopyFileA((oracle + "\\six.zip").c_str(), zip.c_str(), FALSE));
  TRunningProgram* run = Start("Z\"" + zip + "\"");
  ASSERT_TRUE(run);
  EXPECT_TRUE(run->AnswerUntil([&] { return IndexRecords(FDir.Path()) == 6; }, 60000))
      << IndexRecords(FDir.Path());
  CloseCleanly();
  EXPECT_TRUE(run->Boxes().empty()) << run->Boxes().front().Text;
  std::set<std::string> titles;
  TMyDB db;
  db.Open(FDir / "Music");
  for (int n = 1; n <= db.RecordCount(); ++n)
    if (TTuneRec rec; db.ReadRecord(n, rec) && rec.Live) titles.insert(rec.Title);
  db.Close();
  EXPECT_EQ(titles, expected);
}

TEST_F(SeamsRun, TheMixerWindowListsTheSystemsMixerDevices) {
  std::vector<std::string> devices;
  for (UINT i = 0; i < mixerGetNumDevs(); ++i) {
    MIXERCAPSA caps{};
    if (mixerGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
      devices.push_back(caps.szPname);
  }
  ASSERT_FALSE(devices.empty()) << "the sound server's mixers";
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  DWORD_PTR result = 1;
  ASSERT_TRUE(SendMessageTimeoutA(run->MainWindow(), RegisterWindowMessageA("QX_ShowMixerWindow"),
                                  0, 0, SMTO_NORMAL, 20000, &result));
  HWND mixer = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] { return (mixer = VisibleWindow(run->Pid(), "TMixerFrmF")) != nullptr; }, 10000));
  std::vector<HWND> combos = ChildrenOfClass(mixer, "ComboBox");
  ASSERT_EQ(combos.size(), 1u);
  EXPECT_EQ(ComboItems(combos[0]), devices);
  CloseCleanly();
}

TEST_F(SeamsRun, TheProgramBindsTheSystemsCompressionManager) {
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  bool bound = false;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, run->Pid());
  ASSERT_NE(snap, INVALID_HANDLE_VALUE);
  MODULEENTRY32 me{};
  me.dwSize = sizeof me;
  for (BOOL ok = Module32First(snap, &me); ok; ok = Module32Next(snap, &me))
    bound = bound || LowerCase(me.szModule) == "msacm32.dll";
  CloseHandle(snap);
  EXPECT_TRUE(bound) << "nothing links it: only the start-up's binding loads it";
  CloseCleanly();
}

TEST_F(SeamsRun, ARightClickOnTheCategoryTabsShowsTheirPopUpMenu) {
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  std::vector<HWND> tabs = ChildrenOfClass(run->MainWindow(), "TExtPageControl");
  ASSERT_FALSE(tabs.empty());
  RECT r;
  GetWindowRect(tabs[0], &r);
  PostMessageA(tabs[0], WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tabs[0]),
               MAKELPARAM(r.left + 10, r.top + 5));
  HWND popup = nullptr;
  ASSERT_TRUE(
      PumpUntil([&] { return (popup = VisibleWindow(run->Pid(), "#32768")) != nullptr; }, 20000));
  // Escape closes it, as it would for a user.
  PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(PumpUntil([&] { return VisibleWindow(run->Pid(), "#32768") == nullptr; }, 10000));
  CloseCleanly();
}

// The file name box of a system open or save dialog.
HWND FileNameBox(HWND dialog) {
  HWND name = GetDlgItem(dialog, 0x47C); // the explorer dialog's
  return name ? name : GetDlgItem(dialog, 0x480);
}

// Categories, down to "A&rchive", then "A&ll categories"; the target typed into the save dialog
// that comes up, and OK. Answers the dialog's caption, "" when none came.
std::string ArchiveAllTitlesTo(TRunningProgram& run, const std::string& target) {
  std::vector<std::pair<UINT, WPARAM>> keys(8, {WM_KEYDOWN, VK_DOWN});
  keys.emplace_back(WM_KEYDOWN, VK_RIGHT);
  keys.emplace_back(WM_CHAR, 'l');
  HWND dialog = nullptr;
  if (!MenuKeys(run.MainWindow(), 'c', keys) ||
      !run.AnswerUntil([&] { return (dialog = VisibleWindow(run.Pid(), "#32770")) != nullptr; },
                       30000) ||
      !FileNameBox(dialog))
    return "";
  const std::string caption = runprog::WindowText(dialog);
  SendMessageA(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  return caption;
}

TEST_F(SeamsRun, SaveToDiskWritesTheTitleWhereTheSystemsSaveDialogSays) {
  ForceDirectories(FDir / "Songs");
  ForceDirectories(FDir / "Saved");
  std::string song = FDir / "Songs\\a saved song.mid";
  ASSERT_TRUE(CopyFileA(CorpusFiles("playmidi")[0].c_str(), song.c_str(), FALSE));
  TRunningProgram* run = Start("Z\"" + song + "\"");
  ASSERT_TRUE(run);
  ASSERT_TRUE(run->AnswerUntil([&] { return IndexRecords(FDir.Path()) == 1; }, 60000));
  // Categories, down past play, sorting, the summary tab, new, rename, delete, mail and archive
  // to "&Save to disk", then "A&ll categories".
  std::vector<std::pair<UINT, WPARAM>> keys(9, {WM_KEYDOWN, VK_DOWN});
  keys.emplace_back(WM_KEYDOWN, VK_RIGHT);
  keys.emplace_back(WM_CHAR, 'l');
  run->Answer = [](const TRunningProgram::TAsked& box) {
    return box.Text == "Are you sure you want to save 1 title(s) to disk?" ? "&Yes" : "";
  };
  ASSERT_TRUE(MenuKeys(run->MainWindow(), 'c', keys));
  HWND dialog = nullptr;
  ASSERT_TRUE(run->AnswerUntil(
      [&] { return (dialog = VisibleWindow(run->Pid(), "#32770")) != nullptr; }, 30000));
  EXPECT_EQ(runprog::WindowText(dialog), "Save a saved song to...");
  const std::string target = FDir / "Saved\\kept.mid";
  ASSERT_TRUE(FileNameBox(dialog));
  SendMessageA(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(run->AnswerUntil([&] { return FileSize(target) > 0; }, 30000));
  PumpUntil([&] { return VisibleWindow(run->Pid(), "#32770") == nullptr; }, 10000);
  EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(song));
  CloseCleanly();
  EXPECT_EQ(run->Boxes().size(), 1u) << "only the question whether to save";
}

TEST_F(SeamsRun, ArchivingPacksTheTitlesIntoTheZipTheSaveDialogNames) {
  ForceDirectories(FDir / "Songs");
  std::string song = FDir / "Songs\\an archived song.mid";
  ASSERT_TRUE(CopyFileA(CorpusFiles("playmidi")[0].c_str(), song.c_str(), FALSE));
  TRunningProgram* run = Start("Z\"" + song + "\"");
  ASSERT_TRUE(run);
  ASSERT_TRUE(run->AnswerUntil([&] { return IndexRecords(FDir.Path()) == 1; }, 60000));
  const std::string target = FDir / "songs.zip";
  EXPECT_EQ(ArchiveAllTitlesTo(*run, target), "Enter the name for this 1-title archive...");
  // The archive window packs the title and says how it went.
  EXPECT_TRUE(run->AnswerUntil([&] { return !run->Boxes().empty(); }, 60000));
  CloseCleanly();
  const std::string zip = ReadFileBytes(target);
  EXPECT_EQ(zip.substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_NE(zip.find("an archived song.mid"), std::string::npos) << "the entry's name";
  for (const TRunningProgram::TAsked& box : run->Boxes())
    EXPECT_EQ(box.Text.find("fail"), std::string::npos) << box.Text;
}

// A Standard MIDI File of one track whose text events hold about two million letters of four
// kinds drawn at random: deflating them at the highest level takes a good second, long enough
// for a Cancel to come in the middle of packing.
std::string SlowToPackMidi() {
  std::string track;
  uint32_t seed = 12345;
  for (int event = 0; event < 32; ++event) {
    std::string text(60000, ' '); // a text event holds at most 65534 bytes
    for (char& c : text) {
      seed = seed * 1103515245u + 12345u;
      c = "ACGT"[(seed >> 16) & 3];
    }
    track += std::string("\0\xFF\x01\x83\xD4\x60", 6) + text; // 60000 as 3 x 7 bits
  }
  track += std::string("\0\xFF\x2F\0", 4);
  const uint32_t size = static_cast<uint32_t>(track.size());
  return std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk", 18) +
         std::string{static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                     static_cast<char>(size >> 8), static_cast<char>(size)} +
         track;
}

TEST_F(SeamsRun, ArchivingCancelledWhilePackingKeepsTheArchiveItWasToReplace) {
  ForceDirectories(FDir / "Songs");
  const std::string song = FDir / "Songs\\slow to pack.mid";
  WriteFileBytes(song, SlowToPackMidi());
  const std::string target = FDir / "songs.zip";
  const std::string former = ReadFileBytes(OracleDir("import_archives") + "three.zip");
  WriteFileBytes(target, former);
  TRunningProgram* run = Start("Z\"" + song + "\"");
  ASSERT_TRUE(run);
  ASSERT_TRUE(run->AnswerUntil([&] { return IndexRecords(FDir.Path()) == 1; }, 60000));
  // The archive already there is named.
  ASSERT_FALSE(ArchiveAllTitlesTo(*run, target).empty());
  // Yes to the system's question whether to replace it; Cancel once the packing has begun (the
  // archive window's second bar then counts percent, not titles).
  bool replaced = false, cancelled = false;
  EXPECT_TRUE(run->AnswerUntil(
      [&] {
        TWindowFind ask{run->Pid(), [](HWND w) { return GetDlgItem(w, IDYES) != nullptr; }};
        EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&ask));
        if (ask.Window && !replaced) {
          PostMessageA(GetDlgItem(ask.Window, IDYES), BM_CLICK, 0, 0);
          replaced = true;
        }
        HWND window = VisibleWindow(run->Pid(), "TCreateArchiveForm");
        for (HWND bar : window && !cancelled ? ChildrenOfClass(window, "msctls_progress32")
                                             : std::vector<HWND>{})
          if (SendMessageA(bar, PBM_GETRANGE, FALSE, 0) == 100) {
            PostMessageA(FindChildByText(window, "Cancel"), BM_CLICK, 0, 0);
            cancelled = true;
          }
        return !run->Boxes().empty();
      },
      60000));
  CloseCleanly();
  EXPECT_TRUE(replaced);
  EXPECT_TRUE(cancelled);
  ASSERT_EQ(run->Boxes().size(), 1u);
  EXPECT_EQ(run->Boxes()[0].Text,
            "Archiving cancelled!\r\n\r\n   The archive already there was left as it was.");
  ASSERT_TRUE(FileExists(target)) << "the archive that was there is gone";
  EXPECT_EQ(ReadFileBytes(target), former) << "byte for byte";
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((FDir / "songs.zip?*").c_str(), &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "a work file is left: " << fd.cFileName;
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

class SeamsMailRun : public SeamsRun {
protected:
  HWND FMail = nullptr;
  std::string FSong;
  // Starts the program with a title for the mail window, as the browser plug-in does.
  bool StartWithMailWindow() {
    ForceDirectories(FDir / "Songs");
    FSong = FDir / "Songs\\for mail.mid";
    if (!CopyFileA(CorpusFiles("timidity")[0].c_str(), FSong.c_str(), FALSE)) return false;
    TRunningProgram* run = Start("M\"" + FSong + "\"");
    return run && run->AnswerUntil(
                      [&] {
                        return (FMail = VisibleWindow(run->Pid(), "TMailForm")) != nullptr &&
                               FileExists(FDir / "TempMail\\for mail.mid");
                      },
                      60000);
  }
};

TEST_F(SeamsMailRun, SetupListsNoneAndTheSystemsDialUpEntries) {
  std::vector<std::string> expected{"None"};
  RASENTRYNAMEA names[16]{};
  names[0].dwSize = sizeof names[0];
  DWORD size = sizeof names, count = 0;
  if (RasEnumEntriesA(nullptr, nullptr, names, &size, &count) == 0)
    for (DWORD i = 0; i < count; ++i)
      expected.push_back(names[i].szEntryName);
  ASSERT_TRUE(StartWithMailWindow());
  ASSERT_TRUE(MenuKeys(FMail, 's', {})); // "&Setup"
  HWND setup = nullptr;
  ASSERT_TRUE(FRun->AnswerUntil(
      [&] { return (setup = VisibleWindow(FRun->Pid(), "", "Tonalbrook mail setup")) != nullptr; },
      30000));
  std::vector<std::string> ras;
  for (HWND combo : ChildrenOfClass(setup, "ComboBox"))
    if (std::vector<std::string> items = ComboItems(combo); !items.empty() && items[0] == "None")
      ras = items;
  EXPECT_EQ(ras, expected);
  PostMessageA(FindChildByText(setup, "Cancel"), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(setup); }, 10000));
  EXPECT_TRUE(IsWindowVisible(FMail));
  CloseCleanly();
}

TEST_F(SeamsMailRun, AttachTakesAFileChosenInTheSystemsOpenDialog) {
  ASSERT_TRUE(StartWithMailWindow());
  std::string chosen = FDir / "Songs\\chosen.mid";
  ASSERT_TRUE(CopyFileA(FSong.c_str(), chosen.c_str(), FALSE));
  HWND list = ChildrenOfClass(FMail, "SysListView32").at(0);
  ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
  ASSERT_TRUE(MenuKeys(FMail, 'f', {{WM_CHAR, 'a'}})); // "&Attach"
  HWND dialog = nullptr;
  ASSERT_TRUE(
      PumpUntil([&] { return (dialog = VisibleWindow(FRun->Pid(), "#32770")) != nullptr; }, 30000));
  // The user types the file's name and presses Open.
  HWND name = FileNameBox(dialog);
  ASSERT_TRUE(name);
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 2; }, 20000));
  EXPECT_EQ(ListViewText(list, 1), "chosen.mid");
  CloseCleanly();
}

TEST_F(SeamsRun, ThePrinterSetupDialogOfThePrintOptionsSetsTheOrientationShown) {
  ForceDirectories(FDir / "Songs");
  std::string song = FDir / "Songs\\a printed song.mid";
  ASSERT_TRUE(CopyFileA(CorpusFiles("playmidi")[0].c_str(), song.c_str(), FALSE));
  TRunningProgram* run = Start("Z\"" + song + "\"");
  ASSERT_TRUE(run);
  ASSERT_TRUE(run->AnswerUntil([&] { return IndexRecords(FDir.Path()) == 1; }, 60000));
  // Categories, down past play to "P&rint", then "A&ll categories" (the Titles menu would need a
  // selected title first).
  ASSERT_TRUE(MenuKeys(run->MainWindow(), 'c',
                       {{WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, VK_RIGHT}, {WM_CHAR, 'l'}}));
  HWND options = nullptr;
  ASSERT_TRUE(run->AnswerUntil(
      [&] {
        return (options = VisibleWindow(run->Pid(), "", "Set printing parameters")) != nullptr;
      },
      30000));
  HWND portrait = FindChildByText(options, "&Portrait");
  HWND landscape = FindChildByText(options, "&Landscape");
  ASSERT_TRUE(portrait && landscape);
  EXPECT_EQ(SendMessageA(portrait, BM_GETCHECK, 0, 0), BST_CHECKED);
  PostMessageA(FindChildByText(options, "&Setup..."), BM_CLICK, 0, 0);
  // The system's printer setup: the user picks landscape for the default printer and says OK.
  HWND setup = nullptr;
  ASSERT_TRUE(
      PumpUntil([&] { return (setup = VisibleWindow(run->Pid(), "#32770")) != nullptr; }, 30000));
  HWND wide = GetDlgItem(setup, rad2); // the dialog's "Landscape" button
  ASSERT_TRUE(wide) << StaticTexts(setup);
  SendMessageA(wide, BM_CLICK, 0, 0);
  PostMessageA(GetDlgItem(setup, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(setup) || !IsWindowVisible(setup); }, 20000));
  // The options window goes on, showing the orientation chosen there.
  EXPECT_TRUE(
      PumpUntil([&] { return SendMessageA(landscape, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 10000));
  EXPECT_EQ(SendMessageA(portrait, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_TRUE(IsWindowVisible(options));
  PostMessageA(FindChildByText(options, "&Cancel"), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(options); }, 10000));
  CloseCleanly();
  EXPECT_TRUE(run->Boxes().empty()) << run->Boxes().front().Text;
}

TEST_F(SeamsRun, TheAboutBoxsLinkHandsTheProductPageToTheRegisteredBrowser) {
  // The user's browser is whatever the "https" protocol names: here a command that notes the
  // address it was given.
  TKeptValue handler(HKeyClassesRoot(), "\\https\\shell\\open\\command", "");
  std::string note = FDir / "https.txt";
  handler.Write("cmd.exe /c echo %1>\"" + note + "\"");
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  const size_t asked = run->Boxes().size();                        // the reminder to scan
  ASSERT_TRUE(MenuKeys(run->MainWindow(), 'h', {{WM_CHAR, 'a'}})); // "&About..."
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = VisibleWindow(run->Pid(), "TAboutBoxD2")) != nullptr; },
                        30000));
  EXPECT_EQ(runprog::WindowText(box), "About Tonalbrook v3.7.1 (tm)");
  // The link is the blue text on the box's panel: found on the screen as a user sees it.
  HWND panel = nullptr;
  for (HWND w : ChildrenOfClass(box, "TPanel"))
    if (GetParent(w) == box) panel = w;
  ASSERT_TRUE(panel);
  RECT blue{};
  ASSERT_TRUE(PumpUntil(
      [&] {
        RECT r;
        GetWindowRect(panel, &r);
        blue = {r.right, r.bottom, r.left, r.top};
        HDC screen = GetDC(nullptr);
        for (int y = r.top; y < r.bottom; ++y)
          for (int x = r.left; x < r.right; ++x)
            if (GetPixel(screen, x, y) == RGB(0, 0, 255)) {
              blue.left = std::min<LONG>(blue.left, x);
              blue.top = std::min<LONG>(blue.top, y);
              blue.right = std::max<LONG>(blue.right, x);
              blue.bottom = std::max<LONG>(blue.bottom, y);
            }
        ReleaseDC(nullptr, screen);
        return blue.right > blue.left + 20;
      },
      20000));
  POINT at{(blue.left + blue.right) / 2, (blue.top + blue.bottom) / 2};
  ScreenToClient(panel, &at);
  PostMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  PostMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  EXPECT_TRUE(PumpUntil([&] { return FileSize(note) > 0; }, 60000));
  EXPECT_EQ(Trim(ReadFileBytes(note)), "https://www.tonalbrook.example/");
  PostMessageA(FindChildByText(box, "Close"), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000));
  CloseCleanly();
  EXPECT_EQ(run->Boxes().size(), asked) << run->Boxes().back().Text;
}

TEST_F(SeamsRun, ThePlugInManagerInstallsFromAndListsInTheProgramsFolder) {
  // A first start without the browser, so that the manager is not asked for at start-up.
  ASSERT_TRUE(Start());
  CloseCleanly();
  // The browser's plug-in folder holds another plug-in claiming MIDI files; the program's own
  // plug-in lies beside it.
  const std::string plugins = FDir / "Navigator\\Program\\Plugins\\";
  TNavigatorRegistry browser("", FDir / "Navigator");
  PlaceDll("conflict", plugins + "NPmidi.dll");
  PlaceDll("standin", FDir / "NPqorvex.dll");
  const std::string disabled = plugins + "QXXNPmidi.dllBAK";
  const std::string list = FDir / "PlugInsDisabledWhileOpen.lst";
  TRunningProgram* run = Start();
  ASSERT_TRUE(run);
  auto openManager = [&] {
    HWND manager = nullptr;
    if (MenuKeys(run->MainWindow(), 'f', {{WM_CHAR, 'm'}})) // "&Manage browser plug-in..."
      PumpUntil([&] { return (manager = VisibleWindow(run->Pid(), "TManageNPIFrm")) != nullptr; },
                30000);
    return manager;
  };
  HWND manager = openManager();
  ASSERT_TRUE(manager);
  EXPECT_TRUE(FindChildByText(manager, " Tonalbrook is NOT installed as a Navigator plugin "));
  // Each action says what it did in a box of its own (after the start's reminder to scan).
  auto said = [&](const char* button) {
    const size_t asked = run->Boxes().size();
    PostMessageA(FindChildByText(manager, button), BM_CLICK, 0, 0);
    return run->AnswerUntil([&] { return run->Boxes().size() > asked; }, 30000) &&
           PumpUntil([&] { return FindProcessWindow(run->Pid(), "TMessageForm") == nullptr; },
                     10000);
  };
  ASSERT_TRUE(said("&Install Tonalbrook plugin"));
  EXPECT_EQ(run->Boxes().back().Text, "1 instance(s) of Tonalbrook plugin have been installed."
                                      "\r\n\r\nOne conflicting plugin was found.");
  EXPECT_EQ(ReadFileBytes(plugins + "NPqorvex.dll"), ReadFileBytes(FDir / "NPqorvex.dll"));
  // Disabled while the program is open (the choice made at the start): renamed, and noted in
  // the program's folder.
  ASSERT_TRUE(said("&Execute configuration"));
  EXPECT_EQ(run->Boxes().back().Text.rfind("1 conflicting plugin has been disabled while", 0), 0u)
      << run->Boxes().back().Text;
  EXPECT_TRUE(FileExists(disabled));
  EXPECT_FALSE(FileExists(plugins + "NPmidi.dll"));
  EXPECT_EQ(LowerCase(Trim(ReadFileBytes(list))), LowerCase(disabled));
  PostMessageA(FindChildByText(manager, "&Close"), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(manager); }, 10000));
  // Closing the program gives the browser its plug-in back.
  CloseCleanly();
  EXPECT_TRUE(FileExists(plugins + "NPmidi.dll"));
  EXPECT_FALSE(FileExists(disabled));
  EXPECT_FALSE(FileExists(list));

  // The next start steps it aside again; removing the program's plug-in gives it back at once
  // and offers to install again.
  run = Start();
  ASSERT_TRUE(run);
  EXPECT_TRUE(FileExists(disabled));
  EXPECT_TRUE(FileExists(list));
  manager = openManager();
  ASSERT_TRUE(manager);
  ASSERT_TRUE(said("&Remove Tonalbrook plugin"));
  EXPECT_EQ(run->Boxes().back().Text,
            "1 instance(s) of Tonalbrook plugin have been removed, and\r\n1 conflicting "
            "plugin(s) (previously disabled) re-enabled.");
  EXPECT_FALSE(FileExists(plugins + "NPqorvex.dll"));
  EXPECT_TRUE(FileExists(plugins + "NPmidi.dll"));
  EXPECT_FALSE(FileExists(list));
  EXPECT_TRUE(IsWindowEnabled(FindChildByText(manager, "&Install Tonalbrook plugin")));
  EXPECT_FALSE(IsWindowEnabled(FindChildByText(manager, "&Remove Tonalbrook plugin")));
  PostMessageA(FindChildByText(manager, "&Close"), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(manager); }, 10000));
  CloseCleanly();
  EXPECT_TRUE(FileExists(plugins + "NPmidi.dll"));
  EXPECT_TRUE(FileExists(FDir / "NPqorvex.dll")) << "the program's own copy stays";
}

} // namespace
