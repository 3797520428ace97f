// Tonalbrook.exe itself, started in a scratch program folder: its message boxes answered, closed
// as a user would, and a second start handing its command line to the first.
#include <gtest/gtest.h>
#include "DataCodeD2.h"
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

  // Answers every message box with No (recording its text); once at least the expected number of
  // questions came and the window has been quiet for a while, closes it as a user would and waits
  // for the process to end. (A slow start-up must not be mistaken for a quiet one.)
  bool AnswerAndClose(size_t expectedQuestions = 0) {
    DWORD quietSince = GetTickCount();
    bool closeSent = false;
    return PumpUntil(
        [&] {
          if (Ended()) return true;
          if (HWND box = FindProcessWindow(Pid(), "TMessageForm")) {
            // The message boxes are the program's own forms: note the caption, press No.
            char caption[256] = {};
            GetWindowTextA(box, caption, sizeof caption);
            if (FAsked.empty() || FAsked.back().second != box) FAsked.emplace_back(caption, box);
            HWND button = FindButton(box, "&No");
            if (!button) button = FindButton(box, "OK");
            if (button) PostMessageA(button, BM_CLICK, 0, 0);
            quietSince = GetTickCount();
            return false;
          }
          HWND main = MainWindow();
          if (!closeSent && main && IsWindowEnabled(main) && FAsked.size() >= expectedQuestions &&
              GetTickCount() - quietSince > 1500) {
            PostMessageA(main, WM_CLOSE, 0, 0);
            closeSent = true;
          }
          return false;
        },
        180000, 20);
  }
  std::vector<std::string> Asked() const {
    std::vector<std::string> texts;
    for (auto& a : FAsked)
      texts.push_back(a.first);
    return texts;
  }

private:
  bool FStarted = false;
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
  {
    TRunningProgram run(FDir.Path(), "");
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.WaitForMainWindow());
    ASSERT_TRUE(run.AnswerAndClose(1));
    EXPECT_EQ(run.ExitCode(), 0u);
    // The scan question and, unless the program already is the default player, the
    // default-player question (their texts are checked in this process's own tests).
    std::vector<std::string> asked = run.Asked();
    EXPECT_GE(asked.size(), 1u);
    EXPECT_LE(asked.size(), 2u);
    for (const std::string& caption : asked)
      EXPECT_EQ(caption, "Confirm");
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
  ASSERT_TRUE(again.AnswerAndClose(1));
  EXPECT_EQ(again.Asked().size(), 1u);
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
    ASSERT_TRUE(run.AnswerAndClose(1)); // the reminder to scan
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
