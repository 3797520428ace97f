// Tonalbrook.exe itself, started in a scratch program folder: its message boxes answered, closed
// as a user would, and a second start handing its command line to the first.
#include <gtest/gtest.h>
#include "DataCodeD2.h"
#include "FileAssoc.h"
#include "MainCodeD2.h"
#include "PlayerRegistry.h"
#include "PreparedCatalogue.h"
#include <windows.h>
#include "IniFiles.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

struct TFound {
  DWORD Pid;
  const char* Class;
  HWND Window = nullptr;
};

struct TChildFind {
  const char* Text;
  HWND Window = nullptr;
};

BOOL CALLBACK MatchChild(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TChildFind*>(lp);
  char text[64] = {};
  GetWindowTextA(w, text, sizeof text);
  if (std::string(text) == f->Text) {
    f->Window = w;
    return FALSE;
  }
  return TRUE;
}

// A button of a box by its caption.
HWND FindButton(HWND box, const char* caption) {
  TChildFind find{caption};
  EnumChildWindows(box, MatchChild, reinterpret_cast<LPARAM>(&find));
  return find.Window;
}

BOOL CALLBACK MatchWindow(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TFound*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  if (owner == f->Pid && std::string(name) == f->Class &&
      (std::string(name) != "TMessageForm" || IsWindowVisible(w))) {
    f->Window = w;
    return FALSE;
  }
  return TRUE;
}

// A top-level window of the process with that class (visible ones only for dialogs).
HWND FindProcessWindow(DWORD pid, const char* cls) {
  TFound found{pid, cls};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&found));
  return found.Window;
}

class TRunningProgram {
public:
  TRunningProgram(const std::string& folder, const std::string& params) {
    std::string exe = folder + "Tonalbrook.exe";
    std::string cmd = "\"" + exe + "\"" + (params.empty() ? "" : " " + params);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    FStarted = CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &si, &FInfo) != FALSE;
  }
  ~TRunningProgram() {
    if (!FStarted) return;
    if (!Ended()) TerminateProcess(FInfo.hProcess, 99);
    CloseHandle(FInfo.hProcess);
    CloseHandle(FInfo.hThread);
  }
  bool Started() const { return FStarted; }
  DWORD Pid() const { return FInfo.dwProcessId; }
  bool Ended() const { return WaitForSingleObject(FInfo.hProcess, 0) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(FInfo.hProcess, &code);
    return code;
  }
  HWND MainWindow() const { return FindProcessWindow(Pid(), "TMasterFrm"); }
  bool WaitForMainWindow() {
    return PumpUntil([&] { return MainWindow() != nullptr || Ended(); }, 120000) && !Ended();
  }

  // Answers the message boxes in turn with the given buttons (No when the list has run out),
  // recording their captions; once the program marks its start-up as done (its questions all
  // answered), closes it as a user would and waits for the process to end.
  bool AnswerAndClose(const std::vector<const char*>& buttons = {}) {
    bool closeSent = false;
    return PumpUntil(
        [&] {
          if (Ended()) return true;
          if (HWND box = FindProcessWindow(Pid(), "TMessageForm")) {
            // The message boxes are the program's own forms: note the caption, press a button.
            char caption[256] = {};
            GetWindowTextA(box, caption, sizeof caption);
            if (FAsked.empty() || FAsked.back().second != box) {
              FAsked.emplace_back(caption, box);
              FPress = FAsked.size() <= buttons.size() ? buttons[FAsked.size() - 1] : "&No";
            }
            HWND button = FindButton(box, FPress);
            if (!button) button = FindButton(box, "OK");
            if (button) PostMessageA(button, BM_CLICK, 0, 0);
            return false;
          }
          HWND main = MainWindow();
          if (!closeSent && main && StartUpDone()) {
            PostMessageA(main, WM_CLOSE, 0, 0);
            closeSent = true;
          }
          return false;
        },
        180000, 20);
  }
  // The program's own mark: start-up has ended, the questions of a start included.
  bool StartUpDone() const {
    HWND main = MainWindow();
    return main && GetPropA(main, StartUpDoneProperty) != nullptr;
  }
  std::vector<std::string> Asked() const {
    std::vector<std::string> texts;
    for (auto& a : FAsked)
      texts.push_back(a.first);
    return texts;
  }

private:
  bool FStarted = false;
  const char* FPress = "&No";
  PROCESS_INFORMATION FInfo{};
  std::vector<std::pair<std::string, HWND>> FAsked;
};

class ProgramRun : public testing::Test {
protected:
  TScratchDir FDir{"tbrun"};
  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
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
  // The program writes its lists at shutdown: gone before, there again after.
  DeleteFile(FDir / "Albums_A.dex");
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
